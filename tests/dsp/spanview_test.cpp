// Tests of the band's start when it is centred, clamped, or kept over the tones across a zoom.
#include "spanview.h"

#include <gtest/gtest.h>

using namespace zelvaro;

namespace {

constexpr float kNyquist = 11025.0f;
constexpr float kSpan2k = 526.0f * 22050.0f / 2048.0f;  // 5663.2 Hz
constexpr float kSpan8k = 526.0f * 22050.0f / 8192.0f;  // 1415.8 Hz
constexpr float kSpan16k = 526.0f * 22050.0f / 16384.0f;  // 707.9 Hz
constexpr float kSpan64k = 526.0f * 22050.0f / 65536.0f;  // 177.0 Hz

}  // namespace

TEST(BandStart, CentresAndIsHeldBetweenZeroAndNyquist)
{
    EXPECT_FLOAT_EQ(CentredStartHz(1000.0f, 200.0f, kNyquist), 900.0f);
    EXPECT_FLOAT_EQ(CentredStartHz(50.0f, 200.0f, kNyquist), 0.0f);   // would start below 0 Hz
    EXPECT_FLOAT_EQ(CentredStartHz(-5.0f, 200.0f, kNyquist), 0.0f);
    EXPECT_FLOAT_EQ(CentredStartHz(11000.0f, 200.0f, kNyquist), kNyquist - 200.0f);  // ends at Nyquist
    EXPECT_FLOAT_EQ(CentredStartHz(10000.0f, kSpan2k, kNyquist), kNyquist - kSpan2k);
    // Zero first, then Nyquist, as the span zoom does: a band wider than the whole range keeps
    // its end at Nyquist.
    EXPECT_FLOAT_EQ(ClampedStartHz(0.0f, 12000.0f, kNyquist), kNyquist - 12000.0f);
    EXPECT_FLOAT_EQ(ClampedStartHz(-1.0f, 200.0f, kNyquist), 0.0f);
    EXPECT_FLOAT_EQ(ClampedStartHz(10825.0f, 200.0f, kNyquist), 10825.0f);  // ends exactly at Nyquist

    EXPECT_TRUE(InView(100.0f, {100.0f, 50.0f}));
    EXPECT_TRUE(InView(150.0f, {100.0f, 50.0f}));
    EXPECT_FALSE(InView(150.1f, {100.0f, 50.0f}));
    EXPECT_FALSE(InView(99.9f, {100.0f, 50.0f}));
}

TEST(SpanChange, TonesInViewStayInViewWhenTheyFit)
{
    // 700 and 1900 Hz on the 5.6k span; zooming to 1.4k around its centre (2831.6 Hz) would lose
    // both, so the band centres between them (1300 Hz).
    const TBandView wide{0.0f, kSpan2k};
    const float zoomed = wide.SpanHz * 0.5f - kSpan8k * 0.5f;
    EXPECT_FLOAT_EQ(KeptInViewStartHz(wide, {zoomed, kSpan8k}, {700.0f, 1900.0f}, kNyquist), 1300.0f - kSpan8k * 0.5f);
    // Either order of the pair.
    EXPECT_FLOAT_EQ(KeptInViewStartHz(wide, {zoomed, kSpan8k}, {1900.0f, 700.0f}, kNyquist), 1300.0f - kSpan8k * 0.5f);

    // Still both in view after the zoom: the zoom's start is kept as it is.
    const TBandView around{1000.0f, kSpan8k};
    EXPECT_FLOAT_EQ(KeptInViewStartHz(around, {1300.0f, kSpan16k}, {1400.0f, 1900.0f}, kNyquist), 1300.0f);

    // Centring near an end is held there, and the tones are still inside.
    const float start = KeptInViewStartHz({0.0f, kSpan8k}, {500.0f, kSpan16k}, {30.0f, 600.0f}, kNyquist);
    EXPECT_FLOAT_EQ(start, 0.0f);
    const float high = KeptInViewStartHz({kNyquist - kSpan2k, kSpan2k}, {8000.0f, kSpan16k},
                                         {10500.0f, 11000.0f}, kNyquist);
    EXPECT_FLOAT_EQ(high, kNyquist - kSpan16k);
    EXPECT_TRUE(InView(11000.0f, {high, kSpan16k}) && InView(10500.0f, {high, kSpan16k}));

    // Tones exactly one span apart still fit.
    EXPECT_FLOAT_EQ(KeptInViewStartHz({0.0f, kSpan2k}, {0.0f, 500.0f}, {1000.0f, 1500.0f}, kNyquist), 1000.0f);
}

TEST(SpanChange, BehavesAsTheZoomAloneWhenTheTonesDoNotFitOrWereNotInView)
{
    // 700 and 1900 Hz are 1200 Hz apart: more than the 0.7k span.
    const TBandView wide{0.0f, kSpan2k};
    EXPECT_FLOAT_EQ(KeptInViewStartHz(wide, {2478.0f, kSpan16k}, {700.0f, 1900.0f}, kNyquist), 2478.0f);
    EXPECT_FLOAT_EQ(KeptInViewStartHz(wide, {2742.0f, kSpan64k}, {1000.0f, 1100.0f + kSpan64k}, kNyquist), 2742.0f);
    // One tone was out of view before: the user had looked elsewhere on purpose.
    EXPECT_FLOAT_EQ(KeptInViewStartHz({1000.0f, kSpan8k}, {1354.0f, kSpan16k}, {700.0f, 1900.0f}, kNyquist), 1354.0f);
    EXPECT_FLOAT_EQ(KeptInViewStartHz({3000.0f, kSpan8k}, {3354.0f, kSpan16k}, {700.0f, 1900.0f}, kNyquist), 3354.0f);
}
