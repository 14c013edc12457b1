// The notification area ("tray"): Shell_NotifyIconA adds, changes and removes a window's icons
// there, each with a tooltip, a hidden state and an optional balloon, and the user's mouse
// actions on an icon come back to its window as the icon's callback message (wParam: the icon's
// id, lParam: the mouse message, such as WM_LBUTTONDBLCLK or WM_RBUTTONUP).
//
// The platform keeps the icons; a pluggable shell shows them. The default shell lives in memory:
// tests read its icons and click them, and can take the tray away and bring it back. Without a
// tray NIM_ADD fails; when a tray appears every top-level window is sent the registered message
// "TaskbarCreated" so that programs add their icons again. A toolkit installs a shell that shows
// real icons and balloons.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
using PNOTIFYICONDATAA = NOTIFYICONDATAA*;

// cbSize values callers set: the first layout (tip of 64, no state or balloon) and the one with
// state and balloon (488), as the platform's 32-bit programs count them, besides our own size.
inline constexpr DWORD NOTIFYICONDATAA_V1_SIZE = 88;
inline constexpr DWORD NOTIFYICONDATAA_V2_SIZE = 488;

#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIM_SETFOCUS 0x00000003
#define NIM_SETVERSION 0x00000004

#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_STATE 0x00000008
#define NIF_INFO 0x00000010

#define NIS_HIDDEN 0x00000001
#define NIS_SHAREDICON 0x00000002

#define NIIF_NONE 0x00000000
#define NIIF_INFO 0x00000001
#define NIIF_WARNING 0x00000002
#define NIIF_ERROR 0x00000003

extern "C" {
// TRUE on success. NIM_ADD fails without a tray, for an icon (window and id) that is there
// already or for no window; NIM_MODIFY, NIM_DELETE, NIM_SETFOCUS and NIM_SETVERSION fail for an
// icon that is not there. Only the fields uFlags names are taken; texts are cut to the tip's
// 127, the balloon text's 255 and the balloon title's 63 bytes (63 for the tip of the first
// layout, which has no state or balloon). A balloon shows when NIF_INFO comes with a text.
BOOL Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data);
}

namespace platform {

// An icon as the platform keeps it.
struct TrayIcon {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0; // 0: none
    HICON icon = nullptr;
    std::string tip;
    bool hidden = false;
    // The last balloon asked for.
    std::string balloonText;
    std::string balloonTitle;
    UINT balloonTimeout = 0; // milliseconds
    DWORD balloonFlags = 0;   // NIIF_*
};

// Shows the icons. Calls come on the thread that called Shell_NotifyIconA.
class TrayShell {
public:
    virtual ~TrayShell() = default;
    // Whether there is a tray to put icons into.
    virtual bool Available() = 0;
    // The icon was added, or changed (also hidden and shown), or removed.
    virtual void Show(const TrayIcon& icon) = 0;
    virtual void Remove(const TrayIcon& icon) = 0;
    // A balloon for the icon (its text and title are in the icon).
    virtual void Balloon(const TrayIcon& icon) = 0;
};

// Installs the shell Shell_NotifyIconA uses and returns the one before; null restores the
// in-memory one. The icons there are shown in the new shell.
std::shared_ptr<TrayShell> SetTrayShell(std::shared_ptr<TrayShell> shell);

// The icons now, in the order they were added.
std::vector<TrayIcon> TrayIcons();
std::optional<TrayIcon> FindTrayIcon(HWND window, UINT id);
// The user's mouse action on an icon (WM_LBUTTONDBLCLK, WM_RBUTTONUP, ...): its callback
// message is posted to its window. False when there is no such icon or it has no callback.
bool ClickTrayIcon(HWND window, UINT id, UINT mouseMessage);

// The in-memory tray: there or not (it is there at first). Bringing it back (false, then true)
// forgets the icons of the old one and announces the new one with "TaskbarCreated".
void SetInMemoryTrayAvailable(bool available);
// Sends every top-level window the registered message "TaskbarCreated" (posted), as a new tray
// does.
void AnnounceTaskbarCreated();
// The tray went away with its icons: the platform forgets them.
void ForgetTrayIcons();

} // namespace platform
