// Output latency probe: plays a tone through the engine and steps its frequency at known times.
// bench/output_latency.py records the sound server's monitor with parec and times each step's
// arrival against the times printed here (CLOCK_MONOTONIC seconds, one "step" line per change).
// Usage: output_latency_bench [steps] [seconds between steps] [output device name] [short|deep]
#include <audioengine.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

namespace {

constexpr int kLowHz = 1000;
constexpr int kHighHz = 2000;

double MonotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char **argv)
{
    using namespace zelvaro;
    const int steps = argc > 1 ? std::atoi(argv[1]) : 10;
    const double interval = argc > 2 ? std::atof(argv[2]) : 0.737;  // not a multiple of a block
    const std::string output = argc > 3 ? argv[3] : "";
    const bool deep = argc > 4 && std::string(argv[4]) == "deep";

    TEngineState state;
    state.LFreqHz = kLowHz;
    state.LAmpl = 0.5f;
    state.TLedLeft = true;
    state.GenOn = true;
    TSampleHistory history;
    TAudioEngine engine(
        TAudioBackend::PortAudio, [](const std::string &text) { std::fprintf(stderr, "warning: %s\n", text.c_str()); },
        [](std::function<void()> work) { work(); }, history, state, {});
    engine.SetPlaybackLatency(deep ? TPlaybackLatency::Deep : TPlaybackLatency::Short);
    engine.SelectSoundDevices({"", output});
    if (!engine.OpenDevices())
        return 1;
    std::this_thread::sleep_for(std::chrono::seconds(3));  // the idle sink wakes up
    std::printf("start %.6f\n", MonotonicSeconds());
    std::fflush(stdout);
    for (int i = 0; i < steps; ++i) {
        std::this_thread::sleep_for(std::chrono::duration<double>(interval));
        const int to = i % 2 == 0 ? kHighHz : kLowHz;
        state.LFreqHz.store(to);
        std::printf("step %.6f %d\n", MonotonicSeconds(), to);
        std::fflush(stdout);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::printf("underruns %llu\n", static_cast<unsigned long long>(engine.PlaybackUnderruns()));
    engine.CloseDevices();
    return 0;
}
