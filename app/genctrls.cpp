// Generator controls of the main window: run switch, channel buttons, frequency and level pairs.
#include "mainform.h"

#include "audioengine.h"
#include "autoled.h"
#include "nakedslider.h"
#include "shapebutton.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

namespace zelvaro {

int TMainForm::DbToLevelPos(float db) const
{
    return zelvaro::DbToLevelPos(static_cast<double>(db), LLevel->Max());
}

void TMainForm::SetButtonFont(TShapeButton *button, bool on)
{
    button->SetFontColor(on ? kFontOnColour : kFontOffColour);
}

void TMainForm::BGeneratorClick()
{
    GenOn = !GenOn;
    GenLed->ChangeValue(GenOn);
    if (GenOn) {
        if (!OpenDevices())
            return;
        TLedLeft->ChangeValue(GenLeftOn);
        TLedRight->ChangeValue(GenRightOn);
        SetButtonFont(BGenLeft, GenLeftOn);
        SetButtonFont(BGenRight, GenRightOn);
        SetButtonFont(BGenerator, true);
        FEngine->Synth().ResetPhases();  // both tones start in phase
    } else {
        if (!SpecOn)
            CloseDevices();
        TLedLeft->ChangeValue(false);
        TLedRight->ChangeValue(false);
        SetButtonFont(BGenLeft, false);
        SetButtonFont(BGenRight, false);
        SetButtonFont(BGenerator, false);
    }
    PublishGenerator();
}

void TMainForm::BGenLeftClick()
{
    if (!GenOn)
        return;
    GenLeftOn = !GenLeftOn;
    TLedLeft->ChangeValue(GenLeftOn);
    SetButtonFont(BGenLeft, GenLeftOn);
    PublishGenerator();
}

void TMainForm::BGenRightClick()
{
    if (!GenOn)
        return;
    GenRightOn = !GenRightOn;
    TLedRight->ChangeValue(GenRightOn);
    SetButtonFont(BGenRight, GenRightOn);
    PublishGenerator();
}

// The frequency targets run on past 0 and 10000 Hz while the lock pushes one tone against a
// limit, so the pair keeps its distance when the slider comes back.
void TMainForm::LFreqChange()
{
    int delta = 0;
    if (!Updating) {
        delta = LFreq->Position() - LFreqHz;
        LFreqTarget += delta;
    }
    LFreqHz = std::clamp(LFreqTarget, LFreq->Min(), LFreq->Max());
    if (FreqLocked && !Updating) {
        Updating = true;
        RFreqTarget += delta;
        RFreq->SetPosition(RFreqTarget);
    }
    Updating = true;
    LFreqDisp->setText(QString::number(LFreqHz));
    Updating = false;
    PublishGenerator();
}

void TMainForm::RFreqChange()
{
    int delta = 0;
    if (!Updating) {
        delta = RFreq->Position() - RFreqHz;
        RFreqTarget += delta;
    }
    RFreqHz = std::clamp(RFreqTarget, RFreq->Min(), RFreq->Max());
    if (FreqLocked && !Updating) {
        Updating = true;
        LFreqTarget += delta;
        LFreq->SetPosition(LFreqTarget);
    }
    Updating = true;
    RFreqDisp->setText(QString::number(RFreqHz));
    Updating = false;
    PublishGenerator();
}

// The dB values act as the level lock's targets: they may fall below -60 dB while the slider
// rests at its minimum, so the distance between the channels survives.
void TMainForm::LLevelChange()
{
    float delta = 0.0f;
    if (!Updating) {
        delta = static_cast<float>(LevelPosToDb(LLevel->Position(), LLevel->Max())) - LLevelDb;
        LLevelDb += delta;
    }
    LLevelPos = std::clamp(DbToLevelPos(LLevelDb), LLevel->Min(), LLevel->Max());
    if (LevLocked) {
        if (Updating) {
            Updating = false;
        } else {
            Updating = true;
            RLevelDb += delta;
            RLevel->SetPosition(DbToLevelPos(RLevelDb));
        }
    }
    LAmpl = static_cast<float>(LLevelPos) / static_cast<float>(LLevel->Max());
    ShowLevel(LMagDisp, LLevelPos);
    PublishGenerator();
}

void TMainForm::RLevelChange()
{
    float delta = 0.0f;
    if (!Updating) {
        delta = static_cast<float>(LevelPosToDb(RLevel->Position(), RLevel->Max())) - RLevelDb;
        RLevelDb += delta;
    }
    RLevelPos = std::clamp(DbToLevelPos(RLevelDb), RLevel->Min(), RLevel->Max());
    if (LevLocked) {
        if (Updating) {
            Updating = false;
        } else {
            Updating = true;
            LLevelDb += delta;
            LLevel->SetPosition(DbToLevelPos(LLevelDb));
        }
    }
    RAmpl = static_cast<float>(RLevelPos) / static_cast<float>(RLevel->Max());
    ShowLevel(RMagDisp, RLevelPos);
    PublishGenerator();
}

void TMainForm::ShowLevel(QLineEdit *edit, int position)
{
    const double amplitude = static_cast<double>(position) / LLevel->Max();
    edit->setText(QString::asprintf("%-6.1f", 20.0 * std::log10(amplitude)));
}

void TMainForm::BFreqLockClick()
{
    FreqLocked = !FreqLocked;
    BFreqLock->setText(FreqLocked ? QStringLiteral("Unlock") : QStringLiteral("Lock"));
    BFreqLock->SetDown(FreqLocked);
}

void TMainForm::BLevLockClick()
{
    LevLocked = !LevLocked;
    BLevLock->setText(LevLocked ? QStringLiteral("Unlock") : QStringLiteral("Lock"));
    BLevLock->SetDown(LevLocked);
}

void TMainForm::BFreqREqLClick()
{
    const bool locked = FreqLocked;
    FreqLocked = false;
    RFreq->SetPosition(LFreqHz);
    FEngine->Synth().CopyLeftPhaseToRight();
    FreqLocked = locked;
}

void TMainForm::BLevREqLClick()
{
    const bool locked = LevLocked;
    LevLocked = false;
    RLevel->SetPosition(LLevelPos);
    LevLocked = locked;
}

// ---- Typed values -----------------------------------------------------------------------------

// Enter moves on to the matching "R = L" button; only the characters of a number may be typed.
bool TMainForm::FilterEditKey(QLineEdit *edit, QKeyEvent *key)
{
    const bool levelEdit = edit == LMagDisp || edit == RMagDisp;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        (levelEdit ? BLevREqL : BFreqREqL)->setFocus(Qt::OtherFocusReason);
        return true;
    }
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint())
        return false;  // editing and navigation keys pass
    const QChar c = text[0];
    const bool allowed = c.isDigit() || (levelEdit && (c == u',' || c == u'.'));
    return !allowed;
}

void TMainForm::FreqEditChange(QLineEdit *edit)
{
    if (!ParseFrequencyText(edit->text()))
        edit->setText(QStringLiteral("0"));
}

void TMainForm::FreqEditExit(QLineEdit *edit, TNakedSlider *slider)
{
    const std::optional<int> typed = ParseFrequencyText(edit->text());
    if (!typed || Updating)
        return;
    slider->SetPosition(std::min(*typed, kToneFreqMax));
}

void TMainForm::LevelEditChange(QLineEdit *edit)
{
    const QLocale locale = QLocale::system();
    if (!ParseLevelText(edit->text(), locale))
        edit->setText(RepairedLevelText(edit->text(), locale));
}

void TMainForm::LevelEditExit(QLineEdit *edit, TNakedSlider *slider)
{
    const std::optional<double> typed = ParseLevelText(edit->text(), QLocale::system());
    if (typed && !Updating)
        slider->SetPosition(DbToLevelPos(static_cast<float>(TypedLevelDb(*typed))));
}

void TMainForm::LFreqDispChange()
{
    FreqEditChange(LFreqDisp);
}

void TMainForm::RFreqDispChange()
{
    FreqEditChange(RFreqDisp);
}

void TMainForm::LFreqDispExit()
{
    FreqEditExit(LFreqDisp, LFreq);
}

void TMainForm::RFreqDispExit()
{
    FreqEditExit(RFreqDisp, RFreq);
}

void TMainForm::LMagDispChange()
{
    LevelEditChange(LMagDisp);
}

void TMainForm::RMagDispChange()
{
    LevelEditChange(RMagDisp);
}

void TMainForm::LMagDispExit()
{
    LevelEditExit(LMagDisp, LLevel);
    BFreqREqL->setFocus(Qt::OtherFocusReason);
}

void TMainForm::RMagDispExit()
{
    LevelEditExit(RMagDisp, RLevel);
}

}  // namespace zelvaro
