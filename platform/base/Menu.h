// Menus: menu resources loaded by LoadMenuA (base/Resources.h), their items' states, and
// popup menus tracked for a window. TrackPopupMenu takes the next queued answer first
// (base/AnswerQueue.h: `menu ID`, or `cancel`); without one it asks the installed menu tracker
// (a windowed program's, which shows the menu), and headless nothing is chosen.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <memory>
#include <string>
#include <vector>

#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_STRING 0x00000000L
#define MF_POPUP 0x00000010L
#define MF_SEPARATOR 0x00000800L
#define MF_DEFAULT 0x00001000L

#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_HORIZONTAL 0x0000L
#define TPM_VERTICAL 0x0040L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L
#define TPM_RECURSE 0x0001L
#define TPM_NOANIMATION 0x4000L

#define GMDI_USEDISABLED 0x0001L
#define GMDI_GOINTOPOPUPS 0x0002L

#ifndef ERROR_INVALID_MENU_HANDLE
#define ERROR_INVALID_MENU_HANDLE 1401L
#endif

struct TPMPARAMS {
    UINT cbSize;
    RECT rcExclude;
};
using LPTPMPARAMS = TPMPARAMS*;

extern "C" {
// The module's menu resource (null instance: the executable's) as a new menu; free it with
// DestroyMenu. Null and ERROR_RESOURCE_... when there is none, ERROR_INVALID_DATA when it is
// damaged.
HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);
// Destroys the menu and its popups. A popup of another menu goes with that menu.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// The popup at the position; null when the item there is none.
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
// The item's command id: 0 for a separator, -1 for a popup or no item.
UINT GetMenuItemID(HMENU menu, int position);
// MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_SEPARATOR, MF_POPUP (with the popup's item count in the
// high byte) and MF_DEFAULT of the item; -1 when there is none. By command the popups are
// searched too.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// The item's text with its '&' marks; with a null buffer its length.
int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int maxCount, UINT flags);
// Deletes the item (by command the popups are searched too); a popup's menu goes with it.
// FALSE and ERROR_NOT_FOUND when there is no such item.
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
// Sets MF_CHECKED or MF_UNCHECKED and returns the state before, or -1 when there is no item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
// Sets MF_ENABLED, MF_GRAYED or MF_DISABLED and returns the state before, or -1.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// Makes the item (of this menu itself) the default one; (UINT)-1 leaves the menu without one.
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
// The default item's id or position, or -1. A disabled default counts only with
// GMDI_USEDISABLED; GMDI_GOINTOPOPUPS follows a default popup to its own default.
UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags);

// Shows the popup menu for the owner window. With TPM_RETURNCMD the result is the command
// chosen (0 for none); otherwise a chosen command is posted to the owner as WM_COMMAND and the
// result is TRUE, or 0 when nothing was chosen. A queued answer that names no enabled command of
// the menu is recorded as an error. FALSE and ERROR_INVALID_MENU_HANDLE or
// ERROR_INVALID_WINDOW_HANDLE for a bad menu or owner.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
}

namespace platform {

// One item of a menu as a tracker shows it.
struct MenuItemView {
    UINT id = 0;          // command id (0 for separators and popups)
    std::string text;     // with '&' before the access key and "\t" before a shortcut text
    UINT state = 0;       // MF_SEPARATOR, MF_POPUP, MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_DEFAULT
    HMENU popup = nullptr; // the popup's own menu
};

// The items of a live menu (empty for a handle that names none).
std::vector<MenuItemView> MenuItems(HMENU menu);

class MenuTracker {
public:
    virtual ~MenuTracker() = default;
    // Shows the menu at the screen point for the owner and returns the command chosen, 0 when
    // the menu was dismissed. `flags` are TrackPopupMenu's TPM_* flags; `exclude` is the
    // rectangle it should not cover (null for none).
    virtual UINT Track(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* exclude) = 0;
};

// Installs the tracker TrackPopupMenu asks and returns the one before; null: none (headless).
std::shared_ptr<MenuTracker> SetMenuTracker(std::shared_ptr<MenuTracker> tracker);

} // namespace platform
