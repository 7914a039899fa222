// One mutex and condition variable shared by all events keep wait-for-any simple and race-free.
#include "events.h"

#include <condition_variable>
#include <mutex>

namespace zelvaro {

namespace {
struct TEventHub {
    std::mutex Mutex;
    std::condition_variable Changed;
};

TEventHub &Hub()
{
    static TEventHub hub;
    return hub;
}

int TakeLowestSignalled(std::initializer_list<TEvent *> events, bool TEvent::*signalled)
{
    int index = 0;
    for (TEvent *event : events) {
        if (event->*signalled) {
            event->*signalled = false;
            return index;
        }
        ++index;
    }
    return kWaitTimeout;
}
}  // namespace

void TEvent::Set()
{
    {
        std::lock_guard<std::mutex> lock(Hub().Mutex);
        FSignalled = true;
    }
    Hub().Changed.notify_all();
}

void TEvent::Reset()
{
    std::lock_guard<std::mutex> lock(Hub().Mutex);
    FSignalled = false;
}

bool TEvent::Wait(std::chrono::milliseconds timeout)
{
    return WaitForAny({this}, timeout) == 0;
}

int WaitForAny(std::initializer_list<TEvent *> events, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(Hub().Mutex);
    int index = kWaitTimeout;
    auto ready = [&] {
        index = TakeLowestSignalled(events, &TEvent::FSignalled);
        return index != kWaitTimeout;
    };
    if (timeout == kInfinite)
        Hub().Changed.wait(lock, ready);
    else
        Hub().Changed.wait_for(lock, timeout, ready);
    return index;
}

}  // namespace zelvaro
