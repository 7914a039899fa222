// TNakedSlider: value/pixel mapping both ways, trench pixels, dragging, clicks beside the thumb, setters.
#include "nakedslider.h"
#include "pixel_probe.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using nakedslider::Geometry;

constexpr TColor skin = 10317636;

// The generator's frequency slider and the analyser's gain slider as the main window sets them up.
void configure(TNakedSlider &s, QSize size, int min, int max, int position, int thickness, TThumbStyle thumb)
{
    s.resize(size);
    s.SetMin(min);
    s.SetMax(max);
    s.SetPosition(position);
    s.SetThickness(thickness);
    s.SetThumbStyle(thumb);
}

Geometry frequencySlider()
{
    return {QSize(193, 13), QSize(13, 26), false, 0, 10000};
}

Geometry gainSlider()
{
    return {QSize(11, 233), QSize(26, 13), true, 10, 160};
}

TEST(SliderMapping, HorizontalThumbAtEndsAndRoundedBetween)
{
    const Geometry g = frequencySlider();
    // (W - tw) / range = 0.018 pixels per hertz, rounded to the nearest pixel.
    EXPECT_EQ(nakedslider::thumbOrigin(g, 0), QPoint(0, -6));
    EXPECT_EQ(nakedslider::thumbOrigin(g, 10000), QPoint(180, -6));
    EXPECT_EQ(nakedslider::thumbOrigin(g, 5000).x(), 90);
    EXPECT_EQ(nakedslider::thumbOrigin(g, 1361).x(), 24);  // 24.498
    EXPECT_EQ(nakedslider::thumbOrigin(g, 1362).x(), 25);  // 24.516
    EXPECT_EQ(nakedslider::thumbOrigin(g, 1294).x(), 23);
}

TEST(SliderMapping, VerticalThumbHasMinAtTheBottom)
{
    const Geometry g = gainSlider();
    // 220 / 150 pixels per step; the 26-pixel-wide thumb is centred on the 11-pixel control.
    EXPECT_EQ(nakedslider::thumbOrigin(g, 10), QPoint(-7, 220));
    EXPECT_EQ(nakedslider::thumbOrigin(g, 160), QPoint(-7, 0));
    EXPECT_EQ(nakedslider::thumbOrigin(g, 42).y(), 233 - 47 - 13);  // 32 * 1.4667 = 46.93
}

TEST(SliderMapping, MousePointToValueIsRoundedAndClamped)
{
    const Geometry h = frequencySlider();
    EXPECT_EQ(nakedslider::valueAt(h, 6, 6), 0);             // thumb centre at Min
    EXPECT_EQ(nakedslider::valueAt(h, 186, 6), 10000);       // thumb centre at Max
    EXPECT_EQ(nakedslider::valueAt(h, 93, 6), 4833);         // 87 / 180 * 10000 = 4833.33
    EXPECT_EQ(nakedslider::valueAt(h, 300, 6), 10000);
    EXPECT_EQ(nakedslider::valueAt(h, -40, 6), 0);

    const Geometry v = gainSlider();
    EXPECT_EQ(nakedslider::valueAt(v, 5, 226), 10);
    EXPECT_EQ(nakedslider::valueAt(v, 5, 6), 160);
    EXPECT_EQ(nakedslider::valueAt(v, 5, 100), 96);          // 10 + 126 / 220 * 150 = 95.91
    EXPECT_EQ(nakedslider::valueAt(v, 5, 400), 10);
    EXPECT_EQ(nakedslider::valueAt(v, 5, -400), 160);
}

TEST(SliderMapping, ThumbCentreReadsBackItsValueWithinHalfAPixel)
{
    const Geometry level{QSize(193, 13), QSize(13, 26), false, 10, 10000};
    const double levelPixel = 9990.0 / 180.0;
    for (int position = 10; position <= 10000; position += 37) {
        const int centre = nakedslider::thumbOrigin(level, position).x() + 6;
        EXPECT_NEAR(nakedslider::valueAt(level, centre, 6), position, levelPixel / 2 + 1) << position;
    }
    const Geometry range{QSize(11, 233), QSize(26, 13), true, 0, 160};
    const double rangePixel = 160.0 / 220.0;
    for (int position = 0; position <= 160; ++position) {
        const int centre = nakedslider::thumbOrigin(range, position).y() + 6;
        EXPECT_NEAR(nakedslider::valueAt(range, 5, centre), position, rangePixel / 2 + 1) << position;
    }
}

TEST(SliderMapping, DegenerateRangesAndSizesStayInsideTheControl)
{
    const Geometry flat{QSize(193, 13), QSize(13, 26), false, 50, 50};
    EXPECT_EQ(nakedslider::thumbOrigin(flat, 50).x(), 0);
    EXPECT_EQ(nakedslider::valueAt(flat, 100, 6), 50);
    const Geometry tiny{QSize(0, 0), QSize(13, 26), true, 0, 100};
    EXPECT_EQ(nakedslider::valueAt(tiny, 0, 0), 0);
    const Geometry huge{QSize(193, 13), QSize(13, 26), false, INT_MIN, INT_MAX};
    EXPECT_EQ(nakedslider::thumbOrigin(huge, INT_MAX).x(), 180);
    EXPECT_EQ(nakedslider::valueAt(huge, 186, 6), INT_MAX);

    TNakedSlider s;
    s.resize(0, 0);
    s.SetMax(0);
    probe::renderOver(s, skin);  // nothing to draw, and no crash
    s.resize(5, 200);
    s.SetThumbStyle(tsStdHBar);
    const QImage image = probe::renderOver(s, skin);
    EXPECT_EQ(image.size(), QSize(5, 200));
}

TEST(SliderPaint, LoweredTrenchAndThumbOverTheParentsPixels)
{
    TNakedSlider s;
    configure(s, {193, 13}, 0, 10000, 10000, 2, tsStdVBar);
    const QImage image = probe::renderOver(s, skin);
    // Trench from x 6 to 186, rows 4 (dark) to 7 (light), two rows of FocusColor inside.
    EXPECT_EQ(probe::colourAt(image, 50, 3), skin);
    EXPECT_EQ(probe::colourAt(image, 50, 4), 0x2C2C2Cu);
    EXPECT_EQ(probe::colourAt(image, 50, 5), TNakedSlider::defaultFocusColor);
    EXPECT_EQ(probe::colourAt(image, 50, 6), TNakedSlider::defaultFocusColor);
    EXPECT_EQ(probe::colourAt(image, 50, 7), clWhite);
    EXPECT_EQ(probe::colourAt(image, 50, 8), skin);
    EXPECT_EQ(probe::colourAt(image, 6, 5), 0x2C2C2Cu);
    EXPECT_EQ(probe::colourAt(image, 6, 7), clWhite);   // the light bottom edge starts at the left end
    EXPECT_EQ(probe::colourAt(image, 5, 5), skin);
    EXPECT_EQ(s.ThumbRect(), QRect(180, -6, 13, 26));
    EXPECT_NE(probe::colourAt(image, 186, 2), skin);      // the thumb covers the trench end
    EXPECT_EQ(probe::colourAt(image, 179, 2), skin);

    s.SetPosition(0);  // uncovers the right end of the trench
    const QImage atMin = probe::renderOver(s, skin);
    EXPECT_EQ(probe::colourAt(atMin, 186, 4), clWhite);  // the light right edge includes the top corner
    EXPECT_EQ(probe::colourAt(atMin, 186, 7), clWhite);
    EXPECT_EQ(probe::colourAt(atMin, 185, 4), 0x2C2C2Cu);
    EXPECT_EQ(probe::colourAt(atMin, 187, 5), skin);

    s.SetStyle(bsRaised);
    const QImage raised = probe::renderOver(s, skin);
    EXPECT_EQ(probe::colourAt(raised, 50, 4), clWhite);
    EXPECT_EQ(probe::colourAt(raised, 50, 7), 0x2C2C2Cu);
}

TEST(SliderPaint, VerticalTrenchAtDoubleResolutionKeepsItsPixels)
{
    TNakedSlider s;
    configure(s, {11, 233}, 10, 160, 160, 5, tsStdHBar);
    s.SetFocusColor(7105644);
    const QImage image = probe::renderOver(s, skin, 2.0);
    // Columns 2 (dark) .. 8 (light) from row 6 to 226; each pixel is 2 x 2 device pixels.
    const int row = 2 * 150;
    EXPECT_EQ(probe::colourAt(image, 2 * 1 + 1, row), skin);
    EXPECT_EQ(probe::colourAt(image, 2 * 2, row), 0x2C2C2Cu);
    EXPECT_EQ(probe::colourAt(image, 2 * 2 + 1, row), 0x2C2C2Cu);
    EXPECT_EQ(probe::colourAt(image, 2 * 5, row), 7105644u);
    EXPECT_EQ(probe::colourAt(image, 2 * 8 + 1, row), clWhite);
    EXPECT_EQ(probe::colourAt(image, 2 * 9, row), skin);
}

TEST(SliderMouse, DragFollowsThePointerAndFiresOncePerMoveAndOnRelease)
{
    TNakedSlider s;
    configure(s, {193, 13}, 0, 10000, 5000, 2, tsStdVBar);
    QSignalSpy changes(&s, &TNakedSlider::OnChange);
    const int centre = s.ThumbRect().left() + 6;  // 96
    probe::press(s, {centre, 6});
    EXPECT_TRUE(s.Dragging());
    EXPECT_EQ(changes.count(), 0);
    probe::moveHeld(s, {centre + 10, 6});
    probe::moveHeld(s, {centre + 10, 2});  // same x: no change
    probe::moveHeld(s, {centre + 20, 9});
    probe::moveHeld(s, {centre + 31, 6});
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(s.Position(), s.NewPosition(centre + 31, 6));
    EXPECT_EQ(s.ThumbRect().left(), centre + 31 - 6);  // pixel by pixel, not the quantised value
    probe::release(s, {centre + 40, 6});
    EXPECT_EQ(changes.count(), 4);
    EXPECT_EQ(s.Position(), s.NewPosition(centre + 40, 6));
    EXPECT_FALSE(s.Dragging());
    EXPECT_EQ(changes.last().at(0).value<TNakedSlider *>(), &s);
}

// With one value per pixel of travel, a drag must keep the thumb's centre exactly under the
// pointer, read the value of that pixel, and leave the thumb there on release: in a vertical
// slider Min is at the bottom (centre row 226 of 233) and each pixel up is one value more.
TEST(SliderMouse, DragMapsPixelForPixelInBothOrientations)
{
    TNakedSlider v;
    configure(v, {11, 233}, 0, 220, 100, 5, tsStdHBar);
    const auto valueAtRow = [](int y) { return 226 - y; };
    const auto centreRow = [&v] { return v.ThumbRect().top() + 6; };
    ASSERT_EQ(centreRow(), 126);
    probe::press(v, {5, 126});
    for (int y : {125, 124, 117, 127, 156, 7}) {
        probe::moveHeld(v, {5, y});
        EXPECT_EQ(centreRow(), y);
        EXPECT_EQ(v.Position(), valueAtRow(y)) << "row " << y;
    }
    probe::release(v, {5, 40});
    EXPECT_EQ(v.Position(), valueAtRow(40));
    EXPECT_EQ(centreRow(), 40) << "the thumb stays where it was dropped";

    TNakedSlider h;
    configure(h, {193, 13}, 0, 180, 90, 2, tsStdVBar);
    const auto centreColumn = [&h] { return h.ThumbRect().left() + 6; };
    ASSERT_EQ(centreColumn(), 96);
    probe::press(h, {96, 6});
    for (int x : {97, 98, 91, 150, 6}) {
        probe::moveHeld(h, {x, 6});
        EXPECT_EQ(centreColumn(), x);
        EXPECT_EQ(h.Position(), x - 6) << "column " << x;
    }
    probe::release(h, {120, 6});
    EXPECT_EQ(h.Position(), 114);
    EXPECT_EQ(centreColumn(), 120);
}

TEST(SliderMouse, PressAndReleaseOnTheThumbKeepsTheValue)
{
    TNakedSlider s;
    configure(s, {193, 13}, 0, 10000, 1294, 2, tsStdVBar);
    QSignalSpy changes(&s, &TNakedSlider::OnChange);
    const QPoint onThumb(s.ThumbRect().left() + 2, 6);
    probe::press(s, onThumb);
    probe::release(s, onThumb);
    EXPECT_EQ(s.Position(), 1294);
    EXPECT_EQ(changes.count(), 1);
}

TEST(SliderMouse, ClicksBesideTheThumbStepByOne)
{
    TNakedSlider h;
    configure(h, {193, 13}, 0, 10000, 5000, 2, tsStdVBar);
    QSignalSpy changes(&h, &TNakedSlider::OnChange);
    probe::press(h, {20, 6});
    probe::release(h, {20, 6});
    EXPECT_EQ(h.Position(), 4999);
    probe::press(h, {150, 6});
    probe::release(h, {150, 6});
    probe::press(h, {150, 6});
    probe::release(h, {150, 6});
    EXPECT_EQ(h.Position(), 5001);
    EXPECT_EQ(changes.count(), 3);

    TNakedSlider v;
    configure(v, {11, 233}, 0, 160, 38, 5, tsStdHBar);
    probe::press(v, {5, 10});
    probe::release(v, {5, 10});
    EXPECT_EQ(v.Position(), 39);  // above the thumb raises the value
    probe::press(v, {5, 230});
    probe::release(v, {5, 230});
    EXPECT_EQ(v.Position(), 38);

    // At the ends the step is clamped, and OnChange still reports the release.
    v.SetPosition(160);
    QSignalSpy vChanges(&v, &TNakedSlider::OnChange);
    probe::press(v, {5, 200});
    probe::release(v, {5, 200});
    EXPECT_EQ(v.Position(), 159);
    v.SetPosition(0);
    probe::press(v, {5, 2});
    probe::release(v, {5, 2});
    EXPECT_EQ(v.Position(), 1);
    EXPECT_EQ(vChanges.count(), 3);
}

TEST(SliderMouse, QuickSecondClickStepsAgain)
{
    TNakedSlider s;
    configure(s, {193, 13}, 0, 10000, 5000, 2, tsStdVBar);
    probe::press(s, {20, 6});
    probe::release(s, {20, 6});
    probe::sendMouse(s, QEvent::MouseButtonDblClick, {20, 6}, Qt::LeftButton, Qt::LeftButton);
    probe::release(s, {20, 6});
    EXPECT_EQ(s.Position(), 4998);
}

TEST(SliderMouse, RightButtonNeitherDragsNorSteps)
{
    TNakedSlider s;
    configure(s, {193, 13}, 0, 10000, 5000, 2, tsStdVBar);
    QSignalSpy changes(&s, &TNakedSlider::OnChange);
    const int centre = s.ThumbRect().left() + 6;
    probe::press(s, {centre, 6}, Qt::RightButton);
    EXPECT_TRUE(s.Dragging());  // armed, as any button arms it
    probe::moveHeld(s, {centre + 30, 6}, Qt::RightButton);
    probe::release(s, {centre + 30, 6}, Qt::RightButton);
    probe::press(s, {10, 6}, Qt::RightButton);
    probe::release(s, {10, 6}, Qt::RightButton);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(s.Position(), 5000);
}

TEST(SliderMouse, DisabledSliderIgnoresTheMouse)
{
    TNakedSlider s;
    configure(s, {11, 233}, 10, 160, 42, 5, tsStdHBar);
    s.setEnabled(false);
    QSignalSpy changes(&s, &TNakedSlider::OnChange);
    probe::press(s, {5, 10});
    probe::release(s, {5, 10});
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(s.Position(), 42);
}

TEST(SliderProperties, PositionOutsideTheRangeIsIgnoredButStillReported)
{
    TNakedSlider s;
    configure(s, {193, 13}, 10, 10000, 5000, 2, tsStdVBar);
    QSignalSpy changes(&s, &TNakedSlider::OnChange);
    s.SetPosition(10001);
    s.SetPosition(5000);
    s.SetPosition(9);
    EXPECT_EQ(s.Position(), 5000);
    EXPECT_EQ(changes.count(), 3);
    s.MoveUp(20000);
    EXPECT_EQ(s.Position(), 10000);
    s.MoveUp(-100);
    EXPECT_EQ(s.Position(), 9900);
    s.MoveDown(INT_MIN);  // never overflows
    EXPECT_EQ(s.Position(), 10000);
    s.MoveDown(INT_MAX);
    EXPECT_EQ(s.Position(), 10);
}

TEST(SliderProperties, RangeResetsTheStepsAndStepsKeepTheirOrder)
{
    TNakedSlider s;
    s.SetStepLine(8);
    s.SetMax(50);
    EXPECT_EQ(s.StepPage(), 5);
    EXPECT_EQ(s.StepLine(), 5);
    s.SetMin(48);
    EXPECT_EQ(s.StepPage(), 1);
    EXPECT_EQ(s.StepLine(), 1);
    s.SetMin(0);
    s.SetMax(10000);
    s.SetStepPage(999);
    EXPECT_EQ(s.StepPage(), 999);
    s.SetStepPage(10001);
    s.SetStepPage(0);
    EXPECT_EQ(s.StepPage(), 999);
    s.SetStepLine(1500);
    EXPECT_EQ(s.StepLine(), 1500);
    EXPECT_EQ(s.StepPage(), 1500);
    s.SetThickness(13);
    s.SetThickness(0);
    EXPECT_EQ(s.Thickness(), 2);
    s.SetThickness(12);
    EXPECT_EQ(s.Thickness(), 12);
}

TEST(SliderProperties, OrientationSwapsTheSizeAndTheThumb)
{
    TNakedSlider s;
    EXPECT_EQ(s.size(), QSize(15, 100));
    EXPECT_TRUE(s.IsVert());
    s.SetOrientation(orHorizontal);
    EXPECT_EQ(s.size(), QSize(100, 15));
    EXPECT_EQ(s.ThumbStyle(), tsBar1);
    s.SetOrientation(orVertical);
    EXPECT_EQ(s.size(), QSize(15, 100));
    EXPECT_EQ(s.ThumbStyle(), tsBar3);
    s.SetThumbStyle(tsStdHBar);
    s.SetOrientation(orHorizontal);
    EXPECT_EQ(s.ThumbStyle(), tsStdVBar);
    s.resize(20, 300);  // resizing decides the orientation too
    EXPECT_EQ(s.Orientation(), orVertical);
    EXPECT_THROW(s.SetThumbStyle(static_cast<TThumbStyle>(18)), std::invalid_argument);
}

TEST(SliderProperties, CurrentLabelNamesThePositionOrSaysUndefined)
{
    TNakedSlider s;
    s.SetMax(10);
    s.SetLabels({"low", "mid", "high"});
    s.SetPosition(0);
    EXPECT_EQ(s.CurrentLabel(), "low");
    s.SetPosition(2);
    EXPECT_EQ(s.CurrentLabel(), "high");
    s.SetPosition(3);
    EXPECT_EQ(s.CurrentLabel(), "<Un-Defined>");
}

TEST(SliderFlash, RampRunsFromCyanThroughGreenAndYellowToRed)
{
    // Min 0, Max 767: k = position + 256.
    EXPECT_EQ(nakedslider::flashRampColor(0, 0, 767), rgbToColor(0, 255, 255));
    EXPECT_EQ(nakedslider::flashRampColor(255, 0, 767), rgbToColor(0, 255, 0));
    EXPECT_EQ(nakedslider::flashRampColor(511, 0, 767), rgbToColor(255, 255, 0));
    EXPECT_EQ(nakedslider::flashRampColor(767, 0, 767), rgbToColor(255, 0, 0));
    EXPECT_EQ(nakedslider::flashRampColor(100, 0, 767), rgbToColor(0, 255, 155));
    // Outside the ramp (negative Min) and an empty count of steps still give a colour.
    EXPECT_EQ(nakedslider::flashRampColor(-500, -500, 500), rgbToColor(0, 0, 255));
    EXPECT_EQ(nakedslider::flashRampColor(5, 5, 4), rgbToColor(0, 0, 255));
}

TEST(SliderFlash, FocusColorFollowsThePositionHeldBeforeTheChange)
{
    TNakedSlider s;
    s.SetMax(767);
    s.SetFlashColor(true);
    EXPECT_EQ(s.FocusColor(), TNakedSlider::flashStartColor);
    s.SetPosition(511);
    EXPECT_EQ(s.FocusColor(), nakedslider::flashRampColor(1, 0, 767));
    s.SetPosition(0);
    EXPECT_EQ(s.FocusColor(), rgbToColor(255, 255, 0));
    s.SetFlashColor(false);
    EXPECT_EQ(s.FocusColor(), TNakedSlider::defaultFocusColor);
}

}  // namespace
