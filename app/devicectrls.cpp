// The main window's sound devices: the remembered choice at start and the Options dialog.
#include "mainform.h"

#include "devicesettings.h"
#include "sounddeviceflags.h"
#include "sounddevicesdlg.h"

namespace zelvaro {

namespace {
QString SettingsFile(const TMainFormOptions &options)
{
    return options.DeviceSettingsFile.isEmpty() ? DeviceSettingsPath() : options.DeviceSettingsFile;
}
}  // namespace

// Devices open only when an instrument is switched on, so a remembered device that has gone is
// reported then, by the device side, which opens the default one instead.
void TMainForm::SelectStartDevices()
{
    const TSoundDeviceChoice remembered = LoadDeviceChoice(SettingsFile(FOptions));
    FEngine->SelectSoundDevices(EffectiveDevices(FOptions.GivenDevices, remembered));
}

void TMainForm::OpSoundDevicesClick()
{
    if (!DevicesDlg)
        DevicesDlg = new TSoundDevicesDlg(this);
    if (const std::optional<TSoundDeviceChoice> chosen = DevicesDlg->Execute(FEngine->SoundDeviceChoice()))
        UseSoundDevices(*chosen);
}

TSoundDeviceChoice TMainForm::SoundDevicesInUse() const
{
    return FEngine->SoundDeviceChoice();
}

// The choice is kept first: a device that then fails to open is still the one the user wants
// once it works again.
void TMainForm::UseSoundDevices(const TSoundDeviceChoice &choice)
{
    const QString file = SettingsFile(FOptions);
    if (!SaveDeviceChoice(file, choice))
        WarnBox(QStringLiteral("The sound devices could not be saved to %1.").arg(file));
    if (choice == FEngine->SoundDeviceChoice())
        return;
    const bool selected = FEngine->SelectSoundDevices(choice);
    UpdateStrip();  // the strip names the devices in use
    if (selected)
        return;
    // Reopening failed and has been reported; both instruments go off, as when a device is lost.
    DevicesOpen = false;
    if (SpecOn)
        BSpecAnClick();
    if (GenOn)
        BGeneratorClick();
}

}  // namespace zelvaro
