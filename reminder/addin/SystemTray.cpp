#include "SystemTray.h"

#include "TraceScope.h"
#include "base/Display.h"
#include "base/Menu.h"
#include "base/Resources.h"
#include "base/WinTime.h"
#include "base/Window.h"
#include "system/SystemInfo.h"

#include <algorithm>
#include <cstring>
#include <string>

const UINT CSystemTray::m_nTaskbarCreatedMsg = RegisterWindowMessageA("LumivaneTaskBarOK");
const UINT CSystemTray::m_nShellRestartMsg = RegisterWindowMessageA("TaskbarCreated");

namespace {

constexpr char kTrayClass[] = "LumivaneTray";

// Copies at most room - 1 bytes of text (never a part of a UTF-8 character) with a terminating
// zero.
void CopyText(char* target, std::size_t room, LPCSTR text)
{
    std::size_t length = text ? std::strlen(text) : 0;
    if (length >= room) {
        length = room - 1;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    if (length)
        std::memcpy(target, text, length);
    target[length] = '\0';
}

// The parent of windows sunk into the tray: a hidden window made on first use.
HWND HiddenParent()
{
    static HWND parent = nullptr;
    if (!parent || !IsWindow(parent))
        parent = platform::CreateMessageWindow("Static", "", [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        });
    return parent;
}

ULONGLONG NowSeconds()
{
    return GetTickCount64() / 1000;
}

// The window rectangle as the platform keeps it (the restored one).
RECT WindowRectOf(HWND window)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return placement.rcNormalPosition;
}

// The descendants of a window, depth first in window order.
void Descendants(HWND window, std::vector<HWND>& out)
{
    for (HWND child : platform::ChildWindows(window)) {
        out.push_back(child);
        Descendants(child, out);
    }
}

} // namespace

CSystemTray::CSystemTray()
{
    Initialise();
}

CSystemTray::CSystemTray(HINSTANCE instance, HWND parent, UINT callbackMessage, LPCSTR tip, HICON icon, UINT id,
                         BOOL hidden, LPCSTR balloonText, LPCSTR balloonTitle, DWORD balloonIcon, UINT balloonTimeout)
{
    Initialise();
    InstallTrayIcon(instance, parent, callbackMessage, tip, icon, id, hidden, balloonText, balloonTitle, balloonIcon,
                    balloonTimeout);
}

void CSystemTray::Initialise()
{
    std::memset(&m_tnd, 0, sizeof m_tnd);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) {
        m_bEnabled = version.dwMajorVersion >= 4;
        m_bWin2K = version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
    } else {
        // An identity that cannot be read: the tray of a current system.
        m_bEnabled = TRUE;
        m_bWin2K = TRUE;
    }
}

CSystemTray::~CSystemTray()
{
    DeleteTrayIcon();
    if (m_uIDTimer && IsWindow(m_hWnd))
        KillTimer(m_hWnd, m_uIDTimer);
    m_uIDTimer = 0;
    ReleaseCycleIcons();
    if (m_hOwnedIcon)
        DestroyIcon(m_hOwnedIcon);
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

BOOL CSystemTray::InstallTrayIcon(HINSTANCE instance, HWND parent, UINT callbackMessage, LPCSTR tip, HICON icon,
                                  UINT id, BOOL hidden, LPCSTR balloonText, LPCSTR balloonTitle, DWORD balloonIcon,
                                  UINT balloonTimeout)
{
    if (m_bCreated)
        return TRUE;
    if (!m_bEnabled)
        return FALSE;
    m_hInstance = instance;
    // Each tray window reaches its own object.
    m_hWnd = platform::CreateMessageWindow(
        kTrayClass, "",
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(hwnd, message, wParam, lParam); },
        nullptr, nullptr, WS_POPUP);
    if (!m_hWnd)
        return FALSE;
    m_bCreated = TRUE;

    m_tnd.cbSize = m_bWin2K ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
    m_tnd.hWnd = parent ? parent : m_hWnd;
    m_tnd.uID = id;
    m_tnd.hIcon = icon;
    m_tnd.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_tnd.uCallbackMessage = callbackMessage;
    CopyText(m_tnd.szTip, kMaxTipLength, tip);
    if (m_bWin2K && balloonText && *balloonText) {
        m_tnd.uFlags |= NIF_INFO;
        CopyText(m_tnd.szInfo, sizeof m_tnd.szInfo, balloonText);
        CopyText(m_tnd.szInfoTitle, sizeof m_tnd.szInfoTitle, balloonTitle);
        m_tnd.dwInfoFlags = balloonIcon;
        m_tnd.uTimeout = balloonTimeout * 1000;
    }
    m_bHidden = hidden;
    if (m_bWin2K && hidden) {
        m_tnd.uFlags |= NIF_STATE;
        m_tnd.dwState = NIS_HIDDEN;
        m_tnd.dwStateMask = NIS_HIDDEN;
    }
    m_uCreationFlags = m_tnd.uFlags;
    BOOL result = TRUE;
    if (!hidden || m_bWin2K) {
        result = Notify(NIM_ADD);
        // A failed add waits to be added again; it is not hidden for that.
        m_bRemoved = !result;
        m_bShowIconPending = !result;
    }
    m_tnd.szInfo[0] = '\0';
    return result;
}

BOOL CSystemTray::Notify(DWORD message)
{
    return Shell_NotifyIconA(message, &m_tnd);
}

void CSystemTray::DeleteTrayIcon()
{
    m_bShowIconPending = FALSE;
    if (!m_bEnabled || m_bRemoved)
        return;
    m_tnd.uFlags = 0;
    if (Notify(NIM_DELETE)) {
        m_bRemoved = TRUE;
        m_bHidden = TRUE;
    }
}

BOOL CSystemTray::ReAddTrayIcon()
{
    if (!m_bRemoved)
        DeleteTrayIcon();
    if (m_bEnabled) {
        m_tnd.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        // Added or not, the icon is to be shown: a failed add waits as pending, not hidden.
        m_bHidden = FALSE;
        if (Notify(NIM_ADD)) {
            m_bRemoved = FALSE;
            m_bShowIconPending = FALSE;
        } else {
            m_bShowIconPending = TRUE;
        }
    }
    return !m_bRemoved;
}

BOOL CSystemTray::RenewTrayIcon()
{
    DeleteTrayIcon();
    return ReAddTrayIcon();
}

BOOL CSystemTray::ConcealTrayIcon()
{
    if (!m_bEnabled || m_bRemoved)
        return TRUE;
    if (!m_bWin2K) {
        DeleteTrayIcon();
        return TRUE;
    }
    m_tnd.uFlags = NIF_STATE;
    m_tnd.dwState = NIS_HIDDEN;
    m_tnd.dwStateMask = NIS_HIDDEN;
    if (!Notify(NIM_MODIFY))
        return FALSE;
    m_bHidden = TRUE;
    return TRUE;
}

BOOL CSystemTray::RevealTrayIcon()
{
    if (!m_bEnabled)
        return FALSE;
    if (m_bRemoved)
        return ReAddTrayIcon();
    if (!m_bHidden)
        return TRUE;
    if (!m_bWin2K)
        return ReAddTrayIcon();
    m_tnd.uFlags = NIF_STATE;
    m_tnd.dwState = 0;
    m_tnd.dwStateMask = NIS_HIDDEN;
    if (!Notify(NIM_MODIFY))
        return FALSE;
    m_bHidden = FALSE;
    return TRUE;
}

BOOL CSystemTray::SetIcon(HICON icon)
{
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "SetIcon: hIcon=%08lx\n",
               static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(icon)));
    if (!m_bEnabled)
        return FALSE;
    m_tnd.hIcon = icon;
    m_tnd.uFlags = NIF_ICON;
    return m_bHidden ? TRUE : Notify(NIM_MODIFY);
}

void CSystemTray::SetOwnedIcon(HICON icon)
{
    const HICON previous = m_hOwnedIcon;
    m_hOwnedIcon = icon;
    if (previous && previous != icon && previous != m_hSavedIcon)
        DestroyIcon(previous);
}

BOOL CSystemTray::SetIcon(LPCSTR iconFile)
{
    const auto icon = static_cast<HICON>(LoadImageA(nullptr, iconFile, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (!icon)
        return FALSE;
    const BOOL result = SetIcon(icon);
    SetOwnedIcon(icon);
    return result;
}

BOOL CSystemTray::SetIcon(UINT resourceId)
{
    const auto icon =
        static_cast<HICON>(LoadImageA(m_hInstance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    if (!icon)
        return FALSE;
    const BOOL result = SetIcon(icon);
    SetOwnedIcon(icon);
    return result;
}

BOOL CSystemTray::SetStandardIcon(LPCSTR iconName)
{
    const HICON icon = LoadIconA(nullptr, iconName);
    return icon ? SetIcon(icon) : FALSE;
}

BOOL CSystemTray::SetStandardIcon(UINT iconId)
{
    return SetStandardIcon(MAKEINTRESOURCEA(iconId));
}

HICON CSystemTray::CurrentIcon() const
{
    return m_bEnabled ? m_tnd.hIcon : nullptr;
}

void CSystemTray::ReleaseCycleIcons()
{
    if (m_bOwnsCycleIcons)
        for (HICON icon : m_IconList)
            if (icon != m_tnd.hIcon && icon != m_hSavedIcon)
                DestroyIcon(icon);
    m_IconList.clear();
    m_bOwnsCycleIcons = false;
}

BOOL CSystemTray::LoadCycleIcons(UINT firstId, UINT lastId)
{
    if (firstId > lastId)
        return FALSE;
    StopIconCycle();
    ReleaseCycleIcons();
    m_bOwnsCycleIcons = true;
    const int size = GetSystemMetrics(SM_CXSMICON);
    for (UINT id = firstId; id <= lastId; ++id) {
        const auto icon = static_cast<HICON>(LoadImageA(m_hInstance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
        if (!icon) {
            ReleaseCycleIcons();
            return FALSE;
        }
        m_IconList.push_back(icon);
    }
    return TRUE;
}

BOOL CSystemTray::LoadCycleIcons(std::span<const HICON> icons)
{
    StopIconCycle();
    ReleaseCycleIcons();
    m_IconList.assign(icons.begin(), icons.end());
    return TRUE;
}

BOOL CSystemTray::StartIconCycle(UINT delay, int duration)
{
    if (m_IconList.empty() || !m_hWnd)
        return FALSE;
    StopIconCycle();
    m_nCurrentIcon = 0;
    m_StartTime = NowSeconds();
    m_nAnimationPeriod = duration;
    m_hSavedIcon = CurrentIcon();
    m_uIDTimer = SetTimer(m_hWnd, kAnimationTimerId, delay, nullptr);
    return m_uIDTimer != 0;
}

void CSystemTray::NextCycleIcon()
{
    if (m_IconList.empty())
        return;
    m_nCurrentIcon = (m_nCurrentIcon + 1) % m_IconList.size();
    SetIcon(m_IconList[m_nCurrentIcon]);
}

void CSystemTray::StopIconCycle()
{
    if (!m_uIDTimer)
        return;
    if (IsWindow(m_hWnd))
        KillTimer(m_hWnd, m_uIDTimer);
    m_uIDTimer = 0;
    if (m_hSavedIcon)
        SetIcon(m_hSavedIcon);
    m_hSavedIcon = nullptr;
}

void CSystemTray::AnimationTick()
{
    const ULONGLONG elapsed = NowSeconds() - m_StartTime;
    if (m_nAnimationPeriod > 0 && elapsed > static_cast<ULONGLONG>(m_nAnimationPeriod))
        StopIconCycle();
    else
        NextCycleIcon();
}

BOOL CSystemTray::ChangeTip(LPCSTR tip)
{
    if (!m_bEnabled)
        return FALSE;
    CopyText(m_tnd.szTip, kMaxTipLength, tip);
    m_tnd.uFlags = NIF_TIP;
    return m_bHidden ? TRUE : Notify(NIM_MODIFY);
}

BOOL CSystemTray::ChangeTip(UINT stringId)
{
    char text[kMaxTipLength] = "";
    if (LoadStringA(m_hInstance, stringId, text, sizeof text) <= 0)
        return FALSE;
    return ChangeTip(text);
}

LPSTR CSystemTray::CopyTip() const
{
    static char buffer[kMaxTipLength];
    if (!m_bEnabled)
        return nullptr;
    CopyText(buffer, sizeof buffer, m_tnd.szTip);
    return buffer;
}

BOOL CSystemTray::PopBalloon(LPCSTR text, LPCSTR title, DWORD icon, UINT timeout)
{
    if (!m_bEnabled || !m_bWin2K)
        return FALSE;
    m_tnd.uFlags = NIF_INFO;
    CopyText(m_tnd.szInfo, sizeof m_tnd.szInfo, text);
    CopyText(m_tnd.szInfoTitle, sizeof m_tnd.szInfoTitle, title);
    m_tnd.dwInfoFlags = icon;
    m_tnd.uTimeout = timeout * 1000;
    const BOOL result = Notify(NIM_MODIFY);
    m_tnd.szInfo[0] = '\0';
    return result;
}

BOOL CSystemTray::ChangeIconWindow(HWND window)
{
    if (!IsWindow(window))
        return FALSE;
    if (window == m_tnd.hWnd)
        return TRUE;
    // The shell knows an icon by its window and id: one shown moves to the new window.
    const bool shown = m_bEnabled && !m_bRemoved;
    const BOOL hidden = m_bHidden;
    if (shown)
        DeleteTrayIcon();
    m_tnd.hWnd = window;
    if (!shown)
        return TRUE;
    const BOOL added = ReAddTrayIcon();
    if (added && hidden)
        ConcealTrayIcon();
    return added;
}

BOOL CSystemTray::ChangeCommandTarget(HWND window)
{
    m_hTargetWnd = window;
    return TRUE;
}

HWND CSystemTray::CommandTarget() const
{
    return m_hTargetWnd ? m_hTargetWnd : m_tnd.hWnd;
}

BOOL CSystemTray::ChangeCallbackMessage(UINT callbackMessage)
{
    if (callbackMessage < WM_APP)
        return FALSE;
    m_tnd.uCallbackMessage = callbackMessage;
    m_tnd.uFlags = NIF_MESSAGE;
    return m_bHidden ? TRUE : Notify(NIM_MODIFY);
}

BOOL CSystemTray::ChangeDefaultCommand(UINT item, BOOL byPosition)
{
    const HMENU menu = LoadMenuA(m_hInstance, MAKEINTRESOURCEA(m_tnd.uID));
    if (!menu)
        return FALSE;
    const bool hasPopup = GetSubMenu(menu, 0) != nullptr;
    DestroyMenu(menu);
    if (!hasPopup)
        return FALSE;
    m_DefaultMenuItemID = item;
    m_DefaultMenuItemByPos = byPosition;
    return TRUE;
}

UINT CSystemTray::DefaultCommandOf(BOOL* byPosition) const
{
    if (byPosition)
        *byPosition = m_DefaultMenuItemByPos;
    return m_DefaultMenuItemID;
}

UINT CSystemTray::DefaultCommand()
{
    if (!m_DefaultMenuItemByPos)
        return m_DefaultMenuItemID;
    const HMENU menu = LoadMenuA(m_hInstance, MAKEINTRESOURCEA(m_tnd.uID));
    if (!menu)
        return 0;
    const HMENU popup = GetSubMenu(menu, 0);
    const UINT item = popup ? GetMenuItemID(popup, static_cast<int>(m_DefaultMenuItemID)) : 0;
    DestroyMenu(menu);
    return item == static_cast<UINT>(-1) ? 0 : item;
}

void CSystemTray::AdjustTrayMenu(HMENU) {}

LRESULT CSystemTray::HandleTrayMessage(WPARAM wParam, LPARAM lParam)
{
    if (wParam != m_tnd.uID)
        return 0;
    const HWND target = CommandTarget();
    if (!target)
        return 0;
    const UINT mouse = static_cast<UINT>(lParam);
    if (mouse == WM_RBUTTONUP) {
        const HMENU menu = LoadMenuA(m_hInstance, MAKEINTRESOURCEA(m_tnd.uID));
        if (!menu)
            return 0;
        const HMENU popup = GetSubMenu(menu, 0);
        if (!popup) {
            DestroyMenu(menu);
            return 0;
        }
        SetMenuDefaultItem(popup, m_DefaultMenuItemID, m_DefaultMenuItemByPos);
        AdjustTrayMenu(popup);
        SetForegroundWindow(m_tnd.hWnd);
        ShowWindow(m_tnd.hWnd, SW_SHOW);
        POINT at{};
        GetCursorPos(&at);
        TrackPopupMenu(popup, 0, at.x, at.y, 0, target, nullptr);
        PostMessageA(m_tnd.hWnd, WM_NULL, 0, 0);
        DestroyMenu(menu);
    } else if (mouse == WM_LBUTTONDBLCLK) {
        SetForegroundWindow(m_tnd.hWnd);
        ShowWindow(m_tnd.hWnd, SW_RESTORE);
        UINT item = 0;
        if (m_DefaultMenuItemByPos) {
            item = DefaultCommand();
            if (!item)
                return 0;
        } else {
            item = m_DefaultMenuItemID;
        }
        PostMessageA(target, WM_COMMAND, item, 0);
    }
    return 1;
}

void CSystemTray::ReAddPending()
{
    if (!m_bShowIconPending || m_bHidden)
        return;
    m_tnd.uFlags = m_uCreationFlags & ~NIF_INFO;
    const BOOL added = Notify(NIM_ADD);
    m_bShowIconPending = !added;
    if (added)
        m_bRemoved = FALSE;
}

void CSystemTray::AddToNewTray()
{
    if (!m_bEnabled || !m_bCreated || (m_bRemoved && !m_bShowIconPending))
        return;
    // The new shell knows no icon: a hidden one is added as hidden.
    m_tnd.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (m_bHidden && m_bWin2K) {
        m_tnd.uFlags |= NIF_STATE;
        m_tnd.dwState = NIS_HIDDEN;
        m_tnd.dwStateMask = NIS_HIDDEN;
    }
    const BOOL added = Notify(NIM_ADD);
    m_bShowIconPending = !added;
    m_bRemoved = !added;
}

LRESULT CSystemTray::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_nTaskbarCreatedMsg) {
        ReAddPending();
        return 0;
    }
    if (message == m_nShellRestartMsg) {
        AddToNewTray();
        return 0;
    }
    if (message == WM_TIMER && wParam == kAnimationTimerId) {
        AnimationTick();
        return 0;
    }
    if (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA) {
        ReAddPending();
        return 0;
    }
    if (message == m_tnd.uCallbackMessage && message != 0)
        return HandleTrayMessage(wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void CSystemTray::NotificationAreaRect(RECT* rect)
{
    if (!rect)
        return;
    if (const HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr)) {
        *rect = WindowRectOf(taskbar);
        std::vector<HWND> children;
        Descendants(taskbar, children);
        for (HWND child : children) {
            const std::string name = platform::WindowClassName(child);
            if (name == "TrayNotifyWnd") {
                *rect = WindowRectOf(child);
            } else if (name == "TrayClockWClass") {
                const RECT clock = WindowRectOf(child);
                if (clock.bottom < rect->bottom - 5)
                    rect->top = clock.bottom;
                else
                    rect->right = clock.left;
                break;
            }
        }
        return;
    }
    // No taskbar to ask: the corner of the work area.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    *rect = work;
    rect->left = rect->right - 150;
    rect->top = rect->bottom - 30;
}

void CSystemTray::SinkToTray(HWND window)
{
    // No window animation here (SPI_GETANIMATION reports it off).
    SetParent(window, HiddenParent());
    ShowWindow(window, SW_HIDE);
}

void CSystemTray::RiseFromTray(HWND window)
{
    SetParent(window, nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    ShowWindow(window, SW_RESTORE);
}
