#include "base/MessageLoop.h"

#include "base/LastError.h"
#include "base/ManualClock.h"
#include "base/Process.h"
#include "base/WinError.h"
#include "base/Window.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using platform::ManualClock;
using platform::MessageLoop;
using platform::ScopedClock;

namespace {

class MessageLoopTest : public ::testing::Test {
protected:
    TempRoot root;
};

// Tests whose time stands still until they advance it.
class ManualLoopTest : public MessageLoopTest {
protected:
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(0, 1000);
    ScopedClock scoped{clock};
    MessageLoop& loop = MessageLoop::Current();
};

TEST_F(MessageLoopTest, TasksFromSeveralThreadsRunInOrderOnTheOwnerThread)
{
    MessageLoop& loop = MessageLoop::Current();
    const DWORD owner = GetCurrentThreadId();
    constexpr int kThreads = 4;
    constexpr int kTasks = 300;

    std::mutex lock;
    std::map<int, std::vector<int>> seen;
    std::atomic<int> wrongThread{0};
    std::atomic<int> done{0};

    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            auto target = MessageLoop::ForThread(owner);
            ASSERT_TRUE(target);
            for (int i = 0; i < kTasks; ++i) {
                ASSERT_TRUE(target->PostTask([&, t, i] {
                    if (GetCurrentThreadId() != owner)
                        ++wrongThread;
                    std::lock_guard g(lock);
                    seen[t].push_back(i);
                    ++done;
                }));
            }
        });
    }
    // Run while they post: RunUntil sleeps between posts and wakes for each.
    EXPECT_TRUE(loop.RunUntil([&] { return done.load() == kThreads * kTasks; }));
    for (auto& p : posters)
        p.join();

    EXPECT_EQ(wrongThread.load(), 0);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kThreads));
    for (const auto& [t, order] : seen) {
        ASSERT_EQ(order.size(), static_cast<std::size_t>(kTasks)) << "thread " << t;
        for (int i = 0; i < kTasks; ++i)
            EXPECT_EQ(order[i], i) << "thread " << t;
    }
}

TEST_F(MessageLoopTest, APostedTaskNeverRunsInsideThePostingCall)
{
    MessageLoop& loop = MessageLoop::Current();
    std::vector<std::string> log;
    loop.PostTask([&] {
        log.push_back("first");
        // Posted from inside a task: it waits for the next step.
        loop.PostTask([&] { log.push_back("second"); });
        log.push_back("first done");
    });
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(loop.RunPending(), 1u);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "first done"}));
    EXPECT_TRUE(loop.HasPendingWork());
    EXPECT_EQ(loop.RunPending(), 1u);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "first done", "second"}));
    EXPECT_EQ(loop.RunPending(), 0u);
    EXPECT_FALSE(loop.HasPendingWork());
}

TEST_F(ManualLoopTest, TimersFireWhenDueAndPeriodicOnesReArm)
{
    int periodic = 0;
    int once = 0;
    const UINT_PTR p = loop.StartTimer(100, [&] { ++periodic; });
    const UINT_PTR o = loop.StartTimer(250, [&] { ++once; }, MessageLoop::TimerRepeat::Once);
    EXPECT_NE(p, 0u);
    EXPECT_NE(o, 0u);
    EXPECT_NE(p, o);
    EXPECT_EQ(loop.NextTimerDue(), std::optional<ULONGLONG>(1100));

    loop.RunPending();
    EXPECT_EQ(periodic, 0);
    clock->advance(99);
    loop.RunPending();
    EXPECT_EQ(periodic, 0);
    clock->advance(1);
    loop.RunPending();
    EXPECT_EQ(periodic, 1);

    // Time passing tick by tick: 100 ms periods at 1200, 1300, ..., 2000; the one-shot at 1250.
    loop.AdvanceAndRun(*clock, 900);
    EXPECT_EQ(clock->tickCount(), 2000u);
    EXPECT_EQ(periodic, 10);
    EXPECT_EQ(once, 1);
    EXPECT_FALSE(loop.StopTimer(o)); // a one-shot timer is gone once it fired

    // A long jump fires a periodic timer once, not once per missed period.
    clock->advance(1000);
    loop.RunPending();
    EXPECT_EQ(periodic, 11);
    EXPECT_EQ(loop.NextTimerDue(), std::optional<ULONGLONG>(3100));

    EXPECT_TRUE(loop.StopTimer(p));
    EXPECT_FALSE(loop.StopTimer(p));
    loop.AdvanceAndRun(*clock, 1000);
    EXPECT_EQ(periodic, 11);
    EXPECT_FALSE(loop.NextTimerDue());
}

TEST_F(ManualLoopTest, PostedWorkRunsBeforeTimersAndATimerCanStopItself)
{
    std::vector<std::string> log;
    UINT_PTR id = 0;
    id = loop.StartTimer(10, [&] {
        log.push_back("timer");
        loop.StopTimer(id);
    });
    clock->advance(10);
    loop.PostTask([&] { log.push_back("task"); });
    loop.RunPending();
    EXPECT_EQ(log, (std::vector<std::string>{"task", "timer"}));
    loop.AdvanceAndRun(*clock, 100);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(MessageLoopTest, RunUntilNestsAndLeavesAQuitToTheOuterLoop)
{
    MessageLoop& loop = MessageLoop::Current();
    std::vector<std::string> log;
    bool answered = false;
    loop.PostTask([&] {
        log.push_back("modal start");
        loop.PostTask([&] {
            log.push_back("inner work");
            answered = true;
        });
        EXPECT_TRUE(loop.RunUntil([&] { return answered; }));
        log.push_back("modal end");

        // A quit ends a modal loop and stays pending for the loop outside it.
        loop.PostTask([&] { loop.Quit(5); });
        EXPECT_FALSE(loop.RunUntil([] { return false; }));
        EXPECT_TRUE(loop.QuitPending());
        log.push_back("modal quit");
    });
    loop.PostTask([&] { log.push_back("after"); });
    EXPECT_EQ(loop.Run(), 5);
    EXPECT_FALSE(loop.QuitPending());
    // The modal loop runs all work in order, including what was posted before it began.
    EXPECT_EQ(log, (std::vector<std::string>{"modal start", "after", "inner work", "modal end", "modal quit"}));
}

TEST_F(MessageLoopTest, WorkPostedBeforeTheQuitStillRuns)
{
    MessageLoop& loop = MessageLoop::Current();
    int ran = 0;
    loop.Quit(3);
    loop.PostTask([&] { ++ran; });
    loop.PostTask([&] { ++ran; });
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_EQ(ran, 2);
}

TEST_F(MessageLoopTest, RealClockLoopWakesForATimerAndForAPostFromAnotherThread)
{
    std::promise<std::shared_ptr<MessageLoop>> started;
    std::atomic<int> ticks{0};
    std::atomic<bool> posted{false};
    int exitCode = -1;
    std::chrono::steady_clock::duration timerAfter{};
    std::thread owner([&] {
        MessageLoop& loop = MessageLoop::Current();
        const auto start = std::chrono::steady_clock::now();
        loop.StartTimer(30, [&] {
            if (++ticks == 1)
                timerAfter = std::chrono::steady_clock::now() - start;
        });
        started.set_value(MessageLoop::CurrentShared());
        exitCode = loop.Run();
    });
    auto loop = started.get_future().get();
    // The loop sleeps until its timer: give it time for a few periods.
    while (ticks.load() < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // A post wakes it at once, from this thread.
    loop->PostTask([&] {
        posted = true;
        PostQuitMessage(9);
    });
    owner.join();
    EXPECT_TRUE(posted.load());
    EXPECT_EQ(exitCode, 9);
    // The tick count counts whole milliseconds: the first period may be up to one short.
    EXPECT_GE(timerAfter, std::chrono::milliseconds(29));
    EXPECT_LT(timerAfter, std::chrono::milliseconds(500));
}

TEST_F(MessageLoopTest, SendTaskRunsOnTheOwnerAndReturnsItsResult)
{
    std::promise<std::shared_ptr<MessageLoop>> started;
    std::atomic<DWORD> ranOn{0};
    std::thread owner([&] {
        started.set_value(MessageLoop::CurrentShared());
        MessageLoop::Current().Run();
    });
    auto loop = started.get_future().get();
    bool delivered = false;
    const LRESULT result = loop->SendTask(
        [&]() -> LRESULT {
            ranOn = GetCurrentThreadId();
            return 42;
        },
        &delivered);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(result, 42);
    EXPECT_EQ(ranOn.load(), loop->threadId());
    EXPECT_NE(ranOn.load(), GetCurrentThreadId());
    loop->Quit();
    owner.join();

    // Once the thread has ended its loop refuses work, and nobody waits for it.
    EXPECT_FALSE(MessageLoop::ForThread(loop->threadId()));
    EXPECT_FALSE(loop->PostTask([] {}));
    EXPECT_EQ(loop->SendTask([]() -> LRESULT { return 1; }, &delivered), 0);
    EXPECT_FALSE(delivered);
}

TEST_F(MessageLoopTest, TwoThreadsSendingToEachOtherDoNotLockUp)
{
    // Each thread sends to the other while the other waits for it: a waiting sender serves the
    // calls sent to its own thread.
    auto here = MessageLoop::CurrentShared();
    std::promise<std::shared_ptr<MessageLoop>> started;
    std::promise<void> sendNow;
    std::atomic<bool> served{false};
    std::atomic<bool> servedHere{false};
    LRESULT fromHere = 0;
    std::thread other([&] {
        started.set_value(MessageLoop::CurrentShared());
        sendNow.get_future().wait();
        fromHere = here->SendTask([&]() -> LRESULT {
            servedHere = true;
            return 7;
        });
        // Our call may have been answered before the other one reached us: serve it now.
        MessageLoop::Current().RunUntil([&] { return served.load(); });
    });
    auto otherLoop = started.get_future().get();
    sendNow.set_value();
    const LRESULT fromOther = otherLoop->SendTask([&]() -> LRESULT {
        served = true;
        return 11;
    });
    // Likewise the other thread's call may still wait for us.
    MessageLoop::Current().RunUntil([&] { return servedHere.load(); });
    other.join();
    EXPECT_EQ(fromOther, 11);
    EXPECT_EQ(fromHere, 7);
}

TEST_F(MessageLoopTest, ASentCallThatThrowsStillReleasesItsSender)
{
    MessageLoop& loop = MessageLoop::Current();
    auto self = MessageLoop::CurrentShared();
    LRESULT result = -1;
    bool delivered = false;
    std::thread sender([&] {
        result = self->SendTask([]() -> LRESULT { throw std::runtime_error("failed on the owner"); }, &delivered);
    });
    while (!loop.HasPendingWork())
        std::this_thread::yield();
    EXPECT_THROW(loop.RunPending(), std::runtime_error);
    sender.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(delivered);
}

TEST_F(MessageLoopTest, AThreadEndingReleasesCallsWaitingForIt)
{
    std::promise<std::shared_ptr<MessageLoop>> started;
    std::promise<void> finish;
    std::thread owner([&] {
        started.set_value(MessageLoop::CurrentShared());
        finish.get_future().wait(); // never pumps
    });
    auto loop = started.get_future().get();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        finish.set_value();
    });
    bool delivered = true;
    EXPECT_EQ(loop->SendTask([]() -> LRESULT { return 5; }, &delivered), 0);
    EXPECT_FALSE(delivered);
    releaser.join();
    owner.join();
}

TEST_F(ManualLoopTest, TheWakeHandlerHearsOfPostsAndTimers)
{
    std::mutex lock;
    std::vector<MessageLoop::WakeInfo> wakes;
    loop.SetWakeHandler([&](const MessageLoop::WakeInfo& info) {
        std::lock_guard g(lock);
        wakes.push_back(info);
    });
    std::thread poster([&, target = MessageLoop::CurrentShared()] { target->PostTask([] {}); });
    poster.join();
    {
        std::lock_guard g(lock);
        ASSERT_EQ(wakes.size(), 1u);
        EXPECT_TRUE(wakes.back().workReady);
        EXPECT_FALSE(wakes.back().nextTimerTick);
    }
    const UINT_PTR id = loop.StartTimer(500, [] {});
    {
        std::lock_guard g(lock);
        EXPECT_EQ(wakes.back().nextTimerTick, std::optional<ULONGLONG>(1500));
    }
    EXPECT_EQ(loop.RunPending(), 1u);
    {
        std::lock_guard g(lock);
        EXPECT_FALSE(wakes.back().workReady);
        EXPECT_EQ(wakes.back().nextTimerTick, std::optional<ULONGLONG>(1500));
    }
    loop.SetWakeHandler(nullptr);
    loop.StopTimer(id);
}

TEST_F(ManualLoopTest, PumpOnceRunsOneItemOfWork)
{
    int ran = 0;
    loop.PostTask([&] { ++ran; });
    loop.PostTask([&] { ++ran; });
    EXPECT_TRUE(loop.PumpOnce());
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(loop.PumpOnce());
    EXPECT_FALSE(loop.PumpOnce());
    EXPECT_EQ(ran, 2);
    loop.Quit(1);
    loop.PostTask([&] { ++ran; });
    EXPECT_TRUE(loop.PumpOnce());
    EXPECT_FALSE(loop.PumpOnce()); // only the quit is left
    int code = 0;
    EXPECT_TRUE(loop.TakeQuit(&code));
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(loop.QuitPending());
}

} // namespace
