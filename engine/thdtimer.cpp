// Timing thread of TThreadedTimer: interval waits, Stop and Kill, and cancellable GUI ticks.
#include "thdtimer.h"

#include <chrono>

namespace zelvaro {

namespace {
using TClock = std::chrono::steady_clock;
}

// One tick handed to the GUI thread. The GUI side runs it unless it was cancelled first;
// the timing thread waits for Done or for cancellation.
struct TThreadedTimer::TPendingTick {
    std::mutex Mutex;
    std::condition_variable Finished;
    bool Cancelled = false;  // the GUI thread must not run it any more
    bool Abandoned = false;  // the timing thread stops waiting for it
    bool Done = false;
    bool Running = false;
    std::thread::id RunningOn;
};

TThreadedTimer::TThreadedTimer(TRunOnGui runOnGui) : FRunOnGui(std::move(runOnGui))
{
    StartThread();
}

TThreadedTimer::~TThreadedTimer()
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FEnabled = false;
        FTerminated = true;
    }
    EndThread();
}

bool TThreadedTimer::Enabled() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FEnabled;
}

uint32_t TThreadedTimer::Interval() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FInterval;
}

TThreadPriority TThreadedTimer::ThreadPriority() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FThreadPriority;
}

void TThreadedTimer::SetEnabled(bool value)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FEnabled == value)
            return;
        FEnabled = value;
    }
    UpdateTimer();
}

void TThreadedTimer::SetInterval(uint32_t value)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FInterval == value)
            return;
        FInterval = value;
    }
    UpdateTimer();
}

void TThreadedTimer::SetThreadPriority(TThreadPriority value)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FThreadPriority == value)
            return;
        FThreadPriority = value;
    }
    UpdateTimer();
}

void TThreadedTimer::SetOnTimer(TNotifyEvent handler)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FOnTimer = std::move(handler);
    }
    UpdateTimer();
}

// The timing thread parks itself whenever Active() is false; waking it is all that is needed.
// A tick already handed to the GUI thread is left alone while the timer stays active, so a
// handler that changes Interval neither blocks nor loses its own tick.
void TThreadedTimer::UpdateTimer()
{
    std::shared_ptr<TPendingTick> cancel;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (!Active())
            cancel = FPendingTick;
    }
    if (cancel) {
        std::lock_guard<std::mutex> lock(cancel->Mutex);
        if (!cancel->Running)
            cancel->Cancelled = true;
        cancel->Finished.notify_all();
    }
    FChanged.notify_all();
}

bool TThreadedTimer::Active() const
{
    return FInterval != 0 && FEnabled && FOnTimer;
}

void TThreadedTimer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStopEvent = true;
    }
    FChanged.notify_all();
}

bool TThreadedTimer::Waiting() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FWaiting;
}

void TThreadedTimer::Kill()
{
    EndThread();
    StartThread();
}

void TThreadedTimer::Timer()
{
    TNotifyEvent handler;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        handler = FOnTimer;
    }
    if (handler)
        handler(this);
}

void TThreadedTimer::StartThread()
{
    std::lock_guard<std::mutex> lock(FMutex);
    FKillEvent = false;
    const uint64_t generation = ++FGeneration;
    FTimerThread = std::thread([this, generation] { TimerThreadBody(generation); });
}

// Signals the kill, cancels a tick the GUI thread has not started, and joins. Called from inside
// OnTimer, the tick in progress runs on this very thread: the timing thread is told to stop
// waiting for it, so the join cannot deadlock. A tick running on another thread is waited for,
// so it never outlives the timer.
void TThreadedTimer::EndThread()
{
    std::shared_ptr<TPendingTick> pending;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FKillEvent = true;
        pending = FPendingTick;
    }
    if (pending) {
        std::unique_lock<std::mutex> lock(pending->Mutex);
        if (!pending->Running)
            pending->Cancelled = true;
        else if (pending->RunningOn != std::this_thread::get_id())
            pending->Finished.wait(lock, [&] { return pending->Done; });
        pending->Abandoned = true;
        pending->Finished.notify_all();
    }
    FChanged.notify_all();
    if (FTimerThread.joinable())
        FTimerThread.join();
}

bool TThreadedTimer::Ending(uint64_t generation) const
{
    return FKillEvent || FTerminated || generation != FGeneration;
}

void TThreadedTimer::TimerThreadBody(uint64_t generation)
{
    std::unique_lock<std::mutex> lock(FMutex);
    TThreadPriority applied = FThreadPriority;
    lock.unlock();
    SetCurrentThreadPriority(applied);
    lock.lock();

    auto elapsed = std::chrono::milliseconds(0);
    while (!Ending(generation)) {
        if (!Active()) {
            // Suspended: nothing is timed while Interval is 0, the timer is disabled or has no
            // handler. Resuming starts a full interval.
            FChanged.wait(lock, [&] { return Ending(generation) || Active(); });
            elapsed = std::chrono::milliseconds(0);
            continue;
        }
        if (FThreadPriority != applied) {
            applied = FThreadPriority;
            lock.unlock();
            SetCurrentThreadPriority(applied);
            lock.lock();
        }
        const auto interval = std::chrono::milliseconds(FInterval);
        if (elapsed < interval) {
            if (!WaitInterval(lock, generation, interval - elapsed))
                break;
        }
        if (Ending(generation) || !Active())
            continue;
        const auto t0 = TClock::now();
        if (!RunTickOnGui(lock, generation))
            break;
        elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - t0);
    }
}

// False when the thread is to end. A Stop signalled before the wait began does not count: the
// stop event is reset first, so Stop shortens only a wait that is in progress.
bool TThreadedTimer::WaitInterval(std::unique_lock<std::mutex> &lock, uint64_t generation,
                                  std::chrono::milliseconds wait)
{
    FStopEvent = false;
    FWaiting = true;
    const auto deadline = TClock::now() + wait;
    FChanged.wait_until(lock, deadline,
                        [&] { return Ending(generation) || FStopEvent || !Active(); });
    FWaiting = false;
    FStopEvent = false;
    return !Ending(generation);
}

// Hands one tick to the GUI thread and waits until it has run or was cancelled. FMutex is
// released during the wait so the handler may change the timer's properties.
bool TThreadedTimer::RunTickOnGui(std::unique_lock<std::mutex> &lock, uint64_t generation)
{
    auto tick = std::make_shared<TPendingTick>();
    FPendingTick = tick;
    lock.unlock();

    FRunOnGui([this, tick] {
        {
            std::lock_guard<std::mutex> guard(tick->Mutex);
            if (tick->Cancelled)
                return;  // the timer may be gone: touch nothing of it
            tick->Running = true;
            tick->RunningOn = std::this_thread::get_id();
        }
        Timer();
        std::lock_guard<std::mutex> guard(tick->Mutex);
        tick->Running = false;
        tick->Done = true;
        tick->Finished.notify_all();
    });

    {
        std::unique_lock<std::mutex> wait(tick->Mutex);
        tick->Finished.wait(wait, [&] { return tick->Done || tick->Cancelled || tick->Abandoned; });
    }
    lock.lock();
    if (FPendingTick == tick)
        FPendingTick.reset();
    return !Ending(generation);
}

}  // namespace zelvaro
