// Auto-reset events, wait-for-any, the threaded timer and the frame pacing arithmetic.
#include "fakegui.h"

#include <events.h>
#include <framepacing.h>
#include <thdtimer.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <thread>

namespace zelvaro {
namespace {

using namespace std::chrono_literals;
using test::TFakeGui;
using test::WaitFor;

TEST(Events, WaitForAnyReturnsTheLowestSignalledIndexAndResetsOnlyThatOne)
{
    TEvent a, b, c;
    c.Set();
    b.Set();
    EXPECT_EQ(WaitForAny({&a, &b, &c}, 0ms), 1);
    EXPECT_EQ(WaitForAny({&a, &b, &c}, 0ms), 2);
    EXPECT_EQ(WaitForAny({&a, &b, &c}, 0ms), kWaitTimeout);
}

TEST(Events, AutoResetHoldsOnePendingSignal)
{
    TEvent work;
    work.Set();
    work.Set();
    work.Set();
    EXPECT_TRUE(work.Wait(0ms));
    EXPECT_FALSE(work.Wait(0ms));
    work.Set();
    work.Reset();
    EXPECT_FALSE(work.Wait(0ms));
}

TEST(Events, QuitBeforeWorkWhenBothAreSignalledAndASetFromAnotherThreadWakes)
{
    TEvent quit, work;
    std::atomic<int> result{-2};
    std::thread waiter([&] { result = WaitForAny({&quit, &work}); });
    work.Set();
    waiter.join();
    EXPECT_EQ(result.load(), 1);
    work.Set();
    quit.Set();
    EXPECT_EQ(WaitForAny({&quit, &work}), 0);
}

TEST(FramePacing, FloorIsOneBlockPlusFiveMillisecondsClampedInSignedArithmetic)
{
    EXPECT_EQ(TickFloorMs(22050.0), 97u);
    EXPECT_EQ(TickFloorMs(44100.0), 51u);
    EXPECT_EQ(TickFloorMs(0.0), 10000u);  // 2048 / 0 is +inf
    EXPECT_EQ(TickFloorMs(-22050.0), 5u);
    EXPECT_EQ(TickFloorMs(std::nan("")), 5u);
    EXPECT_EQ(TickFloorMs(1.0), 10000u);
    EXPECT_EQ(TickFloorMs(1e12), 5u);
}

TEST(FramePacing, IntervalCreepsUpWhileBusyAndDownToTheFloor)
{
    EXPECT_EQ(NextTickInterval(kStartTickMs, false, 22050.0), 97u);  // the max rule lifts 80
    EXPECT_EQ(NextTickInterval(kStartTickMs, true, 22050.0), 81u);
    EXPECT_EQ(NextTickInterval(120, false, 22050.0), 119u);
    EXPECT_EQ(NextTickInterval(97, false, 22050.0), 97u);
    EXPECT_EQ(NextTickInterval(0, false, 22050.0), 97u);  // no unsigned wrap of 0 - 1
    EXPECT_EQ(NextTickInterval(10000, true, 22050.0), 10000u);
}

TEST(ThreadedTimer, DeliversTicksOnTheGuiThreadWithTheTimerAsSender)
{
    TFakeGui gui(true);
    std::atomic<int> ticks{0};
    std::atomic<TThreadedTimer *> sender{nullptr};
    TThreadedTimer timer(gui.RunOnGui());
    timer.SetInterval(10);
    timer.SetOnTimer([&](TThreadedTimer *s) {
        sender = s;
        ++ticks;
    });
    EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }));
    EXPECT_EQ(sender.load(), &timer);
}

TEST(ThreadedTimer, IntervalZeroOrNoHandlerDeliversNothing)
{
    TFakeGui gui(true);
    std::atomic<int> ticks{0};
    TThreadedTimer timer(gui.RunOnGui());
    timer.SetInterval(0);
    timer.SetOnTimer([&](TThreadedTimer *) { ++ticks; });
    TThreadedTimer noHandler(gui.RunOnGui());
    noHandler.SetInterval(1);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ticks.load(), 0);
    EXPECT_FALSE(gui.WaitQueued(1, 0ms));
    timer.SetInterval(1);  // now every condition holds: ticks come
    EXPECT_TRUE(WaitFor([&] { return ticks >= 1; }));
}

TEST(ThreadedTimer, StopFiresOneTickEarly)
{
    TFakeGui gui(true);
    std::atomic<int> ticks{0};
    TThreadedTimer timer(gui.RunOnGui());
    timer.SetInterval(60000);
    timer.SetOnTimer([&](TThreadedTimer *) { ++ticks; });
    // A Stop counts only once the timing thread waits; how soon that is depends on the machine.
    ASSERT_TRUE(WaitFor([&] { return timer.Waiting(); }));
    EXPECT_EQ(ticks.load(), 0);
    timer.Stop();
    EXPECT_TRUE(WaitFor([&] { return ticks == 1; }));
    // Exactly one: the timer goes back to waiting the full interval, and no second tick comes.
    ASSERT_TRUE(WaitFor([&] { return timer.Waiting(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.load(), 1);
}

TEST(ThreadedTimer, AStopBeforeTheWaitBeginsIsForgotten)
{
    TFakeGui gui(true);
    std::atomic<int> ticks{0};
    TThreadedTimer timer(gui.RunOnGui());
    timer.SetInterval(60000);
    timer.Stop();  // the thread is parked without a handler: no wait is in progress
    timer.SetOnTimer([&](TThreadedTimer *) { ++ticks; });
    ASSERT_TRUE(WaitFor([&] { return timer.Waiting(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.load(), 0);
}

TEST(ThreadedTimer, ChangingTheIntervalFromTheHandlerNeitherBlocksNorLosesTicks)
{
    TFakeGui gui(true);
    std::atomic<int> ticks{0};
    TThreadedTimer timer(gui.RunOnGui());
    timer.SetInterval(5);
    timer.SetOnTimer([&](TThreadedTimer *sender) {
        sender->SetInterval(sender->Interval() + 1);
        ++ticks;
    });
    ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }));
    timer.SetEnabled(false);
    const int delivered = ticks.load();
    EXPECT_EQ(timer.Interval(), 5u + static_cast<uint32_t>(delivered));
}

TEST(ThreadedTimer, KillAndDisableFromTheHandlerDoNotDeadlock)
{
    TFakeGui gui(true);
    std::atomic<int> ticks{0};
    TThreadedTimer timer(gui.RunOnGui());
    timer.SetInterval(5);
    timer.SetOnTimer([&](TThreadedTimer *sender) {
        if (++ticks == 2)
            sender->Kill();  // a fresh timing thread takes over
        if (ticks == 4)
            sender->SetEnabled(false);
    });
    ASSERT_TRUE(WaitFor([&] { return ticks >= 4; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.load(), 4);
}

TEST(ThreadedTimer, DestructionWhileATickWaitsForTheGuiThreadEndsAndTheLateTickIsHarmless)
{
    TFakeGui gui(false);  // the GUI thread never gets round to the tick
    std::atomic<int> ticks{0};
    {
        TThreadedTimer timer(gui.RunOnGui());
        timer.SetInterval(1);
        timer.SetOnTimer([&](TThreadedTimer *) { ++ticks; });
        ASSERT_TRUE(gui.WaitQueued(1));
    }  // must return although the tick is still queued
    gui.RunPending();
    EXPECT_EQ(ticks.load(), 0);
}

TEST(ThreadedTimer, DisablingCancelsATickTheGuiThreadHasNotRun)
{
    TFakeGui gui(false);
    std::atomic<int> ticks{0};
    TThreadedTimer timer(gui.RunOnGui());
    timer.SetInterval(1);
    timer.SetOnTimer([&](TThreadedTimer *) { ++ticks; });
    ASSERT_TRUE(gui.WaitQueued(1));
    timer.SetEnabled(false);
    gui.RunPending();
    EXPECT_EQ(ticks.load(), 0);
    EXPECT_FALSE(timer.Enabled());
}

}  // namespace
}  // namespace zelvaro
