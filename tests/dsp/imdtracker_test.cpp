// Tests of the live readout's power average and of the steady display of its numbers.
#include "imdtracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace zelvaro;

namespace {

std::vector<float> Flat(int fftSize, float magnitude)
{
    return std::vector<float>(static_cast<size_t>(fftSize / 2 + 1), magnitude);
}

}  // namespace

TEST(ImdAverager, AveragesThePowersOfTheLastFramesAndForgetsOlderOnesCompletely)
{
    TImdAverager averager;
    averager.AddFrame(Flat(64, 1.0f), 64, TMeasuredChannel::Left, 0.0);
    averager.AddFrame(Flat(64, 3.0f), 64, TMeasuredChannel::Left, 0.0);
    auto snapshot = averager.Snapshot();
    ASSERT_EQ(snapshot.Power.size(), 33u);
    EXPECT_DOUBLE_EQ(snapshot.Power[5], 5.0);  // (1 + 9) / 2, not ((1 + 3) / 2)^2
    EXPECT_EQ(snapshot.Frames, 2);

    // A loud frame (a transient) is gone entirely once kImdAverageFrames newer ones arrived.
    averager.AddFrame(Flat(64, 1e6f), 64, TMeasuredChannel::Left, 0.0);
    for (int i = 0; i < kImdAverageFrames; ++i)
        averager.AddFrame(Flat(64, 2.0f), 64, TMeasuredChannel::Left, 0.0);
    snapshot = averager.Snapshot();
    EXPECT_NEAR(snapshot.Power[5], 4.0, 1e-9);
    EXPECT_EQ(snapshot.Frames, kImdAverageFrames);
    // Long runs with powers far apart: the running sum does not drift.
    for (int i = 0; i < 1000; ++i)
        averager.AddFrame(Flat(64, i % 3 ? 1e7f : 1e-3f), 64, TMeasuredChannel::Left, 0.0);
    for (int i = 0; i < kImdAverageFrames; ++i)
        averager.AddFrame(Flat(64, 1e-3f), 64, TMeasuredChannel::Left, 0.0);
    EXPECT_NEAR(averager.Snapshot().Power[5], 1e-6, 1e-9);
}

TEST(ImdAverager, StartsAfreshOnANewLengthChannelOrTonePair)
{
    TImdAverager averager;
    averager.AddFrame(Flat(64, 10.0f), 64, TMeasuredChannel::Left, 1.0);
    averager.AddFrame(Flat(128, 1.0f), 128, TMeasuredChannel::Left, 1.0);
    EXPECT_EQ(averager.Snapshot().Frames, 1);
    EXPECT_DOUBLE_EQ(averager.Snapshot().Power[3], 1.0);
    averager.AddFrame(Flat(128, 2.0f), 128, TMeasuredChannel::Right, 1.0);
    EXPECT_EQ(averager.Snapshot().Frames, 1);
    EXPECT_EQ(averager.Snapshot().Channel, TMeasuredChannel::Right);
    averager.AddFrame(Flat(128, 3.0f), 128, TMeasuredChannel::Right, 2.0);
    EXPECT_DOUBLE_EQ(averager.Snapshot().Power[3], 9.0);
    // Too few bins for the length claimed: ignored, not read past the end.
    averager.AddFrame(Flat(64, 5.0f), 128, TMeasuredChannel::Right, 2.0);
    EXPECT_DOUBLE_EQ(averager.Snapshot().Power[3], 9.0);
    averager.Clear();
    EXPECT_EQ(averager.Snapshot().Frames, 0);
    EXPECT_FALSE(averager.Measure(22050.0, {}).Measured());
}

TEST(ImdAverager, MeasuresWithTheCoreOnTheAverage)
{
    // Two bin-centred tones of a 4096-point Hann spectrum, as |X| of the analyser's transform.
    const int fftSize = 4096;
    std::vector<float> magnitudes(fftSize / 2 + 1, 1e-3f);
    const double toneMagnitude = 32767.0 * 0.5 * (fftSize - 1) / 2.0;  // full-scale sine, Hann sum
    magnitudes[400] = static_cast<float>(toneMagnitude * 0.5);          // -6 dBFS
    magnitudes[399] = magnitudes[401] = magnitudes[400] / 2;
    magnitudes[600] = magnitudes[400];
    magnitudes[599] = magnitudes[601] = magnitudes[600] / 2;
    TImdAverager averager;
    averager.AddFrame(magnitudes, fftSize, TMeasuredChannel::Left, 0.0);
    const TImdResult result = averager.Measure(22050.0, {});
    ASSERT_TRUE(result.Measured()) << result.Message;
    EXPECT_NEAR(result.Tones[0].Hz, 400 * 22050.0 / fftSize, 0.01);
    EXPECT_NEAR(result.Tones[1].Dbfs, -6.02, 0.05);
}

TEST(MeasuredTrace, IsTheLeftUnlessOnlyTheRightIsShown)
{
    EXPECT_EQ(MeasuredChannel(true, true), TMeasuredChannel::Left);
    EXPECT_EQ(MeasuredChannel(true, false), TMeasuredChannel::Left);
    EXPECT_EQ(MeasuredChannel(false, false), TMeasuredChannel::Left);
    EXPECT_EQ(MeasuredChannel(false, true), TMeasuredChannel::Right);
}

TEST(SteadyReading, HoldsTheShownDigitAgainstNoiseAndFollowsRealChanges)
{
    double shown = SteadyReading(std::nullopt, -45.04, 0.1);
    EXPECT_NEAR(shown, -45.0, 1e-12);
    // Noise of up to just under one step around the shown value never changes it.
    for (double noise : {0.06, -0.07, 0.09, -0.04, 0.05, -0.09})
        EXPECT_EQ(SteadyReading(shown, -45.0 + noise, 0.1), shown) << noise;
    // A change of a step or more shows at once, rounded to the resolution.
    EXPECT_NEAR(SteadyReading(shown, -45.13, 0.1), -45.1, 1e-12);
    EXPECT_NEAR(SteadyReading(shown, -41.96, 0.1), -42.0, 1e-12);
    EXPECT_NEAR(SteadyReading(std::nan(""), -3.3, 1.0), -3.0, 1e-12);  // nothing sensible shown yet
}
