// The sound devices PortAudio offers, and finding one by the name a user gave or remembered.
#pragma once

#include "wavedevice.h"

#include <optional>
#include <string>
#include <vector>

namespace zelvaro {

// One direction of one device: a card with inputs and outputs appears once for each.
struct TSoundDevice {
    TWaveDirection Direction = TWaveDirection::Out;
    std::string HostApi;  // "ALSA", "OSS", "JACK Audio Connection Kit", ...
    std::string Name;
    bool IsDefault = false;
    int Index = -1;  // PortAudio's device index: valid only until the devices are listed again
};

// The devices chosen for input and output by name; an empty name means the desktop's default.
struct TSoundDeviceChoice {
    std::string Input;
    std::string Output;

    const std::string &For(TWaveDirection direction) const
    {
        return direction == TWaveDirection::In ? Input : Output;
    }
    bool operator==(const TSoundDeviceChoice &) const = default;
};

// Every input and output device, inputs first, each group in PortAudio's order. Empty when
// PortAudio cannot start or finds nothing.
std::vector<TSoundDevice> ListSoundDevices();

const char *DirectionWord(TWaveDirection direction);  // "input" or "output"

// One line of `--list-devices`: direction, host API and name, tab-separated, and "default"
// as a fourth field on the default devices.
std::string FormatDeviceLine(const TSoundDevice &device);

// The name that identifies a device in the settings and on the command line: its own name, or
// "host API: name" where another host API offers a device of the same name in that direction.
std::string DeviceKey(const std::vector<TSoundDevice> &devices, const TSoundDevice &device);

struct TDeviceMatch {
    const TSoundDevice *Device = nullptr;  // null: nothing matched, or the name was ambiguous
    std::vector<const TSoundDevice *> Candidates;  // when ambiguous: every device that matched
};

// Finds the device of that direction a name stands for. Tried in turn, the first step that
// matches anything decides: "host API: name" or the name exactly; the name ignoring case; a
// part of the name ignoring case. A step that matches several devices is ambiguous.
TDeviceMatch MatchDevice(const std::vector<TSoundDevice> &devices, TWaveDirection direction,
                         const std::string &name);

// What a user reads when a named device cannot be used: unknown or ambiguous.
std::string DeviceMatchProblem(const TDeviceMatch &match, TWaveDirection direction, const std::string &name);

}  // namespace zelvaro
