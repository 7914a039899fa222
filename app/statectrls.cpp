// The panel's switches that a configuration keeps besides its record, and how they come back.
#include "mainform.h"

#include "autoled.h"
#include "shapebutton.h"

namespace zelvaro {

TPanelSwitches TMainForm::CurrentSwitches() const
{
    TPanelSwitches switches;
    switches.GenLeftOn = GenLeftOn;
    switches.GenRightOn = GenRightOn;
    switches.SALeftOn = SALeftOn;
    switches.SARightOn = SARightOn;
    switches.FreqLocked = FreqLocked;
    switches.LevLocked = LevLocked;
    switches.IQMode = IQMode;
    switches.IQSavedRFreqHz = IQSavedRFreqHz;
    switches.IQSavedRLevelPos = IQSavedRLevelPos;
    return switches;
}

// A running instrument takes a channel through its button (lamp, font, engine); a stopped one
// only remembers it, as its buttons do. I/Q mode comes back as a state without starting the
// generator: the instruments always start off.
void TMainForm::ApplySwitches(const TPanelSwitches &switches)
{
    const auto setChannel = [](bool &channel, bool wanted, bool running, auto click) {
        if (channel == wanted)
            return;
        if (running)
            click();
        else
            channel = wanted;
    };
    setChannel(GenLeftOn, switches.GenLeftOn, GenOn, [this] { BGenLeftClick(); });
    setChannel(GenRightOn, switches.GenRightOn, GenOn, [this] { BGenRightClick(); });
    setChannel(SALeftOn, switches.SALeftOn, SpecOn, [this] { BSALeftClick(); });
    setChannel(SARightOn, switches.SARightOn, SpecOn, [this] { BSARightClick(); });
    if (FreqLocked != switches.FreqLocked)
        BFreqLockClick();
    if (LevLocked != switches.LevLocked)
        BLevLockClick();
    IQMode = switches.IQMode;
    IQSavedRFreqHz = switches.IQSavedRFreqHz;
    IQSavedRLevelPos = switches.IQSavedRLevelPos;
    ShowIQMode();
    PublishGenerator();
    PublishAnalyser();
}

}  // namespace zelvaro
