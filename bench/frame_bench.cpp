// The library work of one analyser frame at 65536 points: per channel a Hann window, a forward real FFT and the magnitudes.
#include "sigcore.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kOrder = 16;  // 65536 points, the analyser's largest FFT
constexpr std::size_t kPoints = std::size_t{1} << kOrder;
constexpr int kChannels = 2;
// Flags as the analyser passes them: forward plus a bit the library ignores.
constexpr int32_t kAnalyserForward = VSK_FFT_FORWARD | 32;
constexpr int32_t kAnalyserInit = VSK_FFT_INIT | 32;

// A history with two tones and a little noise, like a captured two-tone signal.
std::vector<float> capturedHistory(unsigned seed)
{
    std::mt19937 generator(seed);
    std::normal_distribution<float> noise(0.0f, 1e-3f);
    std::vector<float> history(kPoints);
    for (std::size_t i = 0; i < kPoints; ++i) {
        const double t = static_cast<double>(i);
        history[i] = static_cast<float>(0.4 * std::cos(0.0913 * t) + 0.4 * std::cos(0.1177 * t)) + noise(generator);
    }
    return history;
}

void BM_AnalyserFrameLibraryWork(benchmark::State &state)
{
    const std::vector<float> histories[kChannels] = {capturedHistory(1), capturedHistory(2)};
    std::vector<float> work(kPoints + 2);
    std::vector<float> magnitudes[kChannels];
    for (auto &m : magnitudes)
        m.resize(kPoints / 2 + 1);
    vsksRealFft(nullptr, kOrder, kAnalyserInit);
    for (auto _ : state) {
        for (int channel = 0; channel < kChannels; ++channel) {
            std::memcpy(work.data(), histories[channel].data(), kPoints * sizeof(float));
            vsksWinHann(work.data(), static_cast<int32_t>(kPoints));
            vsksRealFft(work.data(), kOrder, kAnalyserForward);
            vskcbMag(reinterpret_cast<const vskCplxF *>(work.data()), magnitudes[channel].data(),
                     static_cast<int32_t>(kPoints / 2 + 1));
        }
        benchmark::DoNotOptimize(magnitudes[0].data());
        benchmark::DoNotOptimize(magnitudes[1].data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kChannels);
}
BENCHMARK(BM_AnalyserFrameLibraryWork)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
