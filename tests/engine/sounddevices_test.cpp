// Sound devices: the list format, finding a device by name, and choosing one on the engine.
#include "enginetestutil.h"
#include "fakegui.h"

#include <audioengine.h>
#include <portaudiodevice.h>
#include <sounddevices.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace zelvaro {
namespace {

using namespace std::chrono_literals;
using test::TFakeGui;
using test::TWarnRecorder;
using test::WaitFor;

const std::vector<TSoundDevice> kDevices = {
    TSoundDevice{TWaveDirection::In, "ALSA", "USB Audio CODEC: Line (hw:1,0)"},
    TSoundDevice{TWaveDirection::In, "ALSA", "default", true},
    TSoundDevice{TWaveDirection::In, "JACK Audio Connection Kit", "default"},
    TSoundDevice{TWaveDirection::Out, "ALSA", "USB Audio CODEC: Line (hw:1,0)"},
    TSoundDevice{TWaveDirection::Out, "ALSA", "HDA Intel PCH: Analog (hw:0,0)"},
    TSoundDevice{TWaveDirection::Out, "ALSA", "default", true},
};

std::string Matched(TWaveDirection direction, const std::string &name)
{
    const TDeviceMatch match = MatchDevice(kDevices, direction, name);
    return match.Device ? match.Device->HostApi + ": " + match.Device->Name : "";
}

TEST(SoundDeviceList, OneTabSeparatedLinePerDeviceWithTheDefaultMarked)
{
    EXPECT_EQ(FormatDeviceLine(kDevices[1]), "input\tALSA\tdefault\tdefault");
    EXPECT_EQ(FormatDeviceLine(kDevices[3]), "output\tALSA\tUSB Audio CODEC: Line (hw:1,0)");
}

TEST(SoundDeviceList, KeyNamesTheHostApiOnlyWhereTheNameAloneIsAmbiguous)
{
    EXPECT_EQ(DeviceKey(kDevices, kDevices[1]), "ALSA: default");
    EXPECT_EQ(DeviceKey(kDevices, kDevices[2]), "JACK Audio Connection Kit: default");
    EXPECT_EQ(DeviceKey(kDevices, kDevices[5]), "default");  // no other output of that name
    EXPECT_EQ(DeviceKey(kDevices, kDevices[0]), "USB Audio CODEC: Line (hw:1,0)");
    // Every key finds its own device again.
    for (const TSoundDevice &device : kDevices)
        EXPECT_EQ(MatchDevice(kDevices, device.Direction, DeviceKey(kDevices, device)).Device, &device);
}

TEST(SoundDeviceMatch, ExactThenCaseThenUniquePartInTheRightDirection)
{
    EXPECT_EQ(Matched(TWaveDirection::Out, "default"), "ALSA: default");
    EXPECT_EQ(Matched(TWaveDirection::Out, "DEFAULT"), "ALSA: default");
    EXPECT_EQ(Matched(TWaveDirection::Out, "hda intel"), "ALSA: HDA Intel PCH: Analog (hw:0,0)");
    EXPECT_EQ(Matched(TWaveDirection::In, "jack audio connection kit: DEFAULT"),
              "JACK Audio Connection Kit: default");
    // An exact name wins over a longer name that merely contains it.
    EXPECT_EQ(Matched(TWaveDirection::In, "ALSA: default"), "ALSA: default");
    // The HDA card has no input.
    EXPECT_EQ(Matched(TWaveDirection::In, "HDA"), "");
}

TEST(SoundDeviceMatch, AmbiguousAndUnknownNamesMatchNothingAndSayWhy)
{
    const TDeviceMatch ambiguous = MatchDevice(kDevices, TWaveDirection::In, "default");
    EXPECT_EQ(ambiguous.Device, nullptr);
    ASSERT_EQ(ambiguous.Candidates.size(), 2u);
    const std::string why = DeviceMatchProblem(ambiguous, TWaveDirection::In, "default");
    EXPECT_NE(why.find("more than one input device"), std::string::npos) << why;
    EXPECT_NE(why.find("JACK Audio Connection Kit: default"), std::string::npos) << why;

    EXPECT_EQ(MatchDevice(kDevices, TWaveDirection::Out, "hw:").Device, nullptr);  // USB and HDA
    const TDeviceMatch unknown = MatchDevice(kDevices, TWaveDirection::Out, "Scarlett");
    EXPECT_EQ(unknown.Device, nullptr);
    EXPECT_TRUE(unknown.Candidates.empty());
    EXPECT_EQ(DeviceMatchProblem(unknown, TWaveDirection::Out, "Scarlett"),
              "No output device is called \"Scarlett\". \"zelvaro --list-devices\" shows the devices.");
    EXPECT_EQ(MatchDevice(kDevices, TWaveDirection::Out, "").Device, nullptr);
}

TEST(SoundDeviceChoiceOnTheEngine, OpenDevicesCloseAndReopenWithTheNewChoice)
{
    TEngineState state;
    state.LFreqHz = 1000;
    state.LAmpl = 0.5f;
    state.TLedLeft = true;
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::Loopback, warnings.Warn(), gui.RunOnGui(), history, state, {});
    ASSERT_TRUE(engine.SelectSoundDevices({"", "elsewhere"}));  // closed: nothing opens
    EXPECT_EQ(engine.OutputOpenings(), 0u);
    ASSERT_TRUE(engine.OpenDevices());
    ASSERT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= 2; }));

    ASSERT_TRUE(engine.SelectSoundDevices({"in", "out"}));
    EXPECT_TRUE(engine.DevicesOpen());
    EXPECT_EQ(engine.OutputOpenings(), 2u);
    EXPECT_EQ(engine.SoundDeviceChoice(), (TSoundDeviceChoice{"in", "out"}));
    // Capture goes on after the reopening.
    const uint64_t before = engine.BlocksCaptured();
    EXPECT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= before + 2; }));
    engine.CloseDevices();
    EXPECT_TRUE(warnings.Texts().empty());
}

// On the private sound server: a device chosen by name plays, and a remembered device that has
// gone falls back to the default with one message, not a failure.
TEST(SoundDeviceChoiceOnTheServer, NamedDeviceOpensAndAMissingOneFallsBackToTheDefault)
{
    if (!std::getenv("PULSE_SERVER"))
        GTEST_SKIP() << "no sound server (run under scripts/test-env)";
    if (!AudioDevicesAvailable())
        GTEST_SKIP() << "the sound server offers no default input and output";
    const std::vector<TSoundDevice> devices = ListSoundDevices();
    const auto isDefaultOutput = [](const TSoundDevice &d) { return d.IsDefault && d.Direction == TWaveDirection::Out; };
    const auto defaultOutput = std::find_if(devices.begin(), devices.end(), isDefaultOutput);
    ASSERT_NE(defaultOutput, devices.end());
    EXPECT_EQ(std::count_if(devices.begin(), devices.end(), isDefaultOutput), 1);

    TEngineState state;
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::PortAudio, warnings.Warn(), gui.RunOnGui(), history, state, {});
    engine.SelectSoundDevices({"", DeviceKey(devices, *defaultOutput)});
    ASSERT_TRUE(engine.OpenDevices()) << (warnings.Texts().empty() ? "" : warnings.Texts().front());
    EXPECT_TRUE(warnings.Texts().empty());

    ASSERT_TRUE(engine.SelectSoundDevices({"Unplugged USB card", "Unplugged USB card"}));
    EXPECT_TRUE(engine.DevicesOpen());
    EXPECT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= 1; }, 5000ms));
    engine.CloseDevices();
    ASSERT_TRUE(engine.OpenDevices());  // the same choice again: no second message
    engine.CloseDevices();
    const std::vector<std::string> texts = warnings.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("No input device is called \"Unplugged USB card\""), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("The default input device is used instead."), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("The default output device is used instead."), std::string::npos) << texts[1];
}

}  // namespace
}  // namespace zelvaro
