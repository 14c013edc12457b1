#include "base/Window.h"

#include "base/LastError.h"
#include "base/ManualClock.h"
#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

using platform::CreateMessageWindow;
using platform::ManualClock;
using platform::MessageLoop;
using platform::ScopedClock;

namespace {

// What a window procedure saw.
struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread;
    bool operator==(const Seen&) const = default;
};

class Recorder {
public:
    platform::WindowProcedure procedure(LRESULT answer = 0)
    {
        return [this, answer](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            std::lock_guard g(m_lock);
            m_seen.push_back({hwnd, message, wParam, lParam, GetCurrentThreadId()});
            return message == WM_CREATE ? 0 : answer;
        };
    }
    std::vector<Seen> seen()
    {
        std::lock_guard g(m_lock);
        return m_seen;
    }
    std::vector<UINT> messages()
    {
        std::vector<UINT> out;
        for (const auto& s : seen())
            out.push_back(s.message);
        return out;
    }
    void clear()
    {
        std::lock_guard g(m_lock);
        m_seen.clear();
    }

private:
    std::mutex m_lock;
    std::vector<Seen> m_seen;
};

class WindowTest : public ::testing::Test {
protected:
    TempRoot root;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(0, 5000);
    ScopedClock scoped{clock};
    MessageLoop& loop = MessageLoop::Current();
};

TEST_F(WindowTest, CreationSendsWmCreateAndARefusalDestroysTheWindow)
{
    int param = 0;
    std::vector<UINT> messages;
    const HWND hwnd = CreateMessageWindow("TimerClass", "ReminderTimer", [&](HWND h, UINT m, WPARAM, LPARAM l) -> LRESULT {
        messages.push_back(m);
        if (m == WM_CREATE) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(l);
            EXPECT_EQ(cs->lpCreateParams, &param);
            EXPECT_STREQ(cs->lpszName, "ReminderTimer");
            EXPECT_STREQ(cs->lpszClass, "TimerClass");
            EXPECT_EQ(cs->hwndParent, HWND_MESSAGE);
            EXPECT_TRUE(IsWindow(h));
        }
        return 0;
    }, HWND_MESSAGE, &param);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(platform::WindowName(hwnd), "ReminderTimer");
    EXPECT_EQ(messages, std::vector<UINT>{WM_CREATE});
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(messages, (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));

    messages.clear();
    const HWND refused = CreateMessageWindow("C", "", [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        messages.push_back(m);
        return m == WM_CREATE ? -1 : 0;
    });
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(messages, (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(WindowTest, PostedMessagesFromSeveralThreadsArriveInOrderOnTheOwner)
{
    Recorder rec;
    const HWND hwnd = CreateMessageWindow("C", "view", rec.procedure());
    rec.clear();
    constexpr int kThreads = 3;
    constexpr int kMessages = 200;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kMessages; ++i)
                ASSERT_TRUE(PostMessageA(hwnd, WM_APP + t, static_cast<WPARAM>(i), 0));
        });
    // Posting on the owner thread runs nothing either.
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_TRUE(rec.seen().empty());
    for (auto& p : posters)
        p.join();
    loop.RunPending();

    const auto seen = rec.seen();
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kMessages + 1));
    std::map<UINT, WPARAM> next;
    for (const auto& s : seen) {
        EXPECT_EQ(s.thread, GetCurrentThreadId());
        EXPECT_EQ(s.hwnd, hwnd);
        if (s.message == WM_USER)
            continue;
        EXPECT_EQ(s.wParam, next[s.message]) << "message " << s.message;
        next[s.message] = s.wParam + 1;
    }
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, PostingToNoWindowFails)
{
    Recorder rec;
    const HWND hwnd = CreateMessageWindow("C", "", rec.procedure());
    ASSERT_TRUE(DestroyWindow(hwnd));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_APP, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_EQ(SendMessageA(hwnd, WM_APP, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x1234), WM_APP, 0, 0));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), 0u);
}

TEST_F(WindowTest, SendMessageCallsDirectlyOnTheOwnerAndCarriesTheCallFromOtherThreads)
{
    Recorder rec;
    const HWND hwnd = CreateMessageWindow("C", "", rec.procedure(77));
    rec.clear();
    EXPECT_EQ(SendMessageA(hwnd, WM_APP + 4, 1, 2), 77);
    ASSERT_EQ(rec.seen().size(), 1u); // at once, not queued

    LRESULT fromThread = 0;
    std::thread sender([&] { fromThread = SendMessageA(hwnd, WM_APP + 3, 5, 6); });
    // The owner serves the call in its loop; the sender waits for the answer.
    EXPECT_TRUE(loop.RunUntil([&] { return rec.seen().size() == 2; }));
    sender.join();
    EXPECT_EQ(fromThread, 77);
    const auto seen = rec.seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], (Seen{hwnd, WM_APP + 3, 5, 6, GetCurrentThreadId()}));
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, SentMessagesGoAheadOfPostedOnes)
{
    Recorder rec;
    const HWND hwnd = CreateMessageWindow("C", "", rec.procedure());
    rec.clear();
    PostMessageA(hwnd, WM_APP + 1, 0, 0);
    std::atomic<int> wakes{0};
    loop.SetWakeHandler([&](const MessageLoop::WakeInfo&) { ++wakes; });
    std::thread sender([&] { SendMessageA(hwnd, WM_APP + 2, 0, 0); });
    while (wakes.load() == 0) // the sent call is queued
        std::this_thread::yield();
    loop.SetWakeHandler(nullptr);
    EXPECT_TRUE(loop.PumpOnce());
    sender.join();
    loop.RunPending();
    EXPECT_EQ(rec.messages(), (std::vector<UINT>{WM_APP + 2, WM_APP + 1}));
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, WindowTimersDeliverWmTimerCoalescedAndKillTimerStopsThem)
{
    Recorder rec;
    const HWND hwnd = CreateMessageWindow("C", "ReminderTimer", rec.procedure());
    rec.clear();
    EXPECT_EQ(SetTimer(hwnd, 1, 10000, nullptr), 1u);
    clock->advance(9999);
    loop.RunPending();
    EXPECT_TRUE(rec.seen().empty());
    clock->advance(1);
    loop.RunPending();
    ASSERT_EQ(rec.seen().size(), 1u);
    EXPECT_EQ(rec.seen()[0], (Seen{hwnd, WM_TIMER, 1, 0, GetCurrentThreadId()}));

    // Three periods pass before the loop runs: one WM_TIMER.
    clock->advance(35000);
    loop.RunPending();
    loop.RunPending();
    EXPECT_EQ(rec.seen().size(), 2u);

    // Setting the same id again replaces the period.
    EXPECT_EQ(SetTimer(hwnd, 1, 2000, nullptr), 1u);
    loop.AdvanceAndRun(*clock, 10000);
    EXPECT_EQ(rec.seen().size(), 7u);

    EXPECT_TRUE(KillTimer(hwnd, 1));
    EXPECT_FALSE(KillTimer(hwnd, 1));
    loop.AdvanceAndRun(*clock, 60000);
    EXPECT_EQ(rec.seen().size(), 7u);

    // Periods below the minimum are raised to it.
    SetTimer(hwnd, 2, 1, nullptr);
    EXPECT_EQ(loop.NextTimerDue(), std::optional<ULONGLONG>(clock->tickCount() + USER_TIMER_MINIMUM));
    DestroyWindow(hwnd);
}

std::vector<std::tuple<HWND, UINT, UINT_PTR>> g_timerCalls;
void CALLBACK RecordTimer(HWND hwnd, UINT message, UINT_PTR id, DWORD)
{
    g_timerCalls.emplace_back(hwnd, message, id);
}

TEST_F(WindowTest, ThreadTimersGetNewIdsAndCallTheirProcedure)
{
    g_timerCalls.clear();
    const UINT_PTR a = SetTimer(nullptr, 0, 100, RecordTimer);
    const UINT_PTR b = SetTimer(nullptr, 0, 100, RecordTimer);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    // Naming an existing thread timer restarts it instead of making a new one.
    EXPECT_EQ(SetTimer(nullptr, a, 300, RecordTimer), a);
    clock->advance(100);
    loop.RunPending();
    ASSERT_EQ(g_timerCalls.size(), 1u);
    EXPECT_EQ(g_timerCalls[0], std::make_tuple(HWND{nullptr}, UINT{WM_TIMER}, b));
    clock->advance(200);
    loop.RunPending();
    EXPECT_EQ(g_timerCalls.size(), 3u);
    EXPECT_TRUE(KillTimer(nullptr, a));
    EXPECT_TRUE(KillTimer(nullptr, b));

    // Without a procedure a thread timer is a thread message for GetMessageA/PeekMessageA.
    const UINT_PTR c = SetTimer(nullptr, 0, 50, nullptr);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    clock->advance(50);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, c);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)); // re-armed, not due
    KillTimer(nullptr, c);
}

TEST_F(WindowTest, DestroyWindowKillsTimersDropsMessagesAndTakesChildrenAlong)
{
    std::vector<std::pair<std::string, UINT>> log;
    auto logger = [&log](std::string name) {
        return [&log, name](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
            log.emplace_back(name, m);
            if (m == WM_DESTROY) {
                // Still a window with its timers while it is told.
                EXPECT_TRUE(IsWindow(h));
                EXPECT_TRUE(KillTimer(h, 1));
            }
            return 0;
        };
    };
    const HWND parent = CreateMessageWindow("C", "parent", logger("parent"));
    const HWND child = CreateMessageWindow("C", "child", logger("child"), parent);
    ASSERT_NE(child, nullptr);
    for (HWND h : {parent, child}) {
        SetTimer(h, 1, 100, nullptr);
        SetTimer(h, 2, 100, nullptr);
    }
    PostMessageA(parent, WM_APP, 0, 0);
    PostMessageA(child, WM_APP, 0, 0);
    std::thread other([&] {
        SetLastError(0);
        EXPECT_FALSE(DestroyWindow(parent));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(SetTimer(parent, 3, 100, nullptr), 0u);
    });
    other.join();
    log.clear();

    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(log, (std::vector<std::pair<std::string, UINT>>{
                       {"parent", WM_DESTROY}, {"child", WM_DESTROY}, {"child", WM_NCDESTROY}, {"parent", WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    log.clear();
    EXPECT_FALSE(loop.NextTimerDue());
    loop.AdvanceAndRun(*clock, 1000);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(loop.HasPendingWork());
}

TEST_F(WindowTest, DestroyingItselfInsideItsOwnMessageIsSafe)
{
    int destroyed = 0;
    const HWND hwnd = CreateMessageWindow("C", "", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_DESTROY) {
            ++destroyed;
            DestroyWindow(h); // a second destroy from inside does nothing more
        }
        return DefWindowProcA(h, m, w, l);
    });
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    PostMessageA(hwnd, WM_APP, 0, 0);
    loop.RunPending();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, GetMessageLoopRunsUntilPostQuitMessage)
{
    Recorder rec;
    const HWND hwnd = CreateMessageWindow("C", "", rec.procedure());
    rec.clear();
    int taskRan = 0;
    PostMessageA(hwnd, WM_APP + 0x78, 1, 0);
    loop.PostTask([&] { ++taskRan; });
    PostMessageA(hwnd, WM_APP + 0x6e, 0, 0);
    PostQuitMessage(4);
    PostMessageA(hwnd, WM_APP + 0x79, 0, 0); // posted after the quit, still taken before it

    MSG msg{};
    int got = 0;
    BOOL r;
    while ((r = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
        ASSERT_NE(r, -1);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++got;
    }
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_EQ(got, 3);
    EXPECT_EQ(taskRan, 1);
    EXPECT_EQ(rec.messages(), (std::vector<UINT>{WM_APP + 0x78, WM_APP + 0x6e, WM_APP + 0x79}));
    EXPECT_FALSE(loop.QuitPending());

    SetLastError(0);
    EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(0x999), 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, PeekMessageFiltersAndLeavesOrTakes)
{
    Recorder rec;
    const HWND a = CreateMessageWindow("C", "a", rec.procedure());
    const HWND b = CreateMessageWindow("C", "b", rec.procedure());
    PostMessageA(a, WM_APP + 1, 0, 0);
    PostMessageA(b, WM_APP + 2, 0, 0);
    PostMessageA(nullptr, WM_USER + 7, 0, 0); // thread message

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP + 2));
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 100, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP + 5, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, a);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(WindowRealClock, GetMessageForOneWindowSleepsWhileAnotherWindowsTimerIsDue)
{
    TempRoot root;
    const auto noop = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
    const HWND a = CreateMessageWindow("C", "a", noop);
    const HWND b = CreateMessageWindow("C", "b", noop);
    SetTimer(b, 1, USER_TIMER_MINIMUM, nullptr);
    std::thread poster([a] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        PostMessageA(a, WM_APP, 0, 0);
    });
    timespec before{}, after{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, a, 0, 0), TRUE);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
    poster.join();
    EXPECT_EQ(msg.hwnd, a);
    // B's due timer is no reason to wake: the wait costs next to no processor time.
    const double cpuMs = (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 50.0);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST_F(WindowTest, PostThreadMessageReachesAnotherThreadsQueue)
{
    std::promise<DWORD> started;
    MSG received{};
    std::thread worker([&] {
        MessageLoop::Current();
        started.set_value(GetCurrentThreadId());
        MSG msg{};
        if (GetMessageA(&msg, nullptr, 0, 0) > 0)
            received = msg;
    });
    const DWORD id = started.get_future().get();
    EXPECT_TRUE(PostThreadMessageA(id, WM_APP + 9, 3, 4));
    worker.join();
    EXPECT_EQ(received.message, static_cast<UINT>(WM_APP + 9));
    EXPECT_EQ(received.wParam, 3u);
    EXPECT_EQ(received.lParam, 4);

    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(id, WM_APP, 0, 0)); // its thread has ended
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
}

TEST_F(WindowTest, UserDataAndOwnerThread)
{
    const HWND hwnd = CreateMessageWindow("C", "", [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    int object = 0;
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&object)), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&object));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, -4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));

    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, static_cast<DWORD>(getpid()));
    std::thread other([&] { EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), loop.threadId()); });
    other.join();
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, AThreadEndingTakesItsWindowsWithIt)
{
    std::promise<HWND> made;
    std::thread worker([&] {
        made.set_value(CreateMessageWindow("C", "", [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }));
    });
    const HWND hwnd = made.get_future().get();
    worker.join();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessageA(hwnd, WM_APP, 0, 0));
}

TEST(RegisterWindowMessage, SameNameSameIdFromC000)
{
    const UINT a = RegisterWindowMessageA("Tembrix-{EBC54183-39B4-4b44-839B-2A80F191FB03}");
    const UINT b = RegisterWindowMessageA("LumivaneTaskBarOK");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_GE(b, 0xC000u);
    EXPECT_NE(a, b);
    EXPECT_EQ(RegisterWindowMessageA("Tembrix-{EBC54183-39B4-4b44-839B-2A80F191FB03}"), a);
    EXPECT_EQ(RegisterWindowMessageA("tembrix-{ebc54183-39b4-4B44-839b-2a80f191fb03}"), a);
    UINT fromThread = 0;
    std::thread other([&] { fromThread = RegisterWindowMessageA("LumivaneTaskBarOK"); });
    other.join();
    EXPECT_EQ(fromThread, b);
    SetLastError(0);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

} // namespace
