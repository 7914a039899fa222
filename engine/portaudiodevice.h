// The sound card through PortAudio: a chosen input or output device, or the desktop's default.
#pragma once

#include "wavedevice.h"

#include <functional>
#include <memory>
#include <string>

namespace zelvaro {

// Names the program's streams in the desktop's volume control (PipeWire and PulseAudio, reached
// through ALSA). Call before any other thread starts: it sets an environment variable, unless
// the user has set it already.
void NameSoundStreams(const char *applicationName);

// Cheap probe for --probe-audio: PortAudio starts and has a default input and a default output.
bool AudioDevicesAvailable();

// Maps a PortAudio failure onto the wave result codes that select the specified messages.
// deviceCount is Pa_GetDeviceCount() at the time; hostErrorCode the last host error (an errno
// value, negative, for ALSA). Failures without a counterpart keep their own (negative) PortAudio
// code, whose text ErrorText then gives.
int MapPortAudioError(int paError, int deviceCount, long hostErrorCode);

// Tells the user something about the device that was opened; runs on the thread that opens it.
using TDeviceNoticeFunction = std::function<void(const std::string &text)>;

// deviceName as MatchDevice understands it; empty for the default device. A name that matches no
// device (a card that was unplugged) opens the default device instead and says so through notice,
// once for the life of this device object.
// latency matters for playback only.
std::unique_ptr<TWaveDevice> MakePortAudioDevice(TWaveDirection direction, std::string deviceName = {},
                                                 TDeviceNoticeFunction notice = {},
                                                 TPlaybackLatency latency = TPlaybackLatency::Short);

}  // namespace zelvaro
