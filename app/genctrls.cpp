// Generator controls of the main window: run switch, channel buttons, frequency and level pairs.
#include "mainform.h"

#include "audioengine.h"
#include "autoled.h"
#include "nakedslider.h"
#include "numberentry.h"
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
// limit, so the pair keeps its distance when the slider comes back. A pushed slider shows its
// clamped frequency, and a slider moved itself (by hand, a typed value or "R = L") takes its
// tone exactly where it points: slider, target and frequency then agree again.
void TMainForm::FreqChange(TToneChannel self, TToneChannel twin)
{
    int delta = 0;
    if (!Updating) {
        delta = self.FreqSlider->Position() - *self.FreqHz;
        *self.FreqTarget = self.FreqSlider->Position();
    }
    *self.FreqHz = std::clamp(*self.FreqTarget, self.FreqSlider->Min(), self.FreqSlider->Max());
    if (FreqLocked && !Updating) {
        Updating = true;
        *twin.FreqTarget += delta;
        twin.FreqSlider->SetPosition(
            std::clamp(*twin.FreqTarget, twin.FreqSlider->Min(), twin.FreqSlider->Max()));
    }
    Updating = true;
    self.FreqDisp->setText(QString::number(*self.FreqHz));
    Updating = false;
    PublishGenerator();
}

// The dB values act as the level lock's targets: they may fall below -60 dB while the slider
// rests at its minimum, so the distance between the channels survives.
void TMainForm::LevelChange(TToneChannel self, TToneChannel twin)
{
    float delta = 0.0f;
    if (!Updating) {
        delta = static_cast<float>(LevelPosToDb(self.LevelSlider->Position(), self.LevelSlider->Max())) -
                *self.LevelDb;
        *self.LevelDb += delta;
    }
    *self.LevelPos = std::clamp(DbToLevelPos(*self.LevelDb), self.LevelSlider->Min(), self.LevelSlider->Max());
    if (LevLocked) {
        if (Updating) {
            Updating = false;  // this run was caused by the twin
        } else {
            Updating = true;
            *twin.LevelDb += delta;
            twin.LevelSlider->SetPosition(std::clamp(DbToLevelPos(*twin.LevelDb),
                                                     twin.LevelSlider->Min(), twin.LevelSlider->Max()));
        }
    }
    HoldMixLevel(self, twin);
    *self.Ampl = static_cast<float>(*self.LevelPos) / static_cast<float>(self.LevelSlider->Max());
    ShowLevel(self.MagDisp, *self.LevelPos);
    PublishGenerator();
}

TMainForm::TToneChannel TMainForm::LeftTone()
{
    return {LFreq, LLevel, LFreqDisp, LMagDisp, &LFreqHz, &LFreqTarget, &LLevelPos, &LLevelDb, &LAmpl};
}

TMainForm::TToneChannel TMainForm::RightTone()
{
    return {RFreq, RLevel, RFreqDisp, RMagDisp, &RFreqHz, &RFreqTarget, &RLevelPos, &RLevelDb, &RAmpl};
}

void TMainForm::LFreqChange()
{
    FreqChange(LeftTone(), RightTone());
}

void TMainForm::RFreqChange()
{
    FreqChange(RightTone(), LeftTone());
}

void TMainForm::LLevelChange()
{
    LevelChange(LeftTone(), RightTone());
}

void TMainForm::RLevelChange()
{
    LevelChange(RightTone(), LeftTone());
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

// Enter moves on to the matching "R = L" button, which applies the value as the field loses the
// focus. The characters a number cannot hold are refused by the field's TNumberField.
bool TMainForm::FilterEditKey(QLineEdit *edit, QKeyEvent *key)
{
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    const bool levelEdit = edit == LMagDisp || edit == RMagDisp;
    (levelEdit ? BLevREqL : BFreqREqL)->setFocus(Qt::OtherFocusReason);
    return true;
}

// A typed text is read when the field is left, not while it is typed: an emptied or half-typed
// field is left alone here (it never stands for 0).
void TMainForm::FreqEditChange(QLineEdit *) {}

// Applies what the user typed; an unedited field changes nothing, and a text that is no number
// (an emptied field included) gives back the value in use.
void TMainForm::FreqEditExit(QLineEdit *edit, TNakedSlider *slider)
{
    if (Updating || !edit->isModified())
        return;
    const std::optional<double> typed = ParseEntryNumber(edit->text(), false);
    if (!typed) {
        edit->setText(QString::number(slider == LFreq ? LFreqHz : RFreqHz));
        return;
    }
    slider->SetPosition(std::min(RoundToWholeHz(*typed), kToneFreqMax));
}

void TMainForm::LevelEditChange(QLineEdit *) {}

void TMainForm::LevelEditExit(QLineEdit *edit, TNakedSlider *slider)
{
    if (Updating || !edit->isModified())
        return;
    // The shown level carries its minus sign; a typed one is negated by TypedLevelDb.
    const std::optional<double> typed = ParseEntryNumber(edit->text(), true);
    if (!typed) {
        ShowLevel(edit, slider == LLevel ? LLevelPos : RLevelPos);
        return;
    }
    slider->SetPosition(DbToLevelPos(static_cast<float>(TypedLevelDb(RoundToTenthDb(*typed)))));
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

// Leaving forwards continues at the first "R = L"; Shift+Tab walks back past the field instead of
// being turned round, or the keyboard could never get back beyond it.
void TMainForm::LMagDispExit(Qt::FocusReason reason)
{
    LevelEditExit(LMagDisp, LLevel);
    if (reason != Qt::BacktabFocusReason)
        BFreqREqL->setFocus(Qt::OtherFocusReason);
}

void TMainForm::RMagDispExit()
{
    LevelEditExit(RMagDisp, RLevel);
}

}  // namespace zelvaro
