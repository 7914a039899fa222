// The options menu of the main window: named configurations, the mixer, calibration and skew.
#include "mainform.h"

#include "calibdlg.h"
#include "configlist.h"
#include "configstore.h"
#include "mixerlauncher.h"
#include "rulers.h"
#include "skewform.h"

#include <QAction>

namespace zelvaro {

void TMainForm::OpLdDefClick()
{
    LoadConfig(QString(kForcedDefaultsMark));
    ApplySettings();
    SetSpan();
}

void TMainForm::OpLdSetClick()
{
    const std::optional<QStringList> names = FStore->ListConfigs();
    if (!names) {
        OpLdDefClick();
        return;
    }
    Configs->raise();
    Configs->ShowConfigs(*names);
}

// A configuration chosen from the list; a running analyser is stopped around the load so no
// frame mixes old and new settings.
void TMainForm::ConfigChosen(const QString &name)
{
    const bool analyserRan = SpecOn;
    if (analyserRan)
        BSpecAnClick();
    LoadConfig(name);
    ApplySettings();
    ApplySwitches(FStore->LoadSwitches(name));
    if (analyserRan)
        BSpecAnClick();
}

void TMainForm::OpSaveSetClick()
{
    const std::optional<QString> name =
        PromptConfigName(this, [this](const QString &message) { WarnBox(message); });
    if (name)
        SaveConfig(*name);
}

void TMainForm::OpSelInClick()
{
    StartMixer(TMixerPanel::Recording);
}

void TMainForm::OpAdjMastVolClick()
{
    StartMixer(TMixerPanel::Playback);
}

// SetSpan with the calibration recomputed first; FullScaleMag does not depend on it.
void TMainForm::OpCalClick()
{
    const std::optional<TCalibration> accepted = CalibDlg->Execute({CalMeasured, CalDisplayed});
    if (!accepted)
        return;
    CalMeasured = accepted->CalMeasured;
    CalDisplayed = accepted->CalDisplayed;
    CalFactor = CalMeasured / CalDisplayed;
    EffSampleRate = static_cast<float>(SampleRate) * CalFactor;
    SetSpan();  // the same span around the centre, in the corrected bins; publishes the analyser
    PublishGenerator();
}

void TMainForm::OpSkewClick()
{
    if (const std::optional<double> accepted = SkewDlg->Execute(SkewUs)) {
        SkewUs = *accepted;
        PublishGenerator();
    }
}

}  // namespace zelvaro
