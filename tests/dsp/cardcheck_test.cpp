// Card check arithmetic: phases of a delay unfolded across the test frequencies, an inverted
// channel, and a tone measured on two inputs against its known delay and gain.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "cardcheck.h"

using namespace zelvaro;

namespace {

std::vector<TChannelTone> TonesOfDelay(double delayUs, double offsetRad = 0.0)
{
    std::vector<TChannelTone> tones;
    for (double hz : kCardCheckHz) {
        const double phase = offsetRad - 2.0 * std::numbers::pi * hz * delayUs * 1e-6;
        tones.push_back({hz, std::remainder(phase, 2.0 * std::numbers::pi), 0.25});
    }
    return tones;
}

}  // namespace

TEST(CardCheckFit, UnfoldsDelaysOfManyTurnsAndIgnoresAnInvertedChannel)
{
    // 900 us is 6.5 turns at 7250 Hz: every phase but the first is folded.
    for (double delay : {0.0, 37.5, -45.4, 120.0, 900.0, -1500.0}) {
        const auto fit = FitChannelSkew(TonesOfDelay(delay));
        ASSERT_TRUE(fit.has_value());
        EXPECT_NEAR(fit->SkewUs, delay, 1e-6) << delay;
        EXPECT_NEAR(fit->ResidualUs, 0.0, 1e-6) << delay;
        EXPECT_NEAR(fit->GainDifferenceDb, 0.25, 1e-12);
    }
    for (double delay : {37.5, -120.0, 900.0}) {
        const auto inverted = FitChannelSkew(TonesOfDelay(delay, std::numbers::pi * 0.999));
        ASSERT_TRUE(inverted.has_value());
        EXPECT_NEAR(inverted->SkewUs, delay, 1e-6) << delay;
        EXPECT_NEAR(inverted->ResidualUs, 0.0, 1e-6) << delay;
    }
}

TEST(CardCheckFit, ResidualShowsAPhaseOffTheLineAndDegenerateInputIsRefused)
{
    auto tones = TonesOfDelay(10.0);
    tones[3].PhaseRad += 0.01;  // 0.91 us at 1750 Hz
    const auto fit = FitChannelSkew(tones);
    ASSERT_TRUE(fit.has_value());
    EXPECT_GT(fit->ResidualUs, 0.2);
    EXPECT_LT(fit->ResidualUs, 0.91);
    EXPECT_NEAR(fit->SkewUs, 10.0, 0.3);

    EXPECT_FALSE(FitChannelSkew(std::vector<TChannelTone>(1)).has_value());
    EXPECT_FALSE(FitChannelSkew(std::vector<TChannelTone>{{1000.0, 0.1, 0.0}, {1000.0, 0.2, 0.0}}).has_value());
}

TEST(CardCheckTone, PhaseAndGainOfADelayedCopyBetweenBins)
{
    constexpr double kRate = 22050.0;
    constexpr int kSize = 8192;
    const double hz = 1050.0, delaySeconds = 37.5e-6, gain = std::pow(10.0, -0.5 / 20.0);
    std::vector<float> left(kSize), right(kSize);
    for (int n = 0; n < kSize; ++n) {
        const double t = n / kRate;
        left[static_cast<size_t>(n)] = static_cast<float>(10000.0 * std::cos(2.0 * std::numbers::pi * hz * t + 0.3));
        right[static_cast<size_t>(n)] =
            static_cast<float>(gain * 10000.0 * std::cos(2.0 * std::numbers::pi * hz * (t - delaySeconds) + 0.3));
    }
    const auto tone = MeasureChannelTone(left, right, hz, kRate);
    ASSERT_TRUE(tone.has_value());
    EXPECT_NEAR(tone->Hz, hz, 0.05);
    EXPECT_NEAR(tone->PhaseRad, -2.0 * std::numbers::pi * hz * delaySeconds, 1e-4);
    EXPECT_NEAR(tone->GainDifferenceDb, -0.5, 1e-3);

    std::vector<float> silent(kSize, 0.0f);
    EXPECT_FALSE(MeasureChannelTone(left, silent, hz, kRate).has_value());
}

TEST(CardCheckDropout, FindsALostOrLoudStretchButNotTwoBeatingTones)
{
    constexpr double kRate = 22050.0;
    std::vector<float> tones(65536);
    for (size_t n = 0; n < tones.size(); ++n) {
        const double t = static_cast<double>(n) / kRate;
        tones[n] = static_cast<float>(8000.0 * (std::cos(2.0 * std::numbers::pi * 1500.0 * t) +
                                                std::cos(2.0 * std::numbers::pi * 2100.0 * t + 1.0)));
    }
    EXPECT_FALSE(HasDropout(tones));
    auto gap = tones;
    std::fill(gap.begin() + 30000, gap.begin() + 30300, 0.0f);  // 300 samples lost
    EXPECT_TRUE(HasDropout(gap));
    auto burst = tones;
    for (size_t n = 40000; n < 40100; ++n)
        burst[n] = (n % 2 == 0) ? 32767.0f : -32767.0f;  // 100 samples of full-scale rubbish
    EXPECT_TRUE(HasDropout(burst));
    EXPECT_FALSE(HasDropout(std::vector<float>(600, 0.0f)));
}
