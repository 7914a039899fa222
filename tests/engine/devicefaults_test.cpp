// The engine on devices that fail or return buffers at once: the messages of every refused open
// and failed preparation, in both directions, and the hand-over of playback buffers.
#include "enginetestutil.h"
#include "fakedevice.h"
#include "fakegui.h"

#include <audioengine.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace zelvaro {
namespace {

using namespace std::chrono_literals;
using test::TFakeDevice;
using test::TFakeGui;
using test::TWarnRecorder;
using test::WaitFor;

using TBoxes = std::vector<std::pair<std::string, std::string>>;

// An engine on two fake devices, recording the warning boxes (WarnBox) and the device side's own
// error boxes with their captions.
struct TFakeRig {
    TEngineState State;
    TSampleHistory History;
    TFakeGui Gui{true};
    TWarnRecorder Warnings;
    TBoxes Boxes;
    TFakeDevice *In = nullptr;
    TFakeDevice *Out = nullptr;
    std::unique_ptr<TAudioEngine> Engine;

    TFakeRig(TFakeDevice::TBehaviour in, TFakeDevice::TBehaviour out)
    {
        auto inDevice = std::make_unique<TFakeDevice>(TWaveDirection::In, in);
        auto outDevice = std::make_unique<TFakeDevice>(TWaveDirection::Out, out);
        In = inDevice.get();
        Out = outDevice.get();
        Engine = std::make_unique<TAudioEngine>(std::move(inDevice), std::move(outDevice), Warnings.Warn(),
                                                Gui.RunOnGui(), History, State, TFrameWork{});
        Engine->SetErrorBox([this](const std::string &caption, const std::string &text) {
            Boxes.emplace_back(caption, text);
        });
    }
};

TFakeDevice::TBehaviour Refusing(int openResult)
{
    TFakeDevice::TBehaviour b;
    b.OpenResult = openResult;
    return b;
}

const TFakeDevice::TBehaviour kWorking{};

struct TRefusal {
    int Code;
    const char *InputText;
    const char *OutputText;
};

// Both directions word their messages alike; the playback one for a busy device adds the
// full-duplex hint on a line of its own.
const TRefusal kRefusals[] = {
    {kWaveAllocated, "The sound device is already in use by another program.",
     "The sound device is already in use by another program.\n"
     "Please check that it can play and record at the same time (full duplex)."},
    {kWaveBadDeviceId, "Bad SoundCard Device", "Bad SoundCard Device"},
    {kWaveNoDriver, "No SoundCard driver!", "No SoundCard driver!"},
    {kWaveNoMem, "Not Enough Memory for SoundCard", "Not Enough Memory for SoundCard"},
    {kWaveBadFormat, "Your SoundCard does not support this Wave Format",
     "Your SoundCard does not support this Wave Format"},
};

TEST(DeviceRefusals, ARefusedCaptureOpenShowsItsOwnTextAndOpensNothing)
{
    for (const TRefusal &refusal : kRefusals) {
        TFakeRig rig(Refusing(refusal.Code), kWorking);
        EXPECT_FALSE(rig.Engine->OpenDevices()) << refusal.Code;
        EXPECT_FALSE(rig.Engine->DevicesOpen());
        EXPECT_EQ(rig.Warnings.Texts(), std::vector<std::string>{refusal.InputText}) << refusal.Code;
        EXPECT_TRUE(rig.Boxes.empty()) << "no second box after the device's own text";
        EXPECT_FALSE(rig.Out->IsOpen()) << "playback is opened only after capture succeeded";
    }
}

TEST(DeviceRefusals, ARefusedPlaybackOpenShowsItsOwnTextAndClosesCaptureAgain)
{
    for (const TRefusal &refusal : kRefusals) {
        TFakeRig rig(kWorking, Refusing(refusal.Code));
        EXPECT_FALSE(rig.Engine->OpenDevices()) << refusal.Code;
        EXPECT_FALSE(rig.Engine->DevicesOpen());
        EXPECT_EQ(rig.Warnings.Texts(), std::vector<std::string>{refusal.OutputText}) << refusal.Code;
        EXPECT_TRUE(rig.Boxes.empty());
        EXPECT_FALSE(rig.In->IsOpen()) << "capture must not stay open alone";
    }
}

// A failed preparation: the direction's "prepare" text, then the system's text for code 1 in a
// box captioned after the direction.
TEST(DeviceRefusals, FailedBufferPreparationNamesItsDirection)
{
    TFakeDevice::TBehaviour failingPrepare;
    failingPrepare.PrepareResult = kWaveNoMem;
    {
        TFakeRig rig(failingPrepare, kWorking);
        EXPECT_FALSE(rig.Engine->OpenDevices());
        EXPECT_EQ(rig.Warnings.Texts(), std::vector<std::string>{"Errors during In_Buffers prepare"});
        EXPECT_EQ(rig.Boxes, (TBoxes{{"Audio input error", rig.In->ErrorText(kWaveError)}}));
        EXPECT_FALSE(rig.In->IsOpen());
    }
    {
        TFakeRig rig(kWorking, failingPrepare);
        EXPECT_FALSE(rig.Engine->OpenDevices());
        EXPECT_EQ(rig.Warnings.Texts(), std::vector<std::string>{"Errors during Out_Buffers prepare"});
        EXPECT_EQ(rig.Boxes, (TBoxes{{"Audio output error", rig.Out->ErrorText(kWaveError)}}));
        EXPECT_FALSE(rig.Out->IsOpen());
        EXPECT_FALSE(rig.In->IsOpen());
    }
}

TEST(DeviceRefusals, NoDeviceGivesTheSystemTextUnderTheDirectionsCaption)
{
    TFakeDevice::TBehaviour absent;
    absent.NumDevs = 0;
    {
        TFakeRig rig(absent, kWorking);
        EXPECT_FALSE(rig.Engine->OpenDevices());
        EXPECT_EQ(rig.Boxes, (TBoxes{{"Audio input error", rig.In->ErrorText(kWaveError)}}));
        EXPECT_TRUE(rig.Warnings.Texts().empty());
    }
    {
        TFakeRig rig(kWorking, absent);
        EXPECT_FALSE(rig.Engine->OpenDevices());
        EXPECT_EQ(rig.Boxes, (TBoxes{{"Audio output error", rig.Out->ErrorText(kWaveError)}}));
        EXPECT_TRUE(rig.Warnings.Texts().empty());
        EXPECT_FALSE(rig.In->IsOpen());
    }
}

// A driver may hand a buffer back before the write call that queued it has returned. Each such
// buffer must be refilled and written again; one marked "queued" after its return would be lost
// for good, and playback would run dry.
TEST(PlaybackBuffers, ABufferReturnedInsideItsWriteIsRefilled)
{
    constexpr int kImmediateReturns = 40;
    TFakeDevice::TBehaviour instant;
    instant.ImmediateReturns = kImmediateReturns;
    TFakeRig rig(kWorking, instant);
    ASSERT_TRUE(rig.Engine->OpenDevices());

    // The silent buffers, then one write per returned buffer; the last ones stay queued.
    const bool allWritten =
        WaitFor([&] { return rig.Out->Writes() == kOutputBlocksAhead + kImmediateReturns; }, 3000ms);
    EXPECT_TRUE(allWritten) << rig.Out->Writes() << " writes, " << rig.Out->Held() << " buffers queued";
    EXPECT_EQ(rig.Engine->BlocksGenerated(), static_cast<uint64_t>(kImmediateReturns));
    EXPECT_EQ(rig.Out->Held(), kOutputBlocksAhead) << "every buffer is either queued at the device or being refilled";
    rig.Engine->CloseDevices();
}

}  // namespace
}  // namespace zelvaro
