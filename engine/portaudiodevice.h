// The sound card through PortAudio: default input and output devices of the desktop.
#pragma once

#include "wavedevice.h"

#include <memory>

namespace zelvaro {

// Cheap probe for --probe-audio: PortAudio starts and has a default input and a default output.
bool AudioDevicesAvailable();

// Maps a PortAudio failure onto the wave result codes that select the specified messages.
// deviceCount is Pa_GetDeviceCount() at the time; hostErrorCode the last host error (an errno
// value, negative, for ALSA). Failures without a counterpart keep their own (negative) PortAudio
// code, whose text ErrorText then gives.
int MapPortAudioError(int paError, int deviceCount, long hostErrorCode);

std::unique_ptr<TWaveDevice> MakePortAudioDevice(TWaveDirection direction);

}  // namespace zelvaro
