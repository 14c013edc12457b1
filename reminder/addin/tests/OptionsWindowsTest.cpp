// The options page, its folder tree, its dialogs and its bitmap buttons on a virtual display:
// the add-in's views library loaded as the host loads it, in the host's sheet window over the
// real stores and engine; pictures of each go to build/artifacts/mailhost.
#include "AddinFixture.h"

#include "AddinCache.h"
#include "COMAddin.h"
#include "FolderTreeViewCtrl.h"
#include "OptionsResource.h"
#include "PropPageOptionsMain.h"
#include "ToolkitTestEnvironment.h"
#include "WindowPictures.h"
#include "gui/SheetFrame.h"

#include "base/DialogItems.h"
#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "base/UiLanguage.h"
#include "base/Window.h"
#include "host/PropertySheet.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"
#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/treectrl.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

using namespace addintest;

namespace {

using toolkit_test::Settle;

void Picture(wxTopLevelWindow* window, const std::string& name)
{
    toolkit_test::SavePicture(window, name, LUMIVANE_ARTIFACTS);
}

// The toolkit tree among a window's children.
wxWindow* TreeView(wxWindow* top)
{
    if (dynamic_cast<wxTreeCtrl*>(top))
        return top;
    for (wxWindow* child : top->GetChildren())
        if (wxWindow* found = TreeView(child))
            return found;
    return nullptr;
}

// The add-in's dialog on the screen whose caption is `title`.
wxDialog* DialogTitled(const std::string& title)
{
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsShown() &&
                                                          dialog->GetTitle().utf8_string() == title)
            return dialog;
    return nullptr;
}

class OptionsWindows : public AddinFixture {
protected:
    void PrepareProfile() override
    {
        AddDeletedFolder(platform::StoresDirectory() / "mailbox.store", "Old Tasks", "IPF.Task");
    }
    void SetUp() override
    {
        REQUIRE_TOOLKIT();
        AddinFixture::SetUp();
        toolkit = std::make_unique<platform::ui::ToolkitPlatform>();
        language = GetThreadUILanguage();
        session = Extension(EECONTEXT_SESSION);
        CCOMAddin* made = nullptr;
        ASSERT_EQ(CCOMAddin::CreateObject(&made), S_OK);
        addin.Attach(made);
    }
    void TearDown() override
    {
        if (!toolkit)
            return;
        SetThreadUILanguage(language);
        host::SetPropertySheetPresenter(nullptr);
        addin = nullptr;
        session = nullptr;
        AddinCache::ClearEngine();
        Settle();
        toolkit.reset();
        AddinFixture::TearDown();
    }

    // The add-in's sheet in the host's sheet window; `body` runs inside it once it shows.
    void ShowSheet(const std::function<void(SheetFrame& frame, host::PropertySheet& sheet, CPropPageOptionsMain& page)>& body)
    {
        bool ran = false;
        host::SetPropertySheetPresenter([&](host::PropertySheet& sheet) {
            SheetFrame frame(sheet, out, nullptr, "", "sheet");
            frame.CallAfter([&] {
                Settle();
                CPropPageOptionsMain* page = CPropPageOptionsMain::FromWindow(sheet.Pages().at(0).window);
                if (page) {
                    ran = true;
                    body(frame, sheet, *page);
                }
                if (sheet.IsOpen())
                    sheet.Cancel();
            });
            frame.RunModal();
        });
        EXPECT_EQ(addin->ConfigureReminders(nullptr), S_OK);
        host::SetPropertySheetPresenter(nullptr);
        EXPECT_TRUE(ran);
    }

    // Clicks the page's button `id`; the dialog it opens is looked at by `look` and closed with
    // its button `closeId`.
    static void OpenDialog(CPropPageOptionsMain& page, int id, const std::string& title, int closeId,
                           const std::function<void(wxDialog& dialog, HWND window)>& look)
    {
        bool seen = false;
        wxTheApp->CallAfter([&] {
            Settle();
            wxDialog* dialog = DialogTitled(title);
            ASSERT_NE(dialog, nullptr) << title;
            const auto binding = platform::ui::WindowBinding::Of(dialog);
            ASSERT_NE(binding, nullptr);
            seen = true;
            look(*dialog, binding->Handle());
            SendMessageA(GetDlgItem(binding->Handle(), closeId), BM_CLICK, 0, 0);
        });
        SendMessageA(GetDlgItem(page.m_hWnd, id), BM_CLICK, 0, 0);
        EXPECT_TRUE(seen) << title;
    }

    // The tree with every state: stores, grey, white, green and red boxes.
    static void ShowEveryState(CFolderTreeViewCtrl& tree)
    {
        const HTREEITEM mailbox = tree.FindChild(TVI_ROOT, "Mailbox - Ann");
        ASSERT_NE(mailbox, nullptr);
        tree.Expand(mailbox, TVE_EXPAND);
        const HTREEITEM deleted = tree.FindChild(mailbox, "Deleted Items");
        tree.Expand(deleted, TVE_EXPAND);
        tree.UserClickStateIcon(tree.FindChild(mailbox, "Calendar"));
        tree.UserClickStateIcon(tree.FindChild(deleted, "Old Tasks"));
        tree.SelectItem(tree.FindChild(mailbox, "Calendar"));
        Settle();
    }

    std::unique_ptr<platform::ui::ToolkitPlatform> toolkit;
    LANGID language = 0;
    ComPtr<IExchExt> session;
    ComPtr<CCOMAddin> addin;
};

TEST_F(OptionsWindows, ThePageShowsInTheSheetInEnglishAndGerman)
{
    for (const auto& [id, name] : {std::pair<LANGID, const char*>{1033, "en"}, {1031, "de"}}) {
        SetThreadUILanguage(id);
        ShowSheet([&, name = std::string(name)](SheetFrame& frame, host::PropertySheet& sheet, CPropPageOptionsMain& page) {
            ShowEveryState(page.Tree());
            // Every store shows its image, also those the tree had before its view.
            auto* view = dynamic_cast<wxTreeCtrl*>(TreeView(&frame));
            ASSERT_NE(view, nullptr);
            wxTreeItemIdValue cookie;
            for (wxTreeItemId id = view->GetFirstChild(view->GetRootItem(), cookie); id.IsOk();
                 id = view->GetNextChild(view->GetRootItem(), cookie))
                EXPECT_GE(view->GetItemImage(id), 0) << view->GetItemText(id).utf8_string();
            EXPECT_TRUE(sheet.ApplyEnabled());
            SendMessageA(GetDlgItem(page.m_hWnd, IDC_CHK_SOUND), BM_CLICK, 0, 0);
            platform::TypeDialogItemText(GetDlgItem(page.m_hWnd, IDC_EDIT_SOUND), "/usr/share/sounds/bell.wav");
            page.PlayButton().SetMouseOver(true);
            Settle();
            Picture(&frame, "options-page-" + name);
            if (name == "en") {
                // Sound off: both buttons disabled, their disabled images on unpressed faces.
                SendMessageA(GetDlgItem(page.m_hWnd, IDC_CHK_SOUND), BM_CLICK, 0, 0);
                page.PlayButton().SetMouseOver(false);
                Settle();
                Picture(&frame, "options-buttons-disabled");
            }
        });
    }
}

TEST_F(OptionsWindows, TheDialogsShowOverThePage)
{
    ShowSheet([](SheetFrame&, host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        OpenDialog(page, IDC_BTN_ABOUT, "Support Lumivane Add-In", IDOK,
                   [](wxDialog& dialog, HWND) { Picture(&dialog, "support-dialog"); });
        ShowEveryState(page.Tree());
        OpenDialog(page, IDC_BTN_ZOOM, "Lumivane Add-In - Zoom", IDOK, [&](wxDialog& dialog, HWND) {
            // The page's tree moved in; a change in it enables the sheet's Apply.
            EXPECT_TRUE(page.IsItemShown(IDC_TREE_PLACEHOLDER));
            bool hasTree = false;
            for (wxWindow* child : dialog.GetChildren())
                hasTree = hasTree || dynamic_cast<wxTreeCtrl*>(child) != nullptr;
            EXPECT_TRUE(hasTree);
            dialog.SetSize(dialog.GetSize() + wxSize(60, 40));
            Settle();
            Picture(&dialog, "zoom-dialog");
        });
        EXPECT_TRUE(sheet.ApplyEnabled());
        EXPECT_FALSE(page.IsItemShown(IDC_TREE_PLACEHOLDER));
        OpenDialog(page, IDC_BTN_USER, "Lumivane Add-In - User", IDCANCEL, [](wxDialog& dialog, HWND window) {
            platform::TypeDialogItemText(GetDlgItem(window, IDC_EDIT_USERNAME), "Ann Example");
            Settle();
            Picture(&dialog, "user-dialog");
        });
    });
}

} // namespace
