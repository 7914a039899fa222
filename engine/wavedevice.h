// A wave-like sound device: buffers with headers, a callback per finished buffer, result codes.
#pragma once

#include "spscring.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <semaphore.h>
#include <string>
#include <thread>

namespace zelvaro {

// Result codes; the numbers are those the device messages are chosen by.
enum : int {
    kWaveNoError = 0,
    kWaveError = 1,          // unspecified; also "no device"
    kWaveBadDeviceId = 2,
    kWaveNotEnabled = 3,
    kWaveAllocated = 4,      // the device is in use
    kWaveInvalidHandle = 5,  // the device is not open
    kWaveNoDriver = 6,
    kWaveNoMem = 7,
    kWaveBadFormat = 32,
    kWaveStillPlaying = 33,
    kWaveUnprepared = 34,
};

// The message shown when opening a device fails with result, or an empty text for results that
// count as buffer errors instead. Lines are separated by "\n".
enum class TDeviceSide { Capture, Playback };
std::string OpenFailureText(int result, TDeviceSide side);

// Callback messages.
enum : int {
    kWomOpen = 955, kWomClose = 956, kWomDone = 957,
    kWimOpen = 958, kWimClose = 959, kWimData = 960,
};

// Header flags.
enum : uint32_t { kWhdrDone = 1, kWhdrPrepared = 2, kWhdrInQueue = 16 };

// The platform buffer header. The device and the program's threads hand headers over through
// Flags and User without a lock, so both are atomic.
struct TWaveHeader {
    uint8_t *Data = nullptr;
    uint32_t BufferLength = 0;                // bytes
    std::atomic<uint32_t> BytesRecorded{0};
    std::atomic<intptr_t> User{0};            // the program's state word
    std::atomic<uint32_t> Flags{0};

    void Clear()
    {
        Data = nullptr;
        BufferLength = 0;
        BytesRecorded.store(0);
        User.store(0);
        Flags.store(0);
    }
};

struct TWaveFormat {
    int Channels = 2;
    int SampleRate = 22050;
    int BitsPerSample = 16;
    int BlockAlign() const { return Channels * BitsPerSample / 8; }
    int AvgBytesPerSec() const { return BlockAlign() * SampleRate; }
};

enum class TWaveDirection { In, Out };

// How playback trades the delay of a change against safety from dropouts. Short: a change of a
// tone is heard about 0.15 s later, for the window, where a person hears and watches it. Deep:
// about 0.4 s, with buffers that ride out a busy machine, for measurements that run unattended
// and would be spoiled by a single gap.
enum class TPlaybackLatency { Short, Deep };

using TWaveCallback = std::function<void(int message, TWaveHeader *header)>;
// Called once (on the device's driver thread) when a running device stops for good.
using TDeviceLostHandler = std::function<void(TWaveDirection direction)>;

// One direction of a sound card with the operations of the wave interface. The hardware side (a
// real-time stream or the loopback clock) moves samples through a lock-free ring; a driver thread
// per open device turns them into finished buffers and delivers every callback, "opened" and
// "closed" included. Operations are called from the program's threads; Queue may run on another
// thread than the rest (the re-queue or playback thread). docs/threads.md shows where the driver
// and real-time threads sit among the others.
class TWaveDevice {
public:
    explicit TWaveDevice(TWaveDirection direction);
    virtual ~TWaveDevice();
    TWaveDevice(const TWaveDevice &) = delete;
    TWaveDevice &operator=(const TWaveDevice &) = delete;

    TWaveDirection Direction() const { return FDirection; }

    virtual int NumDevs() = 0;
    // The text for a result code of this device, at most maxChars characters.
    virtual std::string ErrorText(int code) const;

    // The wave operations. Virtual so that a test can stand in a device of its own (one that
    // fails, or returns a buffer before the call that queued it has returned).
    virtual int Open(const TWaveFormat &format, TWaveCallback callback);
    virtual int Prepare(TWaveHeader &header);
    virtual int Unprepare(TWaveHeader &header);
    virtual int Queue(TWaveHeader &header);  // waveInAddBuffer / waveOutWrite
    virtual int Start();                     // waveInStart / waveOutRestart
    virtual int Pause();                     // waveInStop / waveOutPause
    virtual int Reset();                     // every queued buffer comes back done
    virtual int Close();

    void SetDeviceLostHandler(TDeviceLostHandler handler);

    // Counters for tests and diagnostics.
    uint64_t BuffersDelivered() const { return FBuffersDelivered.load(); }
    uint64_t SamplesDropped() const { return FSamplesDropped.load(); }
    // Playback: times the hardware wanted samples that were not there (heard as a gap), counted
    // from the first sample played after the opening.
    uint64_t Underruns() const { return FUnderruns.load(); }
    // Playback: samples queued and not yet taken by the hardware (in the ring or still waiting to
    // go in). What the hardware has taken may still sit in the sound server's own buffer.
    size_t PendingPlaybackSamples();

    static constexpr size_t kErrorTextChars = 120;

protected:
    // The hardware side. OpenStream starts the stream (it runs from open to close; pausing is
    // done in the ring hand-over); it returns a result code.
    virtual int OpenStream(const TWaveFormat &format) = 0;
    virtual void CloseStream() = 0;
    // Close has finished, whether or not the device was open: resources that NumDevs or a failed
    // open acquired may go.
    virtual void Released() {}

    // Called by the hardware side in real time: never blocks, locks or allocates.
    void HardwareCaptured(const int16_t *samples, size_t count);
    void HardwarePlays(int16_t *samples, size_t count);
    void HardwareFinished();  // the stream ended on its own (device lost)
    void HardwareUnderrun() { FUnderruns.fetch_add(1, std::memory_order_relaxed); }  // a gap further down

private:
    void DriverBody();
    void DeliverCaptured();
    void DeliverPlayed();
    void FeedPlayback();
    void Wake();
    void ReturnAllQueued(std::deque<TWaveHeader *> &headers);

    const TWaveDirection FDirection;
    TSpscRing FRing;
    sem_t FWake;
    std::atomic<bool> FRunning{false};   // capture started / playback not paused
    std::atomic<bool> FStreamLost{false};
    std::atomic<bool> FStreamClosing{false};
    std::atomic<bool> FFlushRequested{false};
    std::atomic<bool> FDriverQuit{false};
    std::atomic<uint64_t> FBuffersDelivered{0};
    std::atomic<uint64_t> FSamplesDropped{0};
    std::atomic<uint64_t> FUnderruns{0};
    std::atomic<bool> FPlaybackBegun{false};  // real-time side only, reset by Open

    std::mutex FControlMutex;   // serialises Open/Close against each other
    std::mutex FDeliverMutex;   // one delivery or reset at a time; taken before FQueueMutex
    std::mutex FQueueMutex;     // guards the header queues and FOpen
    bool FOpen = false;
    std::deque<TWaveHeader *> FQueued;    // waiting for the hardware
    std::deque<TWaveHeader *> FInFlight;  // playback: copied into the ring, not yet played
    std::deque<uint64_t> FInFlightEnd;    // ring read count at which each one has been played
    size_t FFedOffset = 0;                // playback: bytes of FQueued.front() already in the ring
    TWaveCallback FCallback;
    TDeviceLostHandler FLostHandler;
    std::thread FDriver;
};

}  // namespace zelvaro
