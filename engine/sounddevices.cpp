// Listing PortAudio's devices by direction, and the name matching the settings and flags rely on.
#include "sounddevices.h"

#include <portaudio.h>

#include <algorithm>
#include <cctype>

namespace zelvaro {

namespace {

std::string Folded(const std::string &text)
{
    std::string folded = text;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

std::string Qualified(const TSoundDevice &device)
{
    return device.HostApi + ": " + device.Name;
}

void AppendDevices(std::vector<TSoundDevice> &devices, TWaveDirection direction)
{
    const bool in = direction == TWaveDirection::In;
    const PaDeviceIndex defaultDevice = in ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo *info = Pa_GetDeviceInfo(index);
        if (!info || (in ? info->maxInputChannels : info->maxOutputChannels) <= 0)
            continue;
        const PaHostApiInfo *api = Pa_GetHostApiInfo(info->hostApi);
        TSoundDevice device;
        device.Direction = direction;
        device.HostApi = api && api->name ? api->name : "";
        device.Name = info->name ? info->name : "";
        device.IsDefault = index == defaultDevice;
        device.Index = index;
        devices.push_back(std::move(device));
    }
}

}  // namespace

std::vector<TSoundDevice> ListSoundDevices()
{
    std::vector<TSoundDevice> devices;
    // Nested initialisations are counted by PortAudio, so this is safe while a stream is open.
    if (Pa_Initialize() != paNoError)
        return devices;
    AppendDevices(devices, TWaveDirection::In);
    AppendDevices(devices, TWaveDirection::Out);
    Pa_Terminate();
    return devices;
}

const char *DirectionWord(TWaveDirection direction)
{
    return direction == TWaveDirection::In ? "input" : "output";
}

std::string FormatDeviceLine(const TSoundDevice &device)
{
    std::string line = std::string(DirectionWord(device.Direction)) + '\t' + device.HostApi + '\t' + device.Name;
    if (device.IsDefault)
        line += "\tdefault";
    return line;
}

std::string DeviceKey(const std::vector<TSoundDevice> &devices, const TSoundDevice &device)
{
    const bool shared = std::any_of(devices.begin(), devices.end(), [&](const TSoundDevice &other) {
        return other.Direction == device.Direction && other.Name == device.Name && other.HostApi != device.HostApi;
    });
    return shared ? Qualified(device) : device.Name;
}

TDeviceMatch MatchDevice(const std::vector<TSoundDevice> &devices, TWaveDirection direction,
                         const std::string &name)
{
    const std::string folded = Folded(name);
    using TTest = bool (*)(const TSoundDevice &, const std::string &name, const std::string &folded);
    const TTest steps[] = {
        [](const TSoundDevice &d, const std::string &n, const std::string &) {
            return Qualified(d) == n || d.Name == n;
        },
        [](const TSoundDevice &d, const std::string &, const std::string &f) {
            return Folded(Qualified(d)) == f || Folded(d.Name) == f;
        },
        [](const TSoundDevice &d, const std::string &, const std::string &f) {
            return Folded(d.Name).find(f) != std::string::npos;
        },
    };
    TDeviceMatch match;
    if (name.empty())
        return match;
    for (const TTest test : steps) {
        for (const TSoundDevice &device : devices) {
            if (device.Direction == direction && test(device, name, folded))
                match.Candidates.push_back(&device);
        }
        if (match.Candidates.empty())
            continue;
        if (match.Candidates.size() == 1) {
            match.Device = match.Candidates.front();
            match.Candidates.clear();
        }
        return match;
    }
    return match;
}

std::string DeviceMatchProblem(const TDeviceMatch &match, TWaveDirection direction, const std::string &name)
{
    const std::string what = std::string(DirectionWord(direction)) + " device";
    if (match.Candidates.empty())
        return "No " + what + " is called \"" + name + "\". \"zelvaro --list-devices\" shows the devices.";
    std::string text = "\"" + name + "\" could name more than one " + what + ":";
    for (const TSoundDevice *device : match.Candidates)
        text += "\n  " + Qualified(*device);
    return text;
}

}  // namespace zelvaro
