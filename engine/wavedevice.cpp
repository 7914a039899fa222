// Driver side of the wave-like device: header queues, the driver thread and its callbacks.
#include "wavedevice.h"

#include "threadpriority.h"

#include <cerrno>
#include <ctime>
#include <future>
#include <memory>

namespace zelvaro {

namespace {
constexpr size_t kRingSamples = 16384;              // 8192 stereo frames: four 2048-frame blocks
constexpr long kDriverPollNs = 200L * 1000 * 1000;  // bounds how late a quit or a loss is seen

void WaitOrTimeout(sem_t *sem)
{
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_nsec += kDriverPollNs;
    if (deadline.tv_nsec >= 1000L * 1000 * 1000) {
        deadline.tv_nsec -= 1000L * 1000 * 1000;
        ++deadline.tv_sec;
    }
    while (sem_clockwait(sem, CLOCK_MONOTONIC, &deadline) != 0 && errno == EINTR) {
    }
    while (sem_trywait(sem) == 0) {
        // one pass handles every wake-up that is already pending
    }
}

size_t SamplesOf(const TWaveHeader &header)
{
    return header.BufferLength / sizeof(int16_t);
}

void MarkDone(TWaveHeader &header)
{
    header.Flags.store((header.Flags.load() & ~kWhdrInQueue) | kWhdrDone);
}
}  // namespace

TWaveDevice::TWaveDevice(TWaveDirection direction) : FDirection(direction), FRing(kRingSamples)
{
    sem_init(&FWake, 0, 0);
}

TWaveDevice::~TWaveDevice()
{
    sem_destroy(&FWake);
}

std::string TWaveDevice::ErrorText(int code) const
{
    std::string text;
    switch (code) {
    case kWaveNoError: text = "The operation completed successfully"; break;
    case kWaveError: text = "No usable sound device was found, or the sound device reported an unspecified error"; break;
    case kWaveBadDeviceId: text = "The sound device identifier is out of range"; break;
    case kWaveNotEnabled: text = "The sound driver failed to enable"; break;
    case kWaveAllocated: text = "The sound device is already in use"; break;
    case kWaveInvalidHandle: text = "The sound device is not open"; break;
    case kWaveNoDriver: text = "No sound driver is installed"; break;
    case kWaveNoMem: text = "Not enough memory for the sound device"; break;
    case kWaveBadFormat: text = "The sound device does not support the requested format"; break;
    case kWaveStillPlaying: text = "The sound device still holds buffers"; break;
    case kWaveUnprepared: text = "The buffer header has not been prepared"; break;
    default: text = "Unknown sound device error " + std::to_string(code); break;
    }
    return text.substr(0, kErrorTextChars);
}

void TWaveDevice::SetDeviceLostHandler(TDeviceLostHandler handler)
{
    std::lock_guard<std::mutex> lock(FQueueMutex);
    FLostHandler = std::move(handler);
}

int TWaveDevice::Open(const TWaveFormat &format, TWaveCallback callback)
{
    std::lock_guard<std::mutex> control(FControlMutex);
    {
        std::lock_guard<std::mutex> lock(FQueueMutex);
        if (FOpen)
            return kWaveAllocated;
        FCallback = std::move(callback);
        FQueued.clear();
        FInFlight.clear();
        FInFlightEnd.clear();
        FFedOffset = 0;
    }
    // Neither side of the ring runs yet, so it may be reset here.
    FRing.Reset();
    FRunning.store(FDirection == TWaveDirection::Out);  // playback plays unless paused
    FStreamLost.store(false);
    FStreamClosing.store(false);
    FFlushRequested.store(false);
    FDriverQuit.store(false);
    FPlaybackBegun.store(false);
    while (sem_trywait(&FWake) == 0) {
    }

    const int result = OpenStream(format);
    if (result != kWaveNoError)
        return result;
    {
        std::lock_guard<std::mutex> lock(FQueueMutex);
        FOpen = true;
    }
    // The driver thread delivers "opened" before anything else; Open returns after it.
    auto opened = std::make_shared<std::promise<void>>();
    auto openedDelivered = opened->get_future();
    FDriver = std::thread([this, opened] {
        // Playback keeps only a short queue at the sound server; its hand-over must not wait
        // behind ordinary threads on a busy machine.
        if (FDirection == TWaveDirection::Out)
            SetCurrentThreadPriority(tpHighest);
        FCallback(FDirection == TWaveDirection::In ? kWimOpen : kWomOpen, nullptr);
        opened->set_value();
        DriverBody();
    });
    openedDelivered.wait();
    return kWaveNoError;
}

int TWaveDevice::Prepare(TWaveHeader &header)
{
    if (!header.Data || header.BufferLength == 0 || header.BufferLength % 4 != 0)
        return kWaveError;
    header.Flags.store(header.Flags.load() | kWhdrPrepared);
    return kWaveNoError;
}

int TWaveDevice::Unprepare(TWaveHeader &header)
{
    const uint32_t flags = header.Flags.load();
    if (flags & kWhdrInQueue)
        return kWaveStillPlaying;
    header.Flags.store(flags & ~kWhdrPrepared);
    return kWaveNoError;
}

int TWaveDevice::Queue(TWaveHeader &header)
{
    if (!(header.Flags.load() & kWhdrPrepared))
        return kWaveUnprepared;
    {
        std::lock_guard<std::mutex> lock(FQueueMutex);
        if (!FOpen)
            return kWaveInvalidHandle;
        header.Flags.store((header.Flags.load() & ~kWhdrDone) | kWhdrInQueue);
        FQueued.push_back(&header);
    }
    Wake();
    return kWaveNoError;
}

int TWaveDevice::Start()
{
    std::lock_guard<std::mutex> lock(FQueueMutex);
    if (!FOpen)
        return kWaveInvalidHandle;
    FRunning.store(true);
    return kWaveNoError;
}

int TWaveDevice::Pause()
{
    std::lock_guard<std::mutex> lock(FQueueMutex);
    if (!FOpen)
        return kWaveInvalidHandle;
    FRunning.store(false);
    return kWaveNoError;
}

int TWaveDevice::Reset()
{
    std::deque<TWaveHeader *> returned;
    std::lock_guard<std::mutex> deliver(FDeliverMutex);
    {
        std::lock_guard<std::mutex> lock(FQueueMutex);
        if (!FOpen)
            return kWaveInvalidHandle;
        FRunning.store(FDirection == TWaveDirection::Out);  // capture stops; playback goes on
        returned.swap(FInFlight);
        returned.insert(returned.end(), FQueued.begin(), FQueued.end());
        FQueued.clear();
        FInFlightEnd.clear();
        FFedOffset = 0;
        FFlushRequested.store(true);  // what is still in the ring is not to be heard
    }
    ReturnAllQueued(returned);
    return kWaveNoError;
}

void TWaveDevice::ReturnAllQueued(std::deque<TWaveHeader *> &headers)
{
    const int message = FDirection == TWaveDirection::In ? kWimData : kWomDone;
    for (TWaveHeader *header : headers) {
        header->BytesRecorded.store(0);
        MarkDone(*header);
        FCallback(message, header);
    }
}

int TWaveDevice::Close()
{
    std::lock_guard<std::mutex> control(FControlMutex);
    {
        std::lock_guard<std::mutex> lock(FQueueMutex);
        if (!FOpen) {
            Released();
            return kWaveInvalidHandle;
        }
    }
    FStreamClosing.store(true);  // the stream's own end is not a loss
    CloseStream();
    {
        std::lock_guard<std::mutex> deliver(FDeliverMutex);
        std::lock_guard<std::mutex> lock(FQueueMutex);
        FOpen = false;
        // Buffers still queued are released without a callback: the device is going away.
        for (TWaveHeader *header : FQueued)
            header->Flags.store(header->Flags.load() & ~kWhdrInQueue);
        for (TWaveHeader *header : FInFlight)
            header->Flags.store(header->Flags.load() & ~kWhdrInQueue);
        FQueued.clear();
        FInFlight.clear();
        FInFlightEnd.clear();
    }
    FDriverQuit.store(true);
    Wake();
    if (FDriver.joinable())
        FDriver.join();
    Released();
    return kWaveNoError;
}

void TWaveDevice::Wake()
{
    sem_post(&FWake);
}

void TWaveDevice::HardwareCaptured(const int16_t *samples, size_t count)
{
    if (!FRunning.load(std::memory_order_relaxed))
        return;  // capture not started: the card's data is not kept
    const size_t written = FRing.Write(samples, count);
    if (written < count)
        FSamplesDropped.fetch_add(count - written, std::memory_order_relaxed);
    Wake();
}

void TWaveDevice::HardwarePlays(int16_t *samples, size_t count)
{
    size_t taken = 0;
    if (FFlushRequested.exchange(false, std::memory_order_acquire)) {
        int16_t discard[256];
        while (FRing.Read(discard, std::size(discard)) > 0) {
        }
    }
    if (FRunning.load(std::memory_order_relaxed)) {
        taken = FRing.Read(samples, count);
        if (taken < count && FPlaybackBegun.load(std::memory_order_relaxed))
            FUnderruns.fetch_add(1, std::memory_order_relaxed);
        if (taken > 0)
            FPlaybackBegun.store(true, std::memory_order_relaxed);
    }
    std::fill(samples + taken, samples + count, int16_t{0});  // paused or starved: silence
    Wake();
}

void TWaveDevice::HardwareFinished()
{
    if (FStreamClosing.load())
        return;
    FStreamLost.store(true);
    Wake();
}

void TWaveDevice::DriverBody()
{
    bool lossReported = false;
    while (!FDriverQuit.load()) {
        WaitOrTimeout(&FWake);
        if (FDriverQuit.load())
            break;
        if (FDirection == TWaveDirection::In) {
            DeliverCaptured();
        } else {
            DeliverPlayed();
            FeedPlayback();
        }
        if (FStreamLost.load() && !lossReported && !FStreamClosing.load()) {
            lossReported = true;
            TDeviceLostHandler handler;
            {
                std::lock_guard<std::mutex> lock(FQueueMutex);
                handler = FLostHandler;
            }
            if (handler)
                handler(FDirection);
        }
    }
    FCallback(FDirection == TWaveDirection::In ? kWimClose : kWomClose, nullptr);
}

void TWaveDevice::DeliverCaptured()
{
    std::lock_guard<std::mutex> deliver(FDeliverMutex);
    for (;;) {
        TWaveHeader *header = nullptr;
        {
            std::lock_guard<std::mutex> lock(FQueueMutex);
            if (FQueued.empty() || FRing.Available() < SamplesOf(*FQueued.front()))
                return;
            header = FQueued.front();
            FQueued.pop_front();
        }
        FRing.Read(reinterpret_cast<int16_t *>(header->Data), SamplesOf(*header));
        header->BytesRecorded.store(header->BufferLength);
        MarkDone(*header);
        FBuffersDelivered.fetch_add(1);
        FCallback(kWimData, header);
    }
}

void TWaveDevice::DeliverPlayed()
{
    std::lock_guard<std::mutex> deliver(FDeliverMutex);
    const uint64_t played = FRing.ReadCount();
    for (;;) {
        TWaveHeader *header = nullptr;
        {
            std::lock_guard<std::mutex> lock(FQueueMutex);
            if (FInFlight.empty() || FInFlightEnd.front() > played)
                return;
            header = FInFlight.front();
            FInFlight.pop_front();
            FInFlightEnd.pop_front();
        }
        MarkDone(*header);
        FBuffersDelivered.fetch_add(1);
        FCallback(kWomDone, header);
    }
}

size_t TWaveDevice::PendingPlaybackSamples()
{
    std::lock_guard<std::mutex> lock(FQueueMutex);
    size_t pending = FRing.Available();
    for (const TWaveHeader *header : FQueued)
        pending += SamplesOf(*header);
    return pending - FFedOffset / sizeof(int16_t);  // the front buffer's fed part is in the ring already
}

// Copies queued playback buffers into the ring as far as it has room; a buffer counts as played
// once the hardware has read past its last sample.
void TWaveDevice::FeedPlayback()
{
    std::lock_guard<std::mutex> lock(FQueueMutex);
    while (!FQueued.empty()) {
        TWaveHeader *header = FQueued.front();
        const auto *data = reinterpret_cast<const int16_t *>(header->Data);
        const size_t offset = FFedOffset / sizeof(int16_t);
        const size_t written = FRing.Write(data + offset, SamplesOf(*header) - offset);
        FFedOffset += written * sizeof(int16_t);
        if (FFedOffset < header->BufferLength)
            return;
        FQueued.pop_front();
        FInFlight.push_back(header);
        FInFlightEnd.push_back(FRing.WriteCount());
        FFedOffset = 0;
    }
}

std::string OpenFailureText(int result, TDeviceSide side)
{
    switch (result) {
    case kWaveAllocated:
        // Playback is opened second, so a busy playback side usually means the device cannot
        // play while it records.
        return side == TDeviceSide::Playback
                   ? "The sound device is already in use by another program.\n"
                     "Please check that it can play and record at the same time (full duplex)."
                   : "The sound device is already in use by another program.";
    case kWaveBadDeviceId:
        return "Bad SoundCard Device";
    case kWaveNoDriver:
        return "No SoundCard driver!";
    case kWaveNoMem:
        return "Not Enough Memory for SoundCard";
    case kWaveBadFormat:
        return "Your SoundCard does not support this Wave Format";
    default:
        return {};
    }
}

}  // namespace zelvaro
