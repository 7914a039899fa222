// Finds and starts the desktop's volume control: PulseAudio/PipeWire mixers first, then other mixers.
#include "mixerlauncher.h"

#include <QProcess>
#include <QStandardPaths>

namespace zelvaro {

namespace {

// The --tab numbers of the PulseAudio volume control (and its Qt port): 3 output devices, 4 input
// devices, where the levels and the input port are chosen.
constexpr char kOutputDevicesTab[] = "--tab=3";
constexpr char kInputDevicesTab[] = "--tab=4";

}  // namespace

QList<TMixerCommand> MixerCandidates(TMixerPanel panel)
{
    const QString tab = QString::fromLatin1(panel == TMixerPanel::Recording ? kInputDevicesTab : kOutputDevicesTab);
    return {
        {QStringLiteral("pavucontrol"), {tab}},
        {QStringLiteral("pavucontrol-qt"), {tab}},
        {QStringLiteral("pwvucontrol"), {}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}},
        {QStringLiteral("kmix"), {}},
        {QStringLiteral("xfce4-mixer"), {}},
    };
}

std::optional<TMixerCommand> FindMixer(TMixerPanel panel, const QStringList &searchPaths)
{
    for (TMixerCommand candidate : MixerCandidates(panel)) {
        const QString found = QStandardPaths::findExecutable(candidate.Program, searchPaths);
        if (!found.isEmpty()) {
            candidate.Program = found;
            return candidate;
        }
    }
    return std::nullopt;
}

bool StartMixerCommand(const TMixerCommand &mixer)
{
    return QProcess::startDetached(mixer.Program, mixer.Arguments);
}

bool StartMixer(TMixerPanel panel, const QStringList &searchPaths)
{
    const std::optional<TMixerCommand> mixer = FindMixer(panel, searchPaths);
    return mixer && StartMixerCommand(*mixer);
}

}  // namespace zelvaro
