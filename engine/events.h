// Auto-reset events with a wait for any of several, lowest signalled index first.
#pragma once

#include <chrono>
#include <initializer_list>

namespace zelvaro {

// An auto-reset event: Set leaves it signalled until one wait consumes it; it holds at most one
// pending signal, however often it was set. All events share one hub, so one waiter can sleep
// on several of them at once.
class TEvent {
public:
    TEvent() = default;
    TEvent(const TEvent &) = delete;
    TEvent &operator=(const TEvent &) = delete;

    void Set();
    void Reset();
    // Waits for this event alone; false on timeout.
    bool Wait(std::chrono::milliseconds timeout);

private:
    friend int WaitForAny(std::initializer_list<TEvent *>, std::chrono::milliseconds);
    bool FSignalled = false;  // guarded by the hub's mutex
};

constexpr int kWaitTimeout = -1;
constexpr std::chrono::milliseconds kInfinite = std::chrono::milliseconds::max();

// Returns the index of the lowest signalled event in the list and resets that one only, or
// kWaitTimeout when none was signalled within the timeout.
int WaitForAny(std::initializer_list<TEvent *> events, std::chrono::milliseconds timeout = kInfinite);

}  // namespace zelvaro
