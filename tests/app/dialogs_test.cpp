// Tests of the calibration and skew dialogs, the configuration list and prompt, and the mixer start.
#include "calibdlg.h"
#include "configlist.h"
#include "mixerlauncher.h"
#include "nakedslider.h"
#include "helpdlg.h"
#include "saveconfigdlg.h"
#include "skewform.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using namespace zelvaro;

namespace {

const QLocale kPointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale kCommaLocale(QLocale::German, QLocale::Germany);

// Runs action once the next modal dialog's event loop is running.
void WhenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, [action = std::move(action)] { action(QApplication::activeModalWidget()); });
}

}  // namespace

// ---- Calibration ---------------------------------------------------------------------------------

TEST(CalibrationInput, AcceptsPositivePairsWithinTheRatioLimits)
{
    EXPECT_EQ(ParseCalibration("1001", "1000", kPointLocale), (TCalibration{1001.0f, 1000.0f}));
    EXPECT_EQ(ParseCalibration("1000.5", "999.5", kPointLocale), (TCalibration{1000.5f, 999.5f}));
    EXPECT_EQ(ParseCalibration("1000,5", "999,5", kCommaLocale), (TCalibration{1000.5f, 999.5f}));
    // Either separator, whatever the locale uses.
    EXPECT_EQ(ParseCalibration("1000,5", "999.5", kPointLocale), (TCalibration{1000.5f, 999.5f}));
    EXPECT_EQ(ParseCalibration("1000.5", "999,5", kCommaLocale), (TCalibration{1000.5f, 999.5f}));
    EXPECT_EQ(ParseCalibration("", "", kPointLocale), (TCalibration{1000.0f, 1000.0f}));  // empty counts as 1000
    EXPECT_EQ(ParseCalibration("500", "1000", kPointLocale), (TCalibration{500.0f, 1000.0f}));
    EXPECT_EQ(ParseCalibration("2000", "1000", kPointLocale), (TCalibration{2000.0f, 1000.0f}));
}

TEST(CalibrationInput, RefusesZeroMalformedNumbersAndWildRatios)
{
    const std::pair<const char *, const char *> refused[] = {
        {"0", "1000"}, {"1000", "0"}, {"0.0", "0"}, {"499", "1000"}, {"1000", "2001"},
        {"1,000", "1000"},    // one point nought, not a thousand: a ratio of 0.001
        {"1,000.5", "1000"},  // thousands separators are not part of a frequency
        {"1.2.3", "1000"}, {".", "1000"},
        {"99999999999999999999999999999999999999999", "1000"},  // beyond float
    };
    for (const auto &[measured, displayed] : refused)
        EXPECT_FALSE(ParseCalibration(measured, displayed, kPointLocale).has_value()) << measured << "/" << displayed;
}

TEST(CalibrationInput, ValuesAreShownAsShortPlainDecimals)
{
    EXPECT_EQ(FormatCalibrationValue(1000.0f, kPointLocale), QString("1000"));
    EXPECT_EQ(FormatCalibrationValue(1001.1f, kPointLocale), QString("1001.1"));
    EXPECT_EQ(FormatCalibrationValue(1001.1f, kCommaLocale), QString("1001,1"));
    EXPECT_EQ(FormatCalibrationValue(1000000.0f, kPointLocale), QString("1000000"));  // never "1e+06"
    // What is shown reads back as the same value.
    for (const float hz : {999.99f, 0.001f, 12345.678f}) {
        const QString shown = FormatCalibrationValue(hz, kCommaLocale);
        EXPECT_EQ(ParseCalibration(shown, shown, kCommaLocale), (TCalibration{hz, hz})) << shown.toStdString();
    }
}

TEST(CalibrationDialog, ShowsTheCurrentPairAndAcceptsANewOne)
{
    TCalibDlg dialog(nullptr, kPointLocale);
    EXPECT_EQ(dialog.windowTitle(), QString("Zelvaro Frequency Scale Calibration"));
    EXPECT_EQ(dialog.size(), QSize(346, 233));

    WhenModal([&](QWidget *modal) {
        ASSERT_EQ(modal, &dialog);
        EXPECT_EQ(dialog.FReal->text(), QString("1000.5"));
        EXPECT_EQ(dialog.FDisplayed->text(), QString("1000"));
        dialog.FReal->setText("1001");
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    });
    const std::optional<TCalibration> accepted = dialog.Execute({1000.5f, 1000.0f});
    ASSERT_TRUE(accepted.has_value());
    EXPECT_EQ(*accepted, (TCalibration{1001.0f, 1000.0f}));
    // The factor the host derives from it: 22050 Hz become 22072.05 Hz.
    EXPECT_NEAR(22050.0 * accepted->CalMeasured / accepted->CalDisplayed, 22072.05, 1e-3);
}

TEST(CalibrationDialog, CancelChangesNothing)
{
    TCalibDlg dialog(nullptr, kPointLocale);
    WhenModal([&](QWidget *) {
        dialog.FReal->setText("1500");
        QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
    });
    EXPECT_FALSE(dialog.Execute({1001.0f, 1000.0f}).has_value());
    EXPECT_EQ(dialog.Calibration(), (TCalibration{1001.0f, 1000.0f}));
}

TEST(CalibrationDialog, RefusedInputKeepsTheDialogOpenWithAHint)
{
    TCalibDlg dialog(nullptr, kPointLocale);
    dialog.SetCalibration({1001.0f, 1000.0f});
    dialog.show();
    EXPECT_TRUE(dialog.RangeHint->isHidden());
    for (const char *measured : {"0", "3000", "1,2,3"}) {
        dialog.FReal->setText(measured);
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << measured;
        EXPECT_FALSE(dialog.RangeHint->isHidden()) << measured;
        EXPECT_TRUE(dialog.RangeHint->text().contains("0.5")) << dialog.RangeHint->text().toStdString();
        EXPECT_EQ(dialog.Calibration(), (TCalibration{1001.0f, 1000.0f}));
    }
    // Clearing both fields and pressing OK accepts 1000/1000.
    dialog.FReal->clear();
    dialog.FDisplayed->clear();
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FReal->text(), QString("1000"));
    EXPECT_EQ(dialog.Calibration(), (TCalibration{1000.0f, 1000.0f}));
}

TEST(CalibrationDialog, FieldsTakeOnlyDigitsAndSeparators)
{
    TCalibDlg dialog(nullptr, kPointLocale);
    dialog.show();
    dialog.FReal->clear();
    QTest::keyClicks(dialog.FReal, "1a0-0e1.5 x,");  // a second separator is refused too
    EXPECT_EQ(dialog.FReal->text(), QString("1001.5"));
    QTest::keyClick(dialog.FReal, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(dialog.FReal->text(), QString("1002.5"));
}

// ---- Channel skew -------------------------------------------------------------------------------

TEST(SkewInput, DisplayFormatHasOneOrTwoDecimalsAndASignColumn)
{
    EXPECT_EQ(FormatDelay(0.0, kPointLocale), QString("  0.0"));
    EXPECT_EQ(FormatDelay(-12.5, kPointLocale), QString(" -12.5"));
    EXPECT_EQ(FormatDelay(123.45, kPointLocale), QString("  123.45"));
    EXPECT_EQ(FormatDelay(50.0, kPointLocale), QString("  50.0"));
    EXPECT_EQ(FormatDelay(1.006, kPointLocale), QString("  1.01"));
    EXPECT_EQ(FormatDelay(-0.001, kPointLocale), QString("  0.0"));
    EXPECT_EQ(FormatDelay(1234.5, kPointLocale), QString("  1234.5"));  // no thousands separator
    EXPECT_EQ(FormatDelay(-12.5, kCommaLocale), QString(" -12,5"));
}

TEST(SkewInput, EitherSeparatorIsReadAsTheLocalesOne)
{
    for (const QLocale &locale : {kPointLocale, kCommaLocale}) {
        QString normalized;
        EXPECT_EQ(ParseDelay("12.5", locale, &normalized), 12.5);
        EXPECT_EQ(normalized, QString("12") + locale.decimalPoint() + "5");
        EXPECT_EQ(ParseDelay("12,5", locale), 12.5);
        EXPECT_EQ(ParseDelay("  -7.25", locale), -7.25);  // leading spaces, as the field shows them
        EXPECT_EQ(ParseDelay("0.0", locale), 0.0);
        EXPECT_FALSE(ParseDelay("--5", locale).has_value());
        EXPECT_FALSE(ParseDelay("1.2.3", locale).has_value());
        EXPECT_FALSE(ParseDelay("", locale).has_value());
    }
}

class SkewDialogTest : public ::testing::Test {
protected:
    SkewDialogTest() : FDialog(nullptr, kPointLocale)
    {
        FDialog.SetInputErrorHandler([this](QWidget *, const QString &text, const QString &caption) {
            FErrors << caption + "|" + text;
        });
    }
    TSkewDlg FDialog;
    QStringList FErrors;
};

TEST_F(SkewDialogTest, OpensWithTheValueAndTheSliderCentred)
{
    EXPECT_EQ(FDialog.windowTitle(), QString("Channel Skew Compensation"));
    EXPECT_EQ(FDialog.DecimalSeparator(), QChar(u'.'));
    FDialog.SetSkewUs(0.0);
    FDialog.show();
    EXPECT_EQ(FDialog.Delay->text(), QString("  0.0"));
    EXPECT_EQ(FDialog.DelaySlider->Position(), 0);
    EXPECT_EQ(FDialog.DelaySlider->Min(), -500);
    EXPECT_EQ(FDialog.DelaySlider->Max(), 500);
}

TEST_F(SkewDialogTest, SliderEndsShowFiftyMicrosecondsAndCancelKeepsTheValue)
{
    WhenModal([&](QWidget *) {
        FDialog.DelaySlider->SetPosition(500);
        EXPECT_EQ(FDialog.Delay->text(), QString("  50.0"));
        FDialog.DelaySlider->SetPosition(-500);
        EXPECT_EQ(FDialog.Delay->text(), QString(" -50.0"));
        FDialog.DelaySlider->SetPosition(-125);
        EXPECT_EQ(FDialog.Delay->text(), QString(" -12.5"));
        QTest::mouseClick(FDialog.CancelBtn, Qt::LeftButton);
    });
    EXPECT_FALSE(FDialog.Execute(3.5).has_value());
    EXPECT_EQ(FDialog.SkewUs(), 3.5);
}

TEST_F(SkewDialogTest, ValueBeyondTheSliderIsShownExactlyAndTheSliderStays)
{
    FDialog.DelaySlider->SetPosition(-200);
    FDialog.SetSkewUs(123.45);
    FDialog.show();
    EXPECT_EQ(FDialog.Delay->text(), QString("  123.45"));
    EXPECT_EQ(FDialog.DelaySlider->Position(), -200);
    // The first move of the slider afterwards updates the text.
    FDialog.DelaySlider->SetPosition(10);
    EXPECT_EQ(FDialog.Delay->text(), QString("  1.0"));
    FDialog.hide();

    // A value the slider can show moves it, and the text keeps the finer value.
    FDialog.SetSkewUs(-3.27);
    FDialog.show();
    EXPECT_EQ(FDialog.DelaySlider->Position(), -32);
    EXPECT_EQ(FDialog.Delay->text(), QString(" -3.27"));
}

TEST_F(SkewDialogTest, SliderFollowsATypedValueAndStepsByKey)
{
    FDialog.SetSkewUs(0.0);
    FDialog.show();
    FDialog.Delay->selectAll();
    QTest::keyClicks(FDialog.Delay, "12,37");
    EXPECT_EQ(FDialog.DelaySlider->Position(), 123);
    EXPECT_EQ(FDialog.Delay->text(), QString("12,37")) << "the field keeps what is typed";
    FDialog.Delay->selectAll();
    QTest::keyClicks(FDialog.Delay, "-75,25");  // beyond the slider's -50 us: held at its end
    EXPECT_EQ(FDialog.DelaySlider->Position(), -500);
    EXPECT_EQ(FDialog.Delay->text(), QString("-75,25"));

    FDialog.Delay->setText("  1.0");
    QTest::keyClick(FDialog.Delay, Qt::Key_Up);
    EXPECT_EQ(FDialog.Delay->text(), QString("  1.1"));
    EXPECT_EQ(FDialog.DelaySlider->Position(), 11);
    QTest::keyClick(FDialog.DelaySlider, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(FDialog.DelaySlider->Position(), 1);
    EXPECT_EQ(FDialog.Delay->text(), QString("  0.1"));
}

TEST_F(SkewDialogTest, TypedValueWithEitherSeparatorIsStored)
{
    for (const char *typed : {"12.5", "12,5"}) {
        WhenModal([&](QWidget *) {
            FDialog.Delay->setText(typed);
            QTest::mouseClick(FDialog.OkBtn, Qt::LeftButton);
        });
        EXPECT_EQ(FDialog.Execute(0.0), 12.5) << typed;
    }
    TSkewDlg commaDialog(nullptr, kCommaLocale);
    EXPECT_EQ(commaDialog.DecimalSeparator(), QChar(u','));
    commaDialog.show();
    commaDialog.Delay->setText("12.5");
    QTest::mouseClick(commaDialog.OkBtn, Qt::LeftButton);
    EXPECT_EQ(commaDialog.result(), QDialog::Accepted);
    EXPECT_EQ(commaDialog.SkewUs(), 12.5);
    EXPECT_EQ(commaDialog.Delay->text(), QString("12,5"));
    EXPECT_TRUE(FErrors.isEmpty());
}

TEST_F(SkewDialogTest, MalformedNumberIsReportedAndTheDialogStaysOpen)
{
    FDialog.SetSkewUs(4.0);
    FDialog.show();
    FDialog.Delay->setText("--5");
    QTest::mouseClick(FDialog.OkBtn, Qt::LeftButton);
    EXPECT_TRUE(FDialog.isVisible());
    EXPECT_EQ(FDialog.SkewUs(), 4.0);
    EXPECT_EQ(FErrors, QStringList{"Zelvaro - Input error|The value entered doesn't have a valid numeric format"});

    // An emptied field counts as zero.
    FDialog.Delay->clear();
    QTest::mouseClick(FDialog.OkBtn, Qt::LeftButton);
    EXPECT_EQ(FDialog.result(), QDialog::Accepted);
    EXPECT_EQ(FDialog.SkewUs(), 0.0);
}

TEST_F(SkewDialogTest, TypedValuesAreLimitedToTenMilliseconds)
{
    for (const char *typed : {"10000", "-10000", "60.5"}) {
        FDialog.show();
        FDialog.Delay->setText(typed);
        QTest::mouseClick(FDialog.OkBtn, Qt::LeftButton);
        EXPECT_EQ(FDialog.result(), QDialog::Accepted) << typed;
    }
    EXPECT_EQ(FDialog.SkewUs(), 60.5);
    FDialog.SetSkewUs(1.0);
    FDialog.show();
    FDialog.Delay->setText("10000.1");
    QTest::mouseClick(FDialog.OkBtn, Qt::LeftButton);
    EXPECT_TRUE(FDialog.isVisible());
    EXPECT_EQ(FDialog.SkewUs(), 1.0);
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_TRUE(FErrors.first().contains("between -10000.0 and 10000.0 microseconds")) << FErrors.first().toStdString();
}

TEST_F(SkewDialogTest, FieldTakesOnlyDigitsSignsAndSeparators)
{
    FDialog.show();
    FDialog.Delay->clear();
    QTest::keyClicks(FDialog.Delay, "-1a2 e.5+x,");  // letters, signs and a second separator refused
    EXPECT_EQ(FDialog.Delay->text(), QString("-12.5"));

    // The shown value is padded with spaces; typing after it is filtered all the same.
    FDialog.hide();
    FDialog.SetSkewUs(12.5);
    FDialog.show();
    FDialog.Delay->end(false);
    QTest::keyClicks(FDialog.Delay, "ab7");
    EXPECT_EQ(FDialog.Delay->text(), QString("  12.57"));
}

// ---- Configuration list and name prompt ---------------------------------------------------------

class ConfigListTest : public ::testing::Test {
protected:
    ConfigListTest() : FList(&FHost), FChosen(&FList, &TConfigListPopup::ConfigChosen), FClosed(&FList, &TConfigListPopup::Closed)
    {
        FHost.resize(671, 474);
        FHost.show();
    }
    void Open()
    {
        FList.ShowConfigs({"A", "B", "LastUsed"});
        ASSERT_TRUE(FList.isVisible());
    }
    QWidget FHost;
    TConfigListPopup FList;
    QSignalSpy FChosen;
    QSignalSpy FClosed;
};

TEST_F(ConfigListTest, HiddenUntilShownAndPlacedOverThePlot)
{
    EXPECT_TRUE(FList.isHidden());
    EXPECT_EQ(FList.geometry(), QRect(112, 56, 107, 209));
    Open();
    EXPECT_EQ(FList.count(), 3);
    EXPECT_TRUE(FList.selectedItems().isEmpty());
}

TEST_F(ConfigListTest, EscapeClosesWithoutLoading)
{
    Open();
    FList.item(1)->setSelected(true);
    QTest::keyClick(&FList, Qt::Key_Escape);
    EXPECT_TRUE(FList.isHidden());
    EXPECT_EQ(FChosen.count(), 0);
    EXPECT_EQ(FClosed.count(), 1);
}

TEST_F(ConfigListTest, EnterLoadsTheSelectedItem)
{
    Open();
    FList.setCurrentRow(1);
    QTest::keyClick(&FList, Qt::Key_Return);
    EXPECT_TRUE(FList.isHidden());
    ASSERT_EQ(FChosen.count(), 1);
    EXPECT_EQ(FChosen.first().first().toString(), QString("B"));

    Open();  // reopened: nothing selected, Enter only closes
    QTest::keyClick(&FList, Qt::Key_Enter);
    EXPECT_EQ(FChosen.count(), 1);
    EXPECT_EQ(FClosed.count(), 2);
}

TEST_F(ConfigListTest, MouseReleaseLoadsUnlessRightButton)
{
    Open();
    const QPoint onSecond = FList.visualItemRect(FList.item(1)).center();
    QTest::mouseClick(FList.viewport(), Qt::RightButton, {}, onSecond);
    EXPECT_TRUE(FList.isHidden());
    EXPECT_EQ(FChosen.count(), 0);

    Open();
    const QPoint onThird = FList.visualItemRect(FList.item(2)).center();
    QTest::mouseClick(FList.viewport(), Qt::LeftButton, {}, onThird);
    EXPECT_TRUE(FList.isHidden());
    ASSERT_EQ(FChosen.count(), 1);
    EXPECT_EQ(FChosen.first().first().toString(), QString("LastUsed"));
}

TEST_F(ConfigListTest, CharacterKeysAreDropped)
{
    Open();
    FList.setCurrentRow(0);
    QTest::keyClicks(&FList, "bL");
    EXPECT_EQ(FList.currentRow(), 0);
    EXPECT_TRUE(FList.isVisible());
    QTest::keyClick(&FList, Qt::Key_Down);  // movement keys still move
    EXPECT_EQ(FList.currentRow(), 1);
}

TEST(SaveConfigDialog, ListsTheNamesRefusesEmptyOnesInlineAndAsksBeforeReplacing)
{
    QStringList questions;
    bool replace = false;
    TSaveConfigDlg dialog({"Contest", "LastUsed"}, [&](const QString &question) {
        questions << question;
        return replace;
    });
    EXPECT_EQ(dialog.windowTitle(), QString("Save Settings as..."));
    EXPECT_EQ(dialog.Prompt->text(), QString("Please enter the name for the settings to be saved"));
    ASSERT_EQ(dialog.Names->count(), 2);
    dialog.show();

    QTest::mouseClick(dialog.OkBtn, Qt::LeftButton);  // empty: refused with the hint, still open
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.Hint->isHidden());
    EXPECT_EQ(dialog.Hint->text(), QString("Please enter a name."));

    dialog.Name->setText("$raw");
    QTest::mouseClick(dialog.OkBtn, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Hint->text().contains("cannot begin")) << dialog.Hint->text().toStdString();

    dialog.Names->setCurrentRow(0);  // picking a stored name fills the field
    EXPECT_EQ(dialog.Name->text(), QString("Contest"));
    QTest::mouseClick(dialog.OkBtn, Qt::LeftButton);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions.first().contains("\"Contest\"")) << questions.first().toStdString();
    EXPECT_TRUE(dialog.isVisible()) << "not replaced without a yes";
    replace = true;
    QTest::mouseClick(dialog.OkBtn, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenName(), QString("Contest"));

    TSaveConfigDlg fresh({"Contest"}, [&](const QString &question) {
        questions << question;
        return false;
    });
    fresh.show();
    fresh.Name->setText("New one");
    QTest::mouseClick(fresh.OkBtn, Qt::LeftButton);
    EXPECT_EQ(fresh.result(), QDialog::Accepted);
    EXPECT_EQ(questions.size(), 2) << "a new name needs no question";
}

TEST_F(ConfigListTest, HasATitleAndDeletesTheSelectedNameOnDelete)
{
    Open();
    const auto *title = FList.findChild<QLabel *>("ConfigsTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->isVisible());
    EXPECT_FALSE(title->text().isEmpty());
    QSignalSpy deletes(&FList, &TConfigListPopup::DeleteRequested);
    QTest::keyClick(&FList, Qt::Key_Delete);  // nothing selected: nothing to delete
    EXPECT_EQ(deletes.count(), 0);
    FList.setCurrentRow(1);
    QTest::keyClick(&FList, Qt::Key_Delete);
    ASSERT_EQ(deletes.count(), 1);
    EXPECT_EQ(deletes.first().first().toString(), FList.item(1)->text());
    EXPECT_TRUE(FList.isVisible());
}

// ---- Volume control -----------------------------------------------------------------------------

namespace {

void MakeFakeProgram(const QString &path, const QByteArray &script)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace

TEST(MixerLauncher, PrefersThePulseAudioControlOnTheRightTab)
{
    QTemporaryDir bin;
    MakeFakeProgram(bin.filePath("kmix"), "#!/bin/sh\n");
    EXPECT_EQ(FindMixer(TMixerPanel::Recording, {bin.path()}), (TMixerCommand{bin.filePath("kmix"), {}}));
    MakeFakeProgram(bin.filePath("pavucontrol-qt"), "#!/bin/sh\n");
    EXPECT_EQ(FindMixer(TMixerPanel::Recording, {bin.path()}),
              (TMixerCommand{bin.filePath("pavucontrol-qt"), {"--tab=4"}}));
    MakeFakeProgram(bin.filePath("pavucontrol"), "#!/bin/sh\n");
    EXPECT_EQ(FindMixer(TMixerPanel::Playback, {bin.path()}), (TMixerCommand{bin.filePath("pavucontrol"), {"--tab=3"}}));
}

TEST(MixerLauncher, NothingFoundIsNotAnError)
{
    QTemporaryDir empty;
    EXPECT_FALSE(FindMixer(TMixerPanel::Playback, {empty.path()}).has_value());
    EXPECT_FALSE(StartMixer(TMixerPanel::Playback, {empty.path()}));
}

TEST(MixerLauncher, StartsWithoutWaiting)
{
    QTemporaryDir bin;
    const QString record = bin.filePath("arguments");
    const QString go = bin.filePath("go");
    // The fake control writes its arguments only once the test, after the launcher returned, says go;
    // a launcher that waited for it would see it give up and write "gave up".
    MakeFakeProgram(bin.filePath("pavucontrol"),
                    QString("#!/bin/sh\nfor i in $(seq 100); do [ -e '%2' ] && break; sleep 0.1; done\n"
                            "[ -e '%2' ] && echo \"$@\" > '%1.tmp' || echo 'gave up' > '%1.tmp'\nmv '%1.tmp' '%1'\n")
                        .arg(record, go)
                        .toUtf8());
    ASSERT_TRUE(StartMixer(TMixerPanel::Recording, {bin.path()}));
    EXPECT_FALSE(QFileInfo::exists(record));
    ASSERT_TRUE(QFile(go).open(QIODevice::WriteOnly));
    for (int waited = 0; !QFileInfo::exists(record) && waited < 20000; waited += 10)
        QThread::msleep(10);
    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().trimmed(), QByteArray("--tab=4"));
}

// ---- Help and About ---------------------------------------------------------------------------------

TEST(HelpAndAbout, NameTheKeysThePlotReferenceVersionAndLicence)
{
    const QString help = HelpText();
    for (const char *needed : {"F1", "Escape", "Shift", "Ctrl", "6.02 dB", "full-scale sine", "microphone"})
        EXPECT_TRUE(help.contains(needed)) << needed;
    const QString about = AboutText();
    EXPECT_TRUE(about.contains(ZELVARO_VERSION));
    EXPECT_TRUE(about.contains("all rights are reserved"));
}
