// Integer/float sample conversions: every word size, signedness, rounding and overflow policy.
#include "caller_buffer.h"

#include <sigcore.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <type_traits>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int32_t kRoundings[] = {VSK_CVT_NEAREST, VSK_CVT_TRUNCATE, VSK_CVT_FLOOR, VSK_CVT_CEILING};
constexpr int32_t kRoundingBits = VSK_CVT_NEAREST | VSK_CVT_TRUNCATE | VSK_CVT_FLOOR | VSK_CVT_CEILING;

template <typename T>
constexpr int32_t wordSizeOf()
{
    return static_cast<int32_t>(sizeof(T) * 8);
}

template <typename T>
constexpr int32_t signednessFlag()
{
    return std::is_unsigned_v<T> ? VSK_CVT_UNSIGNED : 0;
}

// Converts one value into a destination that held `previous`.
template <typename T>
T convertOne(float x, int32_t flags, T previous)
{
    T dst = previous;
    EXPECT_EQ(vsksbFloatToInt(&x, &dst, 1, wordSizeOf<T>(), flags | signednessFlag<T>()), 1);
    return dst;
}

// Independent reference: the whole number of the rounding mode, taken when it fits the type.
// One documented exception: for signed 32-bit truncate and ceiling the widened low limit
// (-2^31 - 1) rounds to -2^31 in single precision, so -2^31 itself counts as out of range.
template <typename T>
std::optional<T> referenceInRange(float x, int32_t rounding)
{
    if (std::isnan(x))
        return std::nullopt;
    const long double value = x;
    long double whole = 0;
    switch (rounding) {
    case VSK_CVT_NEAREST:
        whole = std::nearbyint(value); // default environment: ties to even
        break;
    case VSK_CVT_TRUNCATE:
        whole = std::trunc(value);
        break;
    case VSK_CVT_FLOOR:
        whole = std::floor(value);
        break;
    default:
        whole = std::ceil(value);
        break;
    }
    if (whole < static_cast<long double>(std::numeric_limits<T>::min()) ||
        whole > static_cast<long double>(std::numeric_limits<T>::max()))
        return std::nullopt;
    if (std::is_same_v<T, int32_t> && x == -2147483648.0f &&
        (rounding == VSK_CVT_TRUNCATE || rounding == VSK_CVT_CEILING))
        return std::nullopt;
    return static_cast<T>(whole);
}

template <typename T>
T referenceResult(float x, int32_t flags, T previous)
{
    if (const auto inRange = referenceInRange<T>(x, flags & kRoundingBits))
        return *inRange;
    if (!(flags & VSK_CVT_SATURATE))
        return previous;
    if (std::isnan(x))
        return 0;
    return x < 0 ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
}

// Floats around both limits of T, small halves and fractions, specials, and random values.
template <typename T>
std::vector<float> probeValues()
{
    std::vector<float> values{0.0f,  -0.0f, 0.5f,  -0.5f, 1.5f,  -1.5f,  2.5f, -2.5f,
                              0.49999997f, -0.49999997f, 0.50000006f, -0.6f, 0.6f,
                              8388607.5f, -8388607.5f, 8388608.0f, 16777216.0f,
                              1.0e30f, -1.0e30f, kInf, -kInf, kNaN,
                              std::numeric_limits<float>::denorm_min(), -1.0e-30f};
    for (const long double limit : {static_cast<long double>(std::numeric_limits<T>::min()),
                                    static_cast<long double>(std::numeric_limits<T>::max())}) {
        for (const long double offset : {-1.5L, -1.0L, -0.75L, -0.5L, -0.25L, 0.0L, 0.25L, 0.5L,
                                         0.75L, 1.0L, 1.5L}) {
            const float near = static_cast<float>(limit + offset);
            values.push_back(near);
            values.push_back(std::nextafter(near, kInf));
            values.push_back(std::nextafter(near, -kInf));
        }
    }
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> inside(static_cast<double>(std::numeric_limits<T>::min()) - 2.0,
                                                  static_cast<double>(std::numeric_limits<T>::max()) + 2.0);
    for (int i = 0; i < 2000; ++i)
        values.push_back(static_cast<float>(inside(rng)));
    for (int i = 0; i < 200; ++i) // whole numbers and exact halves
        values.push_back(std::round(static_cast<float>(inside(rng)) * 2.0f) * 0.5f);
    return values;
}

std::string describe(float x, int32_t flags)
{
    std::ostringstream text;
    text.precision(10);
    text << "x=" << x << " flags=" << flags;
    return text.str();
}

template <typename T>
class FloatToIntTyped : public ::testing::Test {};
using AllDestinations = ::testing::Types<int8_t, uint8_t, int16_t, uint16_t, int32_t, uint32_t>;
TYPED_TEST_SUITE(FloatToIntTyped, AllDestinations);

} // namespace

// ---- vsksbFloatToInt against the reference -------------------------------------------------

TYPED_TEST(FloatToIntTyped, MatchesReferenceForEveryRoundingAndPolicy)
{
    using T = TypeParam;
    const std::vector<float> src = probeValues<T>();
    const T sentinel = static_cast<T>(0x5A);
    const int32_t len = static_cast<int32_t>(src.size());
    for (const int32_t rounding : kRoundings) {
        for (const int32_t policy : {0, static_cast<int>(VSK_CVT_SATURATE)}) {
            const int32_t flags = rounding | policy | signednessFlag<T>();
            std::vector<T> dst(src.size(), sentinel);
            ASSERT_EQ(vsksbFloatToInt(src.data(), dst.data(), len, wordSizeOf<T>(), flags), len);
            for (std::size_t i = 0; i < src.size(); ++i) {
                ASSERT_EQ(+dst[i], +referenceResult<T>(src[i], flags, sentinel))
                    << describe(src[i], flags);
            }
        }
    }
}

TYPED_TEST(FloatToIntTyped, NaNIsZeroWhenSaturatingAndUntouchedOtherwise)
{
    using T = TypeParam;
    for (const int32_t rounding : kRoundings) {
        EXPECT_EQ(+convertOne<T>(kNaN, rounding | VSK_CVT_SATURATE, T{42}), 0);
        EXPECT_EQ(+convertOne<T>(-kNaN, rounding, T{42}), 42);
    }
}

TYPED_TEST(FloatToIntTyped, InfinitiesSaturateToTheTypeLimits)
{
    using T = TypeParam;
    for (const int32_t rounding : kRoundings) {
        EXPECT_EQ(+convertOne<T>(kInf, rounding | VSK_CVT_SATURATE, T{1}),
                  +std::numeric_limits<T>::max());
        EXPECT_EQ(+convertOne<T>(-kInf, rounding | VSK_CVT_SATURATE, T{1}),
                  +std::numeric_limits<T>::min());
    }
}

// ---- The documented edge cases ----------------------------------------------------------

TEST(FloatToInt, NearestSigned16RoundsHalvesToEven)
{
    const int32_t flags = VSK_CVT_NEAREST;
    EXPECT_EQ(convertOne<int16_t>(2.5f, flags, 99), 2);
    EXPECT_EQ(convertOne<int16_t>(3.5f, flags, 99), 4);
    EXPECT_EQ(convertOne<int16_t>(-2.5f, flags, 99), -2);
    EXPECT_EQ(convertOne<int16_t>(-0.5f, flags, 99), 0);
    EXPECT_EQ(convertOne<int16_t>(32767.4f, flags, 99), 32767);
    EXPECT_EQ(convertOne<int16_t>(32767.5f, flags, 99), 99);
    EXPECT_EQ(convertOne<int16_t>(-32768.5f, flags, 99), -32768);
    EXPECT_EQ(convertOne<int16_t>(-32768.6f, flags, 99), 99);
}

TEST(FloatToInt, TruncateFloorAndCeilingSigned8)
{
    EXPECT_EQ(convertOne<int8_t>(-128.9f, VSK_CVT_TRUNCATE, 9), -128);
    EXPECT_EQ(convertOne<int8_t>(-129.0f, VSK_CVT_TRUNCATE, 9), 9);
    EXPECT_EQ(convertOne<int8_t>(127.9f, VSK_CVT_TRUNCATE, 9), 127);
    EXPECT_EQ(convertOne<int8_t>(128.0f, VSK_CVT_TRUNCATE, 9), 9);
    EXPECT_EQ(convertOne<int8_t>(-127.5f, VSK_CVT_FLOOR, 9), -128);
    EXPECT_EQ(convertOne<int8_t>(-128.1f, VSK_CVT_FLOOR, 9), 9);
    EXPECT_EQ(convertOne<int8_t>(126.5f, VSK_CVT_CEILING, 9), 127);
    EXPECT_EQ(convertOne<int8_t>(127.2f, VSK_CVT_CEILING, 9), 9);
}

TEST(FloatToInt, UnsignedLowSide)
{
    EXPECT_EQ(convertOne<uint8_t>(-0.5f, VSK_CVT_NEAREST, 7), 0);
    EXPECT_EQ(convertOne<uint8_t>(-0.6f, VSK_CVT_NEAREST, 7), 7);
    EXPECT_EQ(convertOne<uint8_t>(-0.6f, VSK_CVT_NEAREST | VSK_CVT_SATURATE, 7), 0);
    EXPECT_EQ(convertOne<uint8_t>(-0.9f, VSK_CVT_CEILING, 7), 0);
    EXPECT_EQ(convertOne<uint8_t>(-0.1f, VSK_CVT_FLOOR, 7), 7);
}

// The flags the generator uses leave every out-of-range output sample as it was.
TEST(FloatToInt, GeneratorFlagsSkipOutOfRangeSamples)
{
    const float src[] = {100.4f, 32767.5f, -32768.6f, -5.5f, 40000.0f};
    int16_t dst[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(vsksbFloatToInt(src, dst, 5, 16, VSK_CVT_NEAREST), 5);
    EXPECT_EQ(dst[0], 100);
    EXPECT_EQ(dst[1], 2);
    EXPECT_EQ(dst[2], 3);
    EXPECT_EQ(dst[3], -6);
    EXPECT_EQ(dst[4], 5);
}

TEST(FloatToInt, Signed32LowLimitUnderTruncateAndCeiling)
{
    for (const int32_t rounding : {VSK_CVT_TRUNCATE, VSK_CVT_CEILING}) {
        EXPECT_EQ(convertOne<int32_t>(-2147483648.0f, rounding, 17), 17);
        EXPECT_EQ(convertOne<int32_t>(-2147483648.0f, rounding | VSK_CVT_SATURATE, 17), INT32_MIN);
    }
    EXPECT_EQ(convertOne<int32_t>(-2147483648.0f, VSK_CVT_NEAREST, 17), INT32_MIN);
    EXPECT_EQ(convertOne<int32_t>(-2147483648.0f, VSK_CVT_FLOOR, 17), INT32_MIN);
}

// 2^31 and 2^32 are the floats of the 32-bit maxima but lie beyond them: every rounding,
// ceiling included, must treat them as out of range.
TEST(FloatToInt, ThirtyTwoBitUpperLimitIsOutOfRangeForEveryRounding)
{
    const float belowTwo31 = std::nextafter(2147483648.0f, 0.0f);
    const float belowTwo32 = std::nextafter(4294967296.0f, 0.0f);
    for (const int32_t rounding : kRoundings) {
        EXPECT_EQ(convertOne<int32_t>(2147483648.0f, rounding, 17), 17);
        EXPECT_EQ(convertOne<int32_t>(2147483648.0f, rounding | VSK_CVT_SATURATE, 17), INT32_MAX);
        EXPECT_EQ(convertOne<int32_t>(belowTwo31, rounding, 17), 2147483520);
        EXPECT_EQ(convertOne<uint32_t>(4294967296.0f, rounding, 17u), 17u);
        EXPECT_EQ(convertOne<uint32_t>(4294967296.0f, rounding | VSK_CVT_SATURATE, 17u), UINT32_MAX);
        EXPECT_EQ(convertOne<uint32_t>(belowTwo32, rounding, 17u), 4294967040u);
    }
}

TEST(FloatToInt, IgnoresUnknownFlagBitsAndReturnsLength)
{
    const float src[] = {1.25f, -1.25f, 3.0f};
    int16_t dst[3] = {};
    EXPECT_EQ(vsksbFloatToInt(src, dst, 3, 16, VSK_CVT_FLOOR | 0x10000 | 1), 3);
    EXPECT_EQ(dst[0], 1);
    EXPECT_EQ(dst[1], -2);
    EXPECT_EQ(dst[2], 3);
}

TEST(FloatToInt, ReportWithEverythingInRangeConvertsNormally)
{
    const float src[] = {-128.0f, 0.4f, 127.0f};
    int8_t dst[3] = {};
    EXPECT_EQ(vsksbFloatToInt(src, dst, 3, 8, VSK_CVT_NEAREST | VSK_CVT_REPORT), 3);
    EXPECT_EQ(dst[0], -128);
    EXPECT_EQ(dst[1], 0);
    EXPECT_EQ(dst[2], 127);
}

// ---- vsksbIntToFloat ---------------------------------------------------------------------

TEST(IntToFloat, EightAndSixteenBitValuesAreExact)
{
    std::vector<uint16_t> words(65536);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<uint16_t>(i);
    std::vector<float> dst(words.size());
    ASSERT_EQ(vsksbIntToFloat(words.data(), dst.data(), 65536, 16, 0), 65536);
    for (std::size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(dst[i], static_cast<float>(static_cast<int16_t>(words[i]))) << i;
    ASSERT_EQ(vsksbIntToFloat(words.data(), dst.data(), 65536, 16, VSK_CVT_UNSIGNED), 65536);
    for (std::size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(dst[i], static_cast<float>(i)) << i;

    std::vector<uint8_t> bytes(256);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(vsksbIntToFloat(bytes.data(), dst.data(), 256, 8, 0), 256);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(dst[i], static_cast<float>(static_cast<int8_t>(bytes[i]))) << i;
    ASSERT_EQ(vsksbIntToFloat(bytes.data(), dst.data(), 256, 8, VSK_CVT_UNSIGNED), 256);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(dst[i], static_cast<float>(i)) << i;
}

TEST(IntToFloat, DocumentedEdgeValues)
{
    const uint16_t word = 0x8000;
    float out = 0.0f;
    vsksbIntToFloat(&word, &out, 1, 16, 0);
    EXPECT_EQ(out, -32768.0f);
    vsksbIntToFloat(&word, &out, 1, 16, VSK_CVT_UNSIGNED);
    EXPECT_EQ(out, 32768.0f);
    const uint32_t allOnes = 0xFFFFFFFFu;
    vsksbIntToFloat(&allOnes, &out, 1, 32, VSK_CVT_UNSIGNED);
    EXPECT_EQ(out, 4294967296.0f);
    vsksbIntToFloat(&allOnes, &out, 1, 32, 0);
    EXPECT_EQ(out, -1.0f);
}

// 32-bit values round to nearest, ties to even; the reference goes through double, which holds
// them exactly.
TEST(IntToFloat, ThirtyTwoBitValuesRoundToNearestEven)
{
    std::mt19937 rng(99);
    std::vector<uint32_t> src(5000);
    for (auto &v : src)
        v = static_cast<uint32_t>(rng());
    src[0] = 16777217u;   // halfway between two floats: ties to 16777216
    src[1] = 16777219u;   // halfway: ties to 16777220
    src[2] = 0x80000000u; // INT32_MIN when signed
    src[3] = 0x7FFFFFFFu;
    std::vector<float> dst(src.size());
    const int32_t len = static_cast<int32_t>(src.size());
    ASSERT_EQ(vsksbIntToFloat(src.data(), dst.data(), len, 32, VSK_CVT_UNSIGNED), len);
    for (std::size_t i = 0; i < src.size(); ++i)
        ASSERT_EQ(dst[i], static_cast<float>(static_cast<double>(src[i]))) << src[i];
    EXPECT_EQ(dst[0], 16777216.0f);
    EXPECT_EQ(dst[1], 16777220.0f);
    ASSERT_EQ(vsksbIntToFloat(src.data(), dst.data(), len, 32, 0), len);
    for (std::size_t i = 0; i < src.size(); ++i)
        ASSERT_EQ(dst[i], static_cast<float>(static_cast<double>(static_cast<int32_t>(src[i]))))
            << src[i];
}

// ---- Bad arguments and reported overflows -------------------------------------------------

using ConversionDeathTest = SigcoreDeathTest;

TEST_F(ConversionDeathTest, RejectsBadArguments)
{
    float floats[2] = {1.0f, 2.0f};
    int16_t words[2] = {1, 2};
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats, words, 0, 16, VSK_CVT_NEAREST));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(nullptr, words, 2, 16, VSK_CVT_NEAREST));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats, nullptr, 2, 16, VSK_CVT_NEAREST));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats, words, 2, 12, VSK_CVT_NEAREST));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats, words, 2, 16, 0));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats, words, 2, 16, VSK_CVT_NEAREST | VSK_CVT_TRUNCATE));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats, words, 2, 16, VSK_CVT_SATURATE));
    EXPECT_ENDS_PROCESS(vsksbIntToFloat(words, floats, -3, 16, 0));
    EXPECT_ENDS_PROCESS(vsksbIntToFloat(nullptr, floats, 2, 16, 0));
    EXPECT_ENDS_PROCESS(vsksbIntToFloat(words, nullptr, 2, 16, 0));
    EXPECT_ENDS_PROCESS(vsksbIntToFloat(words, floats, 2, 64, 0));
    EXPECT_ENDS_PROCESS(vsksbIntToFloat(words, floats, 2, 16, VSK_CVT_NEAREST));
    EXPECT_ENDS_PROCESS(vsksbIntToFloat(words, floats, 2, 16, VSK_CVT_UNSIGNED | 1));
}

TEST_F(ConversionDeathTest, ReportedOverflowsEndTheProcess)
{
    const float negative = -0.6f;
    const float huge = 40000.0f;
    const float two31 = 2147483648.0f;
    int32_t dst = 0;
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(&negative, &dst, 1, 8, VSK_CVT_NEAREST | VSK_CVT_UNSIGNED | VSK_CVT_REPORT));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(&huge, &dst, 1, 16, VSK_CVT_TRUNCATE | VSK_CVT_REPORT));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(&two31, &dst, 1, 32, VSK_CVT_CEILING | VSK_CVT_REPORT));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(&kNaN, &dst, 1, 32, VSK_CVT_FLOOR | VSK_CVT_SATURATE | VSK_CVT_REPORT));
}

TEST_F(ConversionDeathTest, FailingCallsLeaveTheOutputUntouched)
{
    CallerBuffer<int16_t> words(512, 77);
    CallerBuffer<float> floats(512, 1.5f);

    // Control: a successful call in the child does reach the parent's view of the buffer.
    EXPECT_ENDS_PROCESS({
        vsksbFloatToInt(floats.data(), words.data(), 512, 16, VSK_CVT_CEILING);
        std::exit(1);
    });
    ASSERT_TRUE(words.allEqual(2));

    std::fill(words.data(), words.data() + words.size(), int16_t{77});
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats.data(), words.data(), 512, 16, VSK_CVT_CEILING | VSK_CVT_FLOOR));
    EXPECT_ENDS_PROCESS(vsksbFloatToInt(floats.data(), words.data(), 512, 24, VSK_CVT_CEILING));
    EXPECT_ENDS_PROCESS(vsksbIntToFloat(words.data(), floats.data(), 512, 16, VSK_CVT_SATURATE));
    EXPECT_TRUE(words.allEqual(77));
    EXPECT_TRUE(floats.allEqual(1.5f));
}
