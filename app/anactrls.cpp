// Analyser controls of the main window: run switch, channels, I/Q mode, span, dB window, ruler drag.
#include "mainform.h"

#include "autoled.h"
#include "nakedslider.h"
#include "rulers.h"
#include "shapebutton.h"
#include "thdtimer.h"

#include <QLabel>
#include <QMenu>

namespace zelvaro {

void TMainForm::BSpecAnClick()
{
    SpecOn = !SpecOn;
    SpecLed->ChangeValue(SpecOn);
    for (TNakedSlider *slider : {VGain, VRange}) {
        slider->setEnabled(SpecOn);
        slider->SetFocusColor(SpecOn ? kSliderFocusOn : kSliderFocusOff);
        slider->update();
    }
    if (SpecOn) {
        if (!OpenDevices()) {
            PublishAnalyser();
            return;
        }
        FTick->SetEnabled(true);
        RLedLeft->ChangeValue(SALeftOn);
        RLedRight->ChangeValue(SARightOn);
        SetButtonFont(BSALeft, SALeftOn);
        SetButtonFont(BSARight, SARightOn);
        SetButtonFont(BSpecAn, true);
    } else {
        FTick->SetEnabled(false);
        if (!GenOn)
            CloseDevices();
        RLedLeft->ChangeValue(false);
        RLedRight->ChangeValue(false);
        SetButtonFont(BSALeft, false);
        SetButtonFont(BSARight, false);
        SetButtonFont(BSpecAn, false);
    }
    PublishAnalyser();
}

void TMainForm::BSALeftClick()
{
    if (!SpecOn)
        return;
    SALeftOn = !SALeftOn;
    RLedLeft->ChangeValue(SALeftOn);
    SetButtonFont(BSALeft, SALeftOn);
    PublishAnalyser();
}

void TMainForm::BSARightClick()
{
    if (!SpecOn)
        return;
    SARightOn = !SARightOn;
    RLedRight->ChangeValue(SARightOn);
    SetButtonFont(BSARight, SARightOn);
    PublishAnalyser();
}

// Entering I/Q mode makes tone 2 a copy of tone 1; the tone 2 from before comes back when it ends.
void TMainForm::IQButtClick()
{
    if (!IQMode && MixTones)
        OpMixClick();  // I/Q mode and Mix exclude each other
    if (!IQMode) {
        IQSavedRFreqHz = RFreqHz;
        IQSavedRLevelPos = RLevelPos;
    }
    BFreqREqLClick();
    if (IQMode) {
        SetButtonFont(IQButt, false);
        BFreqLockClick();
        BLevLockClick();
        if (IQSavedRFreqHz >= 0)
            RFreq->SetPosition(IQSavedRFreqHz);
        if (IQSavedRLevelPos >= 0)
            RLevel->SetPosition(IQSavedRLevelPos);
    } else {
        if (!GenOn)
            BGeneratorClick();
        if (!GenLeftOn)
            BGenLeftClick();
        if (!GenRightOn)
            BGenRightClick();
        SetButtonFont(IQButt, true);
        GenLeftOn = true;
        GenRightOn = true;
        BLevREqLClick();
        if (!FreqLocked)
            BFreqLockClick();
        if (!LevLocked)
            BLevLockClick();
    }
    IQMode = !IQMode;
    ShowIQMode();
    PublishGenerator();
}

void TMainForm::ShowIQMode()
{
    IQButt->SetDown(IQMode);
    SetButtonFont(IQButt, IQMode);
    IQLed->ChangeValue(IQMode);
}

void TMainForm::VGainChange()
{
    DbSpan = 170 - VGain->Position();
    TopDb = BottomDb + DbSpan;
    PublishAnalyser();
}

void TMainForm::VRangeChange()
{
    BottomDb = VRange->Position() - 160;
    TopDb = BottomDb + DbSpan;
    PublishAnalyser();
}

void TMainForm::RB64kClick()
{
    ChangeSpan(65536);
}

void TMainForm::RB16kClick()
{
    ChangeSpan(16384);
}

void TMainForm::RB8kClick()
{
    ChangeSpan(8192);
}

void TMainForm::RB4kClick()
{
    ChangeSpan(4096);
}

void TMainForm::RB2kClick()
{
    ChangeSpan(2048);
}

void TMainForm::SetSpan()
{
    FullScaleMag = static_cast<float>(FftSize) * kFullScaleSampleMag;
    const TSpanState span = ZoomSpan(StartHz, SpanHz, EffSampleRate, FftSize, PlotWidth);
    HzPerBin = span.HzPerBin;
    SpanHz = span.SpanHz;
    StartHz = span.StartHz;
    CenterHz = span.CenterHz;
    HScale->SetHStart(StartHz);
    HScale->SetHStop(StartHz + SpanHz);
    PublishAnalyser();
}

void TMainForm::HScaleMouseDown(int x)
{
    ScaleDragging = true;
    DragX = x;
}

void TMainForm::HScaleMouseMove(int x)
{
    if (!ScaleDragging)
        return;
    const float startHz = DraggedStartHz(StartHz, DragX, x, HzPerBin, SpanHz, EffSampleRate);
    DragX = x;
    MoveBand(startHz);  // unmoved when held at the Nyquist end, or already at 0 Hz
}

void TMainForm::HScaleMouseUp()
{
    ScaleDragging = false;
}

void TMainForm::OptionsClick()
{
    OpMenu->popup(mapToGlobal(QPoint(Options->x(), Options->y() + 15)));
}

}  // namespace zelvaro
