// Parsing and checking the sound-device options, and the device list they print.
#include "sounddeviceflags.h"

#include <QCommandLineParser>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zelvaro {

namespace {

QStringList OutputNames(TSoundDeviceFlags::TOutputName outputName)
{
    if (outputName == TSoundDeviceFlags::TOutputName::OutputDeviceOnly)
        return {QStringLiteral("output-device")};
    return {QStringLiteral("output"), QStringLiteral("output-device")};
}

}  // namespace

TSoundDeviceFlags::TSoundDeviceFlags(TOutputName outputName)
    : FList(QStringLiteral("list-devices"),
            QStringLiteral("List the sound devices, one a line: direction, host API, name, and \"default\" "
                           "on the default devices. Needs no display.")),
      FInput(QStringList{QStringLiteral("input"), QStringLiteral("input-device")},
             QStringLiteral("Capture from the input device called <name> (or a unique part of it) for this "
                            "run, instead of the one chosen in Options."),
             QStringLiteral("name")),
      FOutput(OutputNames(outputName),
              QStringLiteral("Play on the output device called <name> (or a unique part of it) for this "
                             "run, instead of the one chosen in Options."),
              QStringLiteral("name"))
{
}

void TSoundDeviceFlags::AddTo(QCommandLineParser &parser, bool withList) const
{
    if (withList)
        parser.addOption(FList);
    parser.addOption(FInput);
    parser.addOption(FOutput);
}

TSoundDeviceChoice TSoundDeviceFlags::Given(const QCommandLineParser &parser) const
{
    TSoundDeviceChoice given;
    given.Input = parser.value(FInput).toStdString();
    given.Output = parser.value(FOutput).toStdString();
    return given;
}

bool TSoundDeviceFlags::ListRequested(const QCommandLineParser &parser) const
{
    return parser.isSet(FList);
}

bool ListDevicesRequested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list-devices") == 0 || std::strcmp(argv[i], "-list-devices") == 0)
            return true;
    }
    return false;
}

std::vector<TSoundDevice> ListSoundDevicesQuietly()
{
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (savedStderr >= 0 && devNull >= 0)
        dup2(devNull, STDERR_FILENO);
    std::vector<TSoundDevice> devices = ListSoundDevices();
    if (savedStderr >= 0 && devNull >= 0)
        dup2(savedStderr, STDERR_FILENO);
    if (devNull >= 0)
        close(devNull);
    if (savedStderr >= 0)
        close(savedStderr);
    return devices;
}

int PrintSoundDevices(const std::vector<TSoundDevice> &devices, std::FILE *out, std::FILE *err)
{
    if (devices.empty())
        std::fputs("No sound devices were found.\n", err);
    for (const TSoundDevice &device : devices)
        std::fprintf(out, "%s\n", FormatDeviceLine(device).c_str());
    return 0;
}

std::optional<std::string> CheckGivenDevices(const TSoundDeviceChoice &given,
                                             const std::vector<TSoundDevice> &devices)
{
    std::string problems;
    for (const TWaveDirection direction : {TWaveDirection::In, TWaveDirection::Out}) {
        const std::string &name = given.For(direction);
        if (name.empty())
            continue;
        const TDeviceMatch match = MatchDevice(devices, direction, name);
        if (match.Device)
            continue;
        if (!problems.empty())
            problems += '\n';
        problems += DeviceMatchProblem(match, direction, name);
    }
    if (problems.empty())
        return std::nullopt;
    return problems;
}

TSoundDeviceChoice EffectiveDevices(const TSoundDeviceChoice &given, const TSoundDeviceChoice &remembered)
{
    return {given.Input.empty() ? remembered.Input : given.Input,
            given.Output.empty() ? remembered.Output : given.Output};
}

}  // namespace zelvaro
