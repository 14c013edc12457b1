// Bringing a window to the front, from the foreground of this or another thread; whether visual
// themes are available.
#include "WndUtils.h"

#include "base/DisplayState.h"
#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

HWND Frame(const char* name)
{
    return platform::CreateMessageWindow("Frame", name, [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
}

} // namespace

TEST(ForegroundWindow, AMinimisedWindowComesToTheFrontRestored)
{
    const HWND main = Frame("Main"), reminders = Frame("Reminders");
    ShowWindow(main, SW_SHOW);
    ShowWindow(reminders, SW_MINIMIZE);
    ASSERT_EQ(GetForegroundWindow(), main);
    EXPECT_TRUE(ForceForegroundWindow(reminders, FALSE));
    EXPECT_EQ(GetForegroundWindow(), reminders);
    EXPECT_TRUE(IsIconic(reminders)); // without show it stays as it is

    SetForegroundWindow(main);
    EXPECT_TRUE(ForceForegroundWindow(reminders, TRUE));
    EXPECT_EQ(GetForegroundWindow(), reminders);
    EXPECT_FALSE(IsIconic(reminders));
    EXPECT_TRUE(IsWindowVisible(reminders));

    // A hidden window is shown.
    const HWND hidden = Frame("Hidden");
    EXPECT_TRUE(ForceForegroundWindow(hidden, TRUE));
    EXPECT_TRUE(IsWindowVisible(hidden));
    EXPECT_EQ(GetForegroundWindow(), hidden);
    EXPECT_FALSE(ForceForegroundWindow(nullptr, FALSE));
    DestroyWindow(main);
    DestroyWindow(reminders);
    DestroyWindow(hidden);
}

TEST(ForegroundWindow, FromAnotherThreadsForeground)
{
    const HWND reminders = Frame("Reminders");
    std::promise<HWND> made;
    std::thread other([&] {
        bool done = false;
        const HWND w = platform::CreateMessageWindow("Other", "", [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_APP)
                done = true;
            return 0;
        });
        made.set_value(w);
        platform::MessageLoop::Current().RunUntil([&] { return done; });
        DestroyWindow(w);
    });
    const HWND w = made.get_future().get();
    ASSERT_TRUE(SetForegroundWindow(w));
    ASSERT_EQ(GetForegroundWindow(), w);
    EXPECT_TRUE(ForceForegroundWindow(reminders, TRUE));
    EXPECT_EQ(GetForegroundWindow(), reminders);
    PostMessageA(w, WM_APP, 0, 0);
    other.join();
    DestroyWindow(reminders);
}

TEST(Themes, ThemedWhileAToolkitDisplayRuns)
{
    EXPECT_TRUE(HasThemeDll());
    EXPECT_TRUE(HasThemeDll()); // the kept answer
    EXPECT_FALSE(UxTheme::IsThemeActive()); // headless: nothing is drawn, nothing themed
    EXPECT_FALSE(UxTheme::IsAppThemed());
    platform::SetToolkitDisplayRunning(true);
    EXPECT_TRUE(UxTheme::IsThemeActive());
    EXPECT_TRUE(UxTheme::IsAppThemed());
    platform::SetToolkitDisplayRunning(false);
    EXPECT_FALSE(UxTheme::IsThemeActive());
}
