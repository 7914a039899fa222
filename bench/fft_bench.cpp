// Forward real FFT of sigcore against FFTW's single-precision r2c at the analyser's sizes, in one run.
#include "sigcore.h"

#include <benchmark/benchmark.h>

#ifdef ZELVARO_HAVE_FFTW3F
#include <fftw3.h>
#endif

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

// The analyser's FFT sizes: 2048 to 65536 points.
constexpr int kSmallestOrder = 11;
constexpr int kLargestOrder = 16;

std::vector<float> noise(std::size_t count)
{
    std::mt19937 generator(1);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> samples(count);
    for (float &s : samples)
        s = uniform(generator);
    return samples;
}

// Each iteration restores the input (a copy, as the analyser does from its history) and
// transforms it in place.
void BM_SigcoreRealFft(benchmark::State &state)
{
    const int order = static_cast<int>(state.range(0));
    const std::size_t n = std::size_t{1} << order;
    const std::vector<float> input = noise(n);
    std::vector<float> buffer(n + 2);
    vsksRealFft(nullptr, order, VSK_FFT_INIT);
    for (auto _ : state) {
        std::memcpy(buffer.data(), input.data(), n * sizeof(float));
        vsksRealFft(buffer.data(), order, VSK_FFT_FORWARD);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}
BENCHMARK(BM_SigcoreRealFft)->DenseRange(kSmallestOrder, kLargestOrder)->Unit(benchmark::kMicrosecond);

#ifdef ZELVARO_HAVE_FFTW3F
// In-place r2c with a plan made once with FFTW_MEASURE, the same copy per iteration.
void BM_FftwRealFft(benchmark::State &state)
{
    const int order = static_cast<int>(state.range(0));
    const std::size_t n = std::size_t{1} << order;
    const std::vector<float> input = noise(n);
    float *buffer = fftwf_alloc_real(n + 2);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(static_cast<int>(n), buffer, reinterpret_cast<fftwf_complex *>(buffer),
                                            FFTW_MEASURE);
    for (auto _ : state) {
        std::memcpy(buffer, input.data(), n * sizeof(float));
        fftwf_execute(plan);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
    fftwf_destroy_plan(plan);
    fftwf_free(buffer);
}
BENCHMARK(BM_FftwRealFft)->DenseRange(kSmallestOrder, kLargestOrder)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
