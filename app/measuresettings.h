// The measurement preferences that outlive a session: readout, reference, peak hold and Mix, in
// their own settings file (the 44-byte configuration record keeps its layout).
#pragma once

#include "imdreadout.h"

#include <QString>

namespace zelvaro {

struct TMeasurePrefs {
    bool ImdReadoutOn = false;
    TImdReference Reference = TImdReference::Dbc;
    bool PeakHoldOn = false;
    bool MixTones = false;
};

// $XDG_CONFIG_HOME/Zelvaro/Measurement.conf
QString MeasurePrefsPath();
// Defaults when the file is missing or unreadable; unknown values take their defaults.
TMeasurePrefs LoadMeasurePrefs(const QString &path);
// False when the file could not be written.
bool SaveMeasurePrefs(const QString &path, const TMeasurePrefs &prefs);

}  // namespace zelvaro
