// Toolkit controls bound to dialog items: the program's texts and check states show in the
// controls, and the user's typing and clicks reach the dialog as on the platform.
#include "ToolkitTestEnvironment.h"

#include "base/DialogItems.h"
#include "base/Window.h"
#include "ui/DialogItemBinding.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowCapture.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <vector>

namespace {

struct Note {
    int id;
    int code;
    UINT check;
    int modified;
};

// Sends the control the event a user's click gives.
void Click(wxWindow* control, wxEventType type)
{
    wxCommandEvent click(type, control->GetId());
    click.SetEventObject(control);
    click.SetInt(1);
    control->GetEventHandler()->ProcessEvent(click);
}

} // namespace

TEST(DialogItemBinding, ControlsShowTheItemsAndReportTheUsersChanges)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitPlatform toolkit;
    std::vector<Note> notes;
    const HWND dialog = platform::CreateMessageWindow("#32770", "Profile", [&](HWND h, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_COMMAND)
            notes.push_back({LOWORD(w), HIWORD(w), IsDlgButtonChecked(h, LOWORD(w)),
                             static_cast<int>(SendDlgItemMessageA(h, LOWORD(w), EM_GETMODIFY, 0, 0))});
        return 0;
    });
    platform::CreateDialogItem(dialog, WC_STATICA, 10, "Name:", 0);
    const HWND name = platform::CreateDialogItem(dialog, WC_EDITA, 11, "Work", 0);
    const HWND mail = platform::CreateDialogItem(dialog, WC_BUTTONA, 12, "Send a mail", BS_AUTOCHECKBOX);
    const HWND daily = platform::CreateDialogItem(dialog, WC_BUTTONA, 13, "Daily", BS_AUTORADIOBUTTON | WS_GROUP);
    const HWND weekly = platform::CreateDialogItem(dialog, WC_BUTTONA, 14, "Weekly", BS_AUTORADIOBUTTON);
    const HWND ok = platform::CreateDialogItem(dialog, WC_BUTTONA, 1, "OK", BS_DEFPUSHBUTTON | WS_GROUP);
    SendMessageA(name, EM_LIMITTEXT, 8, 0);
    CheckDlgButton(dialog, 13, BST_CHECKED);

    auto* frame = new wxFrame(nullptr, wxID_ANY, "Profile", wxDefaultPosition, wxSize(360, 220));
    auto* panel = new wxPanel(frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* label = new wxStaticText(panel, wxID_ANY, "");
    auto* edit = new wxTextCtrl(panel, wxID_ANY);
    auto* box = new wxCheckBox(panel, wxID_ANY, "");
    auto* first = new wxRadioButton(panel, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    auto* second = new wxRadioButton(panel, wxID_ANY, "");
    auto* button = new wxButton(panel, wxID_ANY, "");
    for (wxWindow* w : std::vector<wxWindow*>{label, edit, box, first, second, button})
        sizer->Add(w, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    panel->SetSizer(sizer);
    ASSERT_TRUE(platform::ui::BindDialogItem(GetDlgItem(dialog, 10), label));
    ASSERT_TRUE(platform::ui::BindDialogItem(name, edit));
    ASSERT_TRUE(platform::ui::BindDialogItem(mail, box));
    ASSERT_TRUE(platform::ui::BindDialogItem(daily, first));
    ASSERT_TRUE(platform::ui::BindDialogItem(weekly, second));
    ASSERT_TRUE(platform::ui::BindDialogItem(ok, button));
    EXPECT_FALSE(platform::ui::BindDialogItem(dialog, edit));
    frame->Show();

    // The items' state shows at once.
    EXPECT_EQ(edit->GetValue(), "Work");
    EXPECT_EQ(box->GetLabel(), "Send a mail");
    EXPECT_EQ(label->GetLabel(), "Name:");
    EXPECT_TRUE(first->GetValue());
    EXPECT_EQ(button->GetLabel(), "OK");

    // The program's changes.
    SetDlgItemTextA(dialog, 11, "Orders");
    EXPECT_EQ(edit->GetValue(), "Orders");
    CheckDlgButton(dialog, 12, BST_CHECKED);
    EXPECT_TRUE(box->GetValue());
    EnableWindow(mail, FALSE);
    EXPECT_FALSE(box->IsEnabled());
    EnableWindow(mail, TRUE);
    notes.clear();

    // The user types: cut at the limit, marked modified, EN_CHANGE.
    edit->SetValue("Quarterly reports");
    char text[32];
    GetDlgItemTextA(dialog, 11, text, sizeof text);
    EXPECT_STREQ(text, "Quarterl");
    EXPECT_EQ(edit->GetValue(), "Quarterl");
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().code, EN_CHANGE);
    EXPECT_EQ(notes.back().modified, TRUE);

    // The user clicks the check box, the second radio button and the button.
    notes.clear();
    box->SetValue(false);
    Click(box, wxEVT_CHECKBOX);
    second->SetValue(true);
    Click(second, wxEVT_RADIOBUTTON);
    Click(button, wxEVT_BUTTON);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].id, 12);
    EXPECT_EQ(notes[0].code, BN_CLICKED);
    EXPECT_EQ(notes[0].check, UINT(BST_UNCHECKED));
    EXPECT_FALSE(box->GetValue());
    EXPECT_EQ(notes[1].id, 14);
    EXPECT_EQ(notes[1].check, UINT(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, 13), UINT(BST_UNCHECKED));
    EXPECT_FALSE(first->GetValue());
    EXPECT_EQ(notes[2].id, 1);

    std::string error;
    EXPECT_FALSE(platform::ui::CaptureWindow(frame, "dialog-items", &error).empty()) << error;
    frame->Destroy();
    toolkit.Loop().RunFor(std::chrono::milliseconds(50));
    // The items outlive their controls.
    SetDlgItemTextA(dialog, 11, "Home");
    DestroyWindow(dialog);
}
