// The page's dialogs (support, user name, zoom) as the user runs them from the options page, and
// the bitmap button's painting rules with and without visual styles.
#include "OptionsFixture.h"
#include "TestDoubles.h"

#include "AddinCache.h"
#include "BitmapButtonEx.h"
#include "COMAddin.h"
#include "DlgAbout.h"
#include "DlgUsername.h"
#include "DlgZoom.h"
#include "FolderTreeViewCtrl.h"
#include "OptionsResource.h"
#include "PropPageOptionsMain.h"
#include "ReminderEngine.h"
#include "RegKeyEx.h"
#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/DisplayState.h"
#include "base/MessageBox.h"
#include "base/Window.h"
#include "host/PropertySheet.h"

#include <functional>

using namespace addintest;

namespace {

class DialogsTest : public OptionsFixture {
protected:
    // The next modal dialog runs `body` instead of a user; it ends as the body leaves it.
    static void OnDialog(std::function<void(CAddinDialog& dialog)> body)
    {
        CAddinDialog::SetModalPresenter([body](CAddinDialog& dialog, HWND) -> INT_PTR {
            body(dialog);
            return dialog.IsEnded() ? dialog.Result() : IDCANCEL;
        });
    }
    static void Click(HWND window, int id) { SendMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0); }
    static std::string Title(HWND window)
    {
        char text[300] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    static std::optional<WINDOWPLACEMENT> StoredPlacement()
    {
        CRegKeyEx key;
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS ||
            key.QueryValue("ZoomTreePlacement", &placement) != ERROR_SUCCESS)
            return std::nullopt;
        return placement;
    }
    static void StorePlacement(RECT rect)
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        placement.showCmd = SW_SHOWNORMAL;
        placement.rcNormalPosition = rect;
        CRegKeyEx key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        ASSERT_EQ(key.SetValue(&placement, "ZoomTreePlacement"), ERROR_SUCCESS);
    }

};

TEST_F(DialogsTest, ResetRunsAtOnceAndThePageThenShowsWhatIsStored)
{
    UseRealEngine();
    {
        CRegKeyEx key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        key.SetDWORDValue("Mail", 1);
        key.SetStringValue("MailAddress", "ann@example.org");
    }
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        EXPECT_EQ(IsDlgButtonChecked(page.m_hWnd, IDC_CHK_MAIL), static_cast<UINT>(BST_CHECKED));
        SendMessageA(GetDlgItem(page.m_hWnd, IDC_CHK_REMINDERWINDOW), BM_CLICK, 0, 0);
        EXPECT_TRUE(sheet.ApplyEnabled());
        OnDialog([](CAddinDialog& dialog) {
            EXPECT_EQ(Title(dialog.m_hWnd), "Support Lumivane Add-In");
            Click(dialog.m_hWnd, IDC_BTN_RESET);
            EXPECT_FALSE(dialog.IsEnded()); // it stays open
            Click(dialog.m_hWnd, IDOK);
        });
        Click(page.m_hWnd, IDC_BTN_ABOUT);
        // The settings are gone: the page shows the defaults, unchanged.
        EXPECT_EQ(IsDlgButtonChecked(page.m_hWnd, IDC_CHK_MAIL), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(IsDlgButtonChecked(page.m_hWnd, IDC_CHK_REMINDERWINDOW), static_cast<UINT>(BST_CHECKED));
        char address[100] = {};
        GetDlgItemTextA(page.m_hWnd, IDC_EDIT_MAIL, address, sizeof address);
        EXPECT_STREQ(address, "");
        EXPECT_FALSE(sheet.ApplyEnabled());
        EXPECT_GT(page.Tree().GetCount(), 0u); // rebuilt over the stores
    });
    CRegKeyEx key;
    DWORD mail = 0;
    EXPECT_TRUE(key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS ||
                key.QueryDWORDValue("Mail", mail) != ERROR_SUCCESS);
}

TEST_F(DialogsTest, AFailingResetShowsItsBoxAndWithoutAnEngineResetDoesNothing)
{
    CDlgAbout idle;
    OnDialog([](CAddinDialog& dialog) {
        Click(dialog.m_hWnd, IDC_BTN_RESET);
        Click(dialog.m_hWnd, IDCANCEL);
    });
    EXPECT_EQ(idle.DoModal(nullptr), IDCANCEL);
    EXPECT_FALSE(idle.ResetRan());
    EXPECT_TRUE(platform::PromptRecords().empty());

    std::vector<std::string> log;
    CStubEngine* engine = nullptr;
    ASSERT_EQ(CStubEngine::CreateObject(&engine), S_OK);
    engine->log = &log;
    engine->resetResult = E_FAIL;
    AddinCache::SetEngine(engine);
    engine->Release();
    CDlgAbout failing;
    OnDialog([](CAddinDialog& dialog) {
        Click(dialog.m_hWnd, IDC_BTN_RESET);
        Click(dialog.m_hWnd, IDOK);
    });
    EXPECT_EQ(failing.DoModal(nullptr), IDOK);
    EXPECT_TRUE(failing.ResetRan());
    EXPECT_EQ(log, std::vector<std::string>{"reset"});
    const auto boxes = platform::PromptRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The settings could not be reset (0x80004005).");
    EXPECT_EQ(boxes[0].caption, "Lumivane Add-In");
    AddinCache::ClearEngine();
}

TEST_F(DialogsTest, TheUserNameIsKeptOnOkOnly)
{
    OnDialog([](CAddinDialog& dialog) {
        EXPECT_EQ(Title(dialog.m_hWnd), "Lumivane Add-In - User");
        platform::TypeDialogItemText(GetDlgItem(dialog.m_hWnd, IDC_EDIT_USERNAME), "Ann");
        Click(dialog.m_hWnd, IDOK);
    });
    CDlgUsername first;
    EXPECT_EQ(first.DoModal(nullptr), IDOK);
    OnDialog([](CAddinDialog& dialog) {
        char text[50] = {};
        GetDlgItemTextA(dialog.m_hWnd, IDC_EDIT_USERNAME, text, sizeof text);
        EXPECT_STREQ(text, "Ann");
        platform::TypeDialogItemText(GetDlgItem(dialog.m_hWnd, IDC_EDIT_USERNAME), "Bob");
        Click(dialog.m_hWnd, IDCANCEL);
    });
    CDlgUsername second;
    EXPECT_EQ(second.DoModal(nullptr), IDCANCEL);
    CRegKeyEx key;
    std::string name;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ), ERROR_SUCCESS);
    ASSERT_EQ(key.QueryStringValue("UserName", &name), ERROR_SUCCESS);
    EXPECT_EQ(name, "Ann");

    // Without a display and a presenter, a queued answer ends it.
    CAddinDialog::SetModalPresenter(nullptr);
    ASSERT_TRUE(platform::PushAnswer("ok"));
    CDlgUsername third;
    EXPECT_EQ(third.DoModal(nullptr), IDOK);
    CDlgUsername fourth;
    EXPECT_EQ(fourth.DoModal(nullptr), IDCANCEL);
}

TEST_F(DialogsTest, TheZoomedTreeReportsToThePageAndGoesBackWithItsPlacementKept)
{
    UseRealEngine();
    StorePlacement({20000, 20000, 20400, 20400}); // on no display
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        CFolderTreeViewCtrl& tree = page.Tree();
        const HWND treeWindow = tree.m_hWnd;
        ASSERT_EQ(GetParent(treeWindow), page.m_hWnd);
        OnDialog([&](CAddinDialog& dialog) {
            auto& zoom = static_cast<CDlgZoom&>(dialog);
            EXPECT_EQ(Title(dialog.m_hWnd), "Lumivane Add-In - Zoom");
            EXPECT_FALSE(zoom.PlacementRestored());
            EXPECT_NE(zoom.BigIcon(), nullptr);
            EXPECT_EQ(GetParent(treeWindow), dialog.m_hWnd);
            EXPECT_TRUE(page.IsItemShown(IDC_TREE_PLACEHOLDER));
            // A change in the zoomed tree reaches the page's sheet.
            const HTREEITEM mailbox = tree.FindChild(TVI_ROOT, "Mailbox - Ann");
            tree.Expand(mailbox, TVE_EXPAND);
            tree.UserClickStateIcon(tree.FindChild(mailbox, "Tasks"));
            EXPECT_TRUE(sheet.ApplyEnabled());
            WINDOWPLACEMENT moved{};
            moved.length = sizeof moved;
            moved.showCmd = SW_SHOWNORMAL;
            moved.rcNormalPosition = {40, 50, 540, 650};
            SetWindowPlacement(dialog.m_hWnd, &moved);
            Click(dialog.m_hWnd, IDOK);
        });
        SendMessageA(GetDlgItem(page.m_hWnd, IDC_BTN_ZOOM), BM_CLICK, 0, 0);
        EXPECT_EQ(GetParent(treeWindow), page.m_hWnd);
        EXPECT_FALSE(page.IsItemShown(IDC_TREE_PLACEHOLDER));
        EXPECT_TRUE(tree.IsDirty());

        // Reopened, the dialog takes its last placement.
        OnDialog([](CAddinDialog& dialog) {
            EXPECT_TRUE(static_cast<CDlgZoom&>(dialog).PlacementRestored());
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            GetWindowPlacement(dialog.m_hWnd, &placement);
            EXPECT_EQ(placement.rcNormalPosition.left, 40);
            EXPECT_EQ(placement.rcNormalPosition.bottom, 650);
            Click(dialog.m_hWnd, IDOK);
        });
        SendMessageA(GetDlgItem(page.m_hWnd, IDC_BTN_ZOOM), BM_CLICK, 0, 0);
        EXPECT_TRUE(sheet.Cancel());
    });
    const auto stored = StoredPlacement();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->rcNormalPosition.top, 50);
}

class BitmapButtonTest : public ::testing::Test {
protected:
    void TearDown() override { platform::SetToolkitDisplayRunning(false); }
    CBitmapButtonEx Button()
    {
        CBitmapButtonEx button;
        button.SetBitmapButtonExtendedStyle(BMPBTN_AUTO3D_DOUBLE, BMPBTN_AUTO3D_DOUBLE | BMPBTN_AUTOSIZE);
        button.SetImageList(IDB_PLAY, 16, RGB(255, 0, 255));
        button.SetImages(0, -1, -1, 1);
        return button;
    }
    const RECT client{0, 0, 26, 22};
};

TEST_F(BitmapButtonTest, WithoutVisualStylesTheFaceIsFlatWithRaisedOrSunkenEdges)
{
    CBitmapButtonEx button = Button();
    auto paint = button.DoPaint(client, 16);
    EXPECT_FALSE(paint.themed);
    EXPECT_TRUE(paint.flatFace);
    EXPECT_EQ(paint.edge, IBitmapButtonModel::Edge::Raised);
    EXPECT_EQ(paint.image, 0);
    EXPECT_EQ(paint.imageAt.x, 5);
    EXPECT_EQ(paint.imageAt.y, 3);
    EXPECT_FALSE(paint.focusRect);

    // Pressed: sunken, and the image one pixel down and right (there is no pushed image).
    button.SetPressed(true);
    paint = button.DoPaint(client, 16);
    EXPECT_EQ(paint.edge, IBitmapButtonModel::Edge::Sunken);
    EXPECT_EQ(paint.imageAt.x, 6);
    EXPECT_EQ(paint.imageAt.y, 4);

    // Focused: a focus rectangle inside twice the edges.
    button.SetPressed(false);
    button.SetFocus(true);
    paint = button.DoPaint(client, 16);
    EXPECT_TRUE(paint.focusRect);
    EXPECT_EQ(paint.focus.left, 4);
    EXPECT_EQ(paint.focus.right, 22);

    // The single style draws thinner edges; the hover style draws none until the mouse is over.
    button.SetFocus(false);
    button.SetBitmapButtonExtendedStyle(BMPBTN_AUTO3D_SINGLE | BMPBTN_HOVER);
    EXPECT_EQ(button.DoPaint(client, 16).edge, IBitmapButtonModel::Edge::None);
    button.SetMouseOver(true);
    EXPECT_EQ(button.DoPaint(client, 16).edge, IBitmapButtonModel::Edge::RaisedInner);
}

TEST_F(BitmapButtonTest, ADisabledButtonShowsItsDisabledImageOnAnUnpressedFace)
{
    const HWND parent = platform::CreateMessageWindow(
        "#32770", "", [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); });
    const HWND item = platform::CreateDialogItem(parent, WC_BUTTONA, IDC_BTN_PLAY, "&Play", WS_VISIBLE);
    ASSERT_NE(item, nullptr);
    CBitmapButtonEx button = Button();
    button.SubclassWindow(item);
    EnableWindow(item, FALSE);
    for (bool themed : {false, true}) {
        platform::SetToolkitDisplayRunning(themed);
        const auto paint = button.DoPaint(client, 16);
        EXPECT_EQ(paint.themed, themed);
        EXPECT_EQ(paint.image, 1);
        EXPECT_EQ(paint.themeState, PBS_NORMAL);
        EXPECT_EQ(paint.edge, themed ? IBitmapButtonModel::Edge::None : IBitmapButtonModel::Edge::Raised);
    }
    DestroyWindow(parent);
}

TEST_F(BitmapButtonTest, WithVisualStylesTheStateChoosesTheThemedFace)
{
    platform::SetToolkitDisplayRunning(true);
    CBitmapButtonEx button = Button();
    EXPECT_EQ(button.DoPaint(client, 16).themeState, PBS_NORMAL);
    button.SetMouseOver(true);
    EXPECT_EQ(button.GetState(), static_cast<UINT>(BST_HOT));
    EXPECT_EQ(button.DoPaint(client, 16).themeState, PBS_HOT);
    button.SetPressed(true);
    const auto pressed = button.DoPaint(client, 16);
    EXPECT_EQ(pressed.themeState, PBS_PRESSED);
    EXPECT_EQ(pressed.edge, IBitmapButtonModel::Edge::None);
    EXPECT_FALSE(pressed.flatFace);
    button.SetPressed(false);
    button.SetFocus(true);
    EXPECT_TRUE(button.DoPaint(client, 16).focusRect); // themed or not
}

} // namespace
