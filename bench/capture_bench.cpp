// Capture-side cost per block, and the CPU load of the whole engine running on the loopback card.
#include <audioengine.h>
#include <inputblock.h>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

void BM_SlideBlockIntoHistory(benchmark::State &state)
{
    zelvaro::TSampleHistory history;
    std::vector<int16_t> block(2 * zelvaro::kBlockFrames);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<int16_t>(i * 37);
    const int fftSize = static_cast<int>(state.range(0));
    for (auto _ : state) {
        zelvaro::SlideBlockIntoHistory(block.data(), history, fftSize);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * zelvaro::kBlockFrames);
}
BENCHMARK(BM_SlideBlockIntoHistory)->Arg(2048)->Arg(8192)->Arg(65536)->Unit(benchmark::kMicrosecond);

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Both devices on the loopback card with the generator and a capture running for a few seconds
// (no analyser frames): process CPU time over wall time, in percent of one core.
void BM_EngineCpuLoadOnLoopback(benchmark::State &state)
{
    using namespace std::chrono_literals;
    for (auto _ : state) {
        zelvaro::TEngineState settings;
        settings.TLedLeft = true;
        settings.TLedRight = true;
        settings.FftSize = 65536;  // the largest history move per block
        zelvaro::TSampleHistory history;
        zelvaro::TAudioEngine engine(zelvaro::TAudioBackend::Loopback, [](const std::string &) {},
                                     [](std::function<void()> f) { f(); }, history, settings, {});
        engine.OpenDevices();
        std::this_thread::sleep_for(500ms);  // past the start
        const double cpu0 = CpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        const uint64_t blocks0 = engine.BlocksCaptured();
        std::this_thread::sleep_for(3s);
        const double cpu = CpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["blocks_per_s"] = static_cast<double>(engine.BlocksCaptured() - blocks0) / wall;
        engine.CloseDevices();
    }
}
BENCHMARK(BM_EngineCpuLoadOnLoopback)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
