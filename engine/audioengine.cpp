// Engine construction, the device switch, the worker threads and the orderly shut-down.
#include "audioengine.h"

#include "framepacing.h"
#include "portaudiodevice.h"
#include "threadpriority.h"

namespace zelvaro {

namespace {
constexpr const char *kNoMemoryText = "No memory for sound buffers!";
constexpr const char *kDeviceLostText =
    "The sound device stopped working: it was removed, or its sound server ended.\n"
    "Switch the generator and the analyser off and on again to reopen it.";
}  // namespace

TAudioEngine::TAudioEngine(TAudioBackend backend, TWarnFunction warn, TRunOnGui runOnGui,
                           TSampleHistory &history, TEngineState &state, TFrameWork frameWork,
                           TLoopbackOptions loopback)
    : FState(state), FHistory(history), FWarn(std::move(warn)), FRunOnGui(std::move(runOnGui)),
      FFrameWork(std::move(frameWork)), FBackend(backend)
{
    if (backend == TAudioBackend::Loopback) {
        FLoopback = std::make_shared<TLoopbackCard>(loopback);
        FWaveIn = FLoopback->MakeDevice(TWaveDirection::In);
        FWaveOut = FLoopback->MakeDevice(TWaveDirection::Out);
        FWaveIn->SetDeviceLostHandler([this](TWaveDirection d) { DeviceLost(d); });
        FWaveOut->SetDeviceLostHandler([this](TWaveDirection d) { DeviceLost(d); });
    } else {
        MakePortAudioDevices();
    }
    StartWorkers();
}

// Given devices are kept for the engine's life, as the loopback card's are.
TAudioEngine::TAudioEngine(std::unique_ptr<TWaveDevice> waveIn, std::unique_ptr<TWaveDevice> waveOut,
                           TWarnFunction warn, TRunOnGui runOnGui, TSampleHistory &history,
                           TEngineState &state, TFrameWork frameWork)
    : FState(state), FHistory(history), FWarn(std::move(warn)), FRunOnGui(std::move(runOnGui)),
      FFrameWork(std::move(frameWork)), FBackend(TAudioBackend::Loopback), FWaveIn(std::move(waveIn)),
      FWaveOut(std::move(waveOut))
{
    FWaveIn->SetDeviceLostHandler([this](TWaveDirection d) { DeviceLost(d); });
    FWaveOut->SetDeviceLostHandler([this](TWaveDirection d) { DeviceLost(d); });
    StartWorkers();
}

void TAudioEngine::StartWorkers()
{
    FFormat.SampleRate = kSampleRate;

    // Each thread's events are reset here, before it starts, not by the thread itself: a quit
    // signalled before a new thread first ran must not be lost.
    for (TEvent *event : {&FRequeueEvent, &FOutputDoneEvent, &FProcessEvent, &FProcessQuitEvent,
                          &FRequeueQuitEvent, &FGenQuitEvent})
        event->Reset();
    FReQueThread = std::thread([this] { ReQueBufferBody(); });
    FGenOutThread = std::thread([this] {
        SetCurrentThreadPriority(tpHighest);
        GenOutBody();
    });
    FProcessThread = std::thread([this] { DoProcessBody(); });

    // The cosine table was built with FSynth; the buffers come last.
    FSoundBuffersOk = AllocSoundBuffers() == 0;
    if (!FSoundBuffersOk && FWarn)
        FWarn(kNoMemoryText);
}

TAudioEngine::~TAudioEngine()
{
    Shutdown();
}

void TAudioEngine::SetErrorBox(TErrorBoxFunction errorBox)
{
    FErrorBox = std::move(errorBox);
}

void TAudioEngine::SetDeviceLostHandler(std::function<void()> handler)
{
    FDeviceLostHandler = std::move(handler);
}

// Device objects are replaced only while closed, and under their header locks: the re-queue and
// playback threads reach them only while holding those locks.
void TAudioEngine::MakePortAudioDevices()
{
    const TDeviceNoticeFunction notice = [this](const std::string &text) {
        if (FWarn)
            FWarn(text);
    };
    auto in = MakePortAudioDevice(TWaveDirection::In, FDeviceChoice.Input, notice);
    auto out = MakePortAudioDevice(TWaveDirection::Out, FDeviceChoice.Output, notice, FPlaybackLatency.load());
    in->SetDeviceLostHandler([this](TWaveDirection d) { DeviceLost(d); });
    out->SetDeviceLostHandler([this](TWaveDirection d) { DeviceLost(d); });
    {
        std::lock_guard<std::mutex> headers(FInHeadersLock);
        FWaveIn = std::move(in);
    }
    std::lock_guard<std::mutex> headers(FOutHeadersLock);
    if (FWaveOut)
        FUnderrunsOfClosedDevices += FWaveOut->Underruns();
    FWaveOut = std::move(out);
}

bool TAudioEngine::SelectSoundDevices(const TSoundDeviceChoice &choice)
{
    const bool reopen = FDevicesOpen;
    if (reopen)
        CloseDevices();
    FDeviceChoice = choice;
    if (FBackend == TAudioBackend::PortAudio && !FShutDown)
        MakePortAudioDevices();
    return reopen ? OpenDevices() : true;
}

void TAudioEngine::SetPlaybackLatency(TPlaybackLatency latency)
{
    FPlaybackLatency.store(latency);
    if (FBackend == TAudioBackend::PortAudio && !FShutDown)
        MakePortAudioDevices();
}

void TAudioEngine::SetBlockTap(TBlockTap tap)
{
    FBlockTap = std::move(tap);
}

int TAudioEngine::AllocSoundBuffers()
{
    FInBufArea.reset(new (std::nothrow) uint8_t[kBufAreaBytes]());
    FInBlockCopy.reset(new (std::nothrow) uint8_t[kBlockBytes]());
    FOutBufArea.reset(new (std::nothrow) uint8_t[kBufAreaBytes]());
    return FInBufArea && FInBlockCopy && FOutBufArea ? 0 : 1;
}

uint64_t TAudioEngine::CaptureSamplesDropped() const
{
    return FWaveIn->SamplesDropped();
}

uint64_t TAudioEngine::PlaybackUnderruns() const
{
    return FUnderrunsOfClosedDevices + FWaveOut->Underruns();
}

bool TAudioEngine::OpenDevices()
{
    if (FDevicesOpen)
        return true;
    if (!FSoundBuffersOk)
        return false;
    FDeviceLostReported.store(false);
    if (!StartInput())
        return false;
    if (!StartOutput()) {
        StopInput();
        return false;
    }
    FDevicesOpen = true;
    return true;
}

void TAudioEngine::CloseDevices()
{
    StopInput();
    StopOutput();
    FDevicesOpen = false;
}

bool TAudioEngine::UpdateDevices(bool generatorOn, bool analyserOn)
{
    if (generatorOn || analyserOn)
        return OpenDevices();
    if (FDevicesOpen)
        CloseDevices();
    return true;
}

void TAudioEngine::Shutdown()
{
    if (FShutDown)
        return;
    FShutDown = true;
    FRequeueQuitEvent.Set();
    FReQueThread.join();
    FGenQuitEvent.Set();
    FGenOutThread.join();
    FProcessQuitEvent.Set();
    FProcessThread.join();
    StopInput();
    StopOutput();
    FDevicesOpen = false;
}

void TAudioEngine::ShowError(const std::string &caption, const std::string &text)
{
    if (FErrorBox)
        FErrorBox(caption, text);
    else if (FWarn)
        FWarn(caption + ": " + text);
}

// Both devices usually die together; the user hears of it once per opening.
void TAudioEngine::DeviceLost(TWaveDirection)
{
    if (FDeviceLostReported.exchange(true))
        return;
    if (FWarn)
        FWarn(kDeviceLostText);
    if (FDeviceLostHandler && FRunOnGui)
        FRunOnGui(FDeviceLostHandler);
}

// TReQueBuffer: hands finished capture buffers back to the device. A buffer is re-added only
// while the device is open and not stopping; otherwise a buffer returned by the reset would be
// queued again on a device that is closing.
void TAudioEngine::ReQueBufferBody()
{
    while (WaitForAny({&FRequeueQuitEvent, &FRequeueEvent}) != 0) {
        std::lock_guard<std::mutex> headers(FInHeadersLock);
        for (TWaveHeader &header : FInHeaders) {
            if (!FWaveInIsOpen.load() || FWaveInStopping.load())
                break;
            if (!(header.Flags.load() & kWhdrDone))
                continue;
            const int result = FWaveIn->Queue(header);
            if (result != kWaveNoError) {
                // A stop that began meanwhile explains the failure; it is not worth a message.
                if (!FWaveInStopping.load() && FWarn)
                    FWarn("Error during inbuffer requeing, code " + std::to_string(result));
                break;
            }
        }
    }
}

// TGenOut: refills every free playback buffer and writes it. The state word becomes -1 before
// the write: the device may return the buffer (state 0) before the write call has even returned,
// and a -1 stored afterwards would mark it queued for ever.
void TAudioEngine::GenOutBody()
{
    while (WaitForAny({&FGenQuitEvent, &FOutputDoneEvent}) != 0) {
        if (!WaitForOutputLead())
            return;
        std::lock_guard<std::mutex> headers(FOutHeadersLock);
        FillOutputBuffers();
        for (TWaveHeader &header : FOutHeaders) {
            if (header.User.load() != 1)
                continue;
            header.User.store(-1);
            (void)FWaveOut->Queue(header);
        }
    }
}

// With a short latency a returned block is refilled only when kOutputLead of sound remains queued,
// so it carries the tone settings of that moment. False when the quit event came during the wait.
bool TAudioEngine::WaitForOutputLead()
{
    if (FPlaybackLatency.load() == TPlaybackLatency::Deep)
        return true;
    std::chrono::milliseconds wait{0};
    {
        std::lock_guard<std::mutex> headers(FOutHeadersLock);  // the device may be replaced meanwhile
        wait = OutputLeadWait(FWaveOut->PendingPlaybackSamples() / static_cast<size_t>(FFormat.Channels),
                              FFormat.SampleRate, kOutputLead);
    }
    return wait.count() == 0 || !FGenQuitEvent.Wait(wait);
}

// TDoProcess: one analyser frame per ProcessEvent while the analyser is on.
void TAudioEngine::DoProcessBody()
{
    while (WaitForAny({&FProcessQuitEvent, &FProcessEvent}) != 0) {
        if (!FState.SpecOn.load(std::memory_order_relaxed))
            continue;
        FState.Processing.store(true, std::memory_order_relaxed);
        if (FFrameWork)
            FFrameWork();
        FState.Processing.store(false, std::memory_order_relaxed);
    }
}

}  // namespace zelvaro
