// The platform loop inside the toolkit's loop: timers, posted messages and calls sent from
// another thread keep arriving while a modal dialog or a message box runs, also nested; a
// platform loop waiting inside the toolkit leaves the toolkit's events running.
#include "ToolkitTestEnvironment.h"

#include "base/Process.h"
#include "base/Window.h"
#include "ui/ToolkitLoop.h"

#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

#include <atomic>
#include <thread>

namespace {

// A platform window that counts what reaches it.
struct Counter {
    std::atomic<int> timers{0};
    std::atomic<int> posts{0};
    std::atomic<int> sends{0};
    std::function<void()> onMessage;
    HWND hwnd = nullptr;

    Counter()
    {
        hwnd = platform::CreateMessageWindow("Counter", "", [this](HWND h, UINT message, WPARAM w, LPARAM l) -> LRESULT {
            LRESULT result = 0;
            if (message == WM_TIMER)
                ++timers;
            else if (message == WM_APP)
                ++posts;
            else if (message == WM_APP + 1)
                result = (++sends, 42);
            else
                return DefWindowProcA(h, message, w, l);
            if (onMessage)
                onMessage();
            return result;
        });
    }
    ~Counter() { DestroyWindow(hwnd); }
};

// Posts five messages and sends one from another thread; `sent` gets the send's answer.
std::thread Worker(HWND target, std::atomic<LRESULT>& sent)
{
    return std::thread([target, &sent] {
        for (int i = 0; i < 5; ++i)
            PostMessageA(target, WM_APP, 0, 0);
        sent = SendMessageA(target, WM_APP + 1, 0, 0);
    });
}

// Ends a modal window that is still up after this long: the test has failed by then.
class Watchdog {
public:
    explicit Watchdog(wxDialog& dialog)
    {
        m_timer.Bind(wxEVT_TIMER, [&dialog](wxTimerEvent&) {
            if (dialog.IsModal())
                dialog.EndModal(wxID_ABORT);
        });
        m_timer.StartOnce(15000);
    }

private:
    wxTimer m_timer;
};

} // namespace

TEST(ToolkitLoop, TimersPostsAndSentCallsFlowWhileAModalDialogRuns)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitLoop loop;
    Counter counter;
    ASSERT_EQ(SetTimer(counter.hwnd, 7, 20, nullptr), 7u);
    std::atomic<LRESULT> sent{0};
    wxDialog dialog(nullptr, wxID_ANY, "Modal");
    Watchdog watchdog(dialog);
    counter.onMessage = [&] {
        if (counter.timers >= 3 && counter.posts == 5 && sent == 42 && dialog.IsModal())
            dialog.EndModal(wxID_OK);
    };
    std::thread worker;
    dialog.CallAfter([&] { worker = Worker(counter.hwnd, sent); });
    EXPECT_EQ(dialog.ShowModal(), wxID_OK);
    worker.join();
    EXPECT_GE(counter.timers, 3);
    EXPECT_EQ(counter.posts, 5);
    EXPECT_EQ(counter.sends, 1);
}

TEST(ToolkitLoop, TimersPostsAndSentCallsFlowWhileAMessageBoxRuns)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitLoop loop;
    Counter counter;
    SetTimer(counter.hwnd, 1, 20, nullptr);
    std::atomic<LRESULT> sent{0};
    wxGenericMessageDialog box(nullptr, "Text", "Caption", wxOK | wxCANCEL);
    Watchdog watchdog(box);
    counter.onMessage = [&] {
        if (counter.timers >= 3 && counter.posts == 5 && sent == 42 && box.IsModal())
            box.EndModal(wxID_OK);
    };
    std::thread worker;
    box.CallAfter([&] { worker = Worker(counter.hwnd, sent); });
    EXPECT_EQ(box.ShowModal(), wxID_OK);
    worker.join();
    EXPECT_EQ(counter.posts, 5);
    EXPECT_EQ(counter.sends, 1);
}

TEST(ToolkitLoop, NestedModalsKeepTheLoopRunningAndTheOuterOneGoesOnAfterTheInner)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitLoop loop;
    Counter counter;
    SetTimer(counter.hwnd, 1, 20, nullptr);
    wxDialog outer(nullptr, wxID_ANY, "Outer");
    Watchdog outerWatch(outer);
    enum class Stage { Outer, Inner, OuterAgain } stage = Stage::Outer;
    int innerStart = 0, innerEnd = 0;
    std::atomic<LRESULT> sent{0};
    wxDialog* inner = nullptr;
    counter.onMessage = [&] {
        switch (stage) {
        case Stage::Outer:
            if (counter.timers < 2)
                return;
            {
                // A timer message opens a second modal window on top of the first.
                stage = Stage::Inner;
                innerStart = counter.timers;
                wxGenericMessageDialog box(&outer, "Inner", "Inner", wxOK);
                Watchdog innerWatch(box);
                inner = &box;
                std::thread worker;
                box.CallAfter([&] { worker = Worker(counter.hwnd, sent); });
                EXPECT_EQ(box.ShowModal(), wxID_OK);
                worker.join();
                inner = nullptr;
                innerEnd = counter.timers;
                stage = Stage::OuterAgain;
            }
            return;
        case Stage::Inner:
            if (counter.timers >= innerStart + 3 && counter.posts == 5 && sent == 42 && inner->IsModal())
                inner->EndModal(wxID_OK);
            return;
        case Stage::OuterAgain:
            if (counter.timers >= innerEnd + 2 && outer.IsModal())
                outer.EndModal(wxID_OK);
            return;
        }
    };
    EXPECT_EQ(outer.ShowModal(), wxID_OK);
    EXPECT_EQ(stage, Stage::OuterAgain);
    EXPECT_GE(innerEnd - innerStart, 3);
    EXPECT_GE(counter.timers, innerEnd + 2);
    EXPECT_EQ(counter.posts, 5);
}

TEST(ToolkitLoop, APlatformLoopWaitingInsideTheToolkitLeavesTheToolkitsEventsRunning)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitLoop loop;
    bool done = false;
    int ticks = 0;
    wxTimer toolkitTimer;
    toolkitTimer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (++ticks == 3) {
            done = true;
            // A condition changed from outside the platform loop comes with a post.
            PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
        }
    });
    toolkitTimer.Start(20);
    // A modal loop of the platform (a message box of the console kind, a GetMessageA loop).
    EXPECT_TRUE(platform::MessageLoop::Current().RunUntil([&] { return done; }));
    EXPECT_EQ(ticks, 3);

    // GetMessageA in the toolkit: a message posted from a toolkit timer arrives.
    wxTimer poster;
    poster.Bind(wxEVT_TIMER, [](wxTimerEvent&) { PostThreadMessageA(GetCurrentThreadId(), WM_APP + 9, 1, 2); });
    poster.StartOnce(30);
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, WM_APP + 9, WM_APP + 9), TRUE);
    EXPECT_EQ(msg.wParam, 1u);
}

TEST(ToolkitLoop, AQuitRequestNoPlatformLoopTakesGoesToTheQuitHandler)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitLoop loop;
    int code = -1;
    loop.SetQuitHandler([&](int exitCode) { code = exitCode; });
    PostQuitMessage(3);
    EXPECT_TRUE(loop.RunUntil([&] { return code != -1; }, std::chrono::seconds(10)));
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(platform::MessageLoop::Current().QuitPending());
}

TEST(ToolkitLoop, RunForRunsTheLoopsTimersForThatLongOfRealTime)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitLoop loop;
    Counter counter;
    SetTimer(counter.hwnd, 1, 100, nullptr);
    const auto start = std::chrono::steady_clock::now();
    loop.RunFor(std::chrono::milliseconds(550));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(550));
    EXPECT_GE(counter.timers, 3);
    EXPECT_LE(counter.timers, 6);
}
