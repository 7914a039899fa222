// Forward real FFT of sigcore against FFTW's single-precision r2c at the analyser's sizes, in one
// run: FFTW in place (the way sigcore works) and out of place (FFTW's faster mode). After the
// usual table it prints, per size, the median CPU time of each and both ratios.
//
// For figures that hold on a busy machine, interleave repetitions:
//   fft_bench --benchmark_repetitions=15 --benchmark_enable_random_interleaving=true
#include "sigcore.h"

#include <benchmark/benchmark.h>

#ifdef ZELVARO_HAVE_FFTW3F
#include <fftw3.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// The analyser's FFT sizes: 2048 to 65536 points.
constexpr int kSmallestOrder = 11;
constexpr int kLargestOrder = 16;

const char kSigcore[] = "BM_SigcoreRealFft";
const char kFftwInPlace[] = "BM_FftwRealFft";
const char kFftwOutOfPlace[] = "BM_FftwRealFftOutOfPlace";

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
// Plans are made once with FFTW_MEASURE; every iteration copies the input into the buffer the
// plan reads, the same copy the sigcore side makes.
void timeFftw(benchmark::State &state, bool inPlace)
{
    const int order = static_cast<int>(state.range(0));
    const std::size_t n = std::size_t{1} << order;
    const std::vector<float> input = noise(n);
    float *samples = fftwf_alloc_real(n + 2);
    fftwf_complex *spectrum = inPlace ? reinterpret_cast<fftwf_complex *>(samples) : fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(static_cast<int>(n), samples, spectrum, FFTW_MEASURE);
    for (auto _ : state) {
        std::memcpy(samples, input.data(), n * sizeof(float));
        fftwf_execute(plan);
        benchmark::DoNotOptimize(spectrum);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
    fftwf_destroy_plan(plan);
    if (!inPlace)
        fftwf_free(spectrum);
    fftwf_free(samples);
}

void BM_FftwRealFft(benchmark::State &state)
{
    timeFftw(state, true);
}
BENCHMARK(BM_FftwRealFft)->DenseRange(kSmallestOrder, kLargestOrder)->Unit(benchmark::kMicrosecond);

void BM_FftwRealFftOutOfPlace(benchmark::State &state)
{
    timeFftw(state, false);
}
BENCHMARK(BM_FftwRealFftOutOfPlace)->DenseRange(kSmallestOrder, kLargestOrder)->Unit(benchmark::kMicrosecond);
#endif

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return (values.size() % 2 == 1) ? values[mid] : 0.5 * (values[mid - 1] + values[mid]);
}

// The console table as usual, and every repetition's CPU time per transform kept by
// (benchmark, order) for the summary.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &reports) override
    {
        for (const Run &run : reports) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[{run.run_name.function_name, std::stoi(run.run_name.args)}].push_back(
                    run.GetAdjustedCPUTime());
        }
        ConsoleReporter::ReportRuns(reports);
    }

    // Median CPU time in microseconds, or NaN when that benchmark did not run.
    double medianTime(const std::string &function, int order) const
    {
        const auto found = times_.find({function, order});
        return (found == times_.end() || found->second.empty()) ? std::nan("") : median(found->second);
    }

private:
    std::map<std::pair<std::string, int>, std::vector<double>> times_;
};

void printRatios(const CollectingReporter &reporter)
{
    std::printf("\n%6s %12s %12s %12s %10s %10s\n", "N", "sigcore us", "in-place us", "out-of-pl us",
                "ratio in", "ratio out");
    for (int order = kSmallestOrder; order <= kLargestOrder; ++order) {
        const double ours = reporter.medianTime(kSigcore, order);
        const double inPlace = reporter.medianTime(kFftwInPlace, order);
        const double outOfPlace = reporter.medianTime(kFftwOutOfPlace, order);
        if (std::isnan(ours))
            continue;
        std::printf("%6d %12.3f %12.3f %12.3f %10.2f %10.2f\n", 1 << order, ours, inPlace, outOfPlace,
                    ours / inPlace, ours / outOfPlace);
    }
    std::printf("(medians of CPU time per transform over the repetitions; ratios are sigcore / FFTW)\n");
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printRatios(reporter);
    return 0;
}
