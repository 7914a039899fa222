// Tests of the main window: start state, generator and analyser handlers, settings, pacing, shut-down.
#include "mainform.h"

#include "autoled.h"
#include "configlist.h"
#include "configstore.h"
#include "enginestate.h"
#include "loopbackwindow.h"
#include "framepacing.h"
#include "nakedslider.h"
#include "numberfield.h"
#include "plotview.h"
#include "rulers.h"
#include "shapebutton.h"
#include "skewform.h"
#include "analyser.h"
#include "plotrender.h"
#include "thdtimer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFocusEvent>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <utility>
#include <thread>
#include <vector>

using namespace zelvaro;

namespace {

// Each test has its own configuration folder and its own window on the loopback card; warnings
// are collected instead of shown.
class MainFormTest : public test::TLoopbackWindowTest {
protected:
    // Moves a slider the way a drag does: one position at a time.
    static void Glide(TNakedSlider *slider, int to)
    {
        const int step = to > slider->Position() ? 1 : -1;
        while (slider->Position() != to)
            slider->SetPosition(slider->Position() + step);
    }

    // Typing needs a focused edit in the active window; the typed text replaces the old one.
    void Type(QLineEdit *edit, const QString &text)
    {
        ActivateForm();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    void ActivateForm()
    {
        if (FForm->isActiveWindow())
            return;
        FForm->show();
        QApplication::setActiveWindow(FForm.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(FForm.get()));
    }
};

constexpr float kHzPerBin8k = 22050.0f / 8192.0f;
constexpr float kSpan8k = 526.0f * kHzPerBin8k;

}  // namespace

// ---- Start-up -------------------------------------------------------------------------------------

TEST_F(MainFormTest, StartsWithTheDefaultSettingsWhenNothingIsStored)
{
    TMainForm &f = *FForm;
    EXPECT_EQ(f.LFreqHz, 1292);
    EXPECT_EQ(f.RFreqHz, 1938);
    EXPECT_EQ(f.LFreqDisp->text(), QString("1292"));
    EXPECT_EQ(f.RFreqDisp->text(), QString("1938"));
    EXPECT_EQ(f.LLevelPos, 5000);
    EXPECT_EQ(f.RLevelPos, 5000);
    EXPECT_EQ(f.LMagDisp->text(), QString("-6.0  "));
    EXPECT_EQ(f.RMagDisp->text(), QString("-6.0  "));
    EXPECT_NEAR(f.LAmpl, 0.5f, 1e-6f);
    EXPECT_EQ(f.FftSize, 8192);
    EXPECT_TRUE(f.RB8k->isChecked());
    EXPECT_FLOAT_EQ(f.StartHz, 800.0f);
    EXPECT_NEAR(f.SpanHz, kSpan8k, 0.01f);
    EXPECT_NEAR(f.HScale->StopVal() - f.HScale->StartVal(), kSpan8k, 0.01f);
    EXPECT_FLOAT_EQ(f.FullScaleMag, 8192.0f * 32767.0f * 0.5f);
    EXPECT_EQ(f.VGain->Position(), 42);
    EXPECT_EQ(f.VRange->Position(), 39);
    EXPECT_EQ(f.BottomDb, -121);
    EXPECT_EQ(f.TopDb, 7);
    EXPECT_FALSE(f.GenOn);
    EXPECT_FALSE(f.SpecOn);
    EXPECT_FALSE(f.DevicesOpen);
    EXPECT_TRUE(f.ThreadsRunning());
    EXPECT_FALSE(f.Tick().Enabled());
    EXPECT_EQ(f.Tick().Interval(), 80u);
    EXPECT_FALSE(f.VGain->isEnabled());
    EXPECT_EQ(f.size(), QSize(671, 474));
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join('\n').toStdString();
}

// ---- Generator ------------------------------------------------------------------------------------

TEST_F(MainFormTest, LockedFrequenciesKeepTheirDistancePastTheUpperLimit)
{
    TMainForm &f = *FForm;
    f.LFreq->SetPosition(9000);
    f.RFreq->SetPosition(9500);
    f.BFreqLockClick();
    ASSERT_TRUE(f.FreqLocked);
    EXPECT_EQ(f.BFreqLock->text(), QString("Unlock"));
    EXPECT_TRUE(f.BFreqLock->Down());

    f.LFreq->SetPosition(10000);
    EXPECT_EQ(f.LFreqHz, 10000);
    EXPECT_EQ(f.RFreqHz, 10000);
    EXPECT_EQ(f.RFreqTarget, 10500);
    EXPECT_EQ(f.RFreq->Position(), 10000);  // the pushed slider shows the frequency it plays
    EXPECT_EQ(f.RFreqDisp->text(), QString("10000"));

    f.LFreq->SetPosition(9000);
    EXPECT_EQ(f.RFreqHz, 9500);
    EXPECT_EQ(f.RFreq->Position(), 9500);
    EXPECT_EQ(f.EngineState().RFreqHz.load(), 9500);
}

// A tone pushed past a limit by the lock must not keep a hidden excess once "R = L" or I/Q mode
// sets it: the right tone then plays exactly the left frequency, and its slider says so.
TEST_F(MainFormTest, RightEqualsLeftAfterALockedPushPastTheLimitPlaysTheLeftFrequency)
{
    TMainForm &f = *FForm;
    f.LFreq->SetPosition(9000);
    f.RFreq->SetPosition(9500);
    f.BFreqLockClick();
    f.LFreq->SetPosition(9800);
    EXPECT_EQ(f.RFreq->Position(), f.RFreqHz);
    f.BFreqREqLClick();
    EXPECT_EQ(f.RFreqHz, 9800);
    EXPECT_EQ(f.RFreqTarget, 9800);
    EXPECT_EQ(f.RFreq->Position(), 9800);
    EXPECT_EQ(f.EngineState().RFreqHz.load(), 9800);

    f.BFreqLockClick();  // unlocked for I/Q mode to engage it again
    f.LFreq->SetPosition(9000);
    f.RFreq->SetPosition(9500);
    f.BFreqLockClick();
    f.LFreq->SetPosition(9800);
    f.BFreqLockClick();
    f.IQButtClick();
    EXPECT_TRUE(f.IQMode);
    EXPECT_EQ(f.EngineState().LFreqHz.load(), 9800);
    EXPECT_EQ(f.EngineState().RFreqHz.load(), 9800);
}

// Moving the pushed slider itself takes its tone where the slider points.
TEST_F(MainFormTest, MovingAPushedSliderPlaysWhereItPoints)
{
    TMainForm &f = *FForm;
    f.LFreq->SetPosition(9000);
    f.RFreq->SetPosition(9500);
    f.BFreqLockClick();
    f.LFreq->SetPosition(10000);
    f.RFreq->SetPosition(9900);
    EXPECT_EQ(f.RFreqHz, 9900);
    EXPECT_EQ(f.RFreqTarget, 9900);
    EXPECT_EQ(f.LFreqHz, 9900);
    EXPECT_EQ(f.LFreq->Position(), 9900);
}

TEST_F(MainFormTest, LockedFrequenciesKeepTheirDistanceBelowZero)
{
    TMainForm &f = *FForm;
    f.LFreq->SetPosition(500);
    f.RFreq->SetPosition(200);
    f.BFreqLockClick();
    f.LFreq->SetPosition(100);
    EXPECT_EQ(f.RFreqHz, 0);
    EXPECT_EQ(f.RFreqTarget, -200);
    f.LFreq->SetPosition(500);
    EXPECT_EQ(f.RFreqHz, 200);
    f.BFreqLockClick();
    EXPECT_FALSE(f.FreqLocked);
    EXPECT_EQ(f.BFreqLock->text(), QString("Lock"));
    f.LFreq->SetPosition(600);
    EXPECT_EQ(f.RFreqHz, 200);  // unlocked: the right tone stays
}

TEST_F(MainFormTest, LevelLockKeepsTheDistanceBelowSixtyDecibels)
{
    TMainForm &f = *FForm;
    f.LLevel->SetPosition(10000);  // 0 dB
    f.RLevel->SetPosition(1000);   // -20 dB
    f.BLevLockClick();
    Glide(f.LLevel, 10);           // left to -60 dB drags the right one to -80 dB
    EXPECT_EQ(f.RLevel->Position(), 10);
    EXPECT_EQ(f.RLevelPos, 10);
    EXPECT_NEAR(f.RLevelDb, -80.0f, 0.2f);
    EXPECT_EQ(f.RMagDisp->text().trimmed(), QString("-60.0"));

    Glide(f.LLevel, 10000);
    EXPECT_NEAR(f.RLevelDb, -20.0f, 0.2f);
    EXPECT_NEAR(f.RLevelPos, 1000, 25);
    EXPECT_NEAR(f.RAmpl, 0.1f, 0.003f);
    EXPECT_NEAR(f.EngineState().RAmpl.load(), f.RAmpl, 1e-6f);
}

TEST_F(MainFormTest, RightEqualsLeftCopiesWithoutMovingTheLeftAndKeepsTheLock)
{
    TMainForm &f = *FForm;
    f.LFreq->SetPosition(3000);
    f.LLevel->SetPosition(2000);
    f.BFreqLockClick();
    f.BLevLockClick();
    f.BFreqREqLClick();
    f.BLevREqLClick();
    EXPECT_EQ(f.RFreqHz, 3000);
    EXPECT_EQ(f.LFreqHz, 3000);
    EXPECT_EQ(f.RLevelPos, 2000);
    EXPECT_EQ(f.LLevelPos, 2000);
    EXPECT_TRUE(f.FreqLocked);
    EXPECT_TRUE(f.LevLocked);
    EXPECT_EQ(f.RightPhase(), f.LeftPhase());
}

namespace {

// One generator channel's controls and values, so each pair can be driven from either side.
struct TChannelView {
    const char *Name;
    TNakedSlider *Freq;
    TNakedSlider *Level;
    QLineEdit *FreqDisp;
    QLineEdit *MagDisp;
    const int *FreqHz;
    const int *LevelPos;
    const std::atomic<int> *PublishedFreqHz;
    const std::atomic<float> *PublishedAmpl;
};

std::array<std::pair<TChannelView, TChannelView>, 2> BothWays(TMainForm &f)
{
    const TChannelView left{"left", f.LFreq, f.LLevel, f.LFreqDisp, f.LMagDisp, &f.LFreqHz, &f.LLevelPos,
                            &f.EngineState().LFreqHz, &f.EngineState().LAmpl};
    const TChannelView right{"right", f.RFreq, f.RLevel, f.RFreqDisp, f.RMagDisp, &f.RFreqHz, &f.RLevelPos,
                             &f.EngineState().RFreqHz, &f.EngineState().RAmpl};
    return {{{left, right}, {right, left}}};
}

}  // namespace

TEST_F(MainFormTest, TypedValuesSetOnlyTheirOwnChannel)
{
    TMainForm &f = *FForm;
    for (const auto &[self, twin] : BothWays(f)) {
        SCOPED_TRACE(self.Name);
        const int twinFreq = *twin.FreqHz;
        const int twinLevel = *twin.LevelPos;
        Type(self.FreqDisp, "3456");
        f.BFreqLock->setFocus();  // leaving the edit sets its slider
        EXPECT_EQ(*self.FreqHz, 3456);
        EXPECT_EQ(self.Freq->Position(), 3456);
        EXPECT_EQ(self.PublishedFreqHz->load(), 3456);
        EXPECT_EQ(*twin.FreqHz, twinFreq);
        EXPECT_EQ(twin.Freq->Position(), twinFreq);

        Type(self.MagDisp, "20");
        f.BFreqLock->setFocus();
        EXPECT_EQ(*self.LevelPos, DbToLevelPos(-20.0));
        EXPECT_EQ(self.Level->Position(), DbToLevelPos(-20.0));
        EXPECT_NEAR(self.PublishedAmpl->load(), 0.1f, 1e-4f);
        EXPECT_EQ(*twin.LevelPos, twinLevel);
        EXPECT_EQ(twin.Level->Position(), twinLevel);
        Type(self.FreqDisp, "1000");  // back to a common start for the other side
        Type(self.MagDisp, "6");
        f.BFreqLock->setFocus();
    }
}

// Either slider of a locked pair moves its twin by the same step: the frequency by the same
// number of hertz, the level by the same number of decibels, each twin's thumb to its own value.
TEST_F(MainFormTest, LockedPairsFollowWhicheverSideIsMoved)
{
    TMainForm &f = *FForm;
    f.BFreqLockClick();
    f.BLevLockClick();
    for (const auto &[self, twin] : BothWays(f)) {
        SCOPED_TRACE(self.Name);
        f.BFreqLockClick();  // unlocked to set the start
        f.BLevLockClick();
        self.Freq->SetPosition(2000);
        twin.Freq->SetPosition(3000);
        self.Level->SetPosition(10000);  // 0 dB
        twin.Level->SetPosition(1000);   // -20 dB
        f.BFreqLockClick();
        f.BLevLockClick();
        ASSERT_TRUE(f.FreqLocked && f.LevLocked);

        self.Freq->SetPosition(2500);
        EXPECT_EQ(*twin.FreqHz, 3500);
        EXPECT_EQ(twin.Freq->Position(), 3500);
        EXPECT_EQ(twin.PublishedFreqHz->load(), 3500);

        self.Level->SetPosition(5000);  // -6.02 dB: the twin follows to -26.02 dB
        EXPECT_EQ(*self.LevelPos, 5000);
        EXPECT_EQ(*twin.LevelPos, DbToLevelPos(-26.0206));
        EXPECT_EQ(twin.Level->Position(), DbToLevelPos(-26.0206)) << "the twin's thumb shows its own level";
        EXPECT_EQ(self.Level->Position(), 5000);
    }
}

TEST_F(MainFormTest, GeneratorSwitchOpensTheDevicesAndLightsTheChosenChannels)
{
    TMainForm &f = *FForm;
    f.BGenRightClick();  // ignored while the generator is off
    EXPECT_FALSE(f.GenRightOn);

    f.BGeneratorClick();
    EXPECT_TRUE(f.GenOn);
    EXPECT_TRUE(f.DevicesOpen);
    EXPECT_TRUE(f.GenLed->Value());
    EXPECT_TRUE(f.TLedLeft->Value());
    EXPECT_FALSE(f.TLedRight->Value());
    EXPECT_EQ(f.BGenerator->FontColor(), kFontOnColour);
    EXPECT_EQ(f.BGenRight->FontColor(), kFontOffColour);
    EXPECT_EQ(f.LeftPhase(), 0.0);
    EXPECT_TRUE(f.EngineState().TLedLeft.load());

    f.BGenRightClick();
    EXPECT_TRUE(f.TLedRight->Value());
    EXPECT_TRUE(f.EngineState().TLedRight.load());

    f.BGeneratorClick();
    EXPECT_FALSE(f.DevicesOpen);
    EXPECT_FALSE(f.TLedLeft->Value());
    EXPECT_FALSE(f.EngineState().TLedRight.load());
    EXPECT_TRUE(f.GenRightOn);  // remembered for the next switch-on
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join('\n').toStdString();
}

TEST_F(MainFormTest, TypedFrequenciesSaturateAndLettersAreRefusedVisibly)
{
    TMainForm &f = *FForm;
    Type(f.LFreqDisp, "12a3x");
    EXPECT_EQ(f.LFreqDisp->text(), QString("123"));
    EXPECT_TRUE(TNumberField::IsFlashing(f.LFreqDisp)) << "a refused key shows";
    f.BFreqREqL->setFocus();  // leaving the edit sets the slider
    EXPECT_EQ(f.LFreqHz, 123);

    Type(f.LFreqDisp, "99999999999999999999");
    f.RFreqDisp->setFocus();
    EXPECT_EQ(f.LFreqHz, 10000);
}

// Switching to another application or opening a menu leaves a half-typed value in its field; only
// leaving the field within the window applies it.
TEST_F(MainFormTest, TypedValuesAreNotAppliedWhenTheWindowLosesTheFocusOrAMenuOpens)
{
    TMainForm &f = *FForm;
    Type(f.LFreqDisp, "432");
    for (Qt::FocusReason away : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent focusOut(QEvent::FocusOut, away);
        QApplication::sendEvent(f.LFreqDisp, &focusOut);
        EXPECT_EQ(f.LFreqHz, 1292) << away;
    }
    QFocusEvent tabbedAway(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(f.LFreqDisp, &tabbedAway);
    EXPECT_EQ(f.LFreqHz, 432);

    Type(f.LMagDisp, "2");
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.LMagDisp, &deactivated);
    EXPECT_EQ(f.LLevelPos, 5000);
    EXPECT_TRUE(f.LMagDisp->hasFocus());
}

TEST_F(MainFormTest, TypedLevelsAreNegatedAndLimitedToSixtyDecibels)
{
    TMainForm &f = *FForm;
    Type(f.LMagDisp, "12");
    f.RFreqDisp->setFocus();
    EXPECT_EQ(f.LLevelPos, DbToLevelPos(-12.0));
    EXPECT_EQ(f.LMagDisp->text().trimmed(), QString("-12.0"));

    Type(f.RMagDisp, "75");
    f.RFreqDisp->setFocus();
    EXPECT_EQ(f.RLevelPos, 10);

    Type(f.RMagDisp, "-3");  // the minus sign cannot be typed
    EXPECT_EQ(f.RMagDisp->text(), QString("3"));
}

// The decimal separator of either convention is read as one, whatever the locale: "700.5" is
// 700.5 Hz (701 when rounded), never 7005.
TEST_F(MainFormTest, TypedDecimalsRoundWithEitherSeparatorInEitherLocale)
{
    TMainForm &f = *FForm;
    for (const QLocale &locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        Type(f.LFreqDisp, "700.5");
        f.BFreqLock->setFocus();
        EXPECT_EQ(f.LFreqHz, 701);
        EXPECT_EQ(f.LFreqDisp->text(), QString("701"));
        Type(f.LFreqDisp, "700,4");
        f.BFreqLock->setFocus();
        EXPECT_EQ(f.LFreqHz, 700);

        Type(f.LMagDisp, "12,25");
        f.BFreqLock->setFocus();
        EXPECT_EQ(f.LLevelPos, DbToLevelPos(-12.3));
        Type(f.LMagDisp, "12.44");
        f.BFreqLock->setFocus();
        EXPECT_EQ(f.LLevelPos, DbToLevelPos(-12.4));

        Type(f.RFreqDisp, "1.2.3");  // a second separator cannot be typed
        EXPECT_EQ(f.RFreqDisp->text(), QString("1.23"));
        EXPECT_TRUE(TNumberField::IsFlashing(f.RFreqDisp));
        f.BFreqLock->setFocus();
        EXPECT_EQ(f.RFreqHz, 1);
    }
    QLocale::setDefault(QLocale::c());
}

// An emptied field, Escape, or a field left as it was never moves the tone: in particular an empty
// level is not 0 dB below full scale.
TEST_F(MainFormTest, EmptiedEscapedOrUntouchedFieldsChangeNothing)
{
    TMainForm &f = *FForm;
    Type(f.LMagDisp, "");
    QTest::keyClick(f.LMagDisp, Qt::Key_Backspace);
    ASSERT_TRUE(f.LMagDisp->text().isEmpty());
    f.BFreqLock->setFocus();
    EXPECT_EQ(f.LLevelPos, 5000);
    EXPECT_EQ(f.LMagDisp->text(), QString("-6.0  "));

    Type(f.LFreqDisp, "");
    QTest::keyClick(f.LFreqDisp, Qt::Key_Backspace);
    f.BFreqLock->setFocus();
    EXPECT_EQ(f.LFreqHz, 1292);
    EXPECT_EQ(f.LFreqDisp->text(), QString("1292"));

    Type(f.RMagDisp, "12");
    QTest::keyClick(f.RMagDisp, Qt::Key_Escape);
    EXPECT_EQ(f.RMagDisp->text(), QString("-6.0  "));
    f.BFreqLock->setFocus();
    EXPECT_EQ(f.RLevelPos, 5000);

    f.LMagDisp->setFocus();  // "-6.0" read back would be position 5012
    f.BFreqLock->setFocus();
    EXPECT_EQ(f.LLevelPos, 5000);
}

TEST_F(MainFormTest, ATypedValueIsAppliedByAClickOnThePlot)
{
    TMainForm &f = *FForm;
    auto *plot = f.findChild<TPlotView *>();
    ASSERT_NE(plot, nullptr);
    Type(f.LFreqDisp, "2345");
    QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_EQ(f.LFreqHz, 2345);
    EXPECT_FALSE(f.LFreqDisp->hasFocus());

    Type(f.RMagDisp, "20");
    QTest::mouseClick(f.LFreq, Qt::LeftButton, {}, QPoint(2, 6));  // a slider: it takes the click too
    EXPECT_EQ(f.RLevelPos, DbToLevelPos(-20.0));
}

TEST_F(MainFormTest, UpDownAndTheWheelStepFieldsAndSliders)
{
    TMainForm &f = *FForm;
    ActivateForm();
    f.LFreqDisp->setFocus();
    QTest::keyClick(f.LFreqDisp, Qt::Key_Up);
    EXPECT_EQ(f.LFreqHz, 1293);
    QTest::keyClick(f.LFreqDisp, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(f.LFreqHz, 1303);
    QTest::keyClick(f.LFreqDisp, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(f.LFreqHz, 1203);
    EXPECT_TRUE(f.LFreqDisp->hasFocus());

    Type(f.LFreqDisp, "700.5");  // a typed value is stepped from, not from the one in use
    QTest::keyClick(f.LFreqDisp, Qt::Key_Up);
    EXPECT_EQ(f.LFreqHz, 702);

    f.LMagDisp->setFocus();
    QTest::keyClick(f.LMagDisp, Qt::Key_Up);
    EXPECT_EQ(f.LLevelPos, DbToLevelPos(-5.9));
    EXPECT_EQ(f.LMagDisp->text().trimmed(), QString("-5.9"));
    QTest::keyClick(f.LMagDisp, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(f.LLevelPos, DbToLevelPos(-6.9));

    QWheelEvent away(QPointF(5, 5), f.RFreq->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.RFreq, &away);
    EXPECT_EQ(f.RFreqHz, 1948);
    QWheelEvent towards(QPointF(5, 5), f.RMagDisp->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.RMagDisp, &towards);
    EXPECT_EQ(f.RLevelPos, DbToLevelPos(-6.1));

    // At the bottom of the level range a tenth of a dB is less than one position: it still moves.
    f.RLevel->SetPosition(10);
    f.RLevel->setFocus();
    QTest::keyClick(f.RLevel, Qt::Key_Up);
    EXPECT_EQ(f.RLevelPos, 11);
    QTest::keyClick(f.RLevel, Qt::Key_Down);
    QTest::keyClick(f.RLevel, Qt::Key_Down);
    EXPECT_EQ(f.RLevelPos, 10);

    QTest::keyClick(f.VGain, Qt::Key_Up);  // disabled while the analyser is off
    EXPECT_EQ(f.VGain->Position(), 42);
    f.BSpecAnClick();
    f.VGain->setFocus();
    QTest::keyClick(f.VGain, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(f.VGain->Position(), 52);
    EXPECT_EQ(f.DbSpan, 118);
}

// Every button caption fits inside its bevel with room to spare, also on a screen at twice the
// pixel density: measured as drawn ink, not as font metrics.
TEST_F(MainFormTest, ButtonCaptionsFitTheirBevelsAtOneAndTwoTimesThePixelRatio)
{
    constexpr int kBevelAndMargin = 4;  // pixels kept clear on each side
    const QList<TShapeButton *> buttons = FForm->findChildren<TShapeButton *>();
    ASSERT_GE(buttons.size(), 11);
    FForm->BFreqLockClick();  // "Unlock", the longer lock caption
    for (TShapeButton *button : buttons) {
        for (const int ratio : {1, 2}) {
            SCOPED_TRACE(button->text().toStdString() + " at " + std::to_string(ratio) + "x");
            QImage ink(button->width() * ratio * 2, button->height() * ratio, QImage::Format_RGB32);
            ink.setDevicePixelRatio(ratio);
            ink.fill(Qt::white);
            {
                QPainter painter(&ink);
                painter.setFont(button->font());
                painter.setPen(Qt::black);
                painter.drawText(QPointF(button->width() * 0.5, button->height() * 0.8), button->text());
            }
            int left = ink.width(), right = -1;
            for (int y = 0; y < ink.height(); ++y)
                for (int x = 0; x < ink.width(); ++x)
                    if (ink.pixel(x, y) != qRgb(255, 255, 255)) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            ASSERT_GE(right, left);
            const double inkWidth = (right - left + 1) / static_cast<double>(ratio);
            EXPECT_LE(inkWidth, button->width() - 2 * kBevelAndMargin);
        }
    }
}

// ---- Analyser -------------------------------------------------------------------------------------

TEST_F(MainFormTest, AnalyserSwitchAndChannelButtons)
{
    TMainForm &f = *FForm;
    f.BSARightClick();  // ignored while the analyser is off
    EXPECT_FALSE(f.SARightOn);

    f.BSpecAnClick();
    EXPECT_TRUE(f.SpecOn);
    EXPECT_TRUE(f.DevicesOpen);
    EXPECT_TRUE(f.Tick().Enabled());
    EXPECT_TRUE(f.VGain->isEnabled());
    EXPECT_EQ(f.VGain->FocusColor(), kSliderFocusOn);
    EXPECT_TRUE(f.RLedLeft->Value());
    EXPECT_FALSE(f.RLedRight->Value());
    f.BSARightClick();
    EXPECT_TRUE(f.SARightOn);
    EXPECT_TRUE(f.Analyser().Settings().SARightOn);

    // Analyser off while the generator runs: the devices stay open until both are off.
    f.BGeneratorClick();
    f.BSpecAnClick();
    EXPECT_TRUE(f.DevicesOpen);
    EXPECT_FALSE(f.Tick().Enabled());
    EXPECT_FALSE(f.RLedRight->Value());
    EXPECT_EQ(f.VRange->FocusColor(), kSliderFocusOff);
    f.BGeneratorClick();
    EXPECT_FALSE(f.DevicesOpen);
}

TEST_F(MainFormTest, IQModeEngagesGeneratorChannelsAndLocksAndReleasesOnlyTheLocks)
{
    TMainForm &f = *FForm;
    f.LLevel->SetPosition(3000);
    f.IQButtClick();
    EXPECT_TRUE(f.IQMode);
    EXPECT_TRUE(f.GenOn);
    EXPECT_TRUE(f.DevicesOpen);
    EXPECT_TRUE(f.GenLeftOn);
    EXPECT_TRUE(f.GenRightOn);
    EXPECT_TRUE(f.TLedRight->Value());
    EXPECT_EQ(f.RFreqHz, f.LFreqHz);
    EXPECT_EQ(f.RLevelPos, 3000);
    EXPECT_TRUE(f.FreqLocked);
    EXPECT_TRUE(f.LevLocked);
    EXPECT_TRUE(f.IQButt->Down());
    EXPECT_TRUE(f.EngineState().IQMode.load());

    f.IQButtClick();
    EXPECT_FALSE(f.IQMode);
    EXPECT_FALSE(f.FreqLocked);
    EXPECT_FALSE(f.LevLocked);
    EXPECT_FALSE(f.IQButt->Down());
    EXPECT_TRUE(f.GenOn);
    EXPECT_TRUE(f.GenRightOn);
    EXPECT_FALSE(f.EngineState().IQMode.load());
}

TEST_F(MainFormTest, VerticalSlidersSetTheDecibelWindow)
{
    TMainForm &f = *FForm;
    f.VGain->SetPosition(160);
    EXPECT_EQ(f.TopDb - f.BottomDb, 10);
    f.VGain->SetPosition(10);
    EXPECT_EQ(f.TopDb - f.BottomDb, 160);
    f.VRange->SetPosition(0);
    EXPECT_EQ(f.BottomDb, -160);
    EXPECT_EQ(f.TopDb, 0);
    EXPECT_EQ(f.Analyser().Settings().BottomDb, -160);
}

TEST_F(MainFormTest, SpanButtonsZoomAroundTheCentreWithinZeroAndNyquist)
{
    TMainForm &f = *FForm;
    const float centre = f.StartHz + f.SpanHz * 0.5f;
    f.RB16k->setChecked(true);
    EXPECT_EQ(f.FftSize, 16384);
    EXPECT_NEAR(f.SpanHz, 707.90f, 0.01f);
    EXPECT_NEAR(f.StartHz + f.SpanHz * 0.5f, centre, 0.01f);
    EXPECT_NEAR(f.CenterHz, centre, 0.01f);
    EXPECT_FLOAT_EQ(f.HScale->StartVal(), f.StartHz);
    EXPECT_EQ(f.Analyser().Settings().FftSize, 16384);

    f.RB2k->setChecked(true);  // 5.6k around 1508 Hz would start below 0
    EXPECT_FLOAT_EQ(f.StartHz, 0.0f);
    EXPECT_NEAR(f.SpanHz, 5663.23f, 0.01f);

    f.RB64k->setChecked(true);  // from a band at 0 Hz the centre is kept
    EXPECT_NEAR(f.StartHz + f.SpanHz * 0.5f, 5663.23f * 0.5f, 0.01f);

    f.StartHz = 10900.0f;  // near the top, the widest span is pushed down to end at Nyquist
    f.RB2k->setChecked(true);
    EXPECT_NEAR(f.StartHz + f.SpanHz, 11025.0f, 0.01f);
}

TEST_F(MainFormTest, RulerDragMovesTheBandAndStopsAtZeroAndNyquist)
{
    TMainForm &f = *FForm;
    auto send = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        const QPointF local(x, 10);
        QMouseEvent event(type, local, f.HScale->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(f.HScale, &event);
    };
    send(QEvent::MouseButtonPress, 300, Qt::LeftButton);
    EXPECT_TRUE(f.ScaleDragging);
    send(QEvent::MouseMove, 200, Qt::LeftButton);  // to the left: the band moves up
    EXPECT_NEAR(f.StartHz, 800.0f + 100 * kHzPerBin8k, 0.01f);
    EXPECT_FLOAT_EQ(f.HScale->StartVal(), f.StartHz);
    EXPECT_NEAR(f.HScale->StopVal(), f.StartHz + kSpan8k, 0.01f);
    EXPECT_NEAR(f.Analyser().Settings().StartHz, f.StartHz, 0.01f);

    send(QEvent::MouseMove, 1000, Qt::LeftButton);  // far right: pinned at 0 Hz
    EXPECT_FLOAT_EQ(f.StartHz, 0.0f);

    // Far left, in steps: the band stops at its last position before its end passes Nyquist.
    constexpr int kStep = 100;
    for (int x = 1000 - kStep; x > -5000; x -= kStep)
        send(QEvent::MouseMove, x, Qt::LeftButton);
    EXPECT_LE(f.StartHz + f.SpanHz, 11025.0f + 0.01f);
    EXPECT_GT(f.StartHz + f.SpanHz, 11025.0f - kStep * kHzPerBin8k);
    send(QEvent::MouseButtonRelease, 0, Qt::NoButton);
    EXPECT_FALSE(f.ScaleDragging);
    const float held = f.StartHz;
    f.HScaleMouseMove(-600);  // no drag without a held button
    EXPECT_FLOAT_EQ(f.StartHz, held);
}

TEST_F(MainFormTest, TheSkewAcceptedInItsDialogReachesTheGenerator)
{
    TMainForm &f = *FForm;
    auto answerDialog = [&](const QString &typed, bool accept) {
        QTimer::singleShot(0, f.SkewDlg, [&f, typed, accept] {
            f.SkewDlg->Delay->setText(typed);
            (accept ? f.SkewDlg->OkBtn : f.SkewDlg->CancelBtn)->click();
        });
        f.OpSkewClick();
    };
    answerDialog("-12.5", true);
    EXPECT_EQ(f.SkewUs, -12.5);
    EXPECT_EQ(f.EngineState().SkewUs.load(), -12.5) << "the synthesis reads the published value";
    answerDialog("30", false);
    EXPECT_EQ(f.SkewUs, -12.5) << "Cancel keeps the skew";
    EXPECT_EQ(f.EngineState().SkewUs.load(), -12.5);
    EXPECT_EQ(f.CurrentRecord().SkewUs, -12.5f) << "and the settings record keeps it too";
}

// ---- Keyboard -------------------------------------------------------------------------------------

namespace {

// Where the focus goes on each Tab (Shift+Tab when `back`) from the focused control, until it
// comes back to where it started or `limit` presses have been made.
std::vector<QWidget *> TabStops(bool back = false, int limit = 40)
{
    QWidget *const start = QApplication::focusWidget();
    std::vector<QWidget *> stops{start};
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        if (QApplication::focusWidget() == start)
            break;
        stops.push_back(QApplication::focusWidget());
    }
    return stops;
}

}  // namespace

TEST_F(MainFormTest, TabReadsThePanelBoxByBoxAndStopsAtTheChosenSpan)
{
    TMainForm &f = *FForm;
    ActivateForm();
    EXPECT_EQ(QApplication::focusWidget(), f.RB8k);  // the window opens on the chosen span
    // Analyser off: its sliders are disabled and skipped.
    const std::vector<QWidget *> idle = {f.RB8k,      f.BSpecAn,   f.BSALeft,  f.BSARight,  f.IQButt,
                                         f.BGenerator, f.BGenLeft, f.BGenRight, f.LFreqDisp, f.LFreq,
                                         f.LLevel,    f.LMagDisp,  f.BFreqREqL, f.BFreqLock, f.BLevREqL,
                                         f.BLevLock,  f.RFreqDisp, f.RFreq,    f.RLevel,    f.RMagDisp};
    EXPECT_EQ(TabStops(), idle);

    // A span chosen away from the keyboard (a click, a loaded configuration) is where Tab stops.
    f.BSpecAnClick();
    f.RMagDisp->setFocus();
    f.RB2k->setChecked(true);
    QTest::keyClick(f.RMagDisp, Qt::Key_Tab);
    ASSERT_TRUE(f.RB2k->hasFocus());
    std::vector<QWidget *> running = idle;
    running.front() = f.RB2k;
    running.insert(running.begin() + 5, {f.VGain, f.VRange});
    EXPECT_EQ(TabStops(), running);

    // Shift+Tab walks the same way back; the left level field, which sends a forward move on to
    // the first "R = L", lets a backward one pass and still applies what was typed.
    std::vector<QWidget *> back(running.rbegin(), running.rend() - 1);
    back.insert(back.begin(), f.RB2k);
    EXPECT_EQ(TabStops(true), back);

    Type(f.LMagDisp, "20");
    QTest::keyClick(f.LMagDisp, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(f.LLevel->hasFocus());
    EXPECT_EQ(f.LLevel->Position(), 1000);  // -20 dB: a tenth of full scale
    Type(f.LMagDisp, "6");
    QTest::keyClick(f.LMagDisp, Qt::Key_Tab);
    EXPECT_TRUE(f.BFreqREqL->hasFocus());
}

TEST_F(MainFormTest, ArrowKeysOnTheSpanLampsChooseTheSpan)
{
    TMainForm &f = *FForm;
    ActivateForm();
    f.RB8k->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.RB8k, Qt::Key_Right);
    EXPECT_TRUE(f.RB4k->isChecked());
    EXPECT_TRUE(f.RB4k->hasFocus());
    EXPECT_EQ(f.FftSize, 4096);
    QTest::keyClick(f.RB4k, Qt::Key_Left);
    QTest::keyClick(f.RB8k, Qt::Key_Left);
    EXPECT_TRUE(f.RB16k->isChecked());
    EXPECT_EQ(f.FftSize, 16384);
    QTest::keyClick(f.RB16k, Qt::Key_Left);
    EXPECT_TRUE(f.RB64k->isChecked());
    EXPECT_EQ(f.FftSize, 65536);
    // Tab leaves the row from the chosen lamp.
    QTest::keyClick(f.RB64k, Qt::Key_Tab);
    EXPECT_TRUE(f.BSpecAn->hasFocus());
}

// ---- Settings -------------------------------------------------------------------------------------

TEST_F(MainFormTest, ApplySettingsRestoresEveryRecordFieldWithBothLocksEngaged)
{
    TMainForm &f = *FForm;
    f.BFreqLockClick();
    f.BLevLockClick();
    TConfigRecord record;
    record.StartHz = 1234.5f;
    record.FftSize = 16384;
    record.CalMeasured = 1001.0f;
    record.CalDisplayed = 1000.0f;
    record.SkewUs = 12.5;
    record.VGain = 100;
    record.VRange = 20;
    record.LFreqHz = 700;
    record.RFreqHz = 9100;
    record.LLevelPos = 123;
    record.RLevelPos = 8765;
    f.ApplyRecord(record);
    f.ApplySettings();
    const TConfigRecord now = f.CurrentRecord();
    EXPECT_FLOAT_EQ(now.StartHz, 1234.5f);
    EXPECT_EQ(now, record);
    EXPECT_TRUE(f.FreqLocked);
    EXPECT_TRUE(f.LevLocked);
    EXPECT_EQ(f.LFreq->Position(), 700);
    EXPECT_EQ(f.RLevel->Position(), 8765);
    EXPECT_NEAR(f.EffSampleRate, 22072.05f, 0.01f);
    EXPECT_TRUE(f.RB16k->isChecked());
}

TEST_F(MainFormTest, ANamedConfigurationComesBackFromTheListAroundARunningAnalyser)
{
    TMainForm &f = *FForm;
    f.LFreq->SetPosition(2222);
    f.RLevel->SetPosition(777);
    f.VGain->SetPosition(60);
    f.RB64k->setChecked(true);
    const TConfigRecord saved = f.CurrentRecord();
    f.SaveConfig("A");

    f.LFreq->SetPosition(100);
    f.RLevel->SetPosition(9000);
    f.VGain->SetPosition(150);
    f.RB2k->setChecked(true);
    f.BSpecAnClick();

    f.OpLdSetClick();
    ASSERT_FALSE(f.Configs->isHidden());
    const auto items = f.Configs->findItems("A", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    f.Configs->setCurrentItem(items.first());
    f.Configs->ConfigsMouseUp(Qt::LeftButton);
    EXPECT_TRUE(f.Configs->isHidden());
    EXPECT_EQ(f.CurrentRecord(), saved);
    EXPECT_TRUE(f.RB64k->isChecked());
    EXPECT_TRUE(f.SpecOn);  // stopped and restarted around the load
    EXPECT_TRUE(f.Tick().Enabled());

    f.OpLdDefClick();  // the defaults, and the stored configuration stays
    EXPECT_EQ(f.LFreqHz, 1292);
    EXPECT_TRUE(f.RB8k->isChecked());
    EXPECT_TRUE(TConfigStore().LoadConfig("A").Loaded());
}

TEST_F(MainFormTest, WithoutASoundDeviceSwitchingOnWarnsAndClosesTheWindow)
{
    // No sound server behind this address, and the loopback card not chosen.
    const QByteArray savedServer = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/zelvaro-test/native");
    FOptions.Backend = TAudioBackend::PortAudio;
    FForm.reset();
    FForm = MakeForm();
    FForm->show();
    FForm->BGeneratorClick();
    EXPECT_FALSE(FForm->DevicesOpen);
    QDeadlineTimer deadline(5000);
    while (FForm->isVisible() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(FForm->isVisible());  // closed through the normal shut-down
    EXPECT_FALSE(FForm->ThreadsRunning());
    EXPECT_FALSE(FWarnings.isEmpty());
    if (savedServer.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", savedServer);
}

TEST_F(MainFormTest, ClosingStopsEverythingAndSavesLastUsed)
{
    FForm->BSpecAnClick();
    FForm->BGeneratorClick();
    FForm->LFreq->SetPosition(4321);
    FForm->RB4k->setChecked(true);
    FForm->close();
    EXPECT_FALSE(FForm->ThreadsRunning());
    EXPECT_FALSE(FForm->DevicesOpen);
    EXPECT_FALSE(FForm->Tick().Enabled());

    const TLoadResult stored = TConfigStore().LoadConfig("LastUsed");
    ASSERT_TRUE(stored.Loaded());
    EXPECT_EQ(stored.Record.LFreqHz, 4321);
    EXPECT_EQ(stored.Record.FftSize, 4096);

    // The next start takes them up again.
    FForm.reset();
    FForm = MakeForm();
    EXPECT_EQ(FForm->LFreqHz, 4321);
    EXPECT_TRUE(FForm->RB4k->isChecked());
}

// Channel buttons, locks and I/Q mode come back at the next start, with the instruments off.
TEST_F(MainFormTest, SwitchesLocksAndIQModeComeBackAfterARestart)
{
    TMainForm &f = *FForm;
    f.BGeneratorClick();
    f.BGenRightClick();
    f.BSpecAnClick();
    f.BSARightClick();
    f.BSALeftClick();
    f.BLevLockClick();
    FForm.reset();

    FForm = MakeForm();
    EXPECT_FALSE(FForm->GenOn);
    EXPECT_FALSE(FForm->SpecOn);
    EXPECT_TRUE(FForm->GenLeftOn);
    EXPECT_TRUE(FForm->GenRightOn);
    EXPECT_FALSE(FForm->SALeftOn);
    EXPECT_TRUE(FForm->SARightOn);
    EXPECT_TRUE(FForm->LevLocked);
    EXPECT_TRUE(FForm->BLevLock->Down());
    EXPECT_EQ(FForm->BLevLock->text(), QString("Unlock"));
    EXPECT_FALSE(FForm->FreqLocked);
    EXPECT_FALSE(FForm->TLedRight->Value()) << "lamps stay dark until the generator runs";
    FForm->BGeneratorClick();
    EXPECT_TRUE(FForm->TLedRight->Value());
    EXPECT_TRUE(FForm->EngineState().TLedRight.load());

    FForm->IQButtClick();
    FForm.reset();
    FForm = MakeForm();
    EXPECT_TRUE(FForm->IQMode);
    EXPECT_TRUE(FForm->IQLed->Value());
    EXPECT_TRUE(FForm->IQButt->Down());
    EXPECT_TRUE(FForm->EngineState().IQMode.load());
    EXPECT_FALSE(FForm->GenOn);
    FForm->IQButtClick();  // leaving gives back tone 2 from before
    EXPECT_EQ(FForm->RFreqHz, 1938);
    EXPECT_FALSE(FForm->FreqLocked);
}

// A store from before the switches were kept, or with a damaged switches value, gives the start
// states the panel always had; the record itself still loads.
TEST_F(MainFormTest, StoresWithoutOrWithDamagedSwitchesGiveTheUsualStart)
{
    FForm.reset();
    TConfigRecord record;
    record.LFreqHz = 777;
    TConfigStore store;
    ASSERT_EQ(store.SaveConfig("LastUsed", record), TSaveOutcome::Saved);
    for (const QVariant &damaged : {QVariant(), QVariant("GenLeftOn=1;IQMode=7"), QVariant("garbage"),
                                    QVariant(QByteArray("\x01\x02", 2))}) {
        SCOPED_TRACE(damaged.toString().toStdString());
        if (damaged.isValid()) {
            QSettings raw(store.FilePath(), QSettings::IniFormat);
            raw.setValue("Switches_LastUsed", damaged);
        }
        FForm = MakeForm();
        EXPECT_EQ(FForm->LFreqHz, 777);
        EXPECT_EQ(FForm->CurrentSwitches(), TPanelSwitches{});
        EXPECT_FALSE(FForm->IQLed->Value());
        FForm.reset();
        QSettings(store.FilePath(), QSettings::IniFormat).remove("Switches_LastUsed");
    }
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join('\n').toStdString();
}

TEST_F(MainFormTest, IQModeGivesBackToneTwoWhenItEnds)
{
    TMainForm &f = *FForm;
    f.RFreq->SetPosition(2500);
    f.RLevel->SetPosition(2000);
    f.IQButtClick();
    EXPECT_EQ(f.RFreqHz, f.LFreqHz);
    EXPECT_EQ(f.RLevelPos, f.LLevelPos);
    EXPECT_TRUE(f.IQLed->Value());
    f.LFreq->SetPosition(3000);  // locked: tone 2 follows while in I/Q mode
    EXPECT_EQ(f.RFreqHz, 3000);
    f.IQButtClick();
    EXPECT_FALSE(f.IQLed->Value());
    EXPECT_EQ(f.RFreqHz, 2500);
    EXPECT_EQ(f.RLevelPos, 2000);
    EXPECT_EQ(f.LFreqHz, 3000) << "tone 1 stays where it was moved";
    EXPECT_EQ(f.EngineState().RFreqHz.load(), 2500);
}

// The defaults are loaded only after a yes, and the frequency calibration, which belongs to the
// sound card, stays.
TEST_F(MainFormTest, DefaultSettingsAskFirstAndKeepTheCalibration)
{
    TMainForm &f = *FForm;
    f.CalMeasured = 1001.0f;
    f.LFreq->SetPosition(3000);
    f.BFreqLockClick();
    FAnswer = false;
    f.OpLdDefClick();
    ASSERT_EQ(FQuestions.size(), 1);
    EXPECT_TRUE(FQuestions.first().contains("calibration")) << FQuestions.first().toStdString();
    EXPECT_EQ(f.LFreqHz, 3000);

    FAnswer = true;
    f.OpLdDefClick();
    EXPECT_EQ(f.LFreqHz, 1292);
    EXPECT_EQ(f.CalMeasured, 1001.0f);
    EXPECT_NEAR(f.EffSampleRate, 22072.05f, 0.01f);
    EXPECT_TRUE(f.FreqLocked) << "the switches are not part of the defaults";
}

TEST_F(MainFormTest, MixerItemsSayWhyNothingOpens)
{
    TMainForm &f = *FForm;
    f.OpSelInClick();  // the tests run on the loopback card
    ASSERT_EQ(FWarnings.size(), 1);
    EXPECT_TRUE(FWarnings.last().contains("nothing to adjust")) << FWarnings.last().toStdString();
    f.OpAdjMastVolClick();
    ASSERT_EQ(FWarnings.size(), 2);
    EXPECT_TRUE(FWarnings.last().contains("loopback card")) << FWarnings.last().toStdString();
}

TEST_F(MainFormTest, SavingAndDeletingNamedConfigurations)
{
    TMainForm &f = *FForm;
    f.SaveConfig("Contest");
    f.SaveConfig("Other");
    ActivateForm();
    f.OpLdSetClick();
    ASSERT_TRUE(f.Configs->isVisible());
    const QList<QListWidgetItem *> contest = f.Configs->findItems("Contest", Qt::MatchExactly);
    ASSERT_EQ(contest.size(), 1);
    f.Configs->setCurrentItem(contest.first());
    FAnswer = false;
    QTest::keyClick(f.Configs, Qt::Key_Delete);
    EXPECT_EQ(FQuestions.size(), 1);
    EXPECT_TRUE(TConfigStore().ListConfigs()->contains("Contest"));
    FAnswer = true;
    QTest::keyClick(f.Configs, Qt::Key_Delete);
    EXPECT_FALSE(TConfigStore().ListConfigs()->contains("Contest"));
    EXPECT_TRUE(f.Configs->isVisible());
    EXPECT_TRUE(f.Configs->findItems("Contest", Qt::MatchExactly).isEmpty());
    EXPECT_EQ(TConfigStore().LoadSwitches("Contest"), TPanelSwitches{});
}

// A damaged store is reported once the window is up, never by the save at shut-down, which may run
// while a session ends and nobody can answer a box.
TEST_F(MainFormTest, UnreadableStoreIsReportedOnceAtStartAndNotWhenClosing)
{
    FForm.reset();
    QDir().mkpath(FConfigHome.path() + "/Zelvaro");
    QFile damaged(FConfigHome.path() + "/Zelvaro/Zelvaro.conf");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("[General\nVersion=Version 092\n");
    damaged.close();

    FForm = MakeForm();
    EXPECT_TRUE(FWarnings.isEmpty()) << "reported before the window shows";
    FForm->show();
    QTRY_COMPARE(FWarnings.size(), 1);
    EXPECT_TRUE(FWarnings.first().contains("Zelvaro.conf")) << FWarnings.first().toStdString();
    FForm->close();
    EXPECT_EQ(FWarnings.size(), 1) << FWarnings.join('\n').toStdString();
    EXPECT_TRUE(TConfigStore().LoadConfig("LastUsed").Loaded());
}

// ---- Pacing, readout, warnings ----------------------------------------------------------------------

TEST_F(MainFormTest, TickTimerNeverGoesBelowOneBlockPlusFiveMilliseconds)
{
    TMainForm &f = *FForm;
    f.TickTimer();  // from 80 ms straight to the floor
    EXPECT_EQ(f.Tick().Interval(), 97u);
    for (int i = 0; i < 10; ++i)
        f.TickTimer();
    EXPECT_EQ(f.Tick().Interval(), 97u);
    f.EngineState().Processing.store(true);
    for (int i = 0; i < 5; ++i)
        f.TickTimer();
    EXPECT_EQ(f.Tick().Interval(), 102u);  // one ms more per tick while a frame overruns
    f.EngineState().Processing.store(false);
    for (int i = 0; i < 20; ++i)
        f.TickTimer();
    EXPECT_EQ(f.Tick().Interval(), 97u);
}

// The plot column whose trace of the given colour reaches highest, and that height (row).
struct TTracePeak {
    int Column = -1;
    int Row = 1 << 30;
};

TTracePeak HighestPixelOf(const QImage &frame, QRgb colour)
{
    TTracePeak peak;
    for (int y = 0; y < frame.height() && peak.Column < 0; ++y)
        for (int x = 0; x < frame.width(); ++x)
            if ((frame.pixel(x, y) | 0xff000000u) == (colour | 0xff000000u)) {
                peak = {x, y};
                break;
            }
    return peak;
}

// The generator's tones through the loopback card appear as the highest point of each trace, at
// the columns of their frequencies and at their levels less the Hann window's 6 dB.
TEST_F(MainFormTest, RunningAnalyserShowsFramesOfTheLoopbackTones)
{
    TMainForm &f = *FForm;
    QSignalSpy frames(&f, &TMainForm::FrameShown);
    f.BGeneratorClick();
    if (!f.GenRightOn)
        f.BGenRightClick();
    f.BSpecAnClick();
    f.BSARightClick();
    ASSERT_TRUE(f.GenLeftOn && f.GenRightOn && f.SALeftOn && f.SARightOn);
    ASSERT_NE(f.LFreqHz, f.RFreqHz);
    ASSERT_TRUE(frames.wait(5000));
    EXPECT_GE(f.Tick().Interval(), TickFloorMs(f.EffSampleRate));

    const auto columnOf = [&](int hz) { return static_cast<int>(std::lround((hz - f.StartHz) / f.HzPerBin)); };
    const auto rowOf = [&](float amplitude) {
        const double db = 20.0 * std::log10(amplitude) - 6.02;
        return static_cast<int>(std::lround((f.TopDb - db) / (f.TopDb - f.BottomDb) * f.PlotHeight));
    };
    const int leftColumn = columnOf(f.LFreqHz), rightColumn = columnOf(f.RFreqHz);
    const int leftRow = rowOf(f.LAmpl), rightRow = rowOf(f.RAmpl);
    ASSERT_TRUE(leftColumn > 0 && leftColumn < f.PlotWidth && rightColumn > 0 && rightColumn < f.PlotWidth);
    // Only a steady picture counts: while the tones still fill the history and the averages, a
    // frame without the window can pass for one with it. 8192 points are four blocks; the loopback
    // card's latency and eight frames of averaging come on top.
    QDeadlineTimer deadline(8000);
    while (f.Engine().BlocksCaptured() < 16 && !deadline.hasExpired())
        frames.wait(500);
    ASSERT_GE(f.Engine().BlocksCaptured(), 16u);
    TTracePeak left, right;
    const auto tonesShown = [&] {
        const QImage frame = f.Analyser().CurrentFrame();
        left = HighestPixelOf(frame, kLeftTraceColour);
        right = HighestPixelOf(frame, kRightTraceColour);
        return std::abs(left.Column - leftColumn) <= 1 && std::abs(right.Column - rightColumn) <= 1 &&
               std::abs(left.Row - leftRow) <= 2 && std::abs(right.Row - rightRow) <= 2;
    };
    deadline.setRemainingTime(3000);
    while (!tonesShown() && !deadline.hasExpired())
        frames.wait(500);
    EXPECT_TRUE(tonesShown()) << "left peak at column " << left.Column << " row " << left.Row
                              << ", right at column " << right.Column << " row " << right.Row
                              << "; expected columns " << leftColumn << " and " << rightColumn
                              << ", rows " << leftRow << " and " << rightRow;
    EXPECT_GT(f.Analyser().FramesShown(), 1u);
}

TEST(ReadoutPlacement, StaysInsideThePlot)
{
    const QRect plot(106, 56, 526, 220);
    EXPECT_EQ(ReadoutOrigin({300, 150}, plot), QPoint(310, 125));
    EXPECT_EQ(ReadoutOrigin({631, 150}, plot), QPoint(106 + 526 - 133, 125));  // pointer at the right edge
    EXPECT_EQ(ReadoutOrigin({300, 300}, plot), QPoint(310, 56 + 220 - 15));    // pointer below the plot
    EXPECT_EQ(ReadoutOrigin({106, 56}, plot), QPoint(116, 56));  // top edge: not above the plot
    EXPECT_EQ(ReadoutOrigin({0, 0}, QRect(0, 0, 100, 10)), QPoint(100 - 133, 10 - 15));  // upper bound wins
}

TEST_F(MainFormTest, ReadoutShowsFrequencyAndLevelUnderThePointer)
{
    TMainForm &f = *FForm;
    f.show();
    QCursor::setPos(f.mapToGlobal(QPoint(106 + 100, 56 + 0)));
    f.AppIdle();
    if (!f.CursorInPlot)
        GTEST_SKIP() << "this platform does not report the pointer position";
    EXPECT_EQ(f.CursorPlotX, 100);
    EXPECT_EQ(f.ReadoutText, QString::asprintf("%5d Hz, %5.1f dB", static_cast<int>(800.0f + 100 * kHzPerBin8k), 7.0));
    EXPECT_EQ(f.cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(QPoint(f.ReadoutX, f.ReadoutY), QPoint(106 + 110, 56));  // held at the top edge

    // The same pixel again: nothing is redrawn.
    f.AppIdle();
    EXPECT_FALSE(f.CursorMoved);

    // At the right edge the box sits its own width inside the plot.
    QCursor::setPos(f.mapToGlobal(QPoint(106 + 525, 56 + 219)));
    f.AppIdle();
    EXPECT_EQ(QPoint(f.ReadoutX, f.ReadoutY), QPoint(106 + 526 - 133, 56 + 219 - 25));

    QCursor::setPos(f.mapToGlobal(QPoint(50, 20)));
    f.AppIdle();
    EXPECT_FALSE(f.CursorInPlot);
    EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);
}

TEST(LevelUnits, PositionsAndDecibels)
{
    EXPECT_EQ(DbToLevelPos(0.0), 10000);
    EXPECT_EQ(DbToLevelPos(-6.0), 5012);
    EXPECT_EQ(DbToLevelPos(-60.0), 10);
    EXPECT_EQ(DbToLevelPos(-80.0), 1);
    EXPECT_EQ(DbToLevelPos(-INFINITY), 0);
    EXPECT_EQ(DbToLevelPos(NAN), 0);
    EXPECT_EQ(DbToLevelPos(1e6), INT_MAX);  // saturates instead of overflowing
    EXPECT_NEAR(LevelPosToDb(5000), -6.0206, 1e-4);
}

TEST(TypedNumbers, LevelsAreNegatedAndLimited)
{
    EXPECT_EQ(TypedLevelDb(12.0), -12.0);
    EXPECT_EQ(TypedLevelDb(-12.0), -12.0);
    EXPECT_EQ(TypedLevelDb(75.0), -60.0);
}

TEST_F(MainFormTest, WorkerWarningsReachTheGuiThreadQueued)
{
    Qt::HANDLE shownOn = nullptr;
    FOptions.WarnSink = [&](const QString &text) {
        FWarnings << text;
        shownOn = QThread::currentThreadId();
    };
    FForm.reset();
    FForm = MakeForm();
    std::thread worker([&] { FForm->WarnBox("Error during inbuffer requeing, code 5"); });
    worker.join();
    EXPECT_TRUE(FWarnings.isEmpty());  // nothing is shown from the worker itself
    QDeadlineTimer deadline(2000);
    while (FWarnings.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(FWarnings.size(), 1);
    EXPECT_EQ(shownOn, QThread::currentThreadId());
}

TEST(SpanZoom, MatchesTheSpanTableAndKeepsTheCentre)
{
    const float expected[][2] = {{65536, 176.98f}, {16384, 707.90f}, {8192, 1415.81f}, {4096, 2831.62f}, {2048, 5663.23f}};
    for (const auto &[fft, span] : expected) {
        const TSpanState s = ZoomSpan(3000.0f, 1000.0f, 22050.0f, static_cast<int>(fft), 526);
        EXPECT_NEAR(s.SpanHz, span, 0.01f) << fft;
        EXPECT_NEAR(s.CenterHz, 3500.0f, 0.01f) << fft;
    }
}
