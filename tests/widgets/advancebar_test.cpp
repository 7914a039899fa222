// TAdvanceBar: sunken frame and bar pixels, limits of Position, Inc and Dec, and an empty Max.
#include "advancebar.h"
#include "pixel_probe.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

constexpr TColor back = clSilver;

void configure(TAdvanceBar &bar, int max, int position)
{
    bar.SetBackColor(back);
    bar.SetBarColor(clLime);
    bar.SetMax(max);
    bar.SetPosition(position);
}

// Pixels of the bar colour, as a bounding box (empty when there are none).
QRect barPixels(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (probe::colourAt(image, x, y) == clLime)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(AdvanceBarPaint, DesignerValuesDrawTheSpecifiedBarInASunkenFrame)
{
    TAdvanceBar bar;
    EXPECT_EQ(bar.size(), QSize(80, 15));
    configure(bar, 100, 20);
    const QImage image = probe::renderOver(bar, clRed);
    EXPECT_EQ(barPixels(image), QRect(QPoint(2, 2), QPoint(16, 12)));  // (2, 2) to (17, 13), ends excluded
    EXPECT_EQ(probe::colourAt(image, 0, 0), clBlack);
    EXPECT_EQ(probe::colourAt(image, 78, 0), clBlack);
    EXPECT_EQ(probe::colourAt(image, 79, 0), clWhite);
    EXPECT_EQ(probe::colourAt(image, 79, 14), clWhite);
    EXPECT_EQ(probe::colourAt(image, 0, 14), clBlack);
    EXPECT_EQ(probe::colourAt(image, 1, 14), clWhite);
    EXPECT_EQ(probe::colourAt(image, 1, 1), back);
    EXPECT_EQ(probe::colourAt(image, 17, 7), back);
}

TEST(AdvanceBarPaint, FullBarLeavesTwoPixelsOnEverySide)
{
    TAdvanceBar bar;
    configure(bar, 100, 100);
    EXPECT_EQ(barPixels(probe::renderOver(bar, clRed)), QRect(QPoint(2, 2), QPoint(77, 12)));
    bar.SetOrientation(TAdvanceBar::orientationVertical);
    EXPECT_EQ(barPixels(probe::renderOver(bar, clRed)), QRect(QPoint(2, 2), QPoint(77, 12)));
}

TEST(AdvanceBarPaint, VerticalBarFillsUpwardFromTheBottom)
{
    TAdvanceBar bar;
    bar.resize(16, 104);
    configure(bar, 100, 25);
    bar.SetOrientation(TAdvanceBar::orientationVertical);
    // top = 2 + (100 - 25) * 100 / 100 = 77; the bottom edge H - 2 is excluded.
    EXPECT_EQ(barPixels(probe::renderOver(bar, clRed)), QRect(QPoint(2, 77), QPoint(13, 101)));
    bar.SetOrientation(2);  // ignored
    EXPECT_EQ(bar.Orientation(), TAdvanceBar::orientationVertical);
}

TEST(AdvanceBarPaint, NothingToScaleAgainstDrawsAnEmptyFrame)
{
    TAdvanceBar bar;
    configure(bar, 0, 50);
    EXPECT_TRUE(barPixels(probe::renderOver(bar, clRed)).isEmpty());
    bar.SetMax(-10);
    EXPECT_TRUE(barPixels(probe::renderOver(bar, clRed)).isEmpty());
    bar.resize(3, 3);
    bar.SetMax(100);
    bar.SetPosition(100);
    EXPECT_TRUE(barPixels(probe::renderOver(bar, clRed)).isEmpty());
    bar.resize(0, 0);
    probe::renderOver(bar, clRed);
}

TEST(AdvanceBarPaint, LoweringMaxBelowPositionNeverDrawsPastTheFrame)
{
    TAdvanceBar bar;
    configure(bar, 100, 100);
    bar.SetMax(10);
    EXPECT_EQ(bar.Position(), 100);  // stored without checks
    EXPECT_EQ(barPixels(probe::renderOver(bar, clRed)), QRect(QPoint(2, 2), QPoint(77, 12)));
}

TEST(AdvanceBarValue, PositionIncAndDecStayWithinTheirLimits)
{
    TAdvanceBar bar;
    configure(bar, 100, -5);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetPosition(40);
    bar.Inc(70);
    EXPECT_EQ(bar.Position(), 100);
    bar.Dec(130);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(90);
    bar.Inc(INT_MAX);  // no overflow
    EXPECT_EQ(bar.Position(), 100);
    bar.Dec(INT_MAX);
    EXPECT_EQ(bar.Position(), 0);
    bar.Dec(INT_MIN);  // a negative step still stops at Max
    EXPECT_EQ(bar.Position(), 100);
    bar.Inc(-500);
    EXPECT_EQ(bar.Position(), 0);
}

}  // namespace
