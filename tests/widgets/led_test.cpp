// TAutoLed: on/off colours and corners, blinking with a short period, recolouring while blinking, clicks.
#include "autoled.h"
#include "pixel_probe.h"

#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr TColor skin = 10317636;
constexpr TColor offGrey = 10395294;
constexpr int shortPeriod = 25;  // milliseconds
constexpr int patience = 5000;   // upper bound for waiting on a tick, never a timing assertion

// The generator lamp as the main window sets it up.
void configure(TAutoLed &led)
{
    led.SetBColor(skin);
    led.SetTrueColor(clRed);
    led.SetFalseColor(offGrey);
}

TEST(LedPicture, BodyCornersAndOutlineAtOneAndTwoTimesResolution)
{
    for (qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage image = autoled::lampPicture({16, 16}, ratio, clRed, skin).toImage();
        auto at = [&](int x, int y) {
            return probe::colourAt(image, static_cast<int>(x * ratio), static_cast<int>(y * ratio));
        };
        EXPECT_EQ(at(8, 8), clRed);
        for (QPoint corner : {QPoint(1, 1), QPoint(15, 15), QPoint(1, 15), QPoint(15, 1), QPoint(0, 0)})
            EXPECT_EQ(at(corner.x(), corner.y()), skin);
        EXPECT_EQ(at(8, 0), skin);                                  // outside the outline
        const QColor rim = image.pixelColor(static_cast<int>(8 * ratio), static_cast<int>(1.3 * ratio));
        EXPECT_LT(rim.lightness(), 60);                             // the black outline
    }
}

TEST(LedValue, ShowsTheOnAndOffColoursWithoutATimer)
{
    TAutoLed led;
    EXPECT_EQ(led.size(), QSize(16, 16));
    configure(led);
    EXPECT_EQ(led.ShownImage(), 1);
    EXPECT_EQ(probe::colourAt(probe::renderOver(led, clBlack), 8, 8), offGrey);
    led.ChangeValue(true);
    EXPECT_EQ(led.ShownImage(), 0);
    EXPECT_FALSE(led.Blinking());
    const QImage on = probe::renderOver(led, clBlack);
    EXPECT_EQ(probe::colourAt(on, 8, 8), clRed);
    EXPECT_EQ(probe::colourAt(on, 1, 1), skin);
    led.ChangeValue(false);
    EXPECT_EQ(probe::colourAt(probe::renderOver(led, clBlack), 8, 8), offGrey);

    led.resize(32, 32);  // stretched to the control
    led.ChangeValue(true);
    EXPECT_EQ(probe::colourAt(probe::renderOver(led, clBlack), 16, 16), clRed);
}

TEST(LedBlink, AlternatesOnEveryTickAndReportsTheTimer)
{
    TAutoLed led;
    configure(led);
    led.SetInterval(shortPeriod);
    led.ChangeBlink(true);
    EXPECT_FALSE(led.Blinking());  // only while Value is true as well
    QSignalSpy ticks(&led, &TAutoLed::OnTimer);
    led.ChangeValue(true);
    ASSERT_TRUE(led.Blinking());
    EXPECT_EQ(led.ShownImage(), 0);
    ASSERT_TRUE(ticks.wait(patience));
    EXPECT_EQ(led.ShownImage(), 1);
    EXPECT_EQ(probe::colourAt(probe::renderOver(led, clBlack), 8, 8), offGrey);
    ASSERT_TRUE(ticks.wait(patience));
    EXPECT_EQ(led.ShownImage(), 0);
    QObject *sender = ticks.at(0).at(0).value<QObject *>();
    EXPECT_NE(sender, &led);
    EXPECT_NE(qobject_cast<QTimer *>(sender), nullptr);
}

TEST(LedBlink, RecolouringRestartsWithTheOnPhase)
{
    TAutoLed led;
    configure(led);
    led.SetInterval(shortPeriod);
    led.ChangeBlink(true);
    led.ChangeValue(true);
    QSignalSpy ticks(&led, &TAutoLed::OnTimer);
    ASSERT_TRUE(ticks.wait(patience));
    ASSERT_EQ(led.ShownImage(), 1);  // in the off phase
    led.SetTrueColor(clLime);
    EXPECT_TRUE(led.Blinking());
    EXPECT_EQ(led.ShownImage(), 0);
    EXPECT_EQ(probe::colourAt(probe::renderOver(led, clBlack), 8, 8), clLime);
}

TEST(LedBlink, SwitchingOffStopsOnTheOffPicture)
{
    TAutoLed led;
    configure(led);
    led.SetInterval(shortPeriod);
    led.ChangeBlink(true);
    led.ChangeValue(true);
    led.ChangeValue(false);
    EXPECT_FALSE(led.Blinking());
    EXPECT_EQ(led.ShownImage(), 1);
    led.ChangeValue(true);
    led.ChangeBlink(false);
    EXPECT_FALSE(led.Blinking());
    EXPECT_EQ(led.ShownImage(), 0);
}

TEST(LedBlink, ZeroIntervalDoesNotSpin)
{
    TAutoLed led;
    led.SetInterval(0);
    led.ChangeBlink(true);
    led.ChangeValue(true);
    const auto *timer = led.findChild<QTimer *>();
    ASSERT_NE(timer, nullptr);
    EXPECT_GE(timer->interval(), 20);
    EXPECT_EQ(led.Interval(), 0);
}

TEST(LedMouse, ClickEnterAndLeaveNameTheLamp)
{
    TAutoLed led;
    QSignalSpy clicks(&led, &TAutoLed::OnClick);
    probe::press(led, {8, 8});
    probe::release(led, {8, 8});
    probe::press(led, {8, 8});
    probe::release(led, {40, 8});  // released off the lamp: no click
    probe::press(led, {8, 8}, Qt::RightButton);
    probe::release(led, {8, 8}, Qt::RightButton);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<TAutoLed *>(), &led);

    QSignalSpy enters(&led, &TAutoLed::OnMouseEnter);
    QSignalSpy leaves(&led, &TAutoLed::OnMouseLeave);
    QEnterEvent enter(QPointF(8, 8), QPointF(8, 8), QPointF(8, 8));
    QCoreApplication::sendEvent(&led, &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&led, &leave);
    EXPECT_EQ(enters.count(), 1);
    EXPECT_EQ(leaves.count(), 1);
}

}  // namespace
