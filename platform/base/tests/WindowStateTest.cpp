// The state the platform keeps for each window, headless: showing, minimising, maximising and
// restoring with their messages, the foreground and active windows, placement, parents, finding
// windows, texts, enabling, and a bound view that is told the changes and reports the user's.
#include "base/LastError.h"
#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/WinError.h"
#include "base/Window.h"
#include "base/WindowView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

using platform::CreateMessageWindow;

namespace {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Message&) const = default;
};

// A window that records the state messages it gets.
class Logged {
public:
    explicit Logged(const char* className = "Frame", const char* name = "", HWND parent = nullptr,
                    DWORD style = WS_POPUP)
    {
        hwnd = CreateMessageWindow(className, name,
                                   [this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                                       if (m == WM_SHOWWINDOW || m == WM_SIZE || m == WM_ACTIVATE || m == WM_ENABLE ||
                                           m == WM_SETTEXT || m == WM_MOVE)
                                           log.push_back({m, w, m == WM_SETTEXT ? 0 : l});
                                       return 0;
                                   },
                                   parent, nullptr, style);
    }
    ~Logged() { DestroyWindow(hwnd); }
    std::vector<UINT> messages() const
    {
        std::vector<UINT> out;
        for (const auto& m : log)
            out.push_back(m.message);
        return out;
    }
    HWND hwnd = nullptr;
    std::vector<Message> log;
};

WINDOWPLACEMENT Placement(HWND hwnd)
{
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    EXPECT_TRUE(GetWindowPlacement(hwnd, &p));
    return p;
}

class RecordingView : public platform::WindowView {
public:
    void Apply(const platform::WindowViewState& state) override { applied.push_back(state); }
    void Raise() override { ++raised; }
    void WindowDestroyed() override { destroyed = true; }
    std::vector<platform::WindowViewState> applied;
    int raised = 0;
    bool destroyed = false;
};

} // namespace

TEST(WindowState, ShowMinimiseMaximiseAndRestoreSendTheirMessagesAndMoveTheForeground)
{
    Logged frame;
    EXPECT_FALSE(IsWindowVisible(frame.hwnd));
    EXPECT_FALSE(ShowWindow(frame.hwnd, SW_SHOW)); // was hidden
    EXPECT_TRUE(IsWindowVisible(frame.hwnd));
    EXPECT_EQ(GetForegroundWindow(), frame.hwnd);
    EXPECT_EQ(GetActiveWindow(), frame.hwnd);
    EXPECT_EQ(frame.log, (std::vector<Message>{{WM_SHOWWINDOW, TRUE, 0}, {WM_ACTIVATE, WA_ACTIVE, 0}}));

    frame.log.clear();
    EXPECT_TRUE(ShowWindow(frame.hwnd, SW_MINIMIZE));
    EXPECT_TRUE(IsIconic(frame.hwnd));
    EXPECT_TRUE(IsWindowVisible(frame.hwnd));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(frame.log, (std::vector<Message>{{WM_SIZE, SIZE_MINIMIZED, 0}, {WM_ACTIVATE, WA_INACTIVE, 0}}));
    EXPECT_EQ(Placement(frame.hwnd).showCmd, UINT(SW_SHOWMINIMIZED));

    frame.log.clear();
    ShowWindow(frame.hwnd, SW_RESTORE);
    EXPECT_FALSE(IsIconic(frame.hwnd));
    EXPECT_EQ(frame.messages(), (std::vector<UINT>{WM_SIZE, WM_ACTIVATE}));
    EXPECT_EQ(frame.log[0].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(GetForegroundWindow(), frame.hwnd);

    // Minimised from maximised, a restore maximises again.
    ShowWindow(frame.hwnd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(Placement(frame.hwnd).showCmd, UINT(SW_SHOWMAXIMIZED));
    ShowWindow(frame.hwnd, SW_SHOWMINIMIZED);
    EXPECT_EQ(Placement(frame.hwnd).flags, UINT(WPF_RESTORETOMAXIMIZED));
    ShowWindow(frame.hwnd, SW_RESTORE);
    EXPECT_EQ(Placement(frame.hwnd).showCmd, UINT(SW_SHOWMAXIMIZED));
    ShowWindow(frame.hwnd, SW_RESTORE);
    EXPECT_EQ(Placement(frame.hwnd).showCmd, UINT(SW_SHOWNORMAL));

    frame.log.clear();
    EXPECT_TRUE(ShowWindow(frame.hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(frame.hwnd));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(frame.messages(), (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATE}));

    // Showing without activation leaves the foreground alone.
    EXPECT_FALSE(ShowWindow(frame.hwnd, SW_SHOWNA));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_FALSE(ShowWindow(frame.hwnd, 99));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(ShowWindow(reinterpret_cast<HWND>(0x4), SW_SHOW));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowState, AWindowMadeVisibleByItsStyleAndOneDestroyedWhileInTheForeground)
{
    {
        Logged shown("Frame", "", nullptr, WS_POPUP | WS_VISIBLE);
        EXPECT_TRUE(IsWindowVisible(shown.hwnd));
        SetForegroundWindow(shown.hwnd);
        EXPECT_EQ(GetForegroundWindow(), shown.hwnd);
    }
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST(WindowState, PlacementRoundTripsAndChecksItsLength)
{
    Logged frame;
    WINDOWPLACEMENT set{};
    set.length = sizeof set;
    set.showCmd = SW_SHOWNORMAL;
    set.ptMinPosition = {-1, -1};
    set.ptMaxPosition = {-8, -8};
    set.rcNormalPosition = {100, 50, 740, 530};
    ASSERT_TRUE(SetWindowPlacement(frame.hwnd, &set));
    EXPECT_TRUE(IsWindowVisible(frame.hwnd));
    const WINDOWPLACEMENT got = Placement(frame.hwnd);
    EXPECT_EQ(std::memcmp(&got, &set, sizeof set), 0);
    // The new rectangle is announced.
    ASSERT_GE(frame.log.size(), 2u);
    EXPECT_EQ(frame.log[0], (Message{WM_MOVE, 0, MAKELONG(100, 50)}));
    EXPECT_EQ(frame.log[1], (Message{WM_SIZE, SIZE_RESTORED, MAKELONG(640, 480)}));

    // A stored minimised placement that restores to maximised.
    set.showCmd = SW_SHOWMINIMIZED;
    set.flags = WPF_RESTORETOMAXIMIZED;
    ASSERT_TRUE(SetWindowPlacement(frame.hwnd, &set));
    EXPECT_TRUE(IsIconic(frame.hwnd));
    EXPECT_EQ(Placement(frame.hwnd).flags, UINT(WPF_RESTORETOMAXIMIZED));
    ShowWindow(frame.hwnd, SW_RESTORE);
    EXPECT_EQ(Placement(frame.hwnd).showCmd, UINT(SW_SHOWMAXIMIZED));

    WINDOWPLACEMENT wrong = set;
    wrong.length = 40;
    EXPECT_FALSE(SetWindowPlacement(frame.hwnd, &wrong));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(GetWindowPlacement(frame.hwnd, &wrong));
    wrong.length = sizeof wrong;
    wrong.showCmd = 12;
    EXPECT_FALSE(SetWindowPlacement(frame.hwnd, &wrong));
}

TEST(WindowState, ForegroundAndActiveWindowsAcrossTwoWindowsAndTwoThreads)
{
    Logged a, b;
    SetForegroundWindow(a.hwnd);
    a.log.clear();
    ASSERT_TRUE(SetForegroundWindow(b.hwnd));
    EXPECT_EQ(a.log, (std::vector<Message>{{WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(b.hwnd)}}));
    EXPECT_EQ(b.log, (std::vector<Message>{{WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(a.hwnd)}}));
    EXPECT_EQ(GetActiveWindow(), b.hwnd);
    // A minimised window brought to the front stays minimised.
    ShowWindow(a.hwnd, SW_MINIMIZE);
    SetForegroundWindow(a.hwnd);
    EXPECT_TRUE(IsIconic(a.hwnd));
    EXPECT_EQ(GetForegroundWindow(), a.hwnd);

    // Another thread's window in the foreground: this thread has no active window any more, and
    // the other thread's window gets its WM_ACTIVATE on its own thread.
    std::promise<HWND> made;
    std::atomic<bool> activated{false};
    std::atomic<HWND> activeThere{nullptr};
    std::thread other([&] {
        bool done = false;
        const HWND w = CreateMessageWindow("Other", "", [&](HWND, UINT m, WPARAM wp, LPARAM) -> LRESULT {
            if (m == WM_ACTIVATE && wp == WA_ACTIVE)
                activated = true;
            if (m == WM_APP)
                done = true;
            return 0;
        });
        made.set_value(w);
        platform::MessageLoop::Current().RunUntil([&] { return done; });
        activeThere = GetActiveWindow();
        DestroyWindow(w);
    });
    const HWND w = made.get_future().get();
    EXPECT_TRUE(AttachThreadInput(GetCurrentThreadId(), GetWindowThreadProcessId(w, nullptr), TRUE));
    ASSERT_TRUE(SetForegroundWindow(w));
    EXPECT_TRUE(activated);
    EXPECT_EQ(GetForegroundWindow(), w);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    PostMessageA(w, WM_APP, 0, 0);
    other.join();
    EXPECT_EQ(activeThere, w);
}

TEST(WindowState, ParentsMakeChildrenVisibleOnlyWithThemAndCannotFormACycle)
{
    Logged parent("Parent", "Main");
    Logged child("Edit", "", parent.hwnd, WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(GetParent(child.hwnd), parent.hwnd);
    EXPECT_EQ(GetParent(parent.hwnd), nullptr);
    EXPECT_FALSE(IsWindowVisible(child.hwnd));
    ShowWindow(parent.hwnd, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(child.hwnd));
    // A child shown does not take the activation.
    ShowWindow(child.hwnd, SW_SHOW);
    EXPECT_NE(GetForegroundWindow(), child.hwnd);

    EXPECT_EQ(SetParent(parent.hwnd, child.hwnd), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetParent(parent.hwnd, parent.hwnd), nullptr);

    // Sinking a window under a hidden parent hides it; the desktop as parent makes it top-level.
    Logged hiddenParent("Static", "");
    Logged frame("Frame", "Tool", nullptr, WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(SetParent(frame.hwnd, hiddenParent.hwnd), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(frame.hwnd));
    EXPECT_EQ(SetParent(frame.hwnd, GetDesktopWindow()), hiddenParent.hwnd);
    EXPECT_TRUE(IsWindowVisible(frame.hwnd));
    EXPECT_EQ(GetParent(frame.hwnd), nullptr);
}

TEST(WindowState, FindWindowMatchesClassAndTitleWithoutLetterCaseAndWalksChildren)
{
    Logged first("ToolFrame", "Orders");
    Logged second("ToolFrame", "Reports");
    Logged sink("TraySink", "", HWND_MESSAGE);
    Logged c1("Button", "OK", first.hwnd, WS_CHILD);
    Logged c2("Button", "Cancel", first.hwnd, WS_CHILD);
    EXPECT_EQ(FindWindowA("toolframe", nullptr), first.hwnd);
    EXPECT_EQ(FindWindowA(nullptr, "REPORTS"), second.hwnd);
    EXPECT_EQ(FindWindowA("ToolFrame", "Missing"), nullptr);
    EXPECT_EQ(FindWindowA("TraySink", nullptr), nullptr);
    EXPECT_EQ(FindWindowExA(HWND_MESSAGE, nullptr, "TraySink", nullptr), sink.hwnd);
    EXPECT_EQ(FindWindowExA(nullptr, first.hwnd, "ToolFrame", nullptr), second.hwnd);
    EXPECT_EQ(FindWindowExA(first.hwnd, nullptr, "Button", nullptr), c1.hwnd);
    EXPECT_EQ(FindWindowExA(first.hwnd, c1.hwnd, "Button", nullptr), c2.hwnd);
    EXPECT_EQ(FindWindowExA(first.hwnd, c2.hwnd, "Button", nullptr), nullptr);
    EXPECT_EQ(FindWindowExA(GetDesktopWindow(), nullptr, nullptr, "Orders"), first.hwnd);
    const auto top = platform::TopLevelWindows();
    EXPECT_NE(std::find(top.begin(), top.end(), first.hwnd), top.end());
    EXPECT_EQ(std::find(top.begin(), top.end(), sink.hwnd), top.end());
    EXPECT_EQ(std::find(top.begin(), top.end(), c1.hwnd), top.end());
    EXPECT_EQ(platform::ChildWindows(first.hwnd), (std::vector<HWND>{c1.hwnd, c2.hwnd}));
}

TEST(WindowState, TextsClassNamesAndEnabling)
{
    Logged frame("LumivaneTray", "Start");
    char text[8];
    EXPECT_EQ(GetWindowTextA(frame.hwnd, text, sizeof text), 5);
    EXPECT_STREQ(text, "Start");
    ASSERT_TRUE(SetWindowTextA(frame.hwnd, "Reminders window"));
    EXPECT_EQ(frame.messages(), std::vector<UINT>{WM_SETTEXT});
    EXPECT_EQ(GetWindowTextLengthA(frame.hwnd), 16);
    EXPECT_EQ(GetWindowTextA(frame.hwnd, text, sizeof text), 7);
    EXPECT_STREQ(text, "Reminde");
    EXPECT_EQ(GetClassNameA(frame.hwnd, text, sizeof text), 7);
    EXPECT_STREQ(text, "Lumivan");
    EXPECT_EQ(GetClassNameA(GetDesktopWindow(), text, sizeof text), 6);
    EXPECT_STREQ(text, "#32769");
    EXPECT_TRUE(IsWindow(GetDesktopWindow()));

    frame.log.clear();
    EXPECT_TRUE(IsWindowEnabled(frame.hwnd));
    EXPECT_FALSE(EnableWindow(frame.hwnd, FALSE)); // was enabled
    EXPECT_FALSE(IsWindowEnabled(frame.hwnd));
    EXPECT_TRUE(EnableWindow(frame.hwnd, FALSE)); // was disabled; no second message
    EXPECT_TRUE(EnableWindow(frame.hwnd, TRUE));
    EXPECT_EQ(frame.log, (std::vector<Message>{{WM_ENABLE, FALSE, 0}, {WM_ENABLE, TRUE, 0}}));
    Logged disabled("C", "", nullptr, WS_POPUP | WS_DISABLED);
    EXPECT_FALSE(IsWindowEnabled(disabled.hwnd));
}

TEST(WindowState, ABoundViewShowsTheProgramsChangesAndReportsTheUsers)
{
    Logged frame("Frame", "Title");
    auto view = std::make_shared<RecordingView>();
    ASSERT_TRUE(platform::BindWindowView(frame.hwnd, view));
    ASSERT_EQ(view->applied.size(), 1u);
    EXPECT_FALSE(view->applied.back().visible);
    EXPECT_EQ(view->applied.back().text, "Title");

    platform::ReportWindowBounds(frame.hwnd, RECT{10, 20, 410, 320});
    ShowWindow(frame.hwnd, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(view->applied.back().visible);
    EXPECT_TRUE(view->applied.back().maximized);
    EXPECT_EQ(view->applied.back().normal.right, 410);
    SetWindowTextA(frame.hwnd, "New title");
    EXPECT_EQ(view->applied.back().text, "New title");
    EnableWindow(frame.hwnd, FALSE);
    EXPECT_FALSE(view->applied.back().enabled);
    SetForegroundWindow(frame.hwnd);
    EXPECT_EQ(view->raised, 1);

    // The user's own changes come back as messages, not as new orders to the view.
    const std::size_t applied = view->applied.size();
    frame.log.clear();
    platform::ReportWindowMinimized(frame.hwnd, true);
    EXPECT_TRUE(IsIconic(frame.hwnd));
    EXPECT_EQ(Placement(frame.hwnd).flags, UINT(WPF_RESTORETOMAXIMIZED));
    platform::ReportWindowMinimized(frame.hwnd, false);
    EXPECT_FALSE(IsIconic(frame.hwnd));
    EXPECT_EQ(Placement(frame.hwnd).showCmd, UINT(SW_SHOWMAXIMIZED));
    platform::ReportWindowMaximized(frame.hwnd, false);
    platform::ReportWindowActivated(frame.hwnd, true);
    EXPECT_EQ(GetForegroundWindow(), frame.hwnd);
    platform::ReportWindowActivated(frame.hwnd, false);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    platform::ReportWindowBounds(frame.hwnd, RECT{0, 0, 300, 200});
    EXPECT_EQ(Placement(frame.hwnd).rcNormalPosition.right, 300);
    platform::ReportWindowShown(frame.hwnd, false);
    EXPECT_FALSE(IsWindowVisible(frame.hwnd));
    EXPECT_EQ(view->applied.size(), applied);
    EXPECT_EQ(frame.log, (std::vector<Message>{{WM_SIZE, SIZE_MINIMIZED, 0},
                                               {WM_ACTIVATE, WA_INACTIVE, 0},
                                               {WM_SIZE, SIZE_MAXIMIZED, 0},
                                               {WM_SIZE, SIZE_RESTORED, MAKELONG(400, 300)},
                                               {WM_ACTIVATE, WA_ACTIVE, 0},
                                               {WM_ACTIVATE, WA_INACTIVE, 0},
                                               {WM_SHOWWINDOW, FALSE, 0}}));

    DestroyWindow(frame.hwnd);
    EXPECT_TRUE(view->destroyed);
    EXPECT_EQ(platform::BoundWindowView(frame.hwnd), nullptr);
}
