// Tray icons over the in-memory shell: add, modify and delete, hidden icons, no tray, clicks,
// the announcement of a new tray and the limits of the texts.
#include "base/MessageLoop.h"
#include "base/ShellNotify.h"
#include "base/Window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT kCallback = WM_APP + 0x63;

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetInMemoryTrayAvailable(true);
        owner = platform::CreateMessageWindow("TrayOwner", "", [this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m >= WM_APP)
                got.push_back({m, w, l});
            return 0;
        });
    }
    void TearDown() override
    {
        for (const auto& icon : platform::TrayIcons()) {
            NOTIFYICONDATAA d = Data(0);
            d.hWnd = icon.window;
            d.uID = icon.id;
            Shell_NotifyIconA(NIM_DELETE, &d);
        }
        DestroyWindow(owner);
        platform::SetInMemoryTrayAvailable(true);
    }

    NOTIFYICONDATAA Data(UINT flags, UINT id = 164) const
    {
        NOTIFYICONDATAA d{};
        d.cbSize = NOTIFYICONDATAA_V2_SIZE;
        d.hWnd = owner;
        d.uID = id;
        d.uFlags = flags;
        d.uCallbackMessage = kCallback;
        d.hIcon = reinterpret_cast<HICON>(0x163);
        std::strcpy(d.szTip, "Orvinta");
        return d;
    }

    struct Got {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    HWND owner = nullptr;
    std::vector<Got> got;
};

} // namespace

TEST_F(TrayTest, AddModifyAndDeleteAnIcon)
{
    NOTIFYICONDATAA d = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    auto icon = platform::FindTrayIcon(owner, 164);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->callbackMessage, kCallback);
    EXPECT_EQ(icon->icon, reinterpret_cast<HICON>(0x163));
    EXPECT_EQ(icon->tip, "Orvinta");
    EXPECT_FALSE(icon->hidden);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d)); // there already

    // Only the fields the flags name change.
    d.uFlags = NIF_ICON;
    d.hIcon = reinterpret_cast<HICON>(0x165);
    std::strcpy(d.szTip, "ignored");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    icon = platform::FindTrayIcon(owner, 164);
    EXPECT_EQ(icon->icon, reinterpret_cast<HICON>(0x165));
    EXPECT_EQ(icon->tip, "Orvinta");

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &d));
    EXPECT_FALSE(platform::FindTrayIcon(owner, 164));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &d));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &d));
    d.cbSize = 100;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d));
    d.cbSize = sizeof d;
    d.hWnd = reinterpret_cast<HWND>(0x6);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d));
}

TEST_F(TrayTest, AHiddenIconStaysRegisteredAndIsShownAgain)
{
    NOTIFYICONDATAA d = Data(NIF_STATE);
    d.dwState = NIS_HIDDEN;
    d.dwStateMask = NIS_HIDDEN;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    EXPECT_TRUE(platform::FindTrayIcon(owner, 164)->hidden);
    d.dwState = 0;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    EXPECT_FALSE(platform::FindTrayIcon(owner, 164)->hidden);
    // A state without NIS_HIDDEN in its mask changes nothing.
    d.dwState = NIS_HIDDEN;
    d.dwStateMask = 0;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    EXPECT_FALSE(platform::FindTrayIcon(owner, 164)->hidden);
}

TEST_F(TrayTest, WithoutATrayNothingIsAddedAndANewTrayIsAnnounced)
{
    platform::SetInMemoryTrayAvailable(false);
    NOTIFYICONDATAA d = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d));
    EXPECT_TRUE(platform::TrayIcons().empty());
    platform::SetInMemoryTrayAvailable(true);
    platform::MessageLoop::Current().RunPending();
    const UINT created = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, created);
    EXPECT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    // A tray that goes away takes its icons with it.
    platform::SetInMemoryTrayAvailable(false);
    EXPECT_TRUE(platform::TrayIcons().empty());
}

TEST_F(TrayTest, ClicksComeBackAsTheCallbackMessage)
{
    NOTIFYICONDATAA d = Data(NIF_MESSAGE | NIF_TIP);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    ASSERT_TRUE(platform::ClickTrayIcon(owner, 164, WM_LBUTTONDBLCLK));
    ASSERT_TRUE(platform::ClickTrayIcon(owner, 164, WM_RBUTTONUP));
    EXPECT_TRUE(got.empty()); // posted, not sent
    platform::MessageLoop::Current().RunPending();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, kCallback);
    EXPECT_EQ(got[0].wParam, 164u);
    EXPECT_EQ(got[0].lParam, WM_LBUTTONDBLCLK);
    EXPECT_EQ(got[1].lParam, WM_RBUTTONUP);
    EXPECT_FALSE(platform::ClickTrayIcon(owner, 7, WM_RBUTTONUP));
    // An icon without a callback message cannot be clicked.
    NOTIFYICONDATAA quiet = Data(NIF_TIP, 0);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &quiet));
    EXPECT_FALSE(platform::ClickTrayIcon(owner, 0, WM_LBUTTONDBLCLK));
}

TEST_F(TrayTest, TextsAreCutToTheirLimits)
{
    NOTIFYICONDATAA d = Data(NIF_TIP | NIF_INFO);
    std::memset(d.szTip, 'T', sizeof d.szTip); // no terminating zero
    std::memset(d.szInfo, 'I', sizeof d.szInfo);
    std::memset(d.szInfoTitle, 'H', sizeof d.szInfoTitle);
    d.uTimeout = 10000;
    d.dwInfoFlags = NIIF_WARNING;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    const auto icon = platform::FindTrayIcon(owner, 164);
    EXPECT_EQ(icon->tip, std::string(127, 'T'));
    EXPECT_EQ(icon->balloonText, std::string(255, 'I'));
    EXPECT_EQ(icon->balloonTitle, std::string(63, 'H'));
    EXPECT_EQ(icon->balloonTimeout, 10000u);
    EXPECT_EQ(icon->balloonFlags, DWORD(NIIF_WARNING));

    // The first layout has a tip of 64 and no state or balloon.
    NOTIFYICONDATAA old = Data(NIF_TIP | NIF_STATE, 2);
    old.cbSize = NOTIFYICONDATAA_V1_SIZE;
    std::memset(old.szTip, 'x', sizeof old.szTip);
    old.dwState = old.dwStateMask = NIS_HIDDEN;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &old));
    EXPECT_EQ(platform::FindTrayIcon(owner, 2)->tip, std::string(63, 'x'));
    EXPECT_FALSE(platform::FindTrayIcon(owner, 2)->hidden);
}

TEST_F(TrayTest, AnInstalledShellIsShownTheIconsAndTheirBalloons)
{
    struct Recording : platform::TrayShell {
        bool Available() override { return true; }
        void Show(const platform::TrayIcon& i) override { shown.push_back(i.tip); }
        void Remove(const platform::TrayIcon& i) override { removed.push_back(i.id); }
        void Balloon(const platform::TrayIcon& i) override { balloons.push_back(i.balloonTitle + ": " + i.balloonText); }
        std::vector<std::string> shown, balloons;
        std::vector<UINT> removed;
    };
    NOTIFYICONDATAA d = Data(NIF_TIP);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    auto shell = std::make_shared<Recording>();
    const auto previous = platform::SetTrayShell(shell);
    EXPECT_EQ(shell->shown, std::vector<std::string>{"Orvinta"}); // the icons there already
    d.uFlags = NIF_INFO;
    std::strcpy(d.szInfo, "3 reminders");
    std::strcpy(d.szInfoTitle, "Lumivane");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    EXPECT_EQ(shell->balloons, std::vector<std::string>{"Lumivane: 3 reminders"});
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &d));
    EXPECT_EQ(shell->removed, std::vector<UINT>{164});
    platform::SetTrayShell(previous);
}
