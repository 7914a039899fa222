// One two-tone measurement on a 65536-point spectrum, beside the frame's own work (Hann window,
// forward FFT and magnitudes of one channel), so the measurement's share of a frame shows.
#include "imdmeasure.h"
#include "framepower.h"
#include "sigcore.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr int kOrder = 16;
constexpr int kPoints = 1 << kOrder;
constexpr double kRate = 22050.0;

// Two -7 dBFS tones with IMD3 and IMD5 and 16-bit noise, as a transmitter loop returns them.
std::vector<float> TwoToneFrame()
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> dither(-0.5f, 0.5f);
    const double a = 32767.0 * std::pow(10.0, -7.0 / 20.0);
    const double w1 = 2.0 * std::numbers::pi * 700.0 / kRate, w2 = 2.0 * std::numbers::pi * 1900.0 / kRate;
    std::vector<float> frame(kPoints);
    for (int n = 0; n < kPoints; ++n) {
        const double x = a * (std::cos(w1 * n) + std::cos(w2 * n) + 0.01 * std::cos((2 * w2 - w1) * n) +
                              0.001 * std::cos((3 * w2 - 2 * w1) * n));
        frame[static_cast<size_t>(n)] = std::round(static_cast<float>(x) + dither(random) + dither(random));
    }
    return frame;
}

void BM_FrameWorkOneChannel(benchmark::State &state)
{
    const auto frame = TwoToneFrame();
    std::vector<float> work(kPoints + 2);
    std::vector<float> magnitudes(kPoints / 2 + 1);
    vsksRealFft(nullptr, kOrder, VSK_FFT_INIT | VSK_FFT_FORWARD);
    for (auto _ : state) {
        std::memcpy(work.data(), frame.data(), kPoints * sizeof(float));
        vsksWinHann(work.data(), kPoints);
        vsksRealFft(work.data(), kOrder, VSK_FFT_FORWARD);
        vskcbMag(reinterpret_cast<const vskCplxF *>(work.data()), magnitudes.data(), kPoints / 2 + 1);
        benchmark::DoNotOptimize(magnitudes.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameWorkOneChannel)->Unit(benchmark::kMicrosecond);

void BM_MeasureImd(benchmark::State &state)
{
    zelvaro::TPowerAverager averager(kPoints);
    averager.Add(TwoToneFrame());
    const auto power = averager.Average();
    const auto scale = zelvaro::HannScale(kPoints, kRate);
    for (auto _ : state) {
        auto result = zelvaro::MeasureImd(power, scale);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_MeasureImd)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
