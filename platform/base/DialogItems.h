// The controls of a dialog as child windows with ids: buttons (push buttons, check boxes, radio
// buttons, group boxes), edits, combo boxes, static texts and pictures, and controls of a
// program's own (lists and the like) whose messages go to the program's procedure. A dialog is any window; its items are made with
// platform::CreateDialogItem and found by id. They behave as the program expects of the
// platform's controls: setting an edit's text sends the dialog EN_CHANGE and clears its modified
// mark; BM_CLICK toggles an auto check box or selects an auto radio button (clearing the other
// radio buttons of its group) before the dialog gets BN_CLICKED; typing (TypeDialogItemText, the
// user or a script) cuts the text at the edit's limit, sets the modified mark and sends EN_CHANGE.
// A combo box keeps a list of texts and an edit text: the program fills the list and chooses an
// entry (CB_SETCURSEL, which sets the edit text without notifying), typing works as in an edit
// (CBN_EDITUPDATE, CBN_EDITCHANGE) and a choice from the list (SelectComboItem) sends
// CBN_SELCHANGE. A static picture keeps the icon or bitmap the program gives it (STM_SETICON,
// STM_SETIMAGE).
//
// A toolkit control bound to an item shows its text and check state and reports the user's
// typing and clicks back (see WatchDialogItem), so the same dialog logic runs with and without
// a display.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

// Button styles (the low four bits) and check states.
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_GROUPBOX 0x00000007L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_TYPEMASK 0x0000000FL
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002

// Button messages and notifications.
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BN_CLICKED 0

// Edit styles, messages and notifications.
#define ES_MULTILINE 0x0004L
#define ES_PASSWORD 0x0020L
#define ES_READONLY 0x0800L
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_GETLIMITTEXT 0x00D5
#define EN_CHANGE 0x0300

#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
// The signed coordinates of a point packed into an LPARAM.
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(HIWORD(lp))))

// Static styles and messages.
#define SS_LEFT 0x00000000L
#define SS_ICON 0x00000003L
#define SS_BITMAP 0x0000000EL
#define SS_TYPEMASK 0x0000001FL
#define STM_SETICON 0x0170
#define STM_GETICON 0x0171
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173

// Combo box styles, messages and notifications.
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_SORT 0x0100L
#define CB_LIMITTEXT 0x0141
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRINGEXACT 0x0158
#define CB_SETCURSEL 0x014E
#define CB_ERR (-1)
#define CBN_SELCHANGE 1
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6

// The control classes.
#define WC_BUTTONA "Button"
#define WC_EDITA "Edit"
#define WC_STATICA "Static"
#define WC_COMBOBOXA "ComboBox"

namespace platform {

// A new control of the class WC_BUTTONA, WC_EDITA, WC_COMBOBOXA or WC_STATICA with this id and
// text, a child of the dialog (WS_CHILD is added to the style). Null for another class or no
// dialog.
HWND CreateDialogItem(HWND dialog, const std::string& className, int id, const std::string& text, DWORD style);
// A control of the program's own class (a list, for example): a dialog item found by its id
// whose messages all go to `procedure`. Null for no dialog.
HWND CreateCustomDialogItem(HWND dialog, const std::string& className, int id, DWORD style,
                            std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> procedure);

// The user chooses entry `index` of a combo box's list: it becomes the current entry, its text
// the edit text, and the dialog gets CBN_SELCHANGE. False for no combo box or no such entry.
bool SelectComboItem(HWND item, int index);
// The entries of a combo box's list (empty for another control).
std::vector<std::string> ComboItems(HWND item);

// What the user types into an edit (also what a script's `settext` does): the text, cut at the
// edit's limit, replaces the old one; the modified mark is set and the dialog gets EN_CHANGE.
// A combo box takes it the same way (CBN_EDITUPDATE, CBN_EDITCHANGE; its current entry becomes
// the one of exactly that text, or none). For another control it sets the text as SetWindowTextA
// does. False for no control.
bool TypeDialogItemText(HWND item, const std::string& text);

// Called (on the item's thread) after the program changed the item's text, check state, list or
// picture, for a toolkit control that shows it; null stops it.
void WatchDialogItem(HWND item, std::function<void()> changed);

} // namespace platform

extern "C" {
// The dialog's child with this id; null and ERROR_CONTROL_ID_NOT_FOUND when there is none.
HWND GetDlgItem(HWND dialog, int id);
// The control's id (0 for a window that is no dialog item).
int GetDlgCtrlID(HWND hwnd);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount);
// BM_SETCHECK and BM_GETCHECK of the dialog's button.
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// SendMessageA to the dialog's control; 0 when there is none.
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
}

#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif
