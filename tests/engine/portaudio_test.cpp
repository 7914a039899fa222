// The engine through PortAudio: a real sound server, no device at all, and a server that dies.
#include "enginetestutil.h"
#include "fakegui.h"
#include "references.h"

#include <audioengine.h>
#include <portaudiodevice.h>

#include <portaudio.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace zelvaro {
namespace {

using namespace std::chrono_literals;
using test::DbFullScale;
using test::FitTone;
using test::TFakeGui;
using test::TWarnRecorder;
using test::WaitFor;

constexpr int kWindow = 8192;
constexpr const char *kChildVariable = "ZELVARO_ENGINE_TEST_CHILD";

TEST(PortAudioErrors, FailuresMapOntoTheCodesThatSelectTheMessages)
{
    EXPECT_EQ(MapPortAudioError(paNoError, 2, 0), kWaveNoError);
    EXPECT_EQ(MapPortAudioError(paDeviceUnavailable, 0, 0), kWaveError);  // no device at all
    EXPECT_EQ(MapPortAudioError(paDeviceUnavailable, 2, 0), kWaveAllocated);
    EXPECT_EQ(MapPortAudioError(paInvalidDevice, 2, 0), kWaveBadDeviceId);
    EXPECT_EQ(MapPortAudioError(paInsufficientMemory, 2, 0), kWaveNoMem);
    EXPECT_EQ(MapPortAudioError(paInvalidSampleRate, 2, 0), kWaveBadFormat);
    EXPECT_EQ(MapPortAudioError(paSampleFormatNotSupported, 2, 0), kWaveBadFormat);
    EXPECT_EQ(MapPortAudioError(paInvalidChannelCount, 2, 0), kWaveBadFormat);
    EXPECT_EQ(MapPortAudioError(paHostApiNotFound, 2, 0), kWaveNoDriver);
    EXPECT_EQ(MapPortAudioError(paUnanticipatedHostError, 2, -EBUSY), kWaveAllocated);
    // Anything else keeps PortAudio's code, and with it PortAudio's own text.
    EXPECT_EQ(MapPortAudioError(paTimedOut, 2, 0), paTimedOut);
    auto device = MakePortAudioDevice(TWaveDirection::Out);
    EXPECT_EQ(device->ErrorText(paTimedOut), Pa_GetErrorText(paTimedOut));
    EXPECT_LE(device->ErrorText(kWaveError).size(), TWaveDevice::kErrorTextChars);
}

// Runs this test program again with extra environment settings and one test selected; returns
// its output. The child's tests are disabled ones, so a normal run never executes them alone.
std::string RunChild(const std::string &env, const std::string &test)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "env " + env + " " + kChildVariable + "=1 " + self +
                                " --gtest_also_run_disabled_tests --gtest_filter=" + test + " 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        output += buffer;
    return output;
}

bool InChild()
{
    return std::getenv(kChildVariable) != nullptr;
}

void ExpectChildPassed(const std::string &output)
{
    if (output.find("[  SKIPPED ]") != std::string::npos)
        GTEST_SKIP() << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

void SetTwoTones(TEngineState &state)
{
    state.LFreqHz = 1292;
    state.RFreqHz = 1938;
    state.LAmpl = 0.5f;
    state.RAmpl = 0.25f;
    state.TLedLeft = true;
    state.TLedRight = true;
    state.FftSize = kWindow;
}

TEST(PortAudioEngine, TonesGoThroughTheSoundServerAndBack)
{
    ZELVARO_REQUIRE_REFERENCE(std::getenv("PULSE_SERVER"), "sound server (run under scripts/test-env)");
    ZELVARO_REQUIRE_REFERENCE(AudioDevicesAvailable(), "default input and output of the sound server");
    TEngineState state;
    SetTwoTones(state);
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::PortAudio, warnings.Warn(), gui.RunOnGui(), history, state, {});
    ASSERT_TRUE(engine.OpenDevices()) << (warnings.Texts().empty() ? "" : warnings.Texts().front());

    // The first input block may take two seconds while the idle sink wakes up.
    ASSERT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= 1; }, 5000ms));
    std::vector<float> left(kWindow), right(kWindow);
    test::TToneFit fitL, fitR;
    const bool tonesArrived = WaitFor(
        [&] {
            history.CopyNewest(left.data(), right.data(), kWindow);
            fitL = FitTone(left, 1292.0, kSampleRate);
            fitR = FitTone(right, 1938.0, kSampleRate);
            return std::abs(DbFullScale(fitL.Amplitude) + 6.02) < 0.05 &&
                   std::abs(DbFullScale(fitR.Amplitude) + 12.04) < 0.05 && fitL.MaxResidual < 4 &&
                   fitR.MaxResidual < 4;
        },
        5000ms);
    engine.CloseDevices();
    EXPECT_TRUE(tonesArrived) << "left " << DbFullScale(fitL.Amplitude) << " dB residual "
                              << fitL.MaxResidual << ", right " << DbFullScale(fitR.Amplitude)
                              << " dB residual " << fitR.MaxResidual;
    EXPECT_EQ(engine.CaptureSamplesDropped(), 0u);
    EXPECT_TRUE(warnings.Texts().empty());
}

TEST(PortAudioEngine, NoSoundDeviceGivesTheAudioInputErrorAndOpensNothing)
{
    ExpectChildPassed(RunChild("-u PULSE_SERVER PULSE_SERVER=unix:/nonexistent ALSA_CARD=none",
                               "PortAudioChild.DISABLED_NoDevice"));
}

TEST(PortAudioChild, DISABLED_NoDevice)
{
    if (!InChild())
        GTEST_SKIP();
    Pa_Initialize();
    const int devices = Pa_GetDeviceCount();
    Pa_Terminate();
    if (devices > 0)
        GTEST_SKIP() << "this machine has a sound device without a server";
    EXPECT_FALSE(AudioDevicesAvailable());

    TEngineState state;
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    TAudioEngine engine(TAudioBackend::PortAudio, warnings.Warn(), gui.RunOnGui(), history, state, {});
    std::vector<std::pair<std::string, std::string>> boxes;
    engine.SetErrorBox([&](const std::string &caption, const std::string &text) {
        boxes.emplace_back(caption, text);
    });
    EXPECT_FALSE(engine.OpenDevices());
    EXPECT_FALSE(engine.DevicesOpen());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "Audio input error");
    EXPECT_EQ(boxes[0].second, MakePortAudioDevice(TWaveDirection::In)->ErrorText(kWaveError));
    EXPECT_TRUE(warnings.Texts().empty());
}

// A private sound server that this test may kill without disturbing the shared one.
class TPrivatePulse {
public:
    TPrivatePulse()
    {
        char pattern[] = "/tmp/zelvaro-pulse.XXXXXX";
        if (!mkdtemp(pattern))
            return;
        FDir = pattern;
        const std::string socket = FDir + "/native";
        std::ofstream(FDir + "/test.pa")
            << ".fail\n"
            << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket << "\n"
            << "load-module module-null-sink sink_name=nullsink rate=22050 channels=2 format=s16le\n"
            << "set-default-sink nullsink\nset-default-source nullsink.monitor\n";
        FServer = "unix:" + socket;
        const std::string runtime = "XDG_RUNTIME_DIR=" + FDir;
        const std::string script = FDir + "/test.pa";
        const char *argv[] = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                              "--system=false", "--log-target=stderr", "--log-level=error",
                              "-F", script.c_str(), nullptr};
        std::vector<std::string> envStrings = {runtime, "DBUS_SESSION_BUS_ADDRESS=disabled:",
                                               "HOME=" + FDir, "PATH=/usr/bin:/bin"};
        std::vector<char *> envp;
        for (auto &s : envStrings)
            envp.push_back(s.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&FPid, "pulseaudio", &actions, nullptr, const_cast<char **>(argv), envp.data()) != 0)
            FPid = 0;
        posix_spawn_file_actions_destroy(&actions);
        const std::string probe = "PULSE_SERVER=" + FServer + " pactl info >/dev/null 2>&1";
        FUp = FPid > 0 && WaitFor([&] { return std::system(probe.c_str()) == 0; }, 5000ms);
    }
    ~TPrivatePulse()
    {
        if (FPid > 0) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
        if (!FDir.empty())
            std::filesystem::remove_all(FDir);
    }
    bool Up() const { return FUp; }
    pid_t Pid() const { return FPid; }
    const std::string &Server() const { return FServer; }

private:
    std::string FDir;
    std::string FServer;
    pid_t FPid = 0;
    bool FUp = false;
};

TEST(PortAudioEngine, AServerKilledMidRunGivesAMessageAndNoHang)
{
    ZELVARO_REQUIRE_REFERENCE(std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null") == 0,
                              "pulseaudio and pactl");
    TPrivatePulse pulse;
    ZELVARO_REQUIRE_REFERENCE(pulse.Up(), "a private sound server (it did not start)");
    ExpectChildPassed(RunChild("PULSE_SERVER=" + pulse.Server() +
                                   " ZELVARO_TEST_PRIVATE_PULSE_PID=" + std::to_string(pulse.Pid()),
                               "PortAudioChild.DISABLED_ServerKilled"));
}

TEST(PortAudioChild, DISABLED_ServerKilled)
{
    const char *pidText = std::getenv("ZELVARO_TEST_PRIVATE_PULSE_PID");
    if (!InChild() || !pidText)
        GTEST_SKIP();
    alarm(30);  // a hang ends the child with a failure instead of stalling the suite
    TEngineState state;
    SetTwoTones(state);
    TSampleHistory history;
    TFakeGui gui(true);
    TWarnRecorder warnings;
    std::atomic<bool> lostHandlerRan{false};
    {
        TAudioEngine engine(TAudioBackend::PortAudio, warnings.Warn(), gui.RunOnGui(), history, state, {});
        engine.SetDeviceLostHandler([&] { lostHandlerRan = true; });
        ASSERT_TRUE(engine.OpenDevices());
        ASSERT_TRUE(WaitFor([&] { return engine.BlocksCaptured() >= 1; }, 5000ms));
        kill(static_cast<pid_t>(std::atoi(pidText)), SIGKILL);
        ASSERT_TRUE(WaitFor([&] { return !warnings.Texts().empty(); }, 5000ms));
        EXPECT_TRUE(WaitFor([&] { return lostHandlerRan.load(); }, 5000ms));
        engine.CloseDevices();  // must return although the server is gone
        engine.Shutdown();
    }
    const auto texts = warnings.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("sound device stopped"), std::string::npos) << texts[0];
    alarm(0);
}

}  // namespace
}  // namespace zelvaro
