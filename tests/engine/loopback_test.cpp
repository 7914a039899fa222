// The whole engine on the loopback card: tones through both devices into the histories.
#include "enginetestutil.h"
#include "fakegui.h"
#include "references.h"
#include "tempfile.h"

#include <audioengine.h>
#include <loopbackcard.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <chrono>
#include <fstream>
#include <string>

namespace zelvaro {
namespace {

using namespace std::chrono_literals;
using test::DbFullScale;
using test::FitTone;
using test::TFakeGui;
using test::TWarnRecorder;
using test::WaitFor;

constexpr double kBlockSeconds = 2048.0 / kSampleRate;
constexpr int kWindow = 16384;

TLoopbackOptions CardOptions(int delayFrames, double noiseDbfs, uint32_t noiseSeed)
{
    TLoopbackOptions options;
    options.DelayFrames = delayFrames;
    options.NoiseDbfs = noiseDbfs;
    options.NoiseSeed = noiseSeed;
    return options;
}

void SetTwoTones(TEngineState &state)
{
    state.LFreqHz = 1292;
    state.RFreqHz = 1938;
    state.LAmpl = 0.5f;
    state.RAmpl = 0.5f;
    state.TLedLeft = true;
    state.TLedRight = true;
    state.FftSize = kWindow;
}

TEST(LoopbackEngine, TonesArriveAtTheirLevelsWithNoBlockLostOrRepeated)
{
    TEngineState state;
    SetTwoTones(state);
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::Loopback, warnings.Warn(), gui.RunOnGui(), history, state, {});
    ASSERT_TRUE(engine.SoundBuffersOk());

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(engine.OpenDevices());
    // Four silent blocks play first; 14 blocks leave the newest 8 all tone.
    ASSERT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= 14; }));
    const uint64_t captured = engine.BlocksCaptured();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<float> left(kWindow), right(kWindow);
    history.CopyNewest(left.data(), right.data(), kWindow);
    engine.CloseDevices();

    // One block per block time since the open: none lost, none delivered twice.
    EXPECT_NEAR(static_cast<double>(captured), elapsed / kBlockSeconds, 1.5);
    EXPECT_EQ(engine.CaptureSamplesDropped(), 0u);
    // Every playback buffer keeps circulating: generation keeps pace with capture (one block may
    // be waiting for its lead, and playback opened a little after capture).
    EXPECT_GE(engine.BlocksGenerated() + 2, captured);

    const auto fitL = FitTone(left, 1292.0, kSampleRate);
    const auto fitR = FitTone(right, 1938.0, kSampleRate);
    EXPECT_NEAR(DbFullScale(fitL.Amplitude), -6.02, 0.01);
    EXPECT_NEAR(DbFullScale(fitR.Amplitude), -6.02, 0.01);
    // A lost or repeated block would jump the phase: thousands of steps, not rounding and noise.
    EXPECT_LE(fitL.MaxResidual, 3.0);
    EXPECT_LE(fitR.MaxResidual, 3.0);
    EXPECT_LT(DbFullScale(FitTone(left, 1938.0, kSampleRate).Amplitude), -100.0);
    EXPECT_TRUE(warnings.Texts().empty());
}

// The right output minus the left one, in degrees, for equal tones in the newest samples (numpy).
double RightMinusLeftDegrees(const TSampleHistory &history, int samples, int freqHz)
{
    std::vector<float> left(static_cast<size_t>(samples)), right(left.size()), interleaved;
    history.CopyNewest(left.data(), right.data(), samples);
    for (size_t i = 0; i < left.size(); ++i) {
        interleaved.push_back(left[i]);
        interleaved.push_back(right[i]);
    }
    const test::TTempFile file("loopback_skew", interleaved, ".f32");
    const auto phase = test::RunPythonReference(
        "dsp/tonesynth_ref.py", "phase " + file.Path() + " float32 " + std::to_string(freqHz) + " 22050");
    return phase.size() == 1 ? phase[0] : std::nan("");
}

// A skew of 10 us at 10 kHz is 36 degrees: what the card plays back on the right leads the left
// output by that angle.
TEST(LoopbackEngine, SkewAdvancesTheRightOutputByItsAngle)
{
    ZELVARO_REQUIRE_NUMPY();
    constexpr int kSamples = 4096;
    TEngineState state;
    SetTwoTones(state);
    state.LFreqHz = 10000;
    state.RFreqHz = 10000;
    state.SkewUs = 10.0;
    state.FftSize = kSamples;
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::Loopback, warnings.Warn(), gui.RunOnGui(), history, state, {});
    ASSERT_TRUE(engine.OpenDevices());
    // Four silent blocks, then two blocks of tones fill the newest 4096 samples.
    ASSERT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= 7; }));
    EXPECT_NEAR(RightMinusLeftDegrees(history, kSamples, 10000), 36.0, 0.05);
    engine.CloseDevices();
}

TEST(LoopbackEngine, ChannelsOffGiveSilenceAndPlaybackGoesOn)
{
    TEngineState state;
    SetTwoTones(state);
    state.TLedLeft = false;
    state.TLedRight = false;
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::Loopback, warnings.Warn(), gui.RunOnGui(), history, state, {},
                        CardOptions(0, -300.0, 1));
    ASSERT_TRUE(engine.OpenDevices());
    ASSERT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= 10; }));
    std::vector<float> left(kWindow), right(kWindow);
    history.CopyNewest(left.data(), right.data(), kWindow);
    engine.CloseDevices();
    EXPECT_GE(engine.BlocksGenerated() + 2, 10u);  // one may wait for its lead
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(left[i], 0.0f) << i;
        ASSERT_EQ(right[i], 0.0f) << i;
    }
}

TEST(LoopbackEngine, RepeatedOpenAndCloseNeverRequeuesOnAClosingDevice)
{
    TEngineState state;
    SetTwoTones(state);
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::Loopback, warnings.Warn(), gui.RunOnGui(), history, state, {});
    for (int cycle = 0; cycle < 4; ++cycle) {
        const uint64_t before = engine.BlocksCaptured();
        ASSERT_TRUE(engine.UpdateDevices(true, false));
        EXPECT_TRUE(engine.DevicesOpen());
        ASSERT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= before + 2; }));
        ASSERT_TRUE(engine.UpdateDevices(false, false));
        EXPECT_FALSE(engine.DevicesOpen());
    }
    const uint64_t closed = engine.BlocksCaptured();
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(engine.BlocksCaptured(), closed);  // nothing arrives after the close
    EXPECT_TRUE(warnings.Texts().empty()) << warnings.Texts().front();
}

TEST(LoopbackEngine, ProcessEventRunsOneFrameOnlyWhileTheAnalyserIsOn)
{
    TEngineState state;
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    std::atomic<int> frames{0};
    std::atomic<bool> processingSeen{false};
    TAudioEngine engine(TAudioBackend::Loopback, warnings.Warn(), gui.RunOnGui(), history, state,
                        [&] {
                            processingSeen = state.Processing.load();
                            ++frames;
                        });
    engine.SignalProcess();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(frames.load(), 0);
    state.SpecOn = true;
    engine.SignalProcess();
    ASSERT_TRUE(WaitFor([&] { return frames == 1; }));
    EXPECT_TRUE(processingSeen.load());
    EXPECT_TRUE(WaitFor([&] { return !state.Processing.load(); }));
    engine.Shutdown();
    engine.Shutdown();  // a second call is harmless
}

TEST(LoopbackDevice, BufferRulesOfTheWaveInterface)
{
    auto card = std::make_shared<TLoopbackCard>();
    auto device = card->MakeDevice(TWaveDirection::In);
    std::vector<uint8_t> data(kBlockBytes);
    TWaveHeader header;
    header.Data = data.data();
    header.BufferLength = kBlockBytes;
    std::atomic<int> opened{0}, closed{0}, returned{0};
    auto callback = [&](int message, TWaveHeader *) {
        if (message == kWimOpen)
            ++opened;
        else if (message == kWimClose)
            ++closed;
        else if (message == kWimData)
            ++returned;
    };
    EXPECT_EQ(device->Queue(header), kWaveUnprepared);
    ASSERT_EQ(device->Prepare(header), kWaveNoError);
    EXPECT_EQ(device->Queue(header), kWaveInvalidHandle);  // not open
    TWaveFormat mono;
    mono.Channels = 1;
    EXPECT_EQ(device->Open(mono, callback), kWaveBadFormat);
    ASSERT_EQ(device->Open(TWaveFormat{}, callback), kWaveNoError);
    EXPECT_EQ(opened.load(), 1);  // delivered before Open returned
    EXPECT_EQ(device->Open(TWaveFormat{}, callback), kWaveAllocated);
    ASSERT_EQ(device->Queue(header), kWaveNoError);
    EXPECT_EQ(device->Unprepare(header), kWaveStillPlaying);
    EXPECT_EQ(device->Reset(), kWaveNoError);  // not started: the buffer comes back unfilled
    EXPECT_EQ(returned.load(), 1);
    EXPECT_TRUE(header.Flags.load() & kWhdrDone);
    EXPECT_EQ(header.BytesRecorded.load(), 0u);
    EXPECT_EQ(device->Unprepare(header), kWaveNoError);
    EXPECT_EQ(device->Close(), kWaveNoError);
    EXPECT_EQ(closed.load(), 1);  // delivered before Close returned
    EXPECT_EQ(device->Close(), kWaveInvalidHandle);
}

}  // namespace
}  // namespace zelvaro

namespace zelvaro {
namespace {

// Opens one direction of a card with a recording callback that counts finished buffers.
struct TCardSide {
    std::unique_ptr<TWaveDevice> Device;
    std::array<std::vector<uint8_t>, 4> Buffers;
    std::array<TWaveHeader, 4> Headers;
    std::atomic<int> Done{0};

    TCardSide(TLoopbackCard &card, TWaveDirection direction) : Device(card.MakeDevice(direction))
    {
        for (size_t i = 0; i < Headers.size(); ++i) {
            Buffers[i].assign(kBlockBytes, 0);
            Headers[i].Data = Buffers[i].data();
            Headers[i].BufferLength = kBlockBytes;
        }
    }
    void Open()
    {
        ASSERT_EQ(Device->Open(TWaveFormat{}, [this](int message, TWaveHeader *) {
            if (message == kWimData || message == kWomDone)
                ++Done;
        }), kWaveNoError);
        for (TWaveHeader &h : Headers) {
            ASSERT_EQ(Device->Prepare(h), kWaveNoError);
            ASSERT_EQ(Device->Queue(h), kWaveNoError);
        }
        ASSERT_EQ(Device->Start(), kWaveNoError);
    }
    std::vector<int16_t> Samples() const
    {
        std::vector<int16_t> all;
        for (const auto &b : Buffers) {
            const auto *s = reinterpret_cast<const int16_t *>(b.data());
            all.insert(all.end(), s, s + kBlockBytes / 2);
        }
        return all;
    }
};

TEST(LoopbackCard, CaptureHearsPlaybackAfterTheConfiguredDelay)
{
    constexpr int kDelay = 100;
    auto card = std::make_shared<TLoopbackCard>(CardOptions(kDelay, -300.0, 1));
    TCardSide in(*card, TWaveDirection::In), out(*card, TWaveDirection::Out);
    auto *ramp = reinterpret_cast<int16_t *>(out.Buffers[0].data());
    for (int i = 0; i < kBlockBytes / 2; ++i)
        ramp[i] = static_cast<int16_t>(i + 1);
    in.Open();
    out.Open();
    ASSERT_TRUE(WaitFor([&] { return in.Done == 4 && out.Done >= 1; }));
    const auto heard = in.Samples();
    size_t first = 0;
    while (first < heard.size() && heard[first] == 0)
        ++first;
    ASSERT_LT(first, heard.size());
    EXPECT_EQ((first / 2) % 2048, static_cast<size_t>(kDelay));  // whole periods plus the delay
    for (size_t i = 0; first + i < heard.size() && i < static_cast<size_t>(kBlockBytes / 2); ++i)
        ASSERT_EQ(heard[first + i], i + 1) << i;
    out.Device->Close();
    in.Device->Close();
}

TEST(LoopbackCard, SilentPlaybackShowsTheNoiseFloor)
{
    auto card = std::make_shared<TLoopbackCard>(CardOptions(0, -110.0, 7));
    TCardSide in(*card, TWaveDirection::In);
    in.Open();
    ASSERT_TRUE(WaitFor([&] { return in.Done == 4; }));
    in.Device->Close();
    double sum = 0;
    for (int16_t v : in.Samples())
        sum += static_cast<double>(v) * v;
    const double rms = std::sqrt(sum / static_cast<double>(in.Samples().size()));
    EXPECT_NEAR(20.0 * std::log10(rms / (32767.0 / std::sqrt(2.0))), -110.0, 2.0);
}

}  // namespace
}  // namespace zelvaro
