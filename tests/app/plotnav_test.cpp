// Tests of steering the plot: dragging it, clicks and double-clicks, C, span changes that keep
// the tones in view, and what the plot view draws over the frame (readout backing, trace key).
#include "loopbackwindow.h"
#include "mainform.h"

#include "analyser.h"
#include "plotmarkers.h"
#include "plotrender.h"
#include "plotview.h"
#include "rulers.h"
#include "statusstrip.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zelvaro;

namespace {

constexpr float kNyquist = 11025.0f;
constexpr float kToneMidHz = (1292.0f + 1938.0f) * 0.5f;  // the default tones' centre

// A window of its own on the loopback card (default tones 1292 and 1938 Hz, 1.4k span from 800 Hz).
class PlotNavTest : public test::TLoopbackWindowTest {
protected:
    void SetUp() override
    {
        TLoopbackWindowTest::SetUp();
        FPlot = FForm->findChild<TPlotView *>();
        ASSERT_NE(FPlot, nullptr);
    }

    static void Send(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(target, &event);
    }
    // Press at `from`, move through `to`, release there.
    static void Drag(QWidget *target, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(target, QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
        Send(target, QEvent::MouseMove, to, Qt::LeftButton, modifiers);
        Send(target, QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
    }
    void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { Drag(FPlot, at, at, modifiers); }

    // Both tones on both outputs, the analyser on; waits for `frames` frames.
    void RunTwoTones(int frames)
    {
        TMainForm &f = *FForm;
        if (!f.MixTones)
            f.OpMixClick();
        f.BGeneratorClick();
        f.BSpecAnClick();
        WaitFrames(frames);
    }
    void PlayTones()
    {
        if (!FForm->MixTones)
            FForm->OpMixClick();
        FForm->BGeneratorClick();
    }

    TPlotView *FPlot = nullptr;
};

}  // namespace

TEST_F(PlotNavTest, DraggingThePlotMovesTheBandAsTheRulerDoesAndSetsNoMarker)
{
    TMainForm &f = *FForm;
    const float start = f.StartHz;
    // 120 pixels to the left, then back 40: the band moves up by 80 bins, as on the ruler.
    Send(FPlot, QEvent::MouseButtonPress, {300, 100}, Qt::LeftButton);
    Send(FPlot, QEvent::MouseMove, {180, 100}, Qt::LeftButton);
    Send(FPlot, QEvent::MouseMove, {220, 104}, Qt::LeftButton);
    Send(FPlot, QEvent::MouseButtonRelease, {220, 104}, Qt::NoButton);
    const float plotMoved = f.StartHz - start;
    EXPECT_NEAR(plotMoved, 80 * f.HzPerBin, 0.01f);
    EXPECT_FALSE(f.Marker1Hz || f.Marker2Hz) << "a drag is no click";
    EXPECT_FALSE(f.ScaleDragging);
    EXPECT_FLOAT_EQ(f.HScale->StartVal(), f.StartHz);
    EXPECT_NEAR(f.Analyser().Settings().StartHz, f.StartHz, 0.01f);

    Send(f.HScale, QEvent::MouseButtonPress, {300, 10}, Qt::LeftButton);
    Send(f.HScale, QEvent::MouseMove, {180, 10}, Qt::LeftButton);
    Send(f.HScale, QEvent::MouseMove, {220, 10}, Qt::LeftButton);
    Send(f.HScale, QEvent::MouseButtonRelease, {220, 10}, Qt::NoButton);
    EXPECT_FLOAT_EQ(f.StartHz - start, 2 * plotMoved);

    // The ruler's limits: pinned at 0 Hz, held short of Nyquist.
    Drag(FPlot, {10, 100}, {520, 100});
    Drag(FPlot, {10, 100}, {520, 100});
    EXPECT_FLOAT_EQ(f.StartHz, 0.0f);
    for (int i = 0; i < 40; ++i)
        Drag(FPlot, {520, 100}, {10, 100});
    EXPECT_LE(f.StartHz + f.SpanHz, kNyquist + 0.01f);
    EXPECT_GT(f.StartHz + f.SpanHz, kNyquist - 510 * f.HzPerBin);
}

TEST_F(PlotNavTest, AClickStillSetsItsMarkerAndATrembleIsNoDrag)
{
    TMainForm &f = *FForm;
    RunTwoTones(4);
    const TShownSpectrum shown = f.Analyser().Overlay().Shown();
    const int tone = ColumnOfHz(1292.0, shown.Settings.HzPerBin, shown.Columns.FirstBin);
    const float start = f.StartHz;
    // Pressed beside the tone, released a pixel away: a click, M1 on the tone.
    Send(FPlot, QEvent::MouseButtonPress, {tone + 3, 100}, Qt::LeftButton);
    Send(FPlot, QEvent::MouseMove, {tone + 4, 100}, Qt::LeftButton);
    Send(FPlot, QEvent::MouseButtonRelease, {tone + 4, 100}, Qt::NoButton);
    EXPECT_FLOAT_EQ(f.StartHz, start);
    ASSERT_TRUE(f.Marker1Hz);
    EXPECT_NEAR(*f.Marker1Hz, 1292.0, shown.Settings.HzPerBin);
    EXPECT_FALSE(f.Marker2Hz);
    const int other = ColumnOfHz(1938.0, shown.Settings.HzPerBin, shown.Columns.FirstBin);
    Click({other - 2, 60}, Qt::ShiftModifier);
    ASSERT_TRUE(f.Marker2Hz);
    EXPECT_NEAR(*f.Marker2Hz, 1938.0, shown.Settings.HzPerBin);
    // The right button neither clicks nor drags.
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(50, 50), FPlot->mapToGlobal(QPointF(50, 50)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(FPlot, &right);
    Send(FPlot, QEvent::MouseMove, {300, 50}, Qt::RightButton);
    EXPECT_FLOAT_EQ(f.StartHz, start);
}

TEST_F(PlotNavTest, DoubleClickCentresOnItsFrequencyWithinTheBand)
{
    TMainForm &f = *FForm;
    const float hz = f.StartHz + 400 * f.HzPerBin;
    Click({400, 80});
    Send(FPlot, QEvent::MouseButtonDblClick, {400, 80}, Qt::LeftButton);
    Send(FPlot, QEvent::MouseButtonRelease, {400, 80}, Qt::NoButton);
    EXPECT_NEAR(f.StartHz + f.SpanHz * 0.5f, hz, 0.01f);
    EXPECT_NEAR(f.CenterHz, hz, 0.01f);
    EXPECT_FLOAT_EQ(f.HScale->StartVal(), f.StartHz);
    EXPECT_FALSE(f.Marker1Hz) << "no frame yet: the click found no peak";

    f.RB2k->setChecked(true);
    Send(FPlot, QEvent::MouseButtonDblClick, {10, 80}, Qt::LeftButton);  // near 0 Hz: held at 0
    EXPECT_FLOAT_EQ(f.StartHz, 0.0f);
    Send(FPlot, QEvent::MouseButtonDblClick, {520, 80}, Qt::LeftButton);
    Send(FPlot, QEvent::MouseButtonDblClick, {520, 80}, Qt::LeftButton);  // then at Nyquist
    EXPECT_NEAR(f.StartHz + f.SpanHz, kNyquist, 0.01f);
}

TEST_F(PlotNavTest, KeyCCentresBetweenTheTwoStrongestPeaksOrElseTheGeneratorsTones)
{
    TMainForm &f = *FForm;
    EXPECT_EQ(f.OpCentreTones->shortcut(), QKeySequence(Qt::Key_C));
    EXPECT_TRUE(f.actions().contains(f.OpCentreTones)) << "works with the menu closed";
    EXPECT_TRUE(f.OpMenu->actions().contains(f.OpCentreTones));

    // Nothing plays and nothing is measured: the band stays and the strip says why.
    const float start = f.StartHz;
    f.OpCentreTones->trigger();
    EXPECT_FLOAT_EQ(f.StartHz, start);
    EXPECT_TRUE(f.Strip->ShownLines().join(u' ').contains(QStringLiteral("Not centred")));

    // The generator's tones while the analyser is off.
    PlayTones();
    f.OpCentreTones->trigger();
    EXPECT_NEAR(f.CenterHz, kToneMidHz, 0.01f);

    // With the analyser, between the peaks measured on the loopback card, from a band that
    // shows neither.
    f.BSpecAnClick();
    WaitFrames(12);
    Drag(FPlot, {500, 100}, {20, 100});
    ASSERT_GT(f.StartHz, 2000.0f);
    f.OpCentreTones->trigger();
    EXPECT_NEAR(f.CenterHz, kToneMidHz, f.HzPerBin);
}

TEST_F(PlotNavTest, SpanChangeKeepsThePlayedTonesInViewWhenTheyFit)
{
    TMainForm &f = *FForm;
    PlayTones();
    // 5.6k from 0 Hz: both tones in view. The 0.7k span around 2831 Hz would lose them; they are
    // 646 Hz apart, so the band centres between them.
    f.RB2k->setChecked(true);
    EXPECT_FLOAT_EQ(f.StartHz, 0.0f);
    f.RB16k->setChecked(true);
    EXPECT_NEAR(f.CenterHz, kToneMidHz, 0.01f);
    EXPECT_FLOAT_EQ(f.HScale->StartVal(), f.StartHz);
    EXPECT_NEAR(f.Analyser().Settings().StartHz, f.StartHz, 0.01f);

    // Already both in view after the zoom: the zoom alone.
    f.RB4k->setChecked(true);
    EXPECT_NEAR(f.CenterHz, kToneMidHz, 0.01f);

    // Back to 5.6k: both still in view from 0 Hz. From there 177 Hz cannot hold both: the zoom
    // keeps the centre, as without tones.
    f.RB2k->setChecked(true);
    EXPECT_FLOAT_EQ(f.StartHz, 0.0f);
    f.RB64k->setChecked(true);
    EXPECT_NEAR(f.CenterHz, 5663.23f * 0.5f, 0.01f);

    // Without tones playing, a zoom that loses the band's content is the zoom alone.
    f.BGeneratorClick();
    f.RB2k->setChecked(true);
    f.RB16k->setChecked(true);
    EXPECT_NEAR(f.CenterHz, 5663.23f * 0.5f, 0.01f);
}

TEST_F(PlotNavTest, ReadoutSitsOnADarkBackingAndTheKeyNamesTheTracesOn)
{
    TMainForm &f = *FForm;
    RunTwoTones(2);
    f.BSARightClick();  // both traces on
    FPlot->SetReadout({200, 30}, QStringLiteral(" 1292 Hz,  -6.0 dB"));
    const QRect backing = FPlot->ReadoutBacking();
    ASSERT_FALSE(backing.isEmpty());
    EXPECT_TRUE(QRect(200, 30, kReadoutWidth, kReadoutHeight).contains(backing));
    const QImage shown = FPlot->grab().toImage();
    // The backing replaces the plot's blue beneath the text: every pixel there is the backing,
    // the text, or a blend of the two with the trace faint beneath.
    const QColor plain = shown.pixelColor(backing.right() - 1, backing.top() + 1);
    EXPECT_NE(plain.rgb(), kPlotBackColour);
    EXPECT_LT(plain.lightness(), 110) << "dark";
    EXPECT_GT(plain.red(), 30) << "the panel's slate, not the plot's blue";

    // The key: "L" white and "R" yellow in the top-right corner; "R" alone when the left is off.
    // The letters are smoothed: their strongest pixels are near the trace colours.
    const auto near = [](QRgb pixel, QRgb colour) {
        return std::abs(qRed(pixel) - qRed(colour)) + std::abs(qGreen(pixel) - qGreen(colour)) +
                   std::abs(qBlue(pixel) - qBlue(colour)) < 60;
    };
    const auto keyColours = [&] {
        const QImage image = FPlot->grab().toImage();
        const QRect key = FPlot->TraceKeyArea();
        std::pair<bool, bool> found{false, false};
        for (int y = key.top(); y <= key.bottom(); ++y)
            for (int x = key.left(); x <= key.right(); ++x) {
                found.first = found.first || near(image.pixel(x, y), kLeftTraceColour);
                found.second = found.second || near(image.pixel(x, y), kRightTraceColour);
            }
        return std::pair(key, found);
    };
    auto [key, colours] = keyColours();

    ASSERT_FALSE(key.isEmpty());
    EXPECT_GT(key.left(), kPlotWidth - 40);
    EXPECT_LT(key.bottom(), 20);
    EXPECT_TRUE(colours.first) << "white L";
    EXPECT_TRUE(colours.second) << "yellow R";
    f.BSALeftClick();
    std::tie(key, colours) = keyColours();
    EXPECT_FALSE(colours.first);
    EXPECT_TRUE(colours.second);
    // A marker's reading takes the top line; the key moves one line down.
    const int top = key.top();
    f.MarkerAtPeak(1);
    EXPECT_GT(FPlot->TraceKeyArea().top(), top + 5);
    f.BSARightClick();
    EXPECT_TRUE(FPlot->TraceKeyArea().isEmpty());
}
