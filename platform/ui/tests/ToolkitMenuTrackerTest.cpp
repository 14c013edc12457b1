// TrackPopupMenu with a display: the platform menu becomes a toolkit menu with the same
// commands and states; a queued answer still comes first.
#include "ToolkitTestEnvironment.h"

#include "base/AnswerQueue.h"
#include "base/Menu.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/Window.h"
#include "ui/ToolkitMenuTracker.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"

#include <wx/frame.h>
#include <wx/menu.h>

TEST(ToolkitMenuTracker, TheMenuKeepsItsCommandsAndStates)
{
    REQUIRE_TOOLKIT();
    const HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(164));
    ASSERT_NE(menu, nullptr);
    const HMENU tray = GetSubMenu(menu, 0);
    const auto built = platform::ui::ToolkitMenuTracker::BuildMenu(tray);
    const wxMenu& shown = *built.menu;
    ASSERT_EQ(shown.GetMenuItemCount(), 5u);
    const auto command = [&](wxMenuItem* item) { return built.commands.at(item->GetId()); };
    wxMenuItem* sync = shown.FindItemByPosition(0);
    EXPECT_EQ(command(sync), 32777u);
    EXPECT_EQ(sync->GetItemLabel(), "&Synchronize\tCtrl+S");
    EXPECT_TRUE(shown.FindItemByPosition(1)->IsChecked());
    EXPECT_TRUE(shown.FindItemByPosition(2)->IsSeparator());
    wxMenuItem* more = shown.FindItemByPosition(3);
    ASSERT_TRUE(more->IsSubMenu());
    EXPECT_EQ(more->GetItemLabel(), "&More");
    wxMenuItem* grayed = more->GetSubMenu()->FindItemByPosition(0);
    EXPECT_EQ(command(grayed), 40001u);
    EXPECT_FALSE(grayed->IsEnabled());
    EXPECT_EQ(command(shown.FindItemByPosition(4)), 57665u);
    EXPECT_TRUE(shown.FindItemByPosition(4)->IsEnabled());
    DestroyMenu(menu);
}

TEST(ToolkitMenuTracker, AQueuedCommandIsPostedToTheOwnerWithoutShowingTheMenu)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitPlatform toolkit;
    platform::ClearAnswers();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Owner");
    frame->Show();
    WPARAM command = 0;
    const auto binding = platform::ui::WindowBinding::Attach(frame, "Owner", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_COMMAND)
            command = w;
        return DefWindowProcA(h, m, w, l);
    });
    const HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(164));
    ASSERT_TRUE(platform::PushAnswer("menu 32778"));
    ASSERT_TRUE(TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTBUTTON, 10, 10, 0, binding->Handle(), nullptr));
    toolkit.Loop().RunFor(std::chrono::milliseconds(50));
    EXPECT_EQ(command, 32778u);
    DestroyMenu(menu);
    frame->Destroy();
    platform::ClearAnswers();
}
