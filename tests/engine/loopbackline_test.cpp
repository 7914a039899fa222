// The loopback card's line stage: the right channel's fractional delay and gain against the left
// as a cosine fit sees them, and the cubic term's IMD3 as numpy measures it.
#include "references.h"
#include "tempfile.h"

#include <audioengine.h>
#include <loopbackline.h>

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace zelvaro {
namespace {

constexpr double kToneAmplitude = 14636.0;  // -7 dBFS

// Interleaved frames of a cosine on both channels (16-bit, rounded), or of two tones summed.
std::vector<int16_t> Tones(std::initializer_list<double> hz, size_t frames)
{
    std::vector<int16_t> block(2 * frames);
    for (size_t n = 0; n < frames; ++n) {
        double sum = 0.0;
        for (double f : hz)
            sum += kToneAmplitude * std::cos(2.0 * std::numbers::pi * f * static_cast<double>(n) / kSampleRate);
        block[2 * n] = block[2 * n + 1] = static_cast<int16_t>(std::lround(sum));
    }
    return block;
}

// Complex amplitude of a whole-hertz tone in one channel, by projection over the last second of
// the block: whole periods, so nothing of the tone's negative frequency leaks in.
std::complex<double> Phasor(const std::vector<int16_t> &block, int channel, double hz)
{
    std::complex<double> sum;
    const size_t frames = block.size() / 2;
    for (size_t n = frames - kSampleRate; n < frames; ++n) {
        const double w = 2.0 * std::numbers::pi * hz * static_cast<double>(n) / kSampleRate;
        sum += static_cast<double>(block[2 * n + static_cast<size_t>(channel)]) * std::polar(1.0, -w);
    }
    return 2.0 * sum / static_cast<double>(kSampleRate);
}

TEST(LoopbackLine, DefaultsLeaveTheSamplesUntouched)
{
    TLoopbackLine line({}, kSampleRate);
    auto block = Tones({1000.0}, 4096);
    const auto before = block;
    line.Process(block.data(), 4096);
    EXPECT_TRUE(line.Transparent());
    EXPECT_EQ(block, before);
}

TEST(LoopbackLine, RightChannelLagsByTheSkewAtEveryFrequencyAndCarriesTheGain)
{
    constexpr size_t kFrames = kSampleRate + 2 * TLoopbackLine::kTaps;  // the filter's start-up, then 1 s
    for (double skewUs : {0.0, 10.0, 37.5, 1e6 / kSampleRate, 120.0, -120.0, 500.0}) {
        TLoopbackLineOptions options;
        options.SkewUs = skewUs;
        options.RightGainDb = 0.5;
        for (double hz : {250.0, 1050.0, 4050.0, 7250.0}) {
            TLoopbackLine line(options, kSampleRate);
            auto block = Tones({hz}, kFrames);
            line.Process(block.data(), kFrames);
            const auto left = Phasor(block, 0, hz);
            const auto right = Phasor(block, 1, hz);
            const double lagRad = -std::arg(right / left);
            // The phase of a lag folds every period; compare with the skew's own phase instead.
            const double expectedRad = 2.0 * std::numbers::pi * hz * skewUs * 1e-6;
            const double errorUs =
                std::remainder(lagRad - expectedRad, 2.0 * std::numbers::pi) / (2.0 * std::numbers::pi * hz) * 1e6;
            EXPECT_NEAR(errorUs, 0.0, 0.05) << skewUs << " us at " << hz << " Hz";
            EXPECT_NEAR(20.0 * std::log10(std::abs(right) / std::abs(left)), 0.5, 0.005) << hz;
            // Both channels pass kTaps / 2 - 1 frames of latency.
            const double latencyRad = 2.0 * std::numbers::pi * hz * (TLoopbackLine::kTaps / 2.0 - 1.0) / kSampleRate;
            EXPECT_NEAR(std::remainder(-std::arg(left) - latencyRad, 2.0 * std::numbers::pi), 0.0, 1e-3) << hz;
        }
    }
}

TEST(LoopbackLine, CubicTermMakesTheAskedImd3ForTwoTonesAtTheirLevel)
{
    for (double dbc : {-40.0, -50.0}) {
        TLoopbackLineOptions options;
        options.DistortionDbc = dbc;
        TLoopbackLine line(options, kSampleRate);
        constexpr size_t kFrames = 2 * kSampleRate;
        auto block = Tones({1500.0, 2100.0}, kFrames);
        line.Process(block.data(), kFrames);
        const test::TTempFile file("line_imd3", block, ".raw");
        const auto products = test::RunPythonReference(
            "engine/line_imd3.py", "'" + file.Path() + "' 1500 2100 " + std::to_string(kSampleRate));
        ZELVARO_REQUIRE_REFERENCE(products.size() == 2, "numpy for line_imd3.py");
        EXPECT_NEAR(products[0], dbc, 0.1) << "lower";
        EXPECT_NEAR(products[1], dbc, 0.1) << "upper";
    }
}

}  // namespace
}  // namespace zelvaro
