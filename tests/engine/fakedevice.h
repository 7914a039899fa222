// A sound device that exists only in the tests: it refuses to open or to prepare with a chosen
// code, or (playback) hands a written buffer back before the write call has returned.
#pragma once

#include <wavedevice.h>

#include <deque>
#include <mutex>

namespace zelvaro::test {

class TFakeDevice final : public TWaveDevice {
public:
    struct TBehaviour {
        int NumDevs = 1;
        int OpenResult = kWaveNoError;
        int PrepareResult = kWaveNoError;
        // Playback: this many buffers come back done at once, from inside the write (or, for
        // buffers written while paused, from inside the restart); later ones are kept.
        int ImmediateReturns = 0;
    };

    TFakeDevice(TWaveDirection direction, TBehaviour behaviour)
        : TWaveDevice(direction), FBehaviour(behaviour)
    {
    }

    int NumDevs() override { return FBehaviour.NumDevs; }

    int Open(const TWaveFormat &, TWaveCallback callback) override
    {
        if (FBehaviour.OpenResult != kWaveNoError)
            return FBehaviour.OpenResult;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FCallback = std::move(callback);
            FOpen = true;
            FRunning = Direction() == TWaveDirection::Out;
        }
        FCallback(Direction() == TWaveDirection::In ? kWimOpen : kWomOpen, nullptr);
        return kWaveNoError;
    }

    int Prepare(TWaveHeader &header) override
    {
        if (FBehaviour.PrepareResult == kWaveNoError)
            header.Flags.store(header.Flags.load() | kWhdrPrepared);
        return FBehaviour.PrepareResult;
    }

    int Unprepare(TWaveHeader &header) override
    {
        header.Flags.store(header.Flags.load() & ~kWhdrPrepared);
        return kWaveNoError;
    }

    int Queue(TWaveHeader &header) override
    {
        bool returnNow = false;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (!FOpen)
                return kWaveInvalidHandle;
            ++FWrites;
            header.Flags.store((header.Flags.load() & ~kWhdrDone) | kWhdrInQueue);
            returnNow = FRunning && TakeImmediateReturn();
            if (!returnNow)
                FHeld.push_back(&header);
        }
        if (returnNow)
            Return(header);
        return kWaveNoError;
    }

    int Start() override
    {
        std::deque<TWaveHeader *> now;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (!FOpen)
                return kWaveInvalidHandle;
            FRunning = true;
            while (!FHeld.empty() && TakeImmediateReturn()) {
                now.push_back(FHeld.front());
                FHeld.pop_front();
            }
        }
        for (TWaveHeader *header : now)
            Return(*header);
        return kWaveNoError;
    }

    int Pause() override
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FRunning = false;
        return FOpen ? kWaveNoError : kWaveInvalidHandle;
    }

    int Reset() override
    {
        std::deque<TWaveHeader *> returned;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (!FOpen)
                return kWaveInvalidHandle;
            returned.swap(FHeld);
        }
        for (TWaveHeader *header : returned)
            Return(*header);
        return kWaveNoError;
    }

    int Close() override
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (!FOpen)
                return kWaveInvalidHandle;
            FOpen = false;
            FHeld.clear();
        }
        FCallback(Direction() == TWaveDirection::In ? kWimClose : kWomClose, nullptr);
        return kWaveNoError;
    }

    bool IsOpen() const
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return FOpen;
    }
    int Writes() const
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return FWrites;
    }
    int Held() const
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return static_cast<int>(FHeld.size());
    }

protected:
    int OpenStream(const TWaveFormat &) override { return kWaveNoError; }
    void CloseStream() override {}

private:
    bool TakeImmediateReturn()
    {
        if (Direction() != TWaveDirection::Out || FBehaviour.ImmediateReturns == 0)
            return false;
        --FBehaviour.ImmediateReturns;
        return true;
    }

    void Return(TWaveHeader &header)
    {
        header.Flags.store((header.Flags.load() & ~kWhdrInQueue) | kWhdrDone);
        FCallback(Direction() == TWaveDirection::In ? kWimData : kWomDone, &header);
    }

    TBehaviour FBehaviour;
    mutable std::mutex FMutex;
    TWaveCallback FCallback;
    bool FOpen = false;
    bool FRunning = false;
    int FWrites = 0;
    std::deque<TWaveHeader *> FHeld;
};

}  // namespace zelvaro::test
