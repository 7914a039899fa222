// The playback's synthesis lead: how much sound is queued ahead of the hardware, and how long the
// playback thread may wait before it synthesises the next block.
#include <framepacing.h>
#include <wavedevice.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace zelvaro {
namespace {

using std::chrono::milliseconds;

TEST(OutputLead, WaitLeavesTheLeadQueuedAndNeverGoesNegative)
{
    // One 2048-frame block at 22050 Hz is 92.88 ms: truncated to 92, 47 ms wait for a 45 ms lead.
    EXPECT_EQ(OutputLeadWait(2048, 22050, milliseconds(45)), milliseconds(47));
    EXPECT_EQ(OutputLeadWait(4096, 22050, milliseconds(45)), milliseconds(140));
    // Already at or below the lead: the block is due now.
    EXPECT_EQ(OutputLeadWait(992, 22050, milliseconds(45)), milliseconds(0));
    EXPECT_EQ(OutputLeadWait(0, 22050, milliseconds(45)), milliseconds(0));
    // A rate that makes no sense never yields a wait.
    EXPECT_EQ(OutputLeadWait(2048, 0, milliseconds(45)), milliseconds(0));
    EXPECT_EQ(OutputLeadWait(2048, -22050, milliseconds(45)), milliseconds(0));
}

// A playback device whose hardware reads only when the test says so.
class THeldPlayback final : public TWaveDevice {
public:
    THeldPlayback() : TWaveDevice(TWaveDirection::Out) {}
    ~THeldPlayback() override { Close(); }
    int NumDevs() override { return 1; }
    // Returns how many samples the hardware got: the queued ones are all 1, silence is 0.
    size_t Take(size_t samples)
    {
        std::vector<int16_t> out(samples);
        HardwarePlays(out.data(), samples);
        return static_cast<size_t>(std::count(out.begin(), out.end(), int16_t{1}));
    }

protected:
    int OpenStream(const TWaveFormat &) override { return kWaveNoError; }
    void CloseStream() override {}
};

TEST(OutputLead, PendingSamplesCountTheQueuedAndTheUnreadButNotThePlayed)
{
    THeldPlayback device;
    ASSERT_EQ(device.Open(TWaveFormat{}, [](int, TWaveHeader *) {}), kWaveNoError);
    ASSERT_EQ(device.Start(), kWaveNoError);
    EXPECT_EQ(device.PendingPlaybackSamples(), 0u);

    // Three blocks of 4096 samples: whether the driver has fed them into the ring yet or not,
    // they are pending.
    std::vector<std::vector<int16_t>> buffers(3, std::vector<int16_t>(4096, int16_t{1}));
    std::vector<TWaveHeader> headers(3);
    for (size_t i = 0; i < headers.size(); ++i) {
        headers[i].Data = reinterpret_cast<uint8_t *>(buffers[i].data());
        headers[i].BufferLength = 8192;
        ASSERT_EQ(device.Prepare(headers[i]), kWaveNoError);
        ASSERT_EQ(device.Queue(headers[i]), kWaveNoError);
    }
    EXPECT_EQ(device.PendingPlaybackSamples(), 3u * 4096u);

    // What the hardware has read is no longer pending, wherever the feeding stands.
    size_t taken = 0;
    for (int i = 0; i < 5000 && taken < 5000; ++i) {
        const size_t got = device.Take(500);
        taken += got;
        if (got == 0)  // the driver thread has not fed the ring yet
            std::this_thread::sleep_for(milliseconds(1));
    }
    ASSERT_GE(taken, 5000u);
    EXPECT_EQ(device.PendingPlaybackSamples(), 3u * 4096u - taken);
    device.Reset();
    for (TWaveHeader &header : headers)
        device.Unprepare(header);
    device.Close();
}

}  // namespace
}  // namespace zelvaro
