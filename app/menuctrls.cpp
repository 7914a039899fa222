// The options menu of the main window: named configurations, the mixer, calibration and skew.
#include "mainform.h"

#include "calibdlg.h"
#include "configlist.h"
#include "configstore.h"
#include "mixerlauncher.h"
#include "rulers.h"
#include "saveconfigdlg.h"
#include "skewform.h"

#include <QAction>

#include <algorithm>

namespace zelvaro {

// The frequency calibration belongs to the sound card, not to a measurement: the defaults leave it.
void TMainForm::OpLdDefClick()
{
    if (!Ask(QStringLiteral("Load the default settings?\n"
                            "Frequencies, levels, span, dB window and skew return to their defaults;\n"
                            "the frequency calibration is kept.")))
        return;
    const float calMeasured = CalMeasured;
    const float calDisplayed = CalDisplayed;
    LoadConfig(QString(kForcedDefaultsMark));
    CalMeasured = calMeasured;
    CalDisplayed = calDisplayed;
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

// Delete on the list: asked first; the list then shows what is left, with the focus kept on it.
void TMainForm::DeleteConfig(const QString &name)
{
    if (!Ask(QStringLiteral("Delete the configuration \"%1\"?").arg(name)))
        return;
    FStore->DeleteConfig(name);
    const int row = Configs->currentRow();
    Configs->ShowConfigs(FStore->ListConfigs().value_or(QStringList()));
    Configs->setCurrentRow(std::min(row, Configs->count() - 1));
}

void TMainForm::OpSaveSetClick()
{
    TSaveConfigDlg dialog(FStore->ListConfigs().value_or(QStringList()),
                          [this](const QString &question) { return Ask(question); }, this);
    if (const std::optional<QString> name = dialog.Execute())
        SaveConfig(*name);
}

void TMainForm::OpSelInClick()
{
    OpenMixer(TMixerPanel::Recording);
}

void TMainForm::OpAdjMastVolClick()
{
    OpenMixer(TMixerPanel::Playback);
}

// The user is told what happened whenever no mixer opens.
void TMainForm::OpenMixer(TMixerPanel panel)
{
    if (FOptions.Backend == TAudioBackend::Loopback) {
        WarnBox(QStringLiteral("Zelvaro runs on its built-in loopback card, which has no mixer: "
                               "there is nothing to adjust."));
        return;
    }
    const std::optional<TMixerCommand> mixer = FindMixer(panel, MixerSearchPaths);
    if (!mixer) {
        WarnBox(QStringLiteral("No volume control program was found.\n"
                               "Install the Debian package \"pavucontrol\" (sudo apt install pavucontrol) "
                               "and choose the menu item again."));
        return;
    }
    if (!StartMixerCommand(*mixer))
        WarnBox(QStringLiteral("The volume control %1 could not be started.").arg(mixer->Program));
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
