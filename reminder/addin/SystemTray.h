// CSystemTray: one icon in the notification area, owned by one object: the icon's data, a hidden
// window of class "LumivaneTray" that receives the icon's callback messages (when no parent is
// given), the animation's timer ticks and the shell's notices, a list of icons for an animation
// and the default item of an optional context menu (the module's menu resource whose id is the
// icon's id). The reminders window owns one and blinks it while reminders wait unseen.
//
// Hidden, removed and pending are separate: a hidden icon stays registered with the shell; a
// removed one must be added again; a pending one (an add that failed) is added again when the
// shell says it is ready ("LumivaneTaskBarOK", a changed work area) unless it is hidden. When a new
// tray appears ("TaskbarCreated") every icon that is not removed, or is pending, is added to it
// again, a hidden one as hidden.
#pragma once

#include "base/ShellNotify.h"
#include "base/WinTypes.h"

#include <span>
#include <vector>

class CSystemTray {
public:
    // "LumivaneTaskBarOK": a pending icon is added again on it.
    static const UINT m_nTaskbarCreatedMsg;
    // "TaskbarCreated": a new tray; the icons are added to it again.
    static const UINT m_nShellRestartMsg;
    // The animation's timer on the tray window.
    static constexpr UINT_PTR kAnimationTimerId = 100;
    // The tooltip's room (with its terminating zero).
    static constexpr int kMaxTipLength = 128;

    CSystemTray();
    CSystemTray(HINSTANCE instance, HWND parent, UINT callbackMessage, LPCSTR tip, HICON icon, UINT id,
                BOOL hidden = FALSE, LPCSTR balloonText = nullptr, LPCSTR balloonTitle = nullptr,
                DWORD balloonIcon = NIIF_NONE, UINT balloonTimeout = 10);
    virtual ~CSystemTray();
    CSystemTray(const CSystemTray&) = delete;
    CSystemTray& operator=(const CSystemTray&) = delete;

    // Makes the tray window and adds the icon; a second call returns TRUE at once. The texts are
    // cut to the tooltip's 127, the balloon's 255 and the title's 63 characters; the timeout is
    // in seconds. FALSE when the system has no tray features or the window cannot be made.
    BOOL InstallTrayIcon(HINSTANCE instance, HWND parent, UINT callbackMessage, LPCSTR tip, HICON icon, UINT id,
                         BOOL hidden = FALSE, LPCSTR balloonText = nullptr, LPCSTR balloonTitle = nullptr,
                         DWORD balloonIcon = NIIF_NONE, UINT balloonTimeout = 10);

    BOOL Enabled() const { return m_bEnabled; }
    BOOL Visible() const { return !m_bHidden; }
    BOOL IsHidden() const { return m_bHidden; }
    BOOL IsRemoved() const { return m_bRemoved; }
    BOOL IsPending() const { return m_bShowIconPending; }
    HWND TrayWindow() const { return m_hWnd; }

    // Removes the icon from the shell (it then counts as removed and hidden).
    void DeleteTrayIcon();
    // Adds the icon again (removing it first when it is there); TRUE when it is there now.
    BOOL ReAddTrayIcon();
    BOOL RenewTrayIcon();
    // Hides the icon, keeping it registered with the shell; RevealTrayIcon shows it again (a
    // removed one is added again).
    BOOL ConcealTrayIcon();
    BOOL RevealTrayIcon();

    BOOL SetIcon(HICON icon);
    // From an .ico file, or an icon resource of the instance, at its default size; or a system
    // icon (IDI_*).
    BOOL SetIcon(LPCSTR iconFile);
    BOOL SetIcon(UINT resourceId);
    BOOL SetStandardIcon(LPCSTR iconName);
    BOOL SetStandardIcon(UINT iconId);
    HICON CurrentIcon() const;

    // The animation: the icons of the resource ids first..last at the small icon size, or
    // icons the caller keeps.
    BOOL LoadCycleIcons(UINT firstId, UINT lastId);
    BOOL LoadCycleIcons(std::span<const HICON> icons);
    // Shows the next icon every `delay` milliseconds for `duration` seconds (-1: until
    // StopIconCycle). FALSE without icons.
    BOOL StartIconCycle(UINT delay, int duration);
    void NextCycleIcon();
    // Ends the animation and shows the icon that was shown before it.
    void StopIconCycle();
    BOOL IsCycling() const { return m_uIDTimer != 0; }

    BOOL ChangeTip(LPCSTR tip);
    BOOL ChangeTip(UINT stringId);
    // A copy of the tooltip in a buffer shared by every tray object.
    LPSTR CopyTip() const;
    BOOL PopBalloon(LPCSTR text, LPCSTR title = nullptr, DWORD icon = NIIF_NONE, UINT timeout = 10);

    BOOL ChangeIconWindow(HWND window);
    HWND IconWindow() const { return m_tnd.hWnd; }
    BOOL ChangeCommandTarget(HWND window);
    HWND CommandTarget() const;
    BOOL ChangeCallbackMessage(UINT callbackMessage);
    UINT CallbackMessageOf() const { return m_tnd.uCallbackMessage; }
    BOOL ChangeDefaultCommand(UINT item, BOOL byPosition);
    UINT DefaultCommandOf(BOOL* byPosition = nullptr) const;

    // Where the notification area lies on the screen.
    static void NotificationAreaRect(RECT* rect);
    // Hides a window into the tray (it becomes a child of a hidden window) and brings it back.
    static void SinkToTray(HWND window);
    static void RiseFromTray(HWND window);

    // The icon's callback message (wParam: the icon's id, lParam: the mouse message); 1 when
    // handled.
    virtual LRESULT HandleTrayMessage(WPARAM wParam, LPARAM lParam);
    // Called with the context menu before it is shown.
    virtual void AdjustTrayMenu(HMENU menu);

private:
    void Initialise();
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The shell's calls with the icon's data.
    BOOL Notify(DWORD message);
    void SetOwnedIcon(HICON icon);
    void ReleaseCycleIcons();
    void AnimationTick();
    // A pending icon is added again ("LumivaneTaskBarOK", a changed work area).
    void ReAddPending();
    // A new tray: the icon is added to it again unless it was removed.
    void AddToNewTray();
    // The command of the default item: the remembered one, or the id at its position in the
    // menu's first popup; 0 when the menu is missing.
    UINT DefaultCommand();

    NOTIFYICONDATAA m_tnd{};
    HINSTANCE m_hInstance = nullptr;
    HWND m_hWnd = nullptr;
    HWND m_hTargetWnd = nullptr;
    BOOL m_bEnabled = FALSE;
    BOOL m_bHidden = TRUE;
    BOOL m_bRemoved = TRUE;
    BOOL m_bShowIconPending = FALSE;
    BOOL m_bWin2K = FALSE;
    BOOL m_bCreated = FALSE;
    UINT m_DefaultMenuItemID = 0;
    BOOL m_DefaultMenuItemByPos = TRUE;
    std::vector<HICON> m_IconList;
    bool m_bOwnsCycleIcons = false;
    UINT_PTR m_uIDTimer = 0;
    ULONGLONG m_StartTime = 0;
    int m_nAnimationPeriod = 0;
    std::size_t m_nCurrentIcon = 0;
    HICON m_hSavedIcon = nullptr;
    UINT m_uCreationFlags = 0;
    // An icon this object loaded (from a file or resource) and shows: the shell keeps the
    // handle, so it is freed when another takes its place.
    HICON m_hOwnedIcon = nullptr;
};
