// Toolkit controls bound to dialog items: the program's texts and check states show in the
// controls, and the user's typing and clicks reach the dialog as on the platform.
#include "ToolkitTestEnvironment.h"

#include "base/DialogItems.h"
#include "base/Resources.h"
#include "base/Window.h"
#include "ui/DialogItemBinding.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowCapture.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
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

TEST(DialogItemBinding, AComboBoxShowsTheListAndAPictureItsIcon)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitPlatform toolkit;
    std::vector<Note> notes;
    const HWND dialog = platform::CreateMessageWindow("#32770", "Snooze", [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_COMMAND)
            notes.push_back({LOWORD(w), HIWORD(w), 0, 0});
        return 0;
    });
    const HWND combo = platform::CreateDialogItem(dialog, WC_COMBOBOXA, 240, "", CBS_DROPDOWN);
    const HWND group = platform::CreateDialogItem(dialog, WC_BUTTONA, 246, "Details", BS_GROUPBOX);
    const HWND picture = platform::CreateDialogItem(dialog, WC_STATICA, 229, "", SS_ICON);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Snooze", wxDefaultPosition, wxSize(300, 200));
    auto* box = new wxStaticBox(frame, wxID_ANY, "", wxPoint(4, 4), wxSize(280, 180));
    auto* choices = new wxComboBox(frame, wxID_ANY, "", wxPoint(12, 30), wxSize(200, -1));
    auto* bitmap = new wxStaticBitmap(frame, wxID_ANY, wxNullBitmap, wxPoint(12, 80), wxSize(32, 32));
    ASSERT_TRUE(platform::ui::BindDialogItem(combo, choices));
    ASSERT_TRUE(platform::ui::BindDialogItem(group, box));
    ASSERT_TRUE(platform::ui::BindDialogItem(picture, bitmap));
    frame->Show();
    EXPECT_EQ(box->GetLabel(), "Details");

    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("5 minutes"));
    SendMessageA(combo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("10 minutes"));
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    ASSERT_EQ(choices->GetCount(), 2u);
    EXPECT_EQ(choices->GetString(0), "5 minutes");
    EXPECT_EQ(choices->GetValue(), "10 minutes");

    // The user chooses the first entry, then types.
    choices->SetSelection(0);
    wxCommandEvent chosen(wxEVT_COMBOBOX, choices->GetId());
    chosen.SetEventObject(choices);
    chosen.SetInt(0);
    choices->GetEventHandler()->ProcessEvent(chosen);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().code, CBN_SELCHANGE);
    notes.clear();
    choices->SetValue("2 hours");
    char text[32];
    GetWindowTextA(combo, text, sizeof text);
    EXPECT_STREQ(text, "2 hours");
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().code, CBN_EDITCHANGE);

    // The program fills the list anew: the control follows without taking the edit's text away.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("15 minutes"));
    SendMessageA(combo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("1 hour"));
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    ASSERT_EQ(choices->GetCount(), 2u);
    EXPECT_EQ(choices->GetString(0), "15 minutes");
    EXPECT_EQ(choices->GetValue(), "1 hour");
    GetWindowTextA(combo, text, sizeof text);
    EXPECT_STREQ(text, "1 hour");

    EXPECT_FALSE(bitmap->GetBitmap().IsOk());
    SendMessageA(picture, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_INFORMATION)), 0);
    EXPECT_TRUE(bitmap->GetBitmap().IsOk());
    EXPECT_EQ(bitmap->GetBitmap().GetWidth(), 32);
    frame->Destroy();
    toolkit.Loop().RunFor(std::chrono::milliseconds(50));
    DestroyWindow(dialog);
}
