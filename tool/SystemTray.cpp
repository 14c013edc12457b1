#include "SystemTray.h"

#include "resource.h"

#include "base/Display.h"
#include "base/Menu.h"
#include "base/Resources.h"
#include "base/Window.h"

#include <algorithm>
#include <cstring>

namespace {

// The process's hidden window that windows in the tray are parented under, made on first use
// and destroyed with the last tray object.
HWND g_hHiddenParent = nullptr;
int g_nTrays = 0;

void CopyText(char* target, std::size_t size, const std::string& text)
{
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

HWND HiddenParent()
{
    if (!g_hHiddenParent || !IsWindow(g_hHiddenParent))
        g_hHiddenParent = platform::CreateMessageWindow("OrvintaTrayParent", "", [](HWND hwnd, UINT message,
                                                                                   WPARAM wParam, LPARAM lParam) {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        });
    return g_hHiddenParent;
}

} // namespace

CSystemTray::CSystemTray()
{
    ++g_nTrays;
    m_nTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    m_nActivateInstance = RegisterWindowMessageA(ORVINTA_INSTANCE_NAME);
}

CSystemTray::~CSystemTray()
{
    DeleteTrayIcon();
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    if (--g_nTrays == 0 && g_hHiddenParent) {
        DestroyWindow(g_hHiddenParent);
        g_hHiddenParent = nullptr;
    }
}

bool CSystemTray::InstallTrayIcon(HWND parent, UINT callbackMessage, const std::string& tip, HICON icon, UINT id,
                                  bool hidden, const std::string& balloonText, const std::string& balloonTitle,
                                  DWORD balloonFlags, UINT balloonSeconds)
{
    // Every shell here has a notification area.
    m_bEnabled = true;
    if (!m_hWnd) {
        m_hWnd = platform::CreateMessageWindow(
            "OrvintaTray", "", [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                if (message == WM_NCDESTROY) {
                    m_hWnd = nullptr;
                    return DefWindowProcA(hwnd, message, wParam, lParam);
                }
                return WindowProc(hwnd, message, wParam, lParam);
            });
        if (!m_hWnd) {
            m_bEnabled = false;
            return false;
        }
    }

    m_tnd = NOTIFYICONDATAA{};
    m_tnd.cbSize = NOTIFYICONDATAA_V2_SIZE;
    m_tnd.hWnd = parent ? parent : m_hWnd;
    m_tnd.uID = id;
    m_tnd.hIcon = icon;
    m_tnd.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_tnd.uCallbackMessage = callbackMessage;
    CopyText(m_tnd.szTip, sizeof m_tnd.szTip, tip);
    if (m_bSupportBalloon && !balloonText.empty()) {
        m_tnd.uFlags |= NIF_INFO;
        CopyText(m_tnd.szInfo, sizeof m_tnd.szInfo, balloonText);
        CopyText(m_tnd.szInfoTitle, sizeof m_tnd.szInfoTitle, balloonTitle);
        m_tnd.uTimeout = balloonSeconds * 1000;
        m_tnd.dwInfoFlags = balloonFlags;
    }
    if (hidden && m_bSupportBalloon) {
        m_tnd.uFlags = NIF_STATE;
        m_tnd.dwState = NIS_HIDDEN;
        m_tnd.dwStateMask = NIS_HIDDEN;
    }
    m_uFlags = m_tnd.uFlags;

    m_bHidden = hidden;
    m_bRemoved = false;
    m_bShowPending = false;
    if (!hidden || m_bSupportBalloon) {
        // Without a tray the icon stays wanted: a tray that appears announces itself, and the
        // icon is added then.
        m_bShowPending = !Shell_NotifyIconA(NIM_ADD, &m_tnd);
    }
    m_tnd.szInfo[0] = '\0';
    return true;
}

void CSystemTray::SetIcon(HICON icon)
{
    if (!m_bEnabled)
        return;
    m_tnd.hIcon = icon;
    if (!IsIconShown())
        return; // remembered for when the icon is added
    m_tnd.uFlags = NIF_ICON;
    Shell_NotifyIconA(NIM_MODIFY, &m_tnd);
}

void CSystemTray::DeleteTrayIcon()
{
    if (!m_bEnabled || m_bRemoved)
        return;
    m_tnd.uFlags = 0;
    Shell_NotifyIconA(NIM_DELETE, &m_tnd);
    m_bHidden = m_bRemoved = true;
    m_bShowPending = false;
}

void CSystemTray::InstallIconPending()
{
    if (!m_bEnabled || !m_bShowPending || m_bHidden || m_bRemoved)
        return;
    m_tnd.uFlags = m_uFlags;
    // An icon the tray still has (a work-area change without a new taskbar) takes the change.
    if (Shell_NotifyIconA(NIM_ADD, &m_tnd) || Shell_NotifyIconA(NIM_MODIFY, &m_tnd))
        m_bShowPending = false;
}

bool CSystemTray::ChangeDefaultCommand(UINT item, bool byPosition)
{
    if (m_nDefaultMenuItem == item && m_bDefaultMenuItemByPos == byPosition)
        return true;
    m_nDefaultMenuItem = item;
    m_bDefaultMenuItemByPos = byPosition;
    HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(m_tnd.uID));
    if (!menu)
        return false;
    const bool ok = GetSubMenu(menu, 0) != nullptr;
    DestroyMenu(menu);
    return ok;
}

LRESULT CSystemTray::HandleTrayMessage(WPARAM id, LPARAM mouseMessage)
{
    if (id != m_tnd.uID)
        return 0;
    const HWND target = m_hTargetWnd ? m_hTargetWnd : (m_tnd.hWnd != m_hWnd ? m_tnd.hWnd : nullptr);
    if (!target)
        return 0;

    if (mouseMessage == WM_RBUTTONUP) {
        HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(m_tnd.uID));
        if (!menu)
            return 0;
        HMENU sub = GetSubMenu(menu, 0);
        if (!sub) {
            DestroyMenu(menu);
            return 0;
        }
        SetMenuDefaultItem(sub, m_nDefaultMenuItem, m_bDefaultMenuItemByPos ? TRUE : FALSE);
        if (m_onCustomiseMenu)
            m_onCustomiseMenu(sub);
        POINT pos{};
        GetCursorPos(&pos);
        SetForegroundWindow(target);
        TrackPopupMenu(sub, TPM_LEFTBUTTON, pos.x, pos.y, 0, target, nullptr);
        // The menu closes properly when the owner gets a message after it.
        PostMessageA(target, WM_NULL, 0, 0);
        DestroyMenu(menu);
        return 1;
    }
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        SetForegroundWindow(target);
        UINT item = m_nDefaultMenuItem;
        if (m_bDefaultMenuItemByPos) {
            HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(m_tnd.uID));
            if (!menu)
                return 0;
            HMENU sub = GetSubMenu(menu, 0);
            item = sub ? GetMenuItemID(sub, static_cast<int>(m_nDefaultMenuItem)) : 0;
            DestroyMenu(menu);
            if (!sub)
                return 0;
        }
        PostMessageA(target, WM_COMMAND, item, 0);
        return 1;
    }
    return 1;
}

LRESULT CSystemTray::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_nActivateInstance && message != 0) {
        if (m_onActivateInstance)
            m_onActivateInstance(lParam);
        return 0;
    }
    if (message == m_nTaskbarCreated && message != 0) {
        // A new taskbar has no icons: the wanted one goes in again.
        m_bShowPending = !m_bRemoved;
        InstallIconPending();
        return 0;
    }
    if (message == WM_SETTINGCHANGE) {
        if (wParam == SPI_SETWORKAREA) {
            m_bShowPending = !m_bHidden && !m_bRemoved;
            InstallIconPending();
        }
        return 0;
    }
    if (message == m_tnd.uCallbackMessage && m_tnd.hWnd == hwnd && message != 0)
        return HandleTrayMessage(wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void CSystemTray::SinkToTray(HWND window, bool)
{
    const HWND parent = HiddenParent();
    if (!window || !parent)
        return;
    SetParent(window, parent);
    ShowWindow(window, SW_HIDE);
}

void CSystemTray::RiseFromTray(HWND window, bool)
{
    if (!window)
        return;
    SetParent(window, nullptr);
    ShowWindow(window, SW_SHOW);
    if (g_hHiddenParent && IsWindow(g_hHiddenParent))
        SetForegroundWindow(g_hHiddenParent);
    SetForegroundWindow(window);
}

bool CSystemTray::IsInTray(HWND window)
{
    return window && g_hHiddenParent && GetParent(window) == g_hHiddenParent;
}
