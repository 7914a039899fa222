// A stand-in for the GUI thread: queued functions run on a thread of their own, or not at all.
#pragma once

#include <thdtimer.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zelvaro::test {

class TFakeGui {
public:
    // running: a thread runs queued functions as they come; otherwise they wait in the queue.
    explicit TFakeGui(bool running)
    {
        if (running)
            FThread = std::thread([this] { Body(); });
    }
    ~TFakeGui()
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FQuit = true;
        }
        FChanged.notify_all();
        if (FThread.joinable())
            FThread.join();
    }

    TRunOnGui RunOnGui()
    {
        return [this](std::function<void()> work) {
            {
                std::lock_guard<std::mutex> lock(FMutex);
                FQueue.push_back(std::move(work));
                ++FQueuedTotal;
            }
            FChanged.notify_all();
        };
    }

    // Waits (at most timeout) until at least count functions were queued in total.
    bool WaitQueued(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(FMutex);
        return FChanged.wait_for(lock, timeout, [&] { return FQueuedTotal >= count; });
    }

    // Runs whatever is queued now, on the calling thread.
    void RunPending()
    {
        std::deque<std::function<void()>> work;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            work.swap(FQueue);
        }
        for (auto &f : work)
            f();
    }

private:
    void Body()
    {
        std::unique_lock<std::mutex> lock(FMutex);
        while (!FQuit) {
            FChanged.wait(lock, [&] { return FQuit || !FQueue.empty(); });
            while (!FQueue.empty()) {
                auto work = std::move(FQueue.front());
                FQueue.pop_front();
                lock.unlock();
                work();
                lock.lock();
            }
        }
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    std::deque<std::function<void()>> FQueue;
    int FQueuedTotal = 0;
    bool FQuit = false;
    std::thread FThread;
};

// Polls a condition every few milliseconds until it holds or the timeout passes.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace zelvaro::test
