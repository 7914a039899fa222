// Tone synthesis against closed forms and numpy: frequency, level, quadrature, skew, continuity.
#include <tonesynth.h>

#include "references.h"
#include "tempfile.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zelvaro {
namespace {

constexpr double kRate = 22050.0;
constexpr double kPi = 3.14159265358979323846;
// One table step of phase at full scale: the largest error the truncated index can cause.
constexpr double kTableStepError = 32767.0 * 2.0 * kPi / kCosTableLength;

// Lives until the end of the statement that hands its path to the reference script.
template <typename T>
test::TTempFile WriteSamples(const std::vector<T> &samples, const std::string &name)
{
    return test::TTempFile("tonesynth_" + name, samples, ".raw");
}

// Runs the numpy reference script of these tests and returns the numbers it prints.
std::vector<double> RunReference(const std::string &args)
{
    return test::RunPythonReference("dsp/tonesynth_ref.py", args);
}

std::vector<int16_t> Channel(const std::vector<int16_t> &interleaved, int channel)
{
    std::vector<int16_t> out;
    for (size_t i = static_cast<size_t>(channel); i < interleaved.size(); i += 2)
        out.push_back(interleaved[i]);
    return out;
}

std::vector<int16_t> SynthBlocks(TToneSynth &synth, const TToneSettings &settings, int blocks)
{
    std::vector<int16_t> out(static_cast<size_t>(blocks) * 2 * kToneBlockFrames);
    for (int b = 0; b < blocks; ++b)
        synth.SynthBlock(settings, out.data() + static_cast<size_t>(b) * 2 * kToneBlockFrames);
    return out;
}

TToneSettings Settings(int lHz, int rHz, float lAmpl, float rAmpl)
{
    TToneSettings s;
    s.LFreqHz = lHz;
    s.RFreqHz = rHz;
    s.LAmpl = lAmpl;
    s.RAmpl = rAmpl;
    s.LeftOn = true;
    s.RightOn = true;
    s.EffSampleRate = static_cast<float>(kRate);
    return s;
}

TEST(CosTable, HoldsOneTurnStartingAtThePositivePeak)
{
    const std::vector<double> table = BuildCosTable();
    ASSERT_EQ(table.size(), static_cast<size_t>(kCosTableLength));
    EXPECT_EQ(table[0], 1.0);
    EXPECT_NEAR(table[kCosTableLength / 4], 0.0, 1e-15);
    EXPECT_NEAR(table[kCosTableLength / 2], -1.0, 1e-15);
    EXPECT_NEAR(table[12345], std::cos(2.0 * kPi * 12345.0 / kCosTableLength), 1e-15);
}

TEST(PhaseArithmetic, IncrementsAndOffsetsStayInsideOneTurn)
{
    EXPECT_DOUBLE_EQ(PhaseIncrement(1000.0, kRate), 262144.0 * 1000.0 / kRate);
    EXPECT_NEAR(PhaseIncrement(kRate + 1000.0, kRate), PhaseIncrement(1000.0, kRate), 1e-9);
    EXPECT_GE(PhaseIncrement(-1000.0, kRate), 0.0);
    EXPECT_EQ(PhaseIncrement(1000.0, 0.0), 0.0);
    EXPECT_EQ(PhaseIncrement(1000.0, std::nan("")), 0.0);
    EXPECT_DOUBLE_EQ(SkewDegrees(50.0, 10000.0), 180.0);
    for (double units : {-1e12, -262144.0, -0.25, 0.0, 262144.0, 5e9, 1e300}) {
        const double wrapped = WrapTableUnits(units);
        EXPECT_GE(wrapped, 0.0) << units;
        EXPECT_LT(wrapped, 262144.0) << units;
    }
    EXPECT_EQ(TableIndex(-0.3), 0);
    EXPECT_EQ(TableIndex(-1.3), kCosTableLength - 1);
    EXPECT_EQ(TableIndex(262144.0 + 5.9), 5);
}

TEST(SynthTone, MatchesTheIdealCosineAndAdvancesTheLeftPhase)
{
    ZELVARO_REQUIRE_NUMPY();
    TToneSynth synth;
    std::vector<float> out(8192);
    synth.SynthTone(out.data(), nullptr, 8192, 1292.0, kRate, -32767.0f, false);
    const auto err = RunReference("maxerr " + WriteSamples(out, "tone1").Path() + " 1292 22050 32767 0");
    ASSERT_EQ(err.size(), 1u);
    EXPECT_LE(err[0], kTableStepError);
    EXPECT_NEAR(synth.LeftPhase(), std::fmod(8192.0 * 262144.0 * 1292.0 / kRate, 262144.0), 1e-6);
    EXPECT_EQ(synth.RightPhase(), 0.0);
}

TEST(SynthTone, ZeroHertzGivesAConstantBlock)
{
    TToneSynth synth;
    synth.SetPhases(65536.0 / 2, 0.0);  // 45 degrees
    std::vector<float> out(2048);
    synth.SynthTone(out.data(), nullptr, 2048, 0.0, kRate, 1000.0f, false);
    for (float v : out)
        ASSERT_FLOAT_EQ(v, static_cast<float>(1000.0 * std::cos(kPi / 4)));
}

TEST(SynthBlock, LevelAndFrequencyMatchNumpy)
{
    ZELVARO_REQUIRE_NUMPY();
    TToneSynth synth;
    // Level position 5000 of 10000 is amplitude 0.5: -6.02 dB.
    const auto block = SynthBlocks(synth, Settings(1292, 1938, 0.5f, 0.1f), 8);
    const auto left = RunReference("level " + WriteSamples(Channel(block, 0), "left").Path() + " 22050");
    const auto right = RunReference("level " + WriteSamples(Channel(block, 1), "right").Path() + " 22050");
    ASSERT_EQ(left.size(), 2u);
    ASSERT_EQ(right.size(), 2u);
    EXPECT_NEAR(left[0], -6.02, 0.01);
    EXPECT_NEAR(left[1], 1292.0, 0.05);
    EXPECT_NEAR(right[0], -20.0, 0.01);
    EXPECT_NEAR(right[1], 1938.0, 0.05);
}

TEST(SynthBlock, IqModePlaysTheLeftToneNinetyDegreesAheadOnTheRight)
{
    ZELVARO_REQUIRE_NUMPY();
    TToneSynth synth;
    TToneSettings s = Settings(1000, 1000, 1.0f, 1.0f);
    s.IQMode = true;
    synth.SetPhases(1000.0, 77777.0);  // I/Q mode must realign the right phase to the left one
    const auto block = SynthBlocks(synth, s, 2);
    std::vector<float> left, right;
    for (size_t i = 0; i < block.size(); i += 2) {
        left.push_back(block[i]);
        right.push_back(block[i + 1]);
    }
    const double startDeg = 1000.0 / kIndexUnitsPerDegree;
    const auto errL = RunReference("maxerr " + WriteSamples(left, "iqL").Path() + " 1000 22050 32767 " +
                                   std::to_string(startDeg));
    const auto errR = RunReference("maxerr " + WriteSamples(right, "iqR").Path() + " 1000 22050 32767 " +
                                   std::to_string(startDeg + 90.0));
    ASSERT_EQ(errL.size(), 1u);
    ASSERT_EQ(errR.size(), 1u);
    EXPECT_LE(errL[0], kTableStepError + 0.5);  // + rounding to 16 bits
    EXPECT_LE(errR[0], kTableStepError + 0.5);
}

TEST(SynthSkewedTone, FiftyMicrosecondsAtTenKilohertzInvertsTone2)
{
    TToneSynth plain, skewed;
    std::array<float, 2048> a{}, aq{}, b{}, bq{};
    plain.SynthSkewedTone(a.data(), aq.data(), 2048, 10000.0, kRate, -32767.0f, 0.0);
    skewed.SynthSkewedTone(b.data(), bq.data(), 2048, 10000.0, kRate, -32767.0f, 50.0);
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_NEAR(b[i], -a[i], kTableStepError) << i;
        ASSERT_NEAR(bq[i], -aq[i], kTableStepError) << i;
    }
}

// The phase of the right output against the left one for equal tones, in degrees (numpy).
double RightMinusLeftDegrees(const std::vector<int16_t> &block, int freqHz)
{
    const auto phase = RunReference("phase " + WriteSamples(block, "phase").Path() + " int16 " +
                                    std::to_string(freqHz) + " 22050");
    return phase.size() == 1 ? phase[0] : std::nan("");
}

// A delay of t microseconds is 360 * f * t * 1e-6 degrees of tone 2: 3.6 degrees at 1 kHz and 36 at
// 10 kHz for 10 us. A positive skew puts the right tone ahead of the left one, a negative one behind.
TEST(SynthBlock, SkewShiftsTheRightToneByItsAngleWithItsSign)
{
    ZELVARO_REQUIRE_NUMPY();
    const struct {
        int FreqHz;
        double SkewUs;
    } cases[] = {{1000, 10.0}, {10000, -10.0}};
    for (const auto &c : cases) {
        TToneSynth synth;
        TToneSettings s = Settings(c.FreqHz, c.FreqHz, 1.0f, 1.0f);
        s.SkewUs = c.SkewUs;
        const double expected = 360.0 * c.FreqHz * c.SkewUs * 1e-6;
        EXPECT_NEAR(RightMinusLeftDegrees(SynthBlocks(synth, s, 4), c.FreqHz), expected, 0.01)
            << c.SkewUs << " us at " << c.FreqHz << " Hz";
    }
}

// The 16-bit conversion rounds to the nearest step: each sample is the nearest integer to the tone
// as synthesised, never the value truncated toward zero.
TEST(SynthBlock, SamplesAreTheTonesRoundedToTheNearestStep)
{
    TToneSynth blockwise, reference;
    TToneSettings s = Settings(1234, 4321, 0.7f, 0.3f);
    s.SkewUs = 12.5;
    const auto block = SynthBlocks(blockwise, s, 1);
    std::vector<float> left(kToneBlockFrames), right(kToneBlockFrames);
    reference.SynthTone(left.data(), nullptr, kToneBlockFrames, 1234, kRate, 0.7f * -32767.0f, false);
    reference.SynthSkewedTone(right.data(), nullptr, kToneBlockFrames, 4321, kRate, 0.3f * -32767.0f, 12.5);
    int roundedAwayFromZero = 0;
    for (size_t f = 0; f < left.size(); ++f) {
        ASSERT_EQ(block[2 * f], static_cast<int16_t>(std::nearbyint(left[f]))) << "left " << left[f];
        ASSERT_EQ(block[2 * f + 1], static_cast<int16_t>(std::nearbyint(right[f]))) << "right " << right[f];
        if (std::fabs(left[f] - std::trunc(left[f])) > 0.5f)
            ++roundedAwayFromZero;
    }
    EXPECT_GT(roundedAwayFromZero, 100) << "too few samples tell rounding from truncation";
}

TEST(SynthSkewedTone, HugeTypedInSkewStaysInsideTheTable)
{
    TToneSynth synth;
    std::array<float, 2048> out{}, outQ{};
    for (double skewUs : {1e6, -1e6, 123456.789, -0.001}) {
        synth.SynthSkewedTone(out.data(), outQ.data(), 2048, 9999.0, kRate, -32767.0f, skewUs);
        // The same skew reduced by whole turns must give the same tone.
        const double turns = SkewDegrees(skewUs, 9999.0) / 360.0;
        const double reducedUs = skewUs * (turns - std::floor(turns)) / turns;
        TToneSynth reference;
        reference.SetPhases(0.0, synth.RightPhase());
        synth.SetPhases(0.0, synth.RightPhase());
        std::array<float, 2048> expect{}, expectQ{};
        reference.SynthSkewedTone(expect.data(), expectQ.data(), 2048, 9999.0, kRate, -32767.0f, reducedUs);
        synth.SynthSkewedTone(out.data(), outQ.data(), 2048, 9999.0, kRate, -32767.0f, skewUs);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_NEAR(out[i], expect[i], 2 * kTableStepError) << skewUs << " at " << i;
    }
}

TEST(SynthBlock, ChannelsOffGiveSilenceWhileBothPhasesAdvance)
{
    TToneSynth synth;
    TToneSettings s = Settings(1292, 1938, 1.0f, 1.0f);
    s.LeftOn = false;
    s.RightOn = false;
    const auto block = SynthBlocks(synth, s, 1);
    for (int16_t v : block)
        ASSERT_EQ(v, 0);
    EXPECT_NEAR(synth.LeftPhase(), std::fmod(2048.0 * PhaseIncrement(1292, kRate), 262144.0), 1e-6);
    EXPECT_NEAR(synth.RightPhase(), std::fmod(2048.0 * PhaseIncrement(1938, kRate), 262144.0), 1e-6);
}

TEST(SynthBlock, AmplitudesOutsideZeroToOneAreLimitedNotWrapped)
{
    TToneSynth synth;
    const auto block = SynthBlocks(synth, Settings(1000, 1000, 7.5f, std::nanf("")), 1);
    int16_t peakL = 0;
    for (size_t i = 0; i < block.size(); i += 2) {
        peakL = std::max<int16_t>(peakL, static_cast<int16_t>(std::abs(block[i])));
        ASSERT_EQ(block[i + 1], 0) << i;
    }
    EXPECT_EQ(peakL, 32767);
}

TEST(SynthBlock, PhaseIsContinuousAcrossBlocks)
{
    TToneSynth blockwise, oneGo;
    TToneSettings s = Settings(1234, 4321, 0.7f, 0.3f);
    s.SkewUs = 12.5;
    const auto blocks = SynthBlocks(blockwise, s, 3);
    std::vector<float> left(3 * 2048), right(3 * 2048), rightQ(3 * 2048);
    oneGo.SynthTone(left.data(), nullptr, 3 * 2048, 1234, kRate, 0.7f * -32767.0f, false);
    oneGo.SynthSkewedTone(right.data(), rightQ.data(), 3 * 2048, 4321, kRate, 0.3f * -32767.0f, 12.5);
    // Only the first sample of tone 2 rounds its skewed index: allow a table step there.
    for (size_t f = 0; f < left.size(); ++f) {
        ASSERT_LE(std::abs(blocks[2 * f] - std::nearbyint(left[f])), 1.0) << f;
        ASSERT_LE(std::abs(blocks[2 * f + 1] - std::nearbyint(right[f])), 1.0 + kTableStepError) << f;
    }
}

TEST(SynthBlock, FullScaleToneNeitherClipsNorHasSpursAbove96dBc)
{
    ZELVARO_REQUIRE_NUMPY();
    TToneSynth synth;
    const auto block = SynthBlocks(synth, Settings(1000, 3333, 1.0f, 1.0f), 32);
    int16_t peak = 0;
    for (int16_t v : block)
        peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(v)));
    EXPECT_EQ(peak, 32767);
    for (int channel : {0, 1}) {
        const auto sfdr = RunReference("sfdr " + WriteSamples(Channel(block, channel), "sfdr").Path());
        ASSERT_EQ(sfdr.size(), 1u);
        EXPECT_GE(sfdr[0], 96.0) << "channel " << channel;
    }
}

// The playback thread writes the phases back after every block; a reset or "R = L" copy that
// the GUI makes meanwhile must still take effect (at the next block at the latest). With equal
// frequencies the two tones stay in phase for good once a request has been applied.
TEST(PhaseRequests, RequestsMadeWhileBlocksAreBeingMadeAreNeverLost)
{
    TToneSynth synth;
    const TToneSettings s = Settings(1000, 1000, 0.5f, 0.5f);
    int lost = 0;
    constexpr int kRounds = 100;
    for (int round = 0; round < kRounds; ++round) {
        synth.SetPhases(0.0, 12345.0);
        std::atomic<int> blocksMade{0};
        std::atomic<bool> stop{false};
        std::thread playback([&] {
            std::vector<int16_t> block(2 * kToneBlockFrames);
            while (!stop.load()) {
                synth.SynthBlock(s, block.data());
                blocksMade.fetch_add(1);
            }
        });
        while (blocksMade.load() < 1 + round % 3)
            std::this_thread::yield();
        if (round % 2 == 0)
            synth.CopyLeftPhaseToRight();
        else
            synth.ResetPhases();
        const int requestedAt = blocksMade.load();
        while (blocksMade.load() < requestedAt + 2)
            std::this_thread::yield();
        stop = true;
        playback.join();
        if (synth.LeftPhase() != synth.RightPhase())
            ++lost;
    }
    EXPECT_EQ(lost, 0) << "of " << kRounds << " phase requests";
}

TEST(SynthBlock, MixPlaysTheSumOfBothTonesOnBothOutputs)
{
    TToneSynth mixed, separate;
    TToneSettings s = Settings(700, 1900, 0.45f, 0.45f);
    const auto apart = SynthBlocks(separate, s, 2);
    s.MixTones = true;
    s.IQMode = true;  // ignored while mixing: both outputs carry the plain sum
    mixed.SetPhases(0.0, 0.0);
    const auto sum = SynthBlocks(mixed, s, 2);
    for (size_t i = 0; i < sum.size(); i += 2) {
        ASSERT_EQ(sum[i], sum[i + 1]) << i;
        ASSERT_NEAR(sum[i], apart[i] + apart[i + 1], 1) << i;  // each part rounded on its own
    }
}

}  // namespace
}  // namespace zelvaro
