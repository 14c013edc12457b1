#include "base/AnswerQueue.h"
#include "base/DialogUnits.h"
#include "base/LastError.h"
#include "base/Menu.h"
#include "base/MessageLoop.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/UiLanguage.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string MenuText(HMENU menu, UINT item, UINT flags)
{
    char text[64];
    const int n = GetMenuStringA(menu, item, text, sizeof text, flags);
    return std::string(text, static_cast<std::size_t>(n));
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetThreadUILanguage(1033);
        platform::ClearAnswers();
        menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(164));
        ASSERT_NE(menu, nullptr);
        tray = GetSubMenu(menu, 0);
        ASSERT_NE(tray, nullptr);
        owner = platform::CreateMessageWindow("MenuOwner", "", [this](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
            if (message == WM_COMMAND)
                commands.push_back(static_cast<UINT>(wParam));
            return 0;
        });
    }
    void TearDown() override
    {
        DestroyMenu(menu);
        DestroyWindow(owner);
        platform::SetMenuTracker(nullptr);
        platform::ClearAnswers();
        SetThreadUILanguage(0);
    }
    HMENU menu = nullptr;
    HMENU tray = nullptr;
    HWND owner = nullptr;
    std::vector<UINT> commands;
};

class FixedTracker : public platform::MenuTracker {
public:
    explicit FixedTracker(UINT answer) : m_answer(answer) {}
    UINT Track(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT*) override
    {
        seen = {menu, flags, x, y, owner};
        ++calls;
        return m_answer;
    }
    struct Call {
        HMENU menu;
        UINT flags;
        int x, y;
        HWND owner;
    } seen{};
    int calls = 0;

private:
    UINT m_answer;
};

} // namespace

TEST_F(MenuTest, ItemsTextsAndStates)
{
    EXPECT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(GetMenuItemCount(tray), 5);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 1)), 0);
    EXPECT_EQ(GetMenuItemID(tray, 0), 32777u);
    EXPECT_EQ(GetMenuItemID(tray, 2), 0u);                     // separator
    EXPECT_EQ(GetMenuItemID(tray, 3), static_cast<UINT>(-1));  // popup
    EXPECT_EQ(GetMenuItemID(tray, 9), static_cast<UINT>(-1));
    EXPECT_EQ(GetSubMenu(tray, 0), nullptr);
    EXPECT_EQ(MenuText(tray, 32777, MF_BYCOMMAND), "&Synchronize\tCtrl+S");
    EXPECT_EQ(MenuText(tray, 3, MF_BYPOSITION), "&More");
    EXPECT_EQ(MenuText(menu, 0, MF_BYPOSITION), "Tray");
    EXPECT_EQ(GetMenuStringA(tray, 57665, nullptr, 0, MF_BYCOMMAND), 5);

    EXPECT_EQ(GetMenuState(tray, 32777, MF_BYCOMMAND), static_cast<UINT>(MF_DEFAULT));
    EXPECT_EQ(GetMenuState(tray, 32778, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(tray, 2, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuState(tray, 3, MF_BYPOSITION), static_cast<UINT>((2 << 8) | MF_POPUP));
    // By command the popups are searched too, from the top menu down.
    EXPECT_EQ(GetMenuState(menu, 40001, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(GetMenuState(menu, 40002, MF_BYCOMMAND), static_cast<UINT>(MF_DISABLED));
    EXPECT_EQ(GetMenuState(menu, 12345, MF_BYCOMMAND), static_cast<UINT>(-1));

    EXPECT_EQ(CheckMenuItem(tray, 32778, MF_BYCOMMAND | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(tray, 32778, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(tray, 4, MF_BYPOSITION | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(GetMenuState(tray, 57665, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(tray, 999, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
    EXPECT_EQ(EnableMenuItem(menu, 40001, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(menu, 40001, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(menu, 999, MF_BYCOMMAND | MF_GRAYED), -1);

    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), 32777u);
    EXPECT_TRUE(SetMenuDefaultItem(tray, 1, TRUE));
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), 32778u);
    EXPECT_EQ(GetMenuDefaultItem(tray, TRUE, 0), 1u);
    EXPECT_EQ(GetMenuState(tray, 32777, MF_BYCOMMAND), 0u);
    EXPECT_FALSE(SetMenuDefaultItem(tray, 2, TRUE)); // a separator
    EXPECT_TRUE(SetMenuDefaultItem(tray, static_cast<UINT>(-1), FALSE));
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(-1));
    EXPECT_TRUE(SetMenuDefaultItem(tray, 32778, FALSE));
    EnableMenuItem(tray, 32778, MF_BYCOMMAND | MF_GRAYED);
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, GMDI_USEDISABLED), 32778u);

    const auto items = platform::MenuItems(tray);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].text, "&Synchronize\tCtrl+S");
    EXPECT_EQ(items[3].popup, GetSubMenu(tray, 3));
    EXPECT_TRUE(items[3].state & MF_POPUP);
    EXPECT_EQ(items[4].id, 57665u);
}

TEST_F(MenuTest, DeletingItemsByCommandAndByPosition)
{
    // By command the popups are searched too.
    EXPECT_TRUE(DeleteMenu(menu, 32778, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemCount(tray), 4);
    EXPECT_EQ(GetMenuState(menu, 32778, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_FALSE(DeleteMenu(menu, 32778, MF_BYCOMMAND));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    // A popup goes with its item.
    HMENU more = GetSubMenu(tray, 2);
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(DeleteMenu(tray, 2, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(more));
    EXPECT_EQ(GetMenuItemCount(tray), 3);
    EXPECT_EQ(GetMenuItemID(tray, 2), 57665u);
    EXPECT_FALSE(DeleteMenu(tray, 3, MF_BYPOSITION));
    EXPECT_FALSE(DeleteMenu(nullptr, 0, MF_BYPOSITION));
}

TEST_F(MenuTest, MenusPerLanguageAndTheirLifetime)
{
    SetThreadUILanguage(1031);
    HMENU german = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(164));
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(MenuText(german, 0, MF_BYPOSITION), "Symbolleiste");
    EXPECT_EQ(MenuText(GetSubMenu(german, 0), 32777, MF_BYCOMMAND), "&Synchronisieren");
    HMENU sub = GetSubMenu(german, 0);
    // A popup goes with its menu.
    EXPECT_FALSE(DestroyMenu(sub));
    EXPECT_TRUE(DestroyMenu(german));
    EXPECT_FALSE(IsMenu(german));
    EXPECT_FALSE(IsMenu(sub));
    EXPECT_FALSE(DestroyMenu(german));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
    EXPECT_EQ(GetMenuItemCount(german), -1);
    EXPECT_EQ(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(165)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(MenuTest, TrackPopupMenuHeadlessTakesTheQueuedCommand)
{
    ASSERT_TRUE(platform::PushAnswer("menu 32778"));
    EXPECT_TRUE(TrackPopupMenu(tray, TPM_LEFTBUTTON, 10, 20, 0, owner, nullptr));
    EXPECT_TRUE(commands.empty()); // posted, not sent
    platform::MessageLoop::Current().RunPending();
    EXPECT_EQ(commands, std::vector<UINT>{32778});

    // With TPM_RETURNCMD the command is the result and nothing is posted.
    ASSERT_TRUE(platform::PushAnswer("menu 57665"));
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 57665);
    // A command of a nested popup.
    ASSERT_TRUE(platform::PushAnswer("menu 40002"));
    EnableMenuItem(tray, 40002, MF_BYCOMMAND | MF_ENABLED);
    EXPECT_EQ(TrackPopupMenuEx(tray, TPM_RETURNCMD, 0, 0, owner, nullptr), 40002);
    // Nothing queued, nobody to show it: nothing chosen.
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
    EXPECT_EQ(TrackPopupMenu(tray, 0, 0, 0, 0, owner, nullptr), 0);
    ASSERT_TRUE(platform::PushAnswer("cancel"));
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
    platform::MessageLoop::Current().RunPending();
    EXPECT_EQ(commands.size(), 1u);
    EXPECT_TRUE(platform::AnswerErrors().empty());

    const auto records = platform::PromptRecords();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0].kind, platform::PromptKind::Menu);
    EXPECT_EQ(records[0].answer, 32778);
    EXPECT_TRUE(records[0].queued);
    EXPECT_EQ(records[0].text, "&Synchronize\tCtrl+S | &Open | &More | E&xit");
    EXPECT_FALSE(records[3].queued);
}

TEST_F(MenuTest, AQueuedCommandTheMenuDoesNotOfferIsAnError)
{
    ASSERT_TRUE(platform::PushAnswer("menu 40001")); // grayed
    ASSERT_TRUE(platform::PushAnswer("menu 777"));   // not in the menu
    ASSERT_TRUE(platform::PushAnswer("yes"));        // not a menu answer
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
    EXPECT_EQ(platform::AnswerErrors().size(), 3u);
}

TEST_F(MenuTest, TheTrackerAnswersWhenNothingIsQueued)
{
    auto tracker = std::make_shared<FixedTracker>(57665);
    platform::SetMenuTracker(tracker);
    ASSERT_TRUE(platform::PushAnswer("menu 32777"));
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RETURNCMD, 5, 6, 0, owner, nullptr), 32777);
    EXPECT_EQ(tracker->calls, 0);
    EXPECT_EQ(TrackPopupMenu(tray, TPM_RIGHTBUTTON, 5, 6, 0, owner, nullptr), TRUE);
    EXPECT_EQ(tracker->calls, 1);
    EXPECT_EQ(tracker->seen.menu, tray);
    EXPECT_EQ(tracker->seen.flags, static_cast<UINT>(TPM_RIGHTBUTTON));
    EXPECT_EQ(tracker->seen.x, 5);
    EXPECT_EQ(tracker->seen.owner, owner);
    platform::MessageLoop::Current().RunPending();
    EXPECT_EQ(commands, std::vector<UINT>{57665});
}

TEST_F(MenuTest, BadMenuOrOwner)
{
    EXPECT_FALSE(TrackPopupMenu(reinterpret_cast<HMENU>(0x1234), 0, 0, 0, 0, owner, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
    ASSERT_TRUE(platform::PushAnswer("menu 32777"));
    EXPECT_FALSE(TrackPopupMenu(tray, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(platform::PendingAnswers(), 1u); // a call that fails takes no answer
}

TEST(DialogUnits, MapDialogRectUsesTheDialogFontBaseUnits)
{
    RECT r{10, 8, 110, 58};
    ASSERT_TRUE(MapDialogRect(nullptr, &r));
    EXPECT_EQ(r.left, 15);   // 10 * 6 / 4
    EXPECT_EQ(r.top, 13);    // 8 * 13 / 8
    EXPECT_EQ(r.right, 165); // 110 * 6 / 4
    EXPECT_EQ(r.bottom, 94); // 58 * 13 / 8 = 94.25
    RECT rounding{1, 1, -3, 3};
    MapDialogRect(nullptr, &rounding);
    EXPECT_EQ(rounding.left, 2);   // 1.5 rounds up
    EXPECT_EQ(rounding.top, 2);    // 1.625
    EXPECT_EQ(rounding.right, -5); // -4.5 rounds away from zero
    EXPECT_EQ(rounding.bottom, 5); // 4.875

    platform::SetDialogBaseUnits({7, 16});
    RECT wide{0, 0, 4, 8};
    MapDialogRect(nullptr, &wide);
    EXPECT_EQ(wide.right, 7);
    EXPECT_EQ(wide.bottom, 16);
    platform::SetDialogBaseUnits({0, 16}); // refused
    EXPECT_EQ(platform::CurrentDialogBaseUnits().x, 7);
    platform::SetDialogBaseUnits({});
    EXPECT_FALSE(MapDialogRect(nullptr, nullptr));
}
