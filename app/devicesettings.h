// The remembered sound devices: two names in their own small settings file beside the configurations.
#pragma once

#include "sounddevices.h"

#include <QString>

namespace zelvaro {

// $XDG_CONFIG_HOME/Zelvaro/SoundDevices.conf. Apart from Zelvaro.conf, whose configuration records
// and version stamp keep their own rules (a foreign version there deletes the whole file).
QString DeviceSettingsPath();

// The remembered choice; empty names (the defaults) when there is none or it cannot be read.
TSoundDeviceChoice LoadDeviceChoice(const QString &path);

// Replaces the file atomically. False when it could not be written; the old file is then unchanged.
bool SaveDeviceChoice(const QString &path, const TSoundDeviceChoice &choice);

}  // namespace zelvaro
