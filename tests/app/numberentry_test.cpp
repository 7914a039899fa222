// Tests of typed-number reading, rounding and steps, and of the number field's key habits.
#include "numberentry.h"
#include "numberfield.h"
#include "panelmath.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>

using namespace zelvaro;

TEST(EntryNumbers, EitherSeparatorIsADecimalPointAndDigitsAreNeverJoinedAcrossIt)
{
    EXPECT_EQ(ParseEntryNumber("700.5", false), 700.5);
    EXPECT_EQ(ParseEntryNumber("700,5", false), 700.5);
    EXPECT_EQ(ParseEntryNumber(" 12.25 ", false), 12.25);
    EXPECT_EQ(ParseEntryNumber(".5", false), 0.5);
    EXPECT_EQ(ParseEntryNumber("5.", false), 5.0);
    EXPECT_EQ(ParseEntryNumber("-6.0  ", true), -6.0);
    EXPECT_EQ(ParseEntryNumber("-6.0", false), std::nullopt);
    EXPECT_EQ(ParseEntryNumber("1.2.3", false), std::nullopt);  // not 1.23, not 123
    EXPECT_EQ(ParseEntryNumber("1,000.5", false), std::nullopt);
    EXPECT_EQ(ParseEntryNumber("", false), std::nullopt);
    EXPECT_EQ(ParseEntryNumber(".", false), std::nullopt);
    EXPECT_EQ(ParseEntryNumber("-", true), std::nullopt);
    EXPECT_EQ(ParseEntryNumber("12a", false), std::nullopt);
    EXPECT_EQ(ParseEntryNumber("1e3", false), std::nullopt);
    EXPECT_EQ(ParseEntryNumber(QString(400, u'9'), false), std::nullopt);  // beyond a double
}

TEST(EntryNumbers, RoundingToWholeHertzAndTenthsOfADecibel)
{
    EXPECT_EQ(RoundToWholeHz(700.5), 701);
    EXPECT_EQ(RoundToWholeHz(700.49), 700);
    EXPECT_EQ(RoundToWholeHz(-0.5), -1);
    EXPECT_EQ(RoundToWholeHz(1e20), INT_MAX);
    EXPECT_EQ(RoundToWholeHz(-1e20), INT_MIN);
    EXPECT_DOUBLE_EQ(RoundToTenthDb(12.25), 12.3);
    EXPECT_DOUBLE_EQ(RoundToTenthDb(12.24), 12.2);
    EXPECT_DOUBLE_EQ(RoundToTenthDb(-6.0206), -6.0);
}

TEST(EntryNumbers, StepsFollowTheModifiers)
{
    EXPECT_EQ(EntryStep(TEntryKind::Frequency, Qt::NoModifier), 1.0);
    EXPECT_EQ(EntryStep(TEntryKind::Frequency, Qt::ShiftModifier), 10.0);
    EXPECT_EQ(EntryStep(TEntryKind::Frequency, Qt::ControlModifier), 100.0);
    EXPECT_EQ(EntryStep(TEntryKind::Level, Qt::NoModifier), 0.1);
    EXPECT_EQ(EntryStep(TEntryKind::Level, Qt::ShiftModifier), 1.0);
    EXPECT_EQ(SliderStep(Qt::ShiftModifier), 10);
    EXPECT_TRUE(IsEntryCharacter(u'-', TEntryKind::Skew));
    EXPECT_FALSE(IsEntryCharacter(u'-', TEntryKind::Level));
    EXPECT_FALSE(IsEntryCharacter(u'e', TEntryKind::Calibration));
}

TEST(EntryNumbers, LevelStepsLandOnTheTenthDecibelGridAndAlwaysMove)
{
    EXPECT_EQ(SteppedLevelPos(5000, 0.1, kLevelPosMin, kLevelPosMax), DbToLevelPos(-5.9));
    EXPECT_EQ(SteppedLevelPos(5000, -1.0, kLevelPosMin, kLevelPosMax), DbToLevelPos(-7.0));
    EXPECT_EQ(SteppedLevelPos(10, 0.1, kLevelPosMin, kLevelPosMax), 11);
    EXPECT_EQ(SteppedLevelPos(10, -0.1, kLevelPosMin, kLevelPosMax), 10);
    EXPECT_EQ(SteppedLevelPos(10000, 1.0, kLevelPosMin, kLevelPosMax), 10000);
    // Repeated steps up and down come back to where they started.
    int position = DbToLevelPos(-20.0);
    for (int i = 0; i < 7; ++i)
        position = SteppedLevelPos(position, 0.1, kLevelPosMin, kLevelPosMax);
    for (int i = 0; i < 7; ++i)
        position = SteppedLevelPos(position, -0.1, kLevelPosMin, kLevelPosMax);
    EXPECT_EQ(position, DbToLevelPos(-20.0));
}

TEST(NumberField, RefusesVisiblyRestoresOnEscapeAndAsksForSteps)
{
    QDialog dialog;
    auto *edit = new QLineEdit(QStringLiteral("12.5"), &dialog);
    auto *field = new TNumberField(edit, TEntryKind::Skew);
    QSignalSpy steps(field, &TNumberField::Stepped);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();

    QTest::keyClicks(edit, "x");
    EXPECT_EQ(edit->text(), QString("12.5"));
    EXPECT_TRUE(TNumberField::IsFlashing(edit));
    QTRY_VERIFY_WITH_TIMEOUT(!TNumberField::IsFlashing(edit), 2000);

    QTest::keyClicks(edit, "-3");
    EXPECT_EQ(edit->text(), QString("12.5-3"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), QString("12.5"));
    EXPECT_EQ(rejected.count(), 0) << "the first Escape only restores the field";
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(rejected.count(), 1);

    dialog.show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_EQ(steps.count(), 2);
    EXPECT_EQ(steps.at(0).at(0).toDouble(), 10.0);
    EXPECT_EQ(steps.at(1).at(0).toDouble(), -0.1);
}
