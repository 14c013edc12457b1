// The tray icon over the in-memory shell with a manual loop: adding and the texts' limits,
// hiding and showing, the animation, a tray that is missing or restarts, its menu, and two
// trays at once.
#include "SystemTray.h"

#include "TempRoot.h"
#include "base/AnswerQueue.h"
#include "base/Display.h"
#include "base/ManualClock.h"
#include "base/MessageLoop.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/Window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT kCallback = WM_APP + 5;
constexpr UINT kMenuIcon = 7; // the test resources' menu 7: Open 301, Snooze all 302

HINSTANCE TestModule()
{
    return GetModuleHandleA(nullptr);
}

HICON Resource(UINT id)
{
    return static_cast<HICON>(LoadImageA(TestModule(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_SHARED));
}

class Tray : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetInMemoryTrayAvailable(true);
        platform::ClearAnswers();
        owner = platform::CreateMessageWindow("TrayOwner", "Owner", [this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_COMMAND || m >= WM_APP)
                got.push_back({m, w, l});
            return 0;
        });
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        platform::SetInMemoryTrayAvailable(true);
        platform::ClearAnswers();
    }

    void Advance(ULONGLONG milliseconds) { platform::MessageLoop::Current().AdvanceAndRun(*clock, milliseconds); }
    void Pump() { platform::MessageLoop::Current().RunPending(); }

    std::optional<platform::TrayIcon> Icon(UINT id = 0) const { return platform::FindTrayIcon(owner, id); }

    struct Got {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    TempRoot root;
    std::shared_ptr<platform::ManualClock> clock = std::make_shared<platform::ManualClock>(0, 1000);
    platform::ScopedClock scopedClock{clock};
    HWND owner = nullptr;
    std::vector<Got> got;
};

} // namespace

TEST_F(Tray, InstallingAddsTheIconOnceWithItsTextsCut)
{
    CSystemTray tray;
    const std::string tip(200, 't'), balloon(300, 'b'), title(100, 'h');
    ASSERT_TRUE(tray.InstallTrayIcon(TestModule(), owner, kCallback, tip.c_str(), Resource(277), 0, FALSE,
                                     balloon.c_str(), title.c_str(), NIIF_INFO, 10));
    const auto icon = Icon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->tip, std::string(127, 't'));
    EXPECT_EQ(icon->balloonText, std::string(255, 'b'));
    EXPECT_EQ(icon->balloonTitle, std::string(63, 'h'));
    EXPECT_EQ(icon->balloonTimeout, 10000u);
    EXPECT_EQ(icon->callbackMessage, kCallback);
    EXPECT_FALSE(icon->hidden);
    EXPECT_TRUE(tray.Visible());
    EXPECT_FALSE(tray.IsRemoved());
    EXPECT_NE(tray.TrayWindow(), nullptr);
    EXPECT_EQ(platform::WindowClassName(tray.TrayWindow()), "LumivaneTray");
    // A second installation changes nothing.
    EXPECT_TRUE(tray.InstallTrayIcon(TestModule(), owner, kCallback, "Other", nullptr, 0));
    EXPECT_EQ(platform::TrayIcons().size(), 1u);
    EXPECT_EQ(Icon()->tip, std::string(127, 't'));
    // The tooltip is cut to 127 characters when it changes too; the copy is the tooltip.
    EXPECT_TRUE(tray.ChangeTip(std::string(140, 'x').c_str()));
    EXPECT_EQ(Icon()->tip, std::string(127, 'x'));
    EXPECT_EQ(std::string(tray.CopyTip()), std::string(127, 'x'));
    EXPECT_TRUE(tray.PopBalloon("Due", nullptr, NIIF_WARNING, 20));
    EXPECT_EQ(Icon()->balloonText, "Due");
    EXPECT_EQ(Icon()->balloonTimeout, 20000u);
}

TEST_F(Tray, ConcealingKeepsTheIconRegisteredAndRevealingShowsItAgain)
{
    CSystemTray tray(TestModule(), owner, kCallback, "Lumivane Add-In", Resource(277), 0);
    ASSERT_TRUE(Icon());
    EXPECT_TRUE(tray.ConcealTrayIcon());
    ASSERT_TRUE(Icon());
    EXPECT_TRUE(Icon()->hidden);
    EXPECT_TRUE(tray.IsHidden());
    EXPECT_FALSE(tray.IsRemoved());
    // While hidden, changes wait in the object.
    EXPECT_TRUE(tray.ChangeTip("Later"));
    EXPECT_NE(Icon()->tip, "Later");
    EXPECT_TRUE(tray.RevealTrayIcon());
    EXPECT_FALSE(Icon()->hidden);
    EXPECT_EQ(platform::TrayIcons().size(), 1u);
    // Deleting removes it; revealing adds it again.
    tray.DeleteTrayIcon();
    EXPECT_FALSE(Icon());
    EXPECT_TRUE(tray.IsRemoved());
    EXPECT_TRUE(tray.ConcealTrayIcon()); // nothing to hide
    EXPECT_TRUE(tray.RevealTrayIcon());
    EXPECT_TRUE(Icon());
    EXPECT_TRUE(tray.RenewTrayIcon());
    EXPECT_EQ(platform::TrayIcons().size(), 1u);
}

TEST_F(Tray, TheAnimationNeedsIconsAndRestoresTheIconShownBefore)
{
    CSystemTray tray(TestModule(), owner, kCallback, "Lumivane Add-In", Resource(100), 0);
    const HICON before = tray.CurrentIcon();
    EXPECT_FALSE(tray.StartIconCycle(300, -1));
    EXPECT_FALSE(tray.IsCycling());
    EXPECT_FALSE(tray.LoadCycleIcons(278, 277));
    ASSERT_TRUE(tray.LoadCycleIcons(277, 278));
    ASSERT_TRUE(tray.StartIconCycle(300, -1));
    std::vector<HICON> shown;
    for (int i = 0; i < 6; ++i) {
        Advance(300);
        shown.push_back(Icon()->icon);
    }
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_EQ(shown[0], shown[2]);
    EXPECT_EQ(shown[1], shown[5]);
    EXPECT_NE(shown[0], before);
    // Without an end it goes on until stopped; stopping shows the icon from before.
    Advance(60000);
    EXPECT_TRUE(tray.IsCycling());
    tray.StopIconCycle();
    EXPECT_FALSE(tray.IsCycling());
    EXPECT_EQ(Icon()->icon, before);
    EXPECT_EQ(tray.CurrentIcon(), before);
    // With a duration it ends by itself once that has passed.
    ASSERT_TRUE(tray.StartIconCycle(500, 2));
    Advance(2000);
    EXPECT_TRUE(tray.IsCycling());
    Advance(2000);
    EXPECT_FALSE(tray.IsCycling());
    EXPECT_EQ(Icon()->icon, before);
    // An animation on icons the caller keeps.
    const HICON mine[] = {LoadIconA(nullptr, IDI_WARNING), LoadIconA(nullptr, IDI_ERROR)};
    ASSERT_TRUE(tray.LoadCycleIcons(mine));
    ASSERT_TRUE(tray.StartIconCycle(100, -1));
    Advance(100);
    EXPECT_EQ(Icon()->icon, mine[1]);
}

TEST_F(Tray, IconsFromAFileAResourceAndTheSystem)
{
    CSystemTray tray(TestModule(), owner, kCallback, "Lumivane Add-In", Resource(277), 0);
    EXPECT_TRUE(tray.SetIcon(std::filesystem::path(LUMIVANE_RESOURCES "/tray-ringing.ico").c_str()));
    const auto fromFile = platform::IconPixels(Icon()->icon);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->width, 32); // its default size
    EXPECT_FALSE(tray.SetIcon((root.path() / "missing.ico").c_str()));
    EXPECT_TRUE(tray.SetIcon(static_cast<UINT>(100)));
    EXPECT_EQ(platform::IconPixels(Icon()->icon)->width, 32);
    EXPECT_FALSE(tray.SetIcon(static_cast<UINT>(9999)));
    EXPECT_TRUE(tray.SetStandardIcon(IDI_INFORMATION));
    EXPECT_EQ(Icon()->icon, LoadIconA(nullptr, IDI_INFORMATION));
    EXPECT_EQ(tray.CurrentIcon(), LoadIconA(nullptr, IDI_INFORMATION));
}

TEST_F(Tray, AFailedAddStaysPendingAndANewTrayTakesTheIconOnce)
{
    platform::SetInMemoryTrayAvailable(false);
    CSystemTray tray;
    EXPECT_FALSE(tray.InstallTrayIcon(TestModule(), owner, kCallback, "Lumivane Add-In", Resource(277), 0));
    EXPECT_TRUE(tray.IsPending());
    EXPECT_FALSE(tray.IsHidden());
    EXPECT_TRUE(tray.IsRemoved());
    // "LumivaneTaskBarOK" without a tray: still pending.
    PostMessageA(tray.TrayWindow(), CSystemTray::m_nTaskbarCreatedMsg, 0, 0);
    Pump();
    EXPECT_TRUE(tray.IsPending());
    // The tray appears and says so: the icon is added once and no longer pending.
    platform::SetInMemoryTrayAvailable(true);
    Pump();
    ASSERT_TRUE(Icon());
    EXPECT_FALSE(tray.IsPending());
    EXPECT_FALSE(tray.IsRemoved());
    EXPECT_EQ(platform::TrayIcons().size(), 1u);
    // Later notices leave it where it is.
    PostMessageA(tray.TrayWindow(), CSystemTray::m_nTaskbarCreatedMsg, 0, 0);
    SendMessageA(tray.TrayWindow(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    Pump();
    EXPECT_FALSE(tray.IsPending());
    EXPECT_EQ(platform::TrayIcons().size(), 1u);
}

namespace {

// A shell that is there or not, as the test says, without announcing anything.
class QuietShell : public platform::TrayShell {
public:
    bool Available() override { return available; }
    void Show(const platform::TrayIcon&) override { ++shown; }
    void Remove(const platform::TrayIcon&) override {}
    void Balloon(const platform::TrayIcon&) override {}
    bool available = true;
    int shown = 0;
};

} // namespace

TEST_F(Tray, APendingIconIsAddedWhenTheShellSaysItIsReady)
{
    const auto shell = std::make_shared<QuietShell>();
    struct Restore {
        std::shared_ptr<platform::TrayShell> previous;
        ~Restore() { platform::SetTrayShell(previous); }
    } restore{platform::SetTrayShell(shell)};
    {
        CSystemTray tray(TestModule(), owner, kCallback, "Lumivane Add-In", Resource(277), 0);
        // A re-add that fails (no tray for the moment) leaves the icon pending.
        tray.DeleteTrayIcon();
        shell->available = false;
        EXPECT_FALSE(tray.ReAddTrayIcon());
        EXPECT_TRUE(tray.IsPending());
        SendMessageA(tray.TrayWindow(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        EXPECT_TRUE(tray.IsPending());
        // The shell is back: "LumivaneTaskBarOK" adds the icon, once.
        shell->available = true;
        PostMessageA(tray.TrayWindow(), CSystemTray::m_nTaskbarCreatedMsg, 0, 0);
        Pump();
        EXPECT_FALSE(tray.IsPending());
        ASSERT_TRUE(Icon());
        const int shownBefore = shell->shown;
        PostMessageA(tray.TrayWindow(), CSystemTray::m_nTaskbarCreatedMsg, 0, 0);
        Pump();
        EXPECT_FALSE(tray.IsPending());
        EXPECT_EQ(shell->shown, shownBefore);
        EXPECT_TRUE(Icon());
    }
}

TEST_F(Tray, AShownAndAHiddenIconComeBackAfterTheShellRestarts)
{
    CSystemTray shown(TestModule(), owner, kCallback, "Shown", Resource(277), 0);
    CSystemTray hidden(TestModule(), owner, kCallback, "Hidden", Resource(278), 1);
    CSystemTray removed(TestModule(), owner, kCallback, "Removed", Resource(278), 2);
    hidden.ConcealTrayIcon();
    removed.DeleteTrayIcon();
    platform::SetInMemoryTrayAvailable(false);
    EXPECT_TRUE(platform::TrayIcons().empty());
    platform::SetInMemoryTrayAvailable(true);
    Pump();
    ASSERT_TRUE(Icon(0));
    EXPECT_FALSE(Icon(0)->hidden);
    ASSERT_TRUE(Icon(1));
    EXPECT_TRUE(Icon(1)->hidden);
    EXPECT_TRUE(hidden.IsHidden());
    EXPECT_FALSE(Icon(2));
    EXPECT_EQ(platform::TrayIcons().size(), 2u);
}

TEST_F(Tray, TheMenuOfTheIconsIdSendsItsCommandsToTheTarget)
{
    CSystemTray tray(TestModule(), owner, kCallback, "Lumivane Add-In", Resource(277), kMenuIcon);
    platform::PushAnswer("menu 302");
    EXPECT_EQ(tray.HandleTrayMessage(kMenuIcon, WM_RBUTTONUP), 1);
    Pump();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front().message, UINT(WM_COMMAND));
    EXPECT_EQ(LOWORD(got.front().wParam), 302);
    EXPECT_EQ(GetForegroundWindow(), owner);
    // A double click brings the window up and posts the default command: item 0 by position.
    got.clear();
    ShowWindow(owner, SW_MINIMIZE);
    EXPECT_EQ(tray.HandleTrayMessage(kMenuIcon, WM_LBUTTONDBLCLK), 1);
    Pump();
    EXPECT_FALSE(IsIconic(owner));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(LOWORD(got[0].wParam), 301);
    // Another default, by command.
    EXPECT_TRUE(tray.ChangeDefaultCommand(302, FALSE));
    BOOL byPosition = TRUE;
    EXPECT_EQ(tray.DefaultCommandOf(&byPosition), 302u);
    EXPECT_FALSE(byPosition);
    got.clear();
    tray.HandleTrayMessage(kMenuIcon, WM_LBUTTONDBLCLK);
    Pump();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(LOWORD(got[0].wParam), 302);
    // Another icon's message is not this one's.
    EXPECT_EQ(tray.HandleTrayMessage(kMenuIcon + 1, WM_RBUTTONUP), 0);
    // The command target may be another window.
    const HWND target = platform::CreateMessageWindow("Target", "", [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_COMMAND)
            got.push_back({m, w, 0});
        return 0;
    });
    tray.ChangeCommandTarget(target);
    EXPECT_EQ(tray.CommandTarget(), target);
    got.clear();
    platform::PushAnswer("menu 301");
    tray.HandleTrayMessage(kMenuIcon, WM_RBUTTONUP);
    Pump();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(LOWORD(got[0].wParam), 301);
    DestroyWindow(target);
}

TEST_F(Tray, IconIdZeroLoadsNoMenu)
{
    CSystemTray tray(TestModule(), owner, kCallback, "Lumivane Add-In", Resource(277), 0);
    EXPECT_FALSE(tray.ChangeDefaultCommand(1, TRUE));
    platform::PushAnswer("menu 302");
    EXPECT_EQ(tray.HandleTrayMessage(0, WM_RBUTTONUP), 0);
    ShowWindow(owner, SW_MINIMIZE);
    // A double click only brings the window up.
    EXPECT_EQ(tray.HandleTrayMessage(0, WM_LBUTTONDBLCLK), 0);
    Pump();
    EXPECT_FALSE(IsIconic(owner));
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(platform::PendingAnswers(), 1u); // no menu asked for it
    // A click on the icon reaches the owner as the callback message.
    EXPECT_TRUE(platform::ClickTrayIcon(owner, 0, WM_LBUTTONDBLCLK));
    Pump();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, kCallback);
    EXPECT_EQ(got[0].lParam, WM_LBUTTONDBLCLK);
}

TEST_F(Tray, WithoutAParentTheTrayWindowHearsTheIconItself)
{
    struct Counting : CSystemTray {
        LRESULT HandleTrayMessage(WPARAM wParam, LPARAM lParam) override
        {
            heard.push_back(static_cast<UINT>(lParam));
            return CSystemTray::HandleTrayMessage(wParam, lParam);
        }
        std::vector<UINT> heard;
    } tray;
    ASSERT_TRUE(tray.InstallTrayIcon(TestModule(), nullptr, kCallback, "Own", Resource(277), 3));
    EXPECT_EQ(tray.IconWindow(), tray.TrayWindow());
    EXPECT_TRUE(platform::ClickTrayIcon(tray.TrayWindow(), 3, WM_RBUTTONUP));
    Pump();
    EXPECT_EQ(tray.heard, std::vector<UINT>{WM_RBUTTONUP});
    // The icon moves to another window.
    EXPECT_FALSE(tray.ChangeIconWindow(reinterpret_cast<HWND>(0x77)));
    EXPECT_TRUE(tray.ChangeIconWindow(owner));
    EXPECT_TRUE(platform::FindTrayIcon(owner, 3));
    EXPECT_FALSE(platform::FindTrayIcon(tray.TrayWindow(), 3));
    EXPECT_FALSE(tray.ChangeCallbackMessage(WM_USER));
    EXPECT_TRUE(tray.ChangeCallbackMessage(WM_APP + 9));
    EXPECT_EQ(platform::FindTrayIcon(owner, 3)->callbackMessage, UINT(WM_APP + 9));
}

TEST_F(Tray, OneOfTwoBlinkingTraysGoesWhileTheOtherBlinksOn)
{
    auto first = std::make_unique<CSystemTray>(TestModule(), owner, kCallback, "First", Resource(277), 0);
    CSystemTray second(TestModule(), owner, kCallback, "Second", Resource(277), 1);
    ASSERT_TRUE(first->LoadCycleIcons(277, 278));
    ASSERT_TRUE(second.LoadCycleIcons(277, 278));
    ASSERT_TRUE(first->StartIconCycle(200, -1));
    ASSERT_TRUE(second.StartIconCycle(200, -1));
    Advance(200);
    const HICON firstShown = Icon(1)->icon;
    first.reset();
    EXPECT_FALSE(Icon(0));
    // The remaining tray's timer reaches its own object.
    Advance(200);
    EXPECT_NE(Icon(1)->icon, firstShown);
    Advance(200);
    EXPECT_EQ(Icon(1)->icon, firstShown);
}

TEST_F(Tray, TheNotificationAreaAndWindowsSunkIntoIt)
{
    RECT area{};
    CSystemTray::NotificationAreaRect(&area);
    EXPECT_EQ(area.left, 1130);
    EXPECT_EQ(area.top, 994);
    EXPECT_EQ(area.right, 1280);
    EXPECT_EQ(area.bottom, 1024);
    // A taskbar window with its notification area and clock.
    auto make = [](const char* cls, HWND parent, RECT r) {
        const HWND hwnd = platform::CreateMessageWindow(cls, "", [](HWND h, UINT m, WPARAM w, LPARAM l) {
            return DefWindowProcA(h, m, w, l);
        }, parent, nullptr, parent ? WS_CHILD : WS_POPUP);
        WINDOWPLACEMENT p{};
        p.length = sizeof p;
        p.showCmd = SW_SHOWNORMAL;
        p.rcNormalPosition = r;
        SetWindowPlacement(hwnd, &p);
        return hwnd;
    };
    const HWND taskbar = make("Shell_TrayWnd", nullptr, RECT{0, 994, 1280, 1024});
    const HWND notify = make("TrayNotifyWnd", taskbar, RECT{1100, 994, 1280, 1024});
    make("TrayClockWClass", notify, RECT{1220, 996, 1278, 1022});
    CSystemTray::NotificationAreaRect(&area);
    EXPECT_EQ(area.left, 1100);
    EXPECT_EQ(area.right, 1220); // the clock fills the height: the area ends left of it
    DestroyWindow(taskbar);

    ShowWindow(owner, SW_SHOW);
    CSystemTray::SinkToTray(owner);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_NE(GetParent(owner), nullptr);
    CSystemTray::RiseFromTray(owner);
    EXPECT_EQ(GetParent(owner), nullptr);
    EXPECT_TRUE(IsWindowVisible(owner));
    EXPECT_EQ(GetForegroundWindow(), owner);
}
