// Starts the desktop's volume control for recording or playback without waiting for it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zelvaro {

enum class TMixerPanel {
    Recording,  // "Select Input": the input levels and the choice of input
    Playback,   // "Adjust Mixer Volume": the output levels
};

struct TMixerCommand {
    QString Program;  // a name looked up on the search path, or an absolute path once found
    QStringList Arguments;

    friend bool operator==(const TMixerCommand &, const TMixerCommand &) = default;
};

// The volume controls worth trying, most specific first, each with the arguments that open the panel.
QList<TMixerCommand> MixerCandidates(TMixerPanel panel);

// The first candidate found in searchPaths (the PATH when empty), with its program made absolute.
std::optional<TMixerCommand> FindMixer(TMixerPanel panel, const QStringList &searchPaths = {});

// Starts a mixer that FindMixer gave, detached; false when it could not be started.
bool StartMixerCommand(const TMixerCommand &mixer);

// OpSelInClick / OpAdjMastVolClick: starts the first volume control found, detached. Nothing found or
// a failed start is not reported to the user; the result only says whether a program was started.
bool StartMixer(TMixerPanel panel, const QStringList &searchPaths = {});

}  // namespace zelvaro
