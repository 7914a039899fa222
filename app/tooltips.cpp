// Tooltips of the main window's controls: what each does and its keys.
#include "mainform.h"

#include "autoled.h"
#include "nakedslider.h"
#include "plotview.h"
#include "rulers.h"
#include "shapebutton.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace zelvaro {

void TMainForm::SetUpToolTips()
{
    const QString steps = QStringLiteral("Up/Down or the wheel: 1 Hz, Shift 10 Hz, Ctrl 100 Hz");
    const QString levelSteps = QStringLiteral("Up/Down or the wheel: 0.1 dB, Shift 1 dB");
    BGenerator->setToolTip(QStringLiteral("Switches the two-tone generator on or off (Space)"));
    GenLed->setToolTip(BGenerator->toolTip());
    BGenLeft->setToolTip(QStringLiteral("Tone 1 on the left output (Space)"));
    BGenRight->setToolTip(QStringLiteral("Tone 2 on the right output (Space)"));
    for (QLineEdit *edit : {LFreqDisp, RFreqDisp})
        edit->setToolTip(QStringLiteral("Frequency in whole Hz, 0 to 10000; Enter, Tab or a click elsewhere "
                                        "applies it, Escape restores it. ") + steps);
    for (QLineEdit *edit : {LMagDisp, RMagDisp})
        edit->setToolTip(QStringLiteral("Level in dB below full scale, typed without its sign, to -60 dB; "
                                        "Enter, Tab or a click elsewhere applies it, Escape restores it. ") +
                         levelSteps);
    for (TNakedSlider *slider : {LFreq, RFreq})
        slider->setToolTip(QStringLiteral("Frequency. ") + steps);
    for (TNakedSlider *slider : {LLevel, RLevel})
        slider->setToolTip(QStringLiteral("Level. ") + levelSteps);
    BFreqLock->setToolTip(QStringLiteral("Moves both frequencies together (Space)"));
    BLevLock->setToolTip(QStringLiteral("Moves both levels together (Space)"));
    BFreqREqL->setToolTip(QStringLiteral("Right frequency = left frequency (Space)"));
    BLevREqL->setToolTip(QStringLiteral("Right level = left level (Space)"));
    BSpecAn->setToolTip(QStringLiteral("Switches the spectrum analyser on or off (Space)"));
    SpecLed->setToolTip(BSpecAn->toolTip());
    BSALeft->setToolTip(QStringLiteral("Shows the left input, white trace (Space)"));
    BSARight->setToolTip(QStringLiteral("Shows the right input, yellow trace (Space)"));
    IQButt->setToolTip(QStringLiteral("I/Q mode: tone 2 becomes tone 1 shifted by 90 degrees; "
                                      "tone 2 comes back when it ends (Space)"));
    IQLed->setToolTip(QStringLiteral("Lit while I/Q mode is on"));
    VGain->setToolTip(QStringLiteral("Vertical gain: the dB range shown. Up/Down or the wheel, Shift for 10"));
    VRange->setToolTip(QStringLiteral("Vertical range: the dB at the bottom. Up/Down or the wheel, Shift for 10"));
    for (QRadioButton *span : {RB64k, RB16k, RB8k, RB4k, RB2k})
        span->setToolTip(QStringLiteral("Horizontal span (arrow keys choose, Tab reaches them)"));
    HScale->setToolTip(QStringLiteral("Drag to move the band; C centres it on the tones"));
    Options->setToolTip(QStringLiteral("Options: input, mixer, calibration, skew, settings, help (F1)"));
    FPlotView->setToolTip(QStringLiteral(
        "0 dB is a full-scale sine before the Hann window: a tone on a bin centre reads 6.02 dB below "
        "its level. White: left input, yellow: right input. Drag to move the band, double-click to "
        "centre it there, C to centre it on the tones; a click sets marker M1, Shift+click M2. F1 for help."));
}

}  // namespace zelvaro
