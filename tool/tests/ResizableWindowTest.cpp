// The resizable dialog and form view on a virtual display: anchored children follow the size,
// the grip sits in the corner, a form smaller than designed scrolls and shows no grip, and a
// dialog's placement is kept in its settings section.
#include "ResizableDlg.h"
#include "ResizableFormView.h"

#include "OrvApp.h"

#include "TempRoot.h"
#include "ToolkitTestEnvironment.h"
#include "registry/Registry.h"
#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/stattext.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

// A picture of the window among the program's own pictures (build/artifacts/orvinta).
bool Picture(wxTopLevelWindow* window, const std::string& name)
{
    std::string error;
    const auto file = platform::ui::CaptureWindow(window, name, &error);
    if (file.empty()) {
        ADD_FAILURE() << error;
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(ORVINTA_ARTIFACTS, ec);
    std::filesystem::copy_file(file, std::filesystem::path(ORVINTA_ARTIFACTS) / file.filename(),
                               std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

void Settle()
{
    for (int i = 0; i < 20; ++i) {
        wxTheApp->ProcessPendingEvents();
        wxYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A dialog laid out at its designed size: a label along the top, a list filling the middle,
// and two buttons in the bottom-right corner.
class TestDialog : public CResizableDlg {
public:
    TestDialog() : CResizableDlg(nullptr, "Resizable test dialog", wxSize(320, 220))
    {
        label = new wxStaticText(this, wxID_ANY, "Folders to keep in step:", wxPoint(10, 10), wxSize(300, 20));
        list = new wxListBox(this, wxID_ANY, wxPoint(10, 35), wxSize(300, 140));
        for (const char* name : {"*/Projects", "*/Projects/Alpha", "*/News"})
            list->Append(name);
        ok = new wxButton(this, wxID_OK, "OK", wxPoint(140, 185), wxSize(80, 26));
        cancel = new wxButton(this, wxID_CANCEL, "Cancel", wxPoint(230, 185), wxSize(80, 26));
        AddAnchor(label, TOP_LEFT, TOP_RIGHT);
        AddAnchor(list, TOP_LEFT, BOTTOM_RIGHT);
        AddAnchor(ok, BOTTOM_RIGHT);
        AddAnchor(cancel, BOTTOM_RIGHT);
    }
    wxStaticText* label;
    wxListBox* list;
    wxButton* ok;
    wxButton* cancel;
};

class ResizableWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_TOOLKIT();
        app = std::make_unique<COrvApp>();
        app->SetRegistryKey("Tembrix");
    }
    TempRoot root;
    std::unique_ptr<COrvApp> app;
};

TEST_F(ResizableWindows, AnchoredChildrenFollowTheDialogAndTheGripStaysInTheCorner)
{
    auto* dialog = new TestDialog;
    dialog->Show();
    Settle();
    EXPECT_TRUE(dialog->IsGripVisible());
    const wxSize design = dialog->GetClientSize();
    EXPECT_EQ(dialog->GetMinSize(), dialog->GetSize()) << "the designed size is the minimum";
    EXPECT_TRUE(Picture(dialog, "resizable-dialog-before"));

    dialog->SetSize(dialog->GetSize() + wxSize(180, 120));
    Settle();
    const wxSize client = dialog->GetClientSize();
    ASSERT_EQ(client, design + wxSize(180, 120));
    EXPECT_EQ(dialog->list->GetRect(), wxRect(10, 35, 300 + 180, 140 + 120));
    EXPECT_EQ(dialog->label->GetRect().width, 300 + 180);
    EXPECT_EQ(dialog->cancel->GetRect(), wxRect(230 + 180, 185 + 120, 80, 26));
    const wxRect grip = dialog->Grip()->GetRect();
    EXPECT_EQ(grip.GetRight() + 1, client.x);
    EXPECT_EQ(grip.GetBottom() + 1, client.y);
    EXPECT_TRUE(Picture(dialog, "resizable-dialog-after"));
    dialog->Destroy();
    Settle();
}

TEST_F(ResizableWindows, PlacementIsSavedWhenTheDialogGoesAndLoadedWhenEnabled)
{
    {
        TestDialog dialog;
        dialog.EnableStateSaving("DlgProfileEdit", FALSE);
        dialog.SetSize(100, 120, 500, 400);
        dialog.Show();
        Settle();
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\settings\\DlgProfileEdit", 0, KEY_READ, &key), 0);
    char text[128] = "";
    DWORD cb = sizeof(text);
    EXPECT_EQ(RegQueryValueExA(key, "WindowPlacement", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &cb), 0);
    RegCloseKey(key);
    EXPECT_STREQ(text, "100,120,600,520,1,0");

    TestDialog again;
    again.EnableStateSaving("DlgProfileEdit", FALSE);
    EXPECT_EQ(again.GetRect(), wxRect(100, 120, 500, 400));
}

TEST_F(ResizableWindows, FormSmallerThanDesignedScrollsAndShowsNoGrip)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Form view test", wxDefaultPosition, wxSize(500, 400));
    auto* view = new CResizableFormView(frame, wxSize(400, 300));
    auto* list = new wxListBox(view, wxID_ANY, wxPoint(10, 10), wxSize(380, 240));
    auto* banner = new wxStaticText(view, wxID_ANY, "Banner", wxPoint(10, 270), wxSize(100, 20));
    view->AddAnchor(list, TOP_LEFT, BOTTOM_RIGHT);
    view->AddAnchor(banner, BOTTOM_LEFT);
    view->OnInitialUpdate();
    frame->Show();
    Settle();
    frame->SetClientSize(600, 450);
    Settle();
    EXPECT_TRUE(view->IsGripVisible());
    EXPECT_EQ(list->GetRect(), wxRect(10, 10, 580, 390));
    EXPECT_EQ(banner->GetPosition(), wxPoint(10, 420));

    frame->SetClientSize(300, 200);
    Settle();
    EXPECT_FALSE(view->IsGripVisible());
    EXPECT_EQ(list->GetSize(), wxSize(380, 240)) << "the layout keeps the designed size";
    int x = 0, y = 0;
    view->GetVirtualSize(&x, &y);
    EXPECT_EQ(wxSize(x, y), wxSize(400, 300));
    // Scrolled down and right, the children move with the content.
    view->Scroll(5, 5);
    Settle();
    EXPECT_EQ(list->GetPosition(), wxPoint(10 - 40, 10 - 40));
    frame->Destroy();
    Settle();
}

} // namespace
