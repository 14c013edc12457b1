// The main frame's icon in the notification area ("tray"), with a hidden window of its own that
// hears the shell's "TaskbarCreated", WM_SETTINGCHANGE and a second start's message, and the way
// a window sinks into the tray and rises from it.
//
// A shell without a tray does not stop the icon: it stays wanted and is added as soon as a tray
// announces itself. Until then IsIconShown() is false and the frame minimises as any window does.
#pragma once

#include "base/ShellNotify.h"
#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <functional>
#include <string>

class CSystemTray {
public:
    CSystemTray();
    // Deletes the icon and destroys the hidden window.
    ~CSystemTray();
    CSystemTray(const CSystemTray&) = delete;
    CSystemTray& operator=(const CSystemTray&) = delete;

    // Makes the hidden window and adds the icon for `parent` (its callbacks go there as
    // `callbackMessage`; no parent: to the hidden window) unless it is to start hidden. The
    // tip, balloon text and title are cut to 127, 255 and 63 bytes. False only when the hidden
    // window cannot be made; a shell without a tray leaves the icon wanted instead.
    bool InstallTrayIcon(HWND parent, UINT callbackMessage, const std::string& tip, HICON icon, UINT id, bool hidden,
                         const std::string& balloonText = {}, const std::string& balloonTitle = {},
                         DWORD balloonFlags = NIIF_NONE, UINT balloonSeconds = 10);
    // The icon's picture: shown at once when the icon is in the tray, else remembered for when
    // it is added.
    void SetIcon(HICON icon);
    HICON GetIcon() const { return m_tnd.hIcon; }
    // Takes the icon out of the tray for good: nothing re-adds it afterwards.
    void DeleteTrayIcon();
    // The menu item a double-click runs, by command or by position. True when it is unchanged
    // or the tray's menu (the icon's id) can be loaded with a first sub-menu.
    bool ChangeDefaultCommand(UINT item, bool byPosition);
    UINT GetDefaultCommand() const { return m_nDefaultMenuItem; }
    bool IsDefaultCommandByPosition() const { return m_bDefaultMenuItemByPos; }
    // The window that gets the menu's commands (null: the parent the icon was installed for).
    void SetTargetWnd(HWND target) { m_hTargetWnd = target; }

    // The icon's callback: a right-button release shows the tray's menu, a double-click runs its
    // default item; 1 when the message was for this icon, else 0.
    LRESULT HandleTrayMessage(WPARAM id, LPARAM mouseMessage);

    // Hides the window into the tray: it is re-parented under a hidden window of the process (so
    // it has no taskbar button) and hidden. The minimise animation is left out.
    static void SinkToTray(HWND window, bool forceAnimation = false);
    // Brings the window back to the desktop, shows it and brings it to the front.
    static void RiseFromTray(HWND window, bool forceAnimation = false);
    // Whether the window sits in the tray (under the hidden window).
    static bool IsInTray(HWND window);

    // The icon is in the tray now.
    bool IsIconShown() const { return m_bEnabled && !m_bHidden && !m_bRemoved && !m_bShowPending; }
    bool IsHidden() const { return m_bHidden; }
    bool IsRemoved() const { return m_bRemoved; }
    bool IsShowPending() const { return m_bShowPending; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    UINT GetId() const { return m_tnd.uID; }

    // A second start's message reached the hidden window (lParam: its run type).
    std::function<void(LPARAM lParam)> m_onActivateInstance;
    // The tray's menu is about to show (its items may be enabled or disabled).
    std::function<void(HMENU menu)> m_onCustomiseMenu;

private:
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Adds the icon again when it is wanted and not in the tray.
    void InstallIconPending();

    NOTIFYICONDATAA m_tnd{};
    bool m_bEnabled = false;
    bool m_bHidden = true;
    bool m_bRemoved = true;
    bool m_bShowPending = false;
    bool m_bSupportBalloon = true;
    HWND m_hTargetWnd = nullptr;
    UINT m_nDefaultMenuItem = 0;
    bool m_bDefaultMenuItemByPos = true;
    UINT m_uFlags = 0;
    HWND m_hWnd = nullptr;
    UINT m_nTaskbarCreated = 0;
    UINT m_nActivateInstance = 0;
};
