// Magnitude, power spectrum, extrema and the multiply family against closed forms.
#include "caller_buffer.h"

#include <sigcore.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kRelativeTolerance = 1e-6;

long double exactMagnitude(vskCplxF z)
{
    const long double re = z.re, im = z.im;
    return std::sqrt(re * re + im * im);
}

long double exactPower(vskCplxF z)
{
    const long double re = z.re, im = z.im;
    return re * re + im * im;
}

// Complex values whose magnitudes span the whole normal float range, in random directions,
// including pure real, pure imaginary and zero.
std::vector<vskCplxF> wideRangeValues(std::size_t count, double minLog10, double maxLog10)
{
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> decade(minLog10, maxLog10);
    std::uniform_real_distribution<double> angle(0.0, 6.283185307179586);
    std::vector<vskCplxF> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double r = std::pow(10.0, decade(rng));
        const double a = angle(rng);
        values[i] = {static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a))};
    }
    const vskCplxF special[] = {{0.0f, 0.0f}, {-3.0f, 0.0f}, {0.0f, 4.0e20f}};
    std::copy_n(special, std::min(count, std::size(special)), values.begin());
    return values;
}

void expectRelativelyClose(long double expected, float actual, std::size_t index)
{
    if (expected == 0.0L) {
        EXPECT_EQ(actual, 0.0f) << "element " << index;
        return;
    }
    const long double error = std::fabs((actual - expected) / expected);
    EXPECT_LE(error, kRelativeTolerance) << "element " << index << ": " << actual << " vs "
                                         << static_cast<double>(expected);
}

} // namespace

// ---- vskcbMag ----------------------------------------------------------------------------

TEST(Magnitude, PythagoreanTriplesAndZero)
{
    const vskCplxF src[] = {{3.0f, 4.0f}, {0.0f, 0.0f}, {-5.0f, 12.0f}, {8.0f, -15.0f}};
    float mag[4] = {};
    vskcbMag(src, mag, 4);
    EXPECT_EQ(mag[0], 5.0f);
    EXPECT_EQ(mag[1], 0.0f);
    EXPECT_EQ(mag[2], 13.0f);
    EXPECT_EQ(mag[3], 17.0f);
}

TEST(Magnitude, MatchesLongDoubleOverWideRangeForEveryLengthRegime)
{
    // 32769 is the analyser's longest spectrum; 128 and 129 sit on the block boundary.
    for (int32_t len : {1, 7, 128, 129, 255, 1000, 32769}) {
        const auto src = wideRangeValues(static_cast<std::size_t>(len), -18.0, 18.0);
        std::vector<float> mag(src.size(), kNaN);
        vskcbMag(src.data(), mag.data(), len);
        for (std::size_t i = 0; i < src.size(); ++i)
            expectRelativelyClose(exactMagnitude(src[i]), mag[i], i);
    }
}

// Magnitudes whose square leaves the float range: the block path must not overflow to infinity
// or underflow to zero where the magnitude itself is an ordinary float.
TEST(Magnitude, StaysExactWhereTheSquareLeavesFloatRange)
{
    std::vector<vskCplxF> src = wideRangeValues(1024, -37.0, 37.5);
    src[3] = {3.0e30f, 4.0e30f};
    src[4] = {3.0e-30f, -4.0e-30f};
    src[5] = {1.0e-40f, 0.0f}; // subnormal component
    const int32_t len = static_cast<int32_t>(src.size());
    std::vector<float> mag(src.size());
    vskcbMag(src.data(), mag.data(), len);
    for (std::size_t i = 0; i < src.size(); ++i)
        expectRelativelyClose(exactMagnitude(src[i]), mag[i], i);
    EXPECT_EQ(mag[3], 5.0e30f);
}

// Long vectors round the squared magnitude to float before the root, except in the tail, which
// is rounded once from double precision like short vectors.
TEST(Magnitude, LongVectorsRootTheFloatPowerExceptInTheTail)
{
    // Find a value whose two roundings differ.
    vskCplxF probe{};
    bool found = false;
    for (int k = 1; k < 100000 && !found; ++k) {
        probe = {1.0f + static_cast<float>(k) * 1.0e-5f, 0.7f + static_cast<float>(k) * 3.0e-6f};
        const double power = static_cast<double>(probe.re) * probe.re +
                             static_cast<double>(probe.im) * probe.im;
        found = std::sqrt(static_cast<float>(power)) != static_cast<float>(std::sqrt(power));
    }
    ASSERT_TRUE(found);
    const double power = static_cast<double>(probe.re) * probe.re +
                         static_cast<double>(probe.im) * probe.im;
    const float blockResult = std::sqrt(static_cast<float>(power));
    const float directResult = static_cast<float>(std::sqrt(power));

    std::vector<vskCplxF> src(129, probe);
    std::vector<float> mag(129);
    vskcbMag(src.data(), mag.data(), 129);
    EXPECT_EQ(mag[0], blockResult);
    EXPECT_EQ(mag[127], blockResult);
    EXPECT_EQ(mag[128], directResult);

    vskcbMag(src.data(), mag.data(), 128);
    EXPECT_EQ(mag[0], directResult);
}

TEST(Magnitude, PropagatesNaNAndInfinity)
{
    std::vector<vskCplxF> src(200, vskCplxF{1.0f, 1.0f});
    const float inf = std::numeric_limits<float>::infinity();
    src[10] = {kNaN, 0.0f};
    src[11] = {-inf, 2.0f};
    src[199] = {0.0f, inf};
    std::vector<float> mag(200);
    vskcbMag(src.data(), mag.data(), 200);
    EXPECT_TRUE(std::isnan(mag[10]));
    EXPECT_EQ(mag[11], inf);
    EXPECT_EQ(mag[199], inf);
    EXPECT_EQ(mag[12], std::sqrt(2.0f));
}

// ---- vskcbPowerSpectr --------------------------------------------------------------------

TEST(PowerSpectrum, MatchesLongDoubleOverWideRange)
{
    for (int32_t len : {1, 8, 13, 4097}) {
        const auto src = wideRangeValues(static_cast<std::size_t>(len), -18.0, 18.0);
        std::vector<float> spectr(src.size(), kNaN);
        vskcbPowerSpectr(src.data(), spectr.data(), len);
        for (std::size_t i = 0; i < src.size(); ++i) {
            const long double exact = exactPower(src[i]);
            if (exact > std::numeric_limits<float>::max())
                EXPECT_EQ(spectr[i], std::numeric_limits<float>::infinity()) << i;
            else
                expectRelativelyClose(exact, spectr[i], i);
        }
    }
}

TEST(PowerSpectrum, SquaresBeyondFloatRangeBecomeInfinity)
{
    const vskCplxF src[] = {{3.0f, 4.0f}, {2.0e19f, 0.0f}, {0.0f, -1.0f}};
    float spectr[3] = {};
    vskcbPowerSpectr(src, spectr, 3);
    EXPECT_EQ(spectr[0], 25.0f);
    EXPECT_EQ(spectr[1], std::numeric_limits<float>::infinity());
    EXPECT_EQ(spectr[2], 1.0f);
}

// ---- Extrema -----------------------------------------------------------------------------

TEST(Extrema, MaxAndMinOfOrdinaryVectors)
{
    const float vec[] = {3.0f, -7.5f, 12.25f, 0.0f, 12.0f, -7.0f};
    EXPECT_EQ(vsksMax(vec, 6), 12.25f);
    EXPECT_EQ(vsksMin(vec, 6), -7.5f);
    EXPECT_EQ(vsksMax(vec, 1), 3.0f);
    EXPECT_EQ(vsksMin(vec, 1), 3.0f);
}

TEST(Extrema, NaNHandlingFollowsTheComparisons)
{
    const float nanFirst[] = {kNaN, 1.0f, 2.0f};
    const float nanMiddle[] = {1.0f, kNaN, 2.0f};
    const float nanLast[] = {1.0f, kNaN};
    EXPECT_TRUE(std::isnan(vsksMax(nanFirst, 3)));
    EXPECT_EQ(vsksMax(nanMiddle, 3), 2.0f);
    EXPECT_TRUE(std::isnan(vsksMin(nanLast, 2)));
    EXPECT_EQ(vsksMin(nanMiddle, 3), 2.0f);
}

TEST(Extrema, FirstOfEqualValuesWins)
{
    const float zeros[] = {-0.0f, 0.0f, -1.0f};
    EXPECT_TRUE(std::signbit(vsksMax(zeros, 3)));
    const float positiveFirst[] = {0.0f, -0.0f, 1.0f};
    EXPECT_FALSE(std::signbit(vsksMin(positiveFirst, 3)));
}

TEST(Extrema, WordMaxIsSigned)
{
    const int16_t negatives[] = {-5, -3, -7};
    EXPECT_EQ(vskwMax(negatives, 3), -3);
    const int16_t extremes[] = {INT16_MIN, 0, INT16_MAX, -1};
    EXPECT_EQ(vskwMax(extremes, 4), INT16_MAX);
    std::vector<int16_t> longVec(5000, INT16_MIN);
    longVec[4321] = -2;
    EXPECT_EQ(vskwMax(longVec.data(), 5000), -2);
}

// ---- Multiply family ---------------------------------------------------------------------

TEST(Multiply, ProductsAreRoundedOnceToFloat)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(-1.0e3f, 1.0e3f);
    std::vector<float> a(1001), b(1001);
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = value(rng);
        b[i] = value(rng);
    }
    const int32_t n = 1001;
    const auto product = [](float x, float y) {
        return static_cast<float>(static_cast<double>(x) * static_cast<double>(y));
    };

    std::vector<float> dst1 = b;
    vsksbMpy1(0.3f, dst1.data(), n);
    std::vector<float> dst2 = b;
    vsksbMpy2(a.data(), dst2.data(), n);
    std::vector<float> dst3(a.size(), kNaN);
    vsksbMpy3(a.data(), b.data(), dst3.data(), n);
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(dst1[i], product(0.3f, b[i])) << i;
        EXPECT_EQ(dst2[i], product(a[i], b[i])) << i;
        EXPECT_EQ(dst3[i], product(a[i], b[i])) << i;
    }
}

TEST(Multiply, InPlaceOnEitherSource)
{
    std::vector<float> a{1.5f, -2.0f, 3.0f}, b{4.0f, 0.5f, -1.0f};
    vsksbMpy3(a.data(), b.data(), a.data(), 3);
    EXPECT_EQ(a, (std::vector<float>{6.0f, -1.0f, -3.0f}));
    vsksbMpy3(a.data(), b.data(), b.data(), 3);
    EXPECT_EQ(b, (std::vector<float>{24.0f, -0.5f, 3.0f}));
    vsksbMpy2(b.data(), b.data(), 3);
    EXPECT_EQ(b, (std::vector<float>{576.0f, 0.25f, 9.0f}));
}

// The highest index is computed first, which decides partly overlapping buffers.
TEST(Multiply, OverlappingBuffersRunFromTheHighestIndex)
{
    std::vector<float> buf{2.0f, 3.0f, 5.0f, 7.0f};
    vsksbMpy2(buf.data(), buf.data() + 1, 3);
    EXPECT_EQ(buf, (std::vector<float>{2.0f, 6.0f, 15.0f, 35.0f}));

    std::vector<float> three{2.0f, 3.0f, 5.0f, 7.0f, 11.0f};
    vsksbMpy3(three.data(), three.data() + 1, three.data() + 1, 4);
    EXPECT_EQ(three, (std::vector<float>{2.0f, 6.0f, 15.0f, 35.0f, 77.0f}));

    // A long overlap, where a vectorised loop would have to notice the dependence.
    std::vector<float> ramp(300);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<float>(i % 7 + 1);
    std::vector<float> expected = ramp;
    for (std::size_t i = 299; i-- > 0;)
        expected[i + 1] = expected[i + 1] * expected[i];
    vsksbMpy2(ramp.data(), ramp.data() + 1, 299);
    EXPECT_EQ(ramp, expected);
}

// ---- Bad arguments -----------------------------------------------------------------------

using VectorDeathTest = SigcoreDeathTest;

TEST_F(VectorDeathTest, MagnitudeAndPowerRejectBadArguments)
{
    const vskCplxF src[2] = {{1.0f, 1.0f}, {2.0f, 2.0f}};
    float out[2];
    EXPECT_ENDS_PROCESS(vskcbMag(src, nullptr, 0));
    EXPECT_ENDS_PROCESS(vskcbMag(src, out, -1));
    EXPECT_ENDS_PROCESS(vskcbMag(nullptr, out, 2));
    EXPECT_ENDS_PROCESS(vskcbPowerSpectr(src, nullptr, 2));
    EXPECT_ENDS_PROCESS(vskcbPowerSpectr(nullptr, out, 2));
}

TEST_F(VectorDeathTest, ExtremaRejectBadArguments)
{
    const float vec[1] = {1.0f};
    const int16_t words[1] = {1};
    EXPECT_ENDS_PROCESS(vsksMax(vec, 0));
    EXPECT_ENDS_PROCESS(vsksMin(nullptr, 3));
    EXPECT_ENDS_PROCESS(vskwMax(words, -4));
    EXPECT_ENDS_PROCESS(vskwMax(nullptr, 1));
}

TEST_F(VectorDeathTest, MultiplyRejectsBadArguments)
{
    float vec[2] = {1.0f, 2.0f};
    EXPECT_ENDS_PROCESS(vsksbMpy1(2.0f, vec, 0));
    EXPECT_ENDS_PROCESS(vsksbMpy1(2.0f, nullptr, 2));
    EXPECT_ENDS_PROCESS(vsksbMpy2(nullptr, vec, 2));
    EXPECT_ENDS_PROCESS(vsksbMpy3(nullptr, vec, nullptr, 2));
    EXPECT_ENDS_PROCESS(vsksbMpy3(vec, vec, nullptr, 2));
}

TEST_F(VectorDeathTest, FailingCallsLeaveTheOutputUntouched)
{
    CallerBuffer<float> out(256, -1.0f);
    CallerBuffer<vskCplxF> src(256, vskCplxF{3.0f, 4.0f});

    // Control: a successful call in the child does reach the parent's view of the buffer.
    EXPECT_ENDS_PROCESS({
        vskcbMag(src.data(), out.data(), 256);
        std::exit(1);
    });
    ASSERT_TRUE(out.allEqual(5.0f));

    std::fill(out.data(), out.data() + out.size(), -1.0f);
    EXPECT_ENDS_PROCESS(vskcbMag(nullptr, out.data(), 256));
    EXPECT_ENDS_PROCESS(vskcbPowerSpectr(nullptr, out.data(), 256));
    EXPECT_ENDS_PROCESS(vsksbMpy3(out.data(), nullptr, out.data(), 256));
    EXPECT_ENDS_PROCESS(vsksbMpy2(nullptr, out.data(), 256));
    EXPECT_TRUE(out.allEqual(-1.0f));
}
