// A timer whose ticks are timed on a worker thread and delivered on the GUI thread.
#pragma once

#include "threadpriority.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zelvaro {

class TThreadedTimer;

using TNotifyEvent = std::function<void(TThreadedTimer *sender)>;
// Queues a function to run later on the GUI thread and returns at once.
using TRunOnGui = std::function<void(std::function<void()>)>;

// Threading rules (docs/threads.md has all threads in one picture):
//  - The properties and methods are called on the GUI thread (tests may use any single thread),
//    including from inside OnTimer: a change made by the handler neither blocks nor loses the
//    tick in progress.
//  - The timing thread queues each tick through the run-on-GUI function and waits until the GUI
//    thread has run it. Kill, disabling, clearing the handler and destruction cancel that wait,
//    so none of them can deadlock on a tick the GUI thread has not run yet; a cancelled tick
//    that the GUI thread runs later does nothing.
class TThreadedTimer {
public:
    explicit TThreadedTimer(TRunOnGui runOnGui);
    ~TThreadedTimer();
    TThreadedTimer(const TThreadedTimer &) = delete;
    TThreadedTimer &operator=(const TThreadedTimer &) = delete;

    bool Enabled() const;
    void SetEnabled(bool value);
    uint32_t Interval() const;  // ms
    void SetInterval(uint32_t value);
    TThreadPriority ThreadPriority() const;
    void SetThreadPriority(TThreadPriority value);  // applied to the running timing thread too
    void SetOnTimer(TNotifyEvent handler);

    // Ends the current wait at once: the next tick fires without waiting the rest of the interval.
    void Stop();
    // True while the timing thread waits out an interval: the only time a Stop has an effect.
    bool Waiting() const;
    // Ends the timing thread and starts a fresh one (the elapsed time starts again from zero).
    void Kill();

    // Runs OnTimer with this timer as sender when a handler is assigned.
    void Timer();

private:
    struct TPendingTick;

    void UpdateTimer();
    bool Active() const;  // FMutex held
    void StartThread();
    void EndThread();
    void TimerThreadBody(uint64_t generation);
    bool WaitInterval(std::unique_lock<std::mutex> &lock, uint64_t generation,
                      std::chrono::milliseconds wait);
    bool RunTickOnGui(std::unique_lock<std::mutex> &lock, uint64_t generation);
    bool Ending(uint64_t generation) const;  // FMutex held

    const TRunOnGui FRunOnGui;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TThreadPriority FThreadPriority = tpNormal;
    TNotifyEvent FOnTimer;
    bool FKillEvent = false;  // ends the timing thread of the current generation
    bool FStopEvent = false;  // ends the current interval wait early
    bool FTerminated = false;
    bool FWaiting = false;    // the timing thread is inside an interval wait
    uint64_t FGeneration = 0;  // bumped by Kill so a replaced thread never acts on new state
    std::shared_ptr<TPendingTick> FPendingTick;
    std::thread FTimerThread;
};

}  // namespace zelvaro
