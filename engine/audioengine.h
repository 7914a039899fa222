// The audio engine the main window drives: devices, the three worker threads and the six events.
#pragma once

#include "enginestate.h"
#include "events.h"
#include "loopbackcard.h"
#include "sounddevices.h"
#include "thdtimer.h"
#include "wavedevice.h"

#include <samplehistory.h>
#include <tonesynth.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zelvaro {

enum class TAudioBackend { PortAudio, Loopback };

constexpr int kSampleRate = 22050;          // Hz, both directions, never changed
constexpr int kBytesPerSample = 2;
constexpr int kSoundBufferCount = 4;
constexpr int kBlockBytes = kBytesPerSample * 4096;  // 2048 stereo frames: 8192 bytes
constexpr int kBufAreaBytes = 40960;        // four buffers; the last 8192 bytes stay unused
// Playback blocks in circulation; capture keeps all four. Two let the next block wait, filled,
// behind the one being played.
constexpr int kOutputBlocksAhead = 2;
// With a short playback latency a free block is synthesised only when this much sound is left
// ahead of the hardware, so a change of a tone waits for this lead, not for a whole queued block.
// It must outlast the wake-up of the playback thread on a busy machine and one period of the
// sound device. With a deep one a free block is refilled at once.
constexpr std::chrono::milliseconds kOutputLead{45};

// Shows a text in a warning box owned by the main window, caption "Zelvaro" (WarnBox). Called
// from any thread: the GUI supplies a function that queues the box to the GUI thread.
using TWarnFunction = std::function<void(const std::string &text)>;
// A warning box with its own caption ("Audio input error", "Audio output error"), from the GUI
// thread. Without one, such texts go to the warn function as "caption: text".
using TErrorBoxFunction = std::function<void(const std::string &caption, const std::string &text)>;
// One analyser frame (UpdateSpectrum and its drawing), run on the processing thread.
using TFrameWork = std::function<void()>;
// Every captured block (kBlockFrames interleaved left/right frames), on the capture driver thread
// after the block slid into the history: a measurement without a window reads the same samples.
using TBlockTap = std::function<void(const int16_t *interleaved, int frames)>;

// Threading rules (docs/threads.md has all threads, events and locks in one picture):
//  - Construct, Open/Close/UpdateDevices, StartInput/StopInput, StartOutput/StopOutput and
//    Shutdown on the GUI thread only. SignalProcess and the synth's phase setters may be called
//    from any thread (TickTimer and the generator controls use them on the GUI thread).
//  - The state record is read without locks, one value per block or frame; the GUI thread writes it.
//  - The sample history is written by the capture driver thread (ProcessInputBlock) under its lock
//    and read by the frame work on the processing thread.
//  - The warn function may be called from the driver and worker threads; the frame work runs on
//    the processing thread; the device-lost handler runs through the run-on-GUI function.
class TAudioEngine {
public:
    // Creates the six events, starts TReQueBuffer, TGenOut (highest priority) and TDoProcess,
    // builds the cosine table and allocates the sound buffers; a failed allocation is warned with
    // "No memory for sound buffers!" and SoundBuffersOk() is then false (the program must end).
    TAudioEngine(TAudioBackend backend, TWarnFunction warn, TRunOnGui runOnGui,
                 TSampleHistory &history, TEngineState &state, TFrameWork frameWork,
                 TLoopbackOptions loopback = {});
    // The same on two given devices, capture and playback (tests stand in devices that fail or
    // return buffers with a timing of their own).
    TAudioEngine(std::unique_ptr<TWaveDevice> waveIn, std::unique_ptr<TWaveDevice> waveOut,
                 TWarnFunction warn, TRunOnGui runOnGui, TSampleHistory &history,
                 TEngineState &state, TFrameWork frameWork);
    ~TAudioEngine();  // Shutdown() if it has not run
    TAudioEngine(const TAudioEngine &) = delete;
    TAudioEngine &operator=(const TAudioEngine &) = delete;

    bool SoundBuffersOk() const { return FSoundBuffersOk; }
    void SetErrorBox(TErrorBoxFunction errorBox);
    // Runs on the GUI thread after a device stopped for good (the user has been warned already).
    void SetDeviceLostHandler(std::function<void()> handler);
    // Set while the devices are closed; the tap then sees every block of the next opening.
    void SetBlockTap(TBlockTap tap);

    // Capture and playback together: StartInput, then StartOutput only if that succeeded. False
    // when either failed (its message has been shown); the caller then closes the main window.
    bool OpenDevices();
    void CloseDevices();  // StopInput, then StopOutput
    bool DevicesOpen() const { return FDevicesOpen; }
    // Devices open while the generator or the analyser is on and close when both are off.
    bool UpdateDevices(bool generatorOn, bool analyserOn);

    // The sound devices to use from the next opening on (the loopback card has no choice). Open
    // devices close and reopen with the new choice; false when that reopening failed (its message
    // has been shown and the devices are closed).
    bool SelectSoundDevices(const TSoundDeviceChoice &choice);
    const TSoundDeviceChoice &SoundDeviceChoice() const { return FDeviceChoice; }
    // Short (the default) for the window, Deep for unattended measurements; from the next opening
    // on. GUI thread, devices closed.
    void SetPlaybackLatency(TPlaybackLatency latency);
    // Openings of the output device since construction (for tests and diagnostics).
    uint64_t OutputOpenings() const { return FOutputOpenings.load(); }

    bool StartInput();
    void StopInput();
    bool StartOutput();
    void StopOutput();

    // ProcessEvent: lets TDoProcess compute one frame (TickTimer signals it on every tick).
    void SignalProcess() { FProcessEvent.Set(); }

    // FormCloseQuery's order: end TReQueBuffer, TGenOut and TDoProcess one after the other through
    // their quit events, then StopInput and StopOutput. The caller disables Tick before.
    void Shutdown();

    // The generator's phases: ResetPhases when the generator is switched on, CopyLeftPhaseToRight
    // for "R = L".
    TToneSynth &Synth() { return FSynth; }

    // Blocks handed over since construction (for tests and diagnostics).
    uint64_t BlocksCaptured() const { return FBlocksCaptured.load(); }
    uint64_t BlocksGenerated() const { return FBlocksGenerated.load(); }
    uint64_t CaptureSamplesDropped() const;
    uint64_t PlaybackUnderruns() const;  // gaps in the output since construction

private:
    void MakePortAudioDevices();
    void StartWorkers();  // events, the three threads and the sound buffers
    int AllocSoundBuffers();
    int OpenWaveIn();
    void CloseWaveIn();
    void WaveInProc(int message, TWaveHeader *header);
    int OpenWaveOut();
    void CloseWaveOut();
    void WaveOutProc(int message, TWaveHeader *header);
    TWaveHeader *GetFreeOutHeader();
    void FillOutputBuffers();
    bool WaitForOutputLead();
    void ProcessInputBlock();
    TToneSettings ReadToneSettings() const;

    void ReQueBufferBody();
    void GenOutBody();
    void DoProcessBody();

    void ShowError(const std::string &caption, const std::string &text);
    void DeviceLost(TWaveDirection direction);

    TEngineState &FState;
    TSampleHistory &FHistory;
    const TWarnFunction FWarn;
    const TRunOnGui FRunOnGui;
    const TFrameWork FFrameWork;
    TErrorBoxFunction FErrorBox;
    std::function<void()> FDeviceLostHandler;
    TBlockTap FBlockTap;

    const TAudioBackend FBackend;
    TSoundDeviceChoice FDeviceChoice;
    std::atomic<TPlaybackLatency> FPlaybackLatency{TPlaybackLatency::Short};
    std::atomic<uint64_t> FOutputOpenings{0};
    uint64_t FUnderrunsOfClosedDevices = 0;  // GUI thread: devices replaced by a new choice
    std::shared_ptr<TLoopbackCard> FLoopback;
    std::unique_ptr<TWaveDevice> FWaveIn;   // hWaveIn
    std::unique_ptr<TWaveDevice> FWaveOut;  // hWaveOut
    TWaveFormat FFormat;

    std::unique_ptr<uint8_t[]> FInBufArea;
    std::unique_ptr<uint8_t[]> FInBlockCopy;
    std::unique_ptr<uint8_t[]> FOutBufArea;
    bool FSoundBuffersOk = false;
    std::array<TWaveHeader, kSoundBufferCount> FInHeaders;
    std::array<TWaveHeader, kSoundBufferCount> FOutHeaders;
    // Held by the worker thread of each side for one pass over its headers, and by the GUI thread
    // while it opens or closes that device: a pass never meets headers being set up or released.
    std::mutex FInHeadersLock;
    std::mutex FOutHeadersLock;

    std::atomic<bool> FWaveInIsOpen{false};
    std::atomic<bool> FWaveInStopping{false};
    std::atomic<bool> FWaveOutIsOpen{false};
    std::atomic<bool> FWaveOutStopping{false};
    std::atomic<TWaveHeader *> FLastInHeader{nullptr};
    std::atomic<TWaveHeader *> FLastOutHeader{nullptr};
    std::atomic<bool> FDeviceLostReported{false};
    bool FDevicesOpen = false;
    bool FShutDown = false;

    TToneSynth FSynth;
    std::atomic<uint64_t> FBlocksCaptured{0};
    std::atomic<uint64_t> FBlocksGenerated{0};

    TEvent FRequeueEvent;
    TEvent FOutputDoneEvent;
    TEvent FProcessEvent;
    TEvent FProcessQuitEvent;
    TEvent FRequeueQuitEvent;
    TEvent FGenQuitEvent;
    std::thread FReQueThread;
    std::thread FGenOutThread;
    std::thread FProcessThread;
};

}  // namespace zelvaro
