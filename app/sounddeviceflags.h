// The command-line options that choose the sound devices: --list-devices, --input and --output.
#pragma once

#include "sounddevices.h"

#include <QCommandLineOption>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class QCommandLineParser;

namespace zelvaro {

// The options, to be added to any command's parser (the window and `zelvaro measure` alike).
// --input-device and --output-device are the same options under longer names; a command whose
// --output already names its result file takes the output device only as --output-device.
class TSoundDeviceFlags {
public:
    enum class TOutputName { OutputOrOutputDevice, OutputDeviceOnly };
    explicit TSoundDeviceFlags(TOutputName outputName = TOutputName::OutputOrOutputDevice);

    // withList: also --list-devices (a command that answers it itself may leave it out).
    void AddTo(QCommandLineParser &parser, bool withList = true) const;

    // The names given with --input and --output; an empty name was not given.
    TSoundDeviceChoice Given(const QCommandLineParser &parser) const;
    bool ListRequested(const QCommandLineParser &parser) const;

private:
    QCommandLineOption FList;
    QCommandLineOption FInput;
    QCommandLineOption FOutput;
};

// True when the arguments ask for --list-devices, which needs neither display nor parser.
bool ListDevicesRequested(int argc, char **argv);

// ListSoundDevices for a command line: the sound libraries' complaints about cards and servers that
// are not there (dozens of lines on stderr) are held back while the devices are probed. Call it
// only before other threads run, since it borrows the process's stderr.
std::vector<TSoundDevice> ListSoundDevicesQuietly();

// Writes one FormatDeviceLine per device, or a note on stderr when there is none. Always 0.
int PrintSoundDevices(const std::vector<TSoundDevice> &devices, std::FILE *out, std::FILE *err);

// Each named device must exist now, and be the only one its name matches. Gives the message to
// show otherwise (one line per problem).
std::optional<std::string> CheckGivenDevices(const TSoundDeviceChoice &given,
                                             const std::vector<TSoundDevice> &devices);

// A name given for this run wins over the remembered one, direction by direction.
TSoundDeviceChoice EffectiveDevices(const TSoundDeviceChoice &given, const TSoundDeviceChoice &remembered);

}  // namespace zelvaro
