// TPanelSwitches: the panel's switches that come back at the next start, beside the 44-byte record.
#pragma once

#include <QString>

#include <optional>

namespace zelvaro {

// The on/off states a configuration keeps besides its record: the channel buttons of both
// instruments, both locks, I/Q mode, and the tone 2 that I/Q mode gives back when it ends. The
// instruments themselves always start off.
struct TPanelSwitches {
    bool GenLeftOn = true;
    bool GenRightOn = false;
    bool SALeftOn = true;
    bool SARightOn = false;
    bool FreqLocked = false;
    bool LevLocked = false;
    bool IQMode = false;
    int IQSavedRFreqHz = -1;    // tone 2 before I/Q mode, Hz; -1: none
    int IQSavedRLevelPos = -1;  // its level slider position; -1: none

    friend bool operator==(const TPanelSwitches &, const TPanelSwitches &) = default;
};

// "GenLeftOn=1;GenRightOn=0;...": one text value, readable in the settings file.
QString EncodePanelSwitches(const TPanelSwitches &switches);

// Nothing for a text that is not exactly what EncodePanelSwitches writes (a damaged value): the
// caller then keeps the defaults. Keys added later and unknown here are skipped.
std::optional<TPanelSwitches> DecodePanelSwitches(const QString &text);

}  // namespace zelvaro
