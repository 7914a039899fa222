// The skew dialog's "Measure...": what it offers and where an accepted offer goes, the sign of the
// compensation proved by a second check on a skewed loopback card, and the window's check running
// off the GUI thread with a working Cancel.
#include "cardcheckrun.h"
#include "loopbackwindow.h"
#include "mainform.h"
#include "measurecapture.h"
#include "nakedslider.h"
#include "skewform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

using namespace zelvaro;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

TLoopbackOptions SkewedCard(double skewUs)
{
    TLoopbackOptions options;
    options.Line.SkewUs = skewUs;
    return options;
}

std::optional<TSkewDlg::TCardCheckOutcome> CheckLoopback(const TLoopbackOptions &card, double appliedSkewUs)
{
    std::atomic<int> never{0};
    TMeasureCapture capture(TAudioBackend::Loopback, card, never);
    if (!capture.Open())
        return std::nullopt;
    const auto result = RunCardCheck(capture, appliedSkewUs);
    if (!result || !result->Heard)
        return std::nullopt;
    return TSkewDlg::TCardCheckOutcome{FormatCardCheckText(*result), CompensatingSkewUs(appliedSkewUs, result->Skew)};
}

}  // namespace

TEST(SkewDialogMeasure, OffersTheValueIntoTheFieldAndOnlyOkKeepsIt)
{
    TSkewDlg dialog(nullptr, kEnglish);
    EXPECT_FALSE(dialog.MeasureBtn->isVisibleTo(&dialog));  // no card check, no button
    double appliedSeen = -1.0;
    double proposal = 37.5;
    dialog.SetCardCheck([&](QWidget *, double skewUs) -> std::optional<TSkewDlg::TCardCheckOutcome> {
        appliedSeen = skewUs;
        return TSkewDlg::TCardCheckOutcome{QStringLiteral("report"), proposal};
    });
    ASSERT_TRUE(dialog.MeasureBtn->isVisibleTo(&dialog));
    QString offered;
    bool answer = false;
    dialog.SetOfferHandler([&](QWidget *, const QString &text) {
        offered = text;
        return answer;
    });
    QString reported;
    dialog.SetReportHandler([&](QWidget *, const QString &text) { reported = text; });

    dialog.SetSkewUs(5.0);
    dialog.FormShow();
    dialog.Delay->setText(QStringLiteral("12.5"));  // typed, not yet accepted: the check applies it
    dialog.MeasureBtn->click();
    EXPECT_EQ(appliedSeen, 12.5);
    EXPECT_TRUE(offered.startsWith("report")) << offered.toStdString();
    EXPECT_TRUE(offered.contains("37.5 microseconds")) << offered.toStdString();
    EXPECT_EQ(dialog.Delay->text().trimmed(), "12.5");  // refused: nothing changes

    answer = true;
    dialog.MeasureBtn->click();
    EXPECT_EQ(dialog.Delay->text().trimmed(), "37.5");
    EXPECT_EQ(dialog.DelaySlider->Position(), 375);
    EXPECT_EQ(dialog.SkewUs(), 5.0);  // only OK stores it
    dialog.OkBtnClick();
    EXPECT_EQ(dialog.SkewUs(), 37.5);

    // A value no compensation can hold is reported, not offered.
    proposal = 1e9;
    offered.clear();
    dialog.MeasureBtn->click();
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_TRUE(reported.startsWith("report")) << reported.toStdString();
    EXPECT_EQ(dialog.Delay->text().trimmed(), "37.5");
}

// The right channel 37.5 us late: the offer compensates it, and a second check with that value
// applied finds the channels within 1 us.
TEST(SkewDialogMeasure, AcceptedCompensationLeavesUnderOneMicrosecondOnASecondCheck)
{
    const TLoopbackOptions card = SkewedCard(37.5);
    TSkewDlg dialog(nullptr, kEnglish);
    dialog.SetCardCheck([&](QWidget *, double skewUs) { return CheckLoopback(card, skewUs); });
    dialog.SetOfferHandler([](QWidget *, const QString &) { return true; });
    dialog.SetSkewUs(0.0);
    dialog.FormShow();
    dialog.MeasureBtn->click();
    dialog.OkBtnClick();
    EXPECT_NEAR(dialog.SkewUs(), 37.5, 0.5);

    const auto second = CheckLoopback(card, dialog.SkewUs());
    ASSERT_TRUE(second.has_value());
    EXPECT_LT(std::fabs(second->CompensatingSkewUs - dialog.SkewUs()), 1.0);
}

class WindowCardCheck : public test::TLoopbackWindowTest {
protected:
    WindowCardCheck() { FOptions.Loopback = SkewedCard(-20.0); }
};

TEST_F(WindowCardCheck, RunsOffTheGuiThreadOnTheWindowsCardAndGivesItsDevicesBack)
{
    FForm->BGeneratorClick();
    ASSERT_TRUE(FForm->Engine().DevicesOpen());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    QElapsedTimer clock;
    clock.start();
    const auto outcome = FForm->CardCheckForSkewDialog(nullptr, 0.0);
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    ASSERT_TRUE(outcome.has_value()) << FWarnings.join('\n').toStdString();
    EXPECT_NEAR(outcome->CompensatingSkewUs, -20.0, 0.5);
    // The event loop ran all along: at least half the 50 ms ticks of the check's duration.
    EXPECT_GT(ticks, static_cast<int>(seconds / 0.05 / 2)) << seconds << " s";
    EXPECT_TRUE(FForm->Engine().DevicesOpen());
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join('\n').toStdString();
}

TEST_F(WindowCardCheck, CancelEndsTheCheckAtOnceWithoutAMessage)
{
    QElapsedTimer clock;
    QTimer::singleShot(1000, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *progress = qobject_cast<QProgressDialog *>(widget); progress && progress->isVisible())
                for (QPushButton *button : progress->findChildren<QPushButton *>())
                    if (button->text() == "Cancel") {
                        clock.start();
                        button->click();
                    }
    });
    const auto outcome = FForm->CardCheckForSkewDialog(nullptr, 0.0);
    EXPECT_FALSE(outcome.has_value());
    ASSERT_TRUE(clock.isValid()) << "no progress box was shown";
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join('\n').toStdString();
    EXPECT_FALSE(FForm->Engine().DevicesOpen());
}
