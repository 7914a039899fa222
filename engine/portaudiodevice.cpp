// PortAudio backend: the real-time callback only moves samples between the stream and the ring.
#include "portaudiodevice.h"

#include "sounddevices.h"
#include "threadpriority.h"

#include <pa_linux_alsa.h>
#include <portaudio.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

namespace zelvaro {

namespace {
// Capture hands the program whole 2048-frame blocks; large periods cost nothing there.
constexpr unsigned long kInputFramesPerBuffer = 2048;

struct TOutputBuffering {
    unsigned long FramesPerBuffer;
    double LatencySeconds;  // asked of the sound server
};

// Short: short periods and a short queue at the sound server, whatever sits there delays a change
// of a tone; the engine keeps its own lead of sound in the ring, so the stream's callback finds
// its samples waiting. Deep: a queue of at least two 2048-frame periods, never less than the
// modest 100 ms, which no load seen on a busy two-core machine has drained.
TOutputBuffering OutputBuffering(TPlaybackLatency latency)
{
    return latency == TPlaybackLatency::Short ? TOutputBuffering{256, 0.040} : TOutputBuffering{2048, 0.100};
}

// Holds PortAudio initialised; PortAudio counts nested initialisations itself. A server started
// after the last session ended is found by the next one.
class TPortAudioSession {
public:
    TPortAudioSession() : FResult(Pa_Initialize()) {}
    ~TPortAudioSession()
    {
        if (FResult == paNoError)
            Pa_Terminate();
    }
    TPortAudioSession(const TPortAudioSession &) = delete;
    TPortAudioSession &operator=(const TPortAudioSession &) = delete;
    PaError Result() const { return FResult; }

private:
    PaError FResult;
};

PaDeviceIndex DefaultDevice(TWaveDirection direction)
{
    return direction == TWaveDirection::In ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
}

long LastHostError()
{
    const PaHostErrorInfo *info = Pa_GetLastHostErrorInfo();
    return info ? info->errorCode : 0;
}
}  // namespace

int MapPortAudioError(int paError, int deviceCount, long hostErrorCode)
{
    switch (paError) {
    case paNoError:
        return kWaveNoError;
    case paDeviceUnavailable:
    case paInvalidDevice:
        if (deviceCount <= 0)
            return kWaveError;  // no sound device at all
        return paError == paDeviceUnavailable ? kWaveAllocated : kWaveBadDeviceId;
    case paInsufficientMemory:
        return kWaveNoMem;
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paInvalidChannelCount:
    case paBadIODeviceCombination:
        return kWaveBadFormat;
    case paNotInitialized:
    case paHostApiNotFound:
    case paInvalidHostApi:
        return kWaveNoDriver;
    case paUnanticipatedHostError:
        if (hostErrorCode == -EBUSY || hostErrorCode == EBUSY)
            return kWaveAllocated;
        if (hostErrorCode == -ENOENT || hostErrorCode == -ENODEV)
            return kWaveBadDeviceId;
        return paError;
    default:
        return paError;
    }
}

void NameSoundStreams(const char *applicationName)
{
    // Read by the sound server's client library when the stream's connection is made; without it
    // the desktop's volume control shows the ALSA plug-in's own name for the stream.
    const std::string properties = std::string("application.name='") + applicationName +
                                   "' application.icon_name=zelvaro";
    setenv("PULSE_PROP_OVERRIDE", properties.c_str(), 0);
}

bool AudioDevicesAvailable()
{
    TPortAudioSession session;
    if (session.Result() != paNoError)
        return false;
    return Pa_GetDefaultInputDevice() != paNoDevice && Pa_GetDefaultOutputDevice() != paNoDevice;
}

namespace {
class TPortAudioDevice final : public TWaveDevice {
public:
    TPortAudioDevice(TWaveDirection direction, std::string deviceName, TDeviceNoticeFunction notice,
                     TPlaybackLatency latency)
        : TWaveDevice(direction), FDeviceName(std::move(deviceName)), FNotice(std::move(notice)),
          FOutputBuffering(OutputBuffering(latency))
    {
    }
    ~TPortAudioDevice() override { Close(); }

    int NumDevs() override
    {
        if (!AcquireSession())
            return 0;
        return DefaultDevice(Direction()) == paNoDevice ? 0 : 1;
    }

    std::string ErrorText(int code) const override
    {
        if (code < 0)
            return std::string(Pa_GetErrorText(code)).substr(0, kErrorTextChars);
        return TWaveDevice::ErrorText(code);
    }

protected:
    int OpenStream(const TWaveFormat &format) override
    {
        if (!AcquireSession())
            return MapPortAudioError(FSession ? FSession->Result() : paNotInitialized, 0, 0);
        const PaDeviceIndex device = ChosenDevice();
        if (device == paNoDevice)
            return MapPortAudioError(paDeviceUnavailable, Pa_GetDeviceCount(), 0);
        const PaDeviceInfo *info = Pa_GetDeviceInfo(device);
        if (!info)
            return kWaveBadDeviceId;
        if (format.BitsPerSample != 16)
            return kWaveBadFormat;

        PaStreamParameters params{};
        params.device = device;
        params.channelCount = format.Channels;
        params.sampleFormat = paInt16;
        const bool in = Direction() == TWaveDirection::In;
        params.suggestedLatency = in ? info->defaultHighInputLatency : FOutputBuffering.LatencySeconds;
        const PaHostApiInfo *api = Pa_GetHostApiInfo(info->hostApi);
        const bool alsa = api && api->type == paALSA;
        PaError err = paNoError;
        if (in) {
            err = OpenAndStart(params, format.SampleRate, false);
        } else {
            // The sound server's client library starts a thread of its own when the stream opens,
            // and every period passes through it on its way to the server; it inherits the
            // scheduling of the thread that opens the stream. With a short queue at the server a
            // late client thread is heard as a gap, so playback opens from a thread with the
            // playback priority (where the system refuses it, everything runs as before).
            std::thread opener([&] {
                SetCurrentThreadPriority(tpHighest);
                err = OpenAndStart(params, format.SampleRate, alsa);
            });
            opener.join();
        }
        if (err != paNoError) {
            const int result = MapPortAudioError(err, Pa_GetDeviceCount(), LastHostError());
            if (FStream)
                Pa_CloseStream(FStream);
            FStream = nullptr;
            return result;
        }
        return kWaveNoError;
    }

    // Opens the stream and starts it; the stream's own thread runs in real time where asked
    // and permitted.
    PaError OpenAndStart(const PaStreamParameters &params, int sampleRate, bool realtimeCallback)
    {
        const bool in = Direction() == TWaveDirection::In;
        const unsigned long framesPerBuffer = in ? kInputFramesPerBuffer : FOutputBuffering.FramesPerBuffer;
        PaError err = Pa_OpenStream(&FStream, in ? &params : nullptr, in ? nullptr : &params, sampleRate,
                                    framesPerBuffer, paClipOff, &TPortAudioDevice::StreamCallback, this);
        if (err == paNoError)
            err = Pa_SetStreamFinishedCallback(FStream, &TPortAudioDevice::StreamFinished);
        if (err == paNoError && realtimeCallback)
            PaAlsa_EnableRealtimeScheduling(FStream, 1);
        if (err == paNoError)
            err = Pa_StartStream(FStream);
        return err;
    }

    void CloseStream() override
    {
        if (!FStream)
            return;
        // Abort rather than stop: nothing is left to drain, and a stream whose server went away
        // must not keep the caller waiting.
        Pa_AbortStream(FStream);
        Pa_CloseStream(FStream);
        FStream = nullptr;
    }

    void Released() override { FSession.reset(); }

private:
    // The named device, or the default one (with a notice) when the name matches none.
    PaDeviceIndex ChosenDevice()
    {
        if (FDeviceName.empty())
            return DefaultDevice(Direction());
        const std::vector<TSoundDevice> devices = ListSoundDevices();
        const TDeviceMatch match = MatchDevice(devices, Direction(), FDeviceName);
        if (match.Device)
            return match.Device->Index;
        if (FNotice && !FFallbackNoticed) {
            FFallbackNoticed = true;
            FNotice(DeviceMatchProblem(match, Direction(), FDeviceName) + "\nThe default " +
                    DirectionWord(Direction()) + " device is used instead.");
        }
        return DefaultDevice(Direction());
    }

    bool AcquireSession()
    {
        if (!FSession)
            FSession = std::make_unique<TPortAudioSession>();
        return FSession->Result() == paNoError;
    }

    static int StreamCallback(const void *input, void *output, unsigned long frames,
                              const PaStreamCallbackTimeInfo *, PaStreamCallbackFlags flags, void *user)
    {
        auto *self = static_cast<TPortAudioDevice *>(user);
        if (flags & paOutputUnderflow)
            self->HardwareUnderrun();
        const size_t samples = frames * 2;
        if (self->Direction() == TWaveDirection::In) {
            if (input)
                self->HardwareCaptured(static_cast<const int16_t *>(input), samples);
        } else if (output) {
            self->HardwarePlays(static_cast<int16_t *>(output), samples);
        }
        return paContinue;
    }

    // Runs when the stream ends for any reason; the base class ignores it during a close, so
    // what remains is a device or server that went away.
    static void StreamFinished(void *user) { static_cast<TPortAudioDevice *>(user)->HardwareFinished(); }

    const std::string FDeviceName;
    const TDeviceNoticeFunction FNotice;
    const TOutputBuffering FOutputBuffering;
    bool FFallbackNoticed = false;
    std::unique_ptr<TPortAudioSession> FSession;
    PaStream *FStream = nullptr;
};
}  // namespace

std::unique_ptr<TWaveDevice> MakePortAudioDevice(TWaveDirection direction, std::string deviceName,
                                                 TDeviceNoticeFunction notice, TPlaybackLatency latency)
{
    return std::make_unique<TPortAudioDevice>(direction, std::move(deviceName), std::move(notice), latency);
}

}  // namespace zelvaro
