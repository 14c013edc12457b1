// Dialog items: controls found by id, texts with EN_CHANGE and the modified mark, clicks on
// check boxes and radio buttons (the state changes before BN_CLICKED), edit limits.
#include "base/DialogItems.h"
#include "base/LastError.h"
#include "base/Resources.h"
#include "base/Window.h"

#include <gtest/gtest.h>

#include <vector>

using platform::CreateDialogItem;

namespace {

enum : int { kName = 1034, kMail = 206, kSound = 207, kDaily = 301, kWeekly = 302, kMonthly = 303, kOther = 304, kOk = 1 };

// A dialog that records the notifications its items send, with what it saw of them right then.
class Dialog {
public:
    Dialog()
    {
        hwnd = platform::CreateMessageWindow("#32770", "Options", [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_COMMAND) {
                Note n{LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l), 0, 0};
                n.checkSeen = IsDlgButtonChecked(h, LOWORD(w));
                n.modifiedSeen = static_cast<int>(SendDlgItemMessageA(h, LOWORD(w), EM_GETMODIFY, 0, 0));
                notes.push_back(n);
            }
            return 0;
        });
        CreateDialogItem(hwnd, WC_STATICA, 100, "Name:", 0);
        name = CreateDialogItem(hwnd, WC_EDITA, kName, "Work", WS_TABSTOP);
        mail = CreateDialogItem(hwnd, WC_BUTTONA, kMail, "Send a mail", BS_AUTOCHECKBOX | WS_TABSTOP);
        CreateDialogItem(hwnd, WC_BUTTONA, kSound, "Play a sound", BS_CHECKBOX);
        CreateDialogItem(hwnd, WC_BUTTONA, kDaily, "Daily", BS_AUTORADIOBUTTON | WS_GROUP);
        CreateDialogItem(hwnd, WC_BUTTONA, kWeekly, "Weekly", BS_AUTORADIOBUTTON);
        CreateDialogItem(hwnd, WC_BUTTONA, kMonthly, "Monthly", BS_AUTORADIOBUTTON);
        CreateDialogItem(hwnd, WC_BUTTONA, kOther, "Other", BS_AUTORADIOBUTTON | WS_GROUP);
        CreateDialogItem(hwnd, WC_BUTTONA, kOk, "OK", BS_DEFPUSHBUTTON | WS_GROUP);
    }
    ~Dialog() { DestroyWindow(hwnd); }

    struct Note {
        int id;
        int code;
        HWND from;
        UINT checkSeen;
        int modifiedSeen;
    };
    HWND hwnd = nullptr;
    HWND name = nullptr;
    HWND mail = nullptr;
    std::vector<Note> notes;
};

} // namespace

TEST(DialogItems, ItemsAreChildWindowsFoundByTheirIds)
{
    Dialog dialog;
    EXPECT_EQ(GetDlgItem(dialog.hwnd, kName), dialog.name);
    EXPECT_EQ(GetDlgCtrlID(dialog.name), kName);
    EXPECT_EQ(GetParent(dialog.name), dialog.hwnd);
    char cls[16];
    GetClassNameA(dialog.name, cls, sizeof cls);
    EXPECT_STREQ(cls, "Edit");
    EXPECT_EQ(GetDlgItem(dialog.hwnd, 999), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CONTROL_ID_NOT_FOUND));
    EXPECT_EQ(GetDlgCtrlID(dialog.hwnd), 0);
    EXPECT_EQ(CreateDialogItem(dialog.hwnd, "ListBox", 5, "", 0), nullptr);
    EXPECT_EQ(CreateDialogItem(reinterpret_cast<HWND>(0x8), WC_EDITA, 5, "", 0), nullptr);
    const HWND gone = GetDlgItem(dialog.hwnd, kOther);
    DestroyWindow(gone);
    EXPECT_EQ(GetDlgItem(dialog.hwnd, kOther), nullptr);
    EXPECT_EQ(GetDlgCtrlID(gone), 0);
}

TEST(DialogItems, TextsGoThroughTheItemsAndAnEditSaysItChanged)
{
    Dialog dialog;
    char text[16];
    EXPECT_EQ(GetDlgItemTextA(dialog.hwnd, kName, text, sizeof text), 4u);
    EXPECT_STREQ(text, "Work");
    ASSERT_TRUE(SetDlgItemTextA(dialog.hwnd, kName, "Orders and invoices"));
    EXPECT_EQ(GetDlgItemTextA(dialog.hwnd, kName, text, sizeof text), 15u);
    EXPECT_STREQ(text, "Orders and invo");
    ASSERT_EQ(dialog.notes.size(), 1u);
    EXPECT_EQ(dialog.notes[0].id, kName);
    EXPECT_EQ(dialog.notes[0].code, EN_CHANGE);
    EXPECT_EQ(dialog.notes[0].from, dialog.name);
    // A static text says nothing.
    SetDlgItemTextA(dialog.hwnd, 100, "Profile name:");
    EXPECT_EQ(dialog.notes.size(), 1u);
    EXPECT_EQ(GetDlgItemTextA(dialog.hwnd, 999, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(SetDlgItemTextA(dialog.hwnd, 999, "x"));
}

TEST(DialogItems, TypingMarksAnEditModifiedAndTheProgramsTextClearsTheMark)
{
    Dialog dialog;
    EXPECT_EQ(SendMessageA(dialog.name, EM_GETMODIFY, 0, 0), FALSE);
    ASSERT_TRUE(platform::TypeDialogItemText(dialog.name, "Home"));
    ASSERT_EQ(dialog.notes.size(), 1u);
    EXPECT_EQ(dialog.notes[0].code, EN_CHANGE);
    EXPECT_EQ(dialog.notes[0].modifiedSeen, TRUE); // marked before the dialog hears of it
    SetDlgItemTextA(dialog.hwnd, kName, "Work");
    EXPECT_EQ(SendMessageA(dialog.name, EM_GETMODIFY, 0, 0), FALSE);
    EXPECT_EQ(dialog.notes.back().modifiedSeen, FALSE);
    SendMessageA(dialog.name, EM_SETMODIFY, TRUE, 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog.hwnd, kName, EM_GETMODIFY, 0, 0), TRUE);
}

TEST(DialogItems, TypingStopsAtTheEditsLimit)
{
    Dialog dialog;
    EXPECT_EQ(SendMessageA(dialog.name, EM_GETLIMITTEXT, 0, 0), 30000);
    SendMessageA(dialog.name, EM_LIMITTEXT, 5, 0);
    ASSERT_TRUE(platform::TypeDialogItemText(dialog.name, "Reminders"));
    char text[32];
    GetDlgItemTextA(dialog.hwnd, kName, text, sizeof text);
    EXPECT_STREQ(text, "Remin");
    // The limit counts characters, not bytes.
    platform::TypeDialogItemText(dialog.name, "Grüße aus Köln");
    GetDlgItemTextA(dialog.hwnd, kName, text, sizeof text);
    EXPECT_STREQ(text, "Grüße");
    // The program's own text is not cut.
    SetDlgItemTextA(dialog.hwnd, kName, "Reminders");
    GetDlgItemTextA(dialog.hwnd, kName, text, sizeof text);
    EXPECT_STREQ(text, "Reminders");
    SendMessageA(dialog.name, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessageA(dialog.name, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

TEST(DialogItems, ClickingAnAutoCheckBoxTogglesItBeforeTheDialogHearsOfIt)
{
    Dialog dialog;
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd, kMail), UINT(BST_UNCHECKED));
    SendMessageA(dialog.mail, BM_CLICK, 0, 0);
    ASSERT_EQ(dialog.notes.size(), 1u);
    EXPECT_EQ(dialog.notes[0].code, BN_CLICKED);
    EXPECT_EQ(dialog.notes[0].checkSeen, UINT(BST_CHECKED));
    SendDlgItemMessageA(dialog.hwnd, kMail, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.notes[1].checkSeen, UINT(BST_UNCHECKED));
    // A plain check box leaves its state to the program.
    SendDlgItemMessageA(dialog.hwnd, kSound, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.notes[2].checkSeen, UINT(BST_UNCHECKED));
    ASSERT_TRUE(CheckDlgButton(dialog.hwnd, kSound, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd, kSound), UINT(BST_CHECKED));
    EXPECT_EQ(dialog.notes.size(), 3u); // setting the state notifies nobody
    // A disabled button does not take clicks.
    EnableWindow(dialog.mail, FALSE);
    SendMessageA(dialog.mail, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.notes.size(), 3u);
    EXPECT_FALSE(CheckDlgButton(dialog.hwnd, 999, BST_CHECKED));
}

TEST(DialogItems, ClickingAnAutoRadioButtonSelectsItAndClearsOnlyItsGroup)
{
    Dialog dialog;
    CheckDlgButton(dialog.hwnd, kDaily, BST_CHECKED);
    CheckDlgButton(dialog.hwnd, kOther, BST_CHECKED);
    SendDlgItemMessageA(dialog.hwnd, kMonthly, BM_CLICK, 0, 0);
    ASSERT_EQ(dialog.notes.size(), 1u);
    EXPECT_EQ(dialog.notes[0].id, kMonthly);
    EXPECT_EQ(dialog.notes[0].checkSeen, UINT(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd, kDaily), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd, kWeekly), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd, kOther), UINT(BST_CHECKED)); // another group
    // Clicking the first of a group clears the rest of it.
    SendDlgItemMessageA(dialog.hwnd, kDaily, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd, kMonthly), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd, kDaily), UINT(BST_CHECKED));
    SendDlgItemMessageA(dialog.hwnd, kOk, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.notes.back().id, kOk);
    EXPECT_EQ(dialog.notes.back().code, BN_CLICKED);
}

TEST(DialogItems, AWatcherHearsOfTheProgramsChanges)
{
    Dialog dialog;
    int changes = 0;
    platform::WatchDialogItem(dialog.mail, [&] { ++changes; });
    CheckDlgButton(dialog.hwnd, kMail, BST_CHECKED);
    SendMessageA(dialog.mail, BM_CLICK, 0, 0);
    SetWindowTextA(dialog.mail, "Send mails");
    EXPECT_EQ(changes, 3);
    platform::WatchDialogItem(dialog.mail, nullptr);
    CheckDlgButton(dialog.hwnd, kMail, BST_CHECKED);
    EXPECT_EQ(changes, 3);
}

TEST(DialogItems, AComboBoxKeepsItsListAndItsEditText)
{
    Dialog dialog;
    const HWND combo = CreateDialogItem(dialog.hwnd, WC_COMBOBOXA, 240, "", CBS_DROPDOWN | CBS_SORT);
    ASSERT_NE(combo, nullptr);
    // Inserting keeps the order given; adding to a sorted list sorts.
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("5 minutes")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("10 minutes")), 1);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 7, reinterpret_cast<LPARAM>("late")), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1 hour")), 0);
    EXPECT_EQ(platform::ComboItems(combo), (std::vector<std::string>{"1 hour", "5 minutes", "10 minutes"}));
    // The current entry moved with the insertion; its text is the edit text, set without a word
    // to the dialog.
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    char text[32];
    GetWindowTextA(combo, text, sizeof text);
    EXPECT_STREQ(text, "5 minutes");
    EXPECT_TRUE(dialog.notes.empty());
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, 2, 0), 10);
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text)), 10);
    EXPECT_STREQ(text, "10 minutes");
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text)), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>("1 HOUR")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    // Emptying the list empties the edit text too.
    EXPECT_EQ(SendMessageA(combo, CB_RESETCONTENT, 0, 0), TRUE);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(GetWindowTextLengthA(combo), 0);
}

TEST(DialogItems, TypingIntoAComboBoxAndChoosingFromItsListNotifyTheDialog)
{
    Dialog dialog;
    const HWND combo = CreateDialogItem(dialog.hwnd, WC_COMBOBOXA, 240, "", CBS_DROPDOWN);
    for (const char* entry : {"5 minutes", "1 hour"})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    int changes = 0;
    platform::WatchDialogItem(combo, [&] { ++changes; });
    SendMessageA(combo, CB_LIMITTEXT, 8, 0);
    ASSERT_TRUE(platform::TypeDialogItemText(combo, "2,5 hours"));
    char text[32];
    GetWindowTextA(combo, text, sizeof text);
    EXPECT_STREQ(text, "2,5 hour"); // cut at the limit
    ASSERT_EQ(dialog.notes.size(), 2u);
    EXPECT_EQ(dialog.notes[0].code, CBN_EDITUPDATE);
    EXPECT_EQ(dialog.notes[1].code, CBN_EDITCHANGE);
    EXPECT_EQ(dialog.notes[1].id, 240);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    // Typed text that names an entry chooses it.
    platform::TypeDialogItemText(combo, "1 hour");
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(platform::SelectComboItem(combo, 0));
    EXPECT_EQ(dialog.notes.back().code, CBN_SELCHANGE);
    GetWindowTextA(combo, text, sizeof text);
    EXPECT_STREQ(text, "5 minutes");
    EXPECT_FALSE(platform::SelectComboItem(combo, 2));
    EXPECT_FALSE(platform::SelectComboItem(dialog.name, 0));
    EXPECT_GE(changes, 3);
}

TEST(DialogItems, AStaticPictureKeepsItsIconOrBitmap)
{
    Dialog dialog;
    const HWND picture = CreateDialogItem(dialog.hwnd, WC_STATICA, 229, "", SS_ICON);
    int changes = 0;
    platform::WatchDialogItem(picture, [&] { ++changes; });
    const HICON icon = LoadIconA(nullptr, IDI_INFORMATION);
    EXPECT_EQ(SendMessageA(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0), 0);
    EXPECT_EQ(SendMessageA(picture, STM_GETICON, 0, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    const HICON other = LoadIconA(nullptr, IDI_WARNING);
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(other)),
              reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_ICON, 0), reinterpret_cast<LRESULT>(other));
    EXPECT_EQ(changes, 2);
}

TEST(DialogItems, AProgramsOwnControlIsFoundByItsIdAndGetsItsMessages)
{
    Dialog dialog;
    std::vector<UINT> messages;
    const HWND list = platform::CreateCustomDialogItem(dialog.hwnd, "SysListView32", 204, WS_TABSTOP,
                                                       [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                                                           messages.push_back(m);
                                                           return m == WM_APP ? 42 : DefWindowProcA(h, m, w, l);
                                                       });
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(GetDlgItem(dialog.hwnd, 204), list);
    EXPECT_EQ(GetDlgCtrlID(list), 204);
    EXPECT_EQ(SendDlgItemMessageA(dialog.hwnd, 204, WM_APP, 0, 0), 42);
    char cls[32];
    GetClassNameA(list, cls, sizeof cls);
    EXPECT_STREQ(cls, "SysListView32");
    DestroyWindow(list);
    EXPECT_EQ(messages.back(), UINT(WM_NCDESTROY));
    EXPECT_EQ(GetDlgItem(dialog.hwnd, 204), nullptr);
    EXPECT_EQ(platform::CreateCustomDialogItem(nullptr, "X", 1, 0, nullptr), nullptr);
}
