#include "MainFrame.h"

#include "DialogResource.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvView.h"
#include "RegKey.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/HtmlHelp.h"
#include "base/Menu.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/Window.h"

namespace {

// The toolbar's buttons, in the order of their pictures.
constexpr UINT kToolBarCommands[] = {ID_PROFILE_CREATE, ID_PROFILE_EDIT, ID_PROFILE_RENAME, ID_PROFILE_DELETE};

HICON LoadSmallIcon(UINT id)
{
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
}

void WriteDword(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

} // namespace

CMainFrame::CMainFrame(COrvApp& app, COrvDoc& doc) : m_app(app), m_doc(doc)
{
    m_nActivateMessage = RegisterWindowMessageA(ORVINTA_INSTANCE_NAME);
}

CMainFrame::~CMainFrame()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    m_wndTray.DeleteTrayIcon();
    if (m_hMenu)
        DestroyMenu(m_hMenu);
    if (m_hIconIdle)
        DestroyIcon(m_hIconIdle);
    if (m_hIconRunning)
        DestroyIcon(m_hIconRunning);
}

void CMainFrame::SetSite(CMainFrameSite* site) { m_pSite = site; }

BOOL CMainFrame::Create()
{
    // WS_OVERLAPPEDWINDOW alone: the title is what the view sets.
    m_hWnd = platform::CreateMessageWindow(
        "OrvintaFrame", "",
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_NCDESTROY) {
                m_hWnd = nullptr;
                return DefWindowProcA(hwnd, message, wParam, lParam);
            }
            return WindowProc(message, wParam, lParam);
        },
        nullptr, nullptr, WS_OVERLAPPEDWINDOW);
    if (!m_hWnd)
        return FALSE;
    if (!OnCreate()) {
        ::DestroyWindow(m_hWnd);
        return FALSE;
    }
    return TRUE;
}

BOOL CMainFrame::OnCreate()
{
    // Toolbar: each button is labelled with its command string's text after "\n".
    m_toolBar.clear();
    int image = 0;
    for (const UINT id : kToolBarCommands)
        m_toolBar.push_back({id, CommandLabel(id), image++});

    // Status bar: one pane, the message pane.
    m_strStatus = LoadResString(AFX_IDS_IDLEMESSAGE);

    m_hMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME));
    if (!m_hMenu)
        return FALSE;
    m_accelerators = CAcceleratorTable::Load(IDR_MAINFRAME);

    // Tray.
    m_hIconIdle = LoadSmallIcon(IDI_IDLE);
    m_hIconRunning = LoadSmallIcon(IDI_RUNNING);
    m_wndTray.m_onActivateInstance = [this](LPARAM lParam) {
        // In the tray the window is no top-level window and the message reaches only the tray's
        // window: it brings the window back itself.
        if (IsInTray())
            OnActivateInstance(lParam);
        else
            m_app.ScheduleSyncFromMessage(lParam);
    };
    m_wndTray.m_onCustomiseMenu = [this](HMENU menu) { CustomiseTrayMenu(menu); };
    if (!m_wndTray.InstallTrayIcon(m_hWnd, WMU_TRAY_NOTIFY, "", m_doc.m_bRunning ? m_hIconRunning : m_hIconIdle,
                                   IDR_TRAYMENU, false, "", "", NIIF_NONE, 10))
        return FALSE;
    // The window starts restored: a double-click on the icon minimises it.
    m_wndTray.ChangeDefaultCommand(ID_TRAY_MINIMIZE, false);
    m_doc.m_onTrayIcon = [this](UINT id) { m_wndTray.SetIcon(id == IDI_RUNNING ? m_hIconRunning : m_hIconIdle); };
    m_doc.m_onStatusText = [this](const std::string& text) { SetStatusText(text); };

    RemoveAlternativeEdit();
    return TRUE;
}

void CMainFrame::RemoveAlternativeEdit()
{
    if (!m_app.m_bShowAdvancedEdit && m_hMenu)
        DeleteMenu(m_hMenu, ID_PROFILE_EDIT_ALTERNATIVE, MF_BYCOMMAND);
}

std::string CMainFrame::CommandPrompt(UINT id)
{
    const std::string text = LoadResString(id);
    return text.substr(0, text.find('\n'));
}

std::string CMainFrame::CommandLabel(UINT id)
{
    const std::string text = LoadResString(id);
    const auto newline = text.find('\n');
    return newline == std::string::npos ? std::string() : text.substr(newline + 1);
}

void CMainFrame::ShowAs(int showCommand)
{
    if (!m_hWnd)
        return;
    // Mapped first: a frame that the toolkit maps after minimising it comes up restored.
    if (showCommand == SW_MINIMIZE)
        ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ShowWindow(m_hWnd, showCommand);
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_nActivateMessage && m_nActivateMessage != 0)
        return OnActivateInstance(lParam);
    switch (message) {
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam));
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WMU_TRAY_NOTIFY:
        return m_wndTray.HandleTrayMessage(wParam, lParam);
    case WM_CLOSE:
        if (m_doc.CanCloseFrame())
            DestroyWindow();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcA(m_hWnd, message, wParam, lParam);
    }
}

void CMainFrame::OnSize(UINT type)
{
    m_wndTray.ChangeDefaultCommand(ID_TRAY_MINIMIZE, false);
    if (type != SIZE_MINIMIZED)
        return;
    m_wndTray.ChangeDefaultCommand(ID_TRAY_RESTORE, false);
    // Without a tray the window stays an ordinary minimised window.
    if (m_wndTray.IsIconShown())
        CSystemTray::SinkToTray(m_hWnd);
}

void CMainFrame::OnRestore()
{
    if (IsInTray())
        CSystemTray::RiseFromTray(m_hWnd);
    if (IsIconic(m_hWnd))
        ShowWindow(m_hWnd, SW_RESTORE);
    SetForegroundWindow(m_hWnd);
    m_wndTray.ChangeDefaultCommand(ID_TRAY_MINIMIZE, false);
}

void CMainFrame::OnMinimize()
{
    if (m_wndTray.IsIconShown()) {
        if (!IsInTray())
            CSystemTray::SinkToTray(m_hWnd);
    } else {
        ShowWindow(m_hWnd, SW_MINIMIZE);
    }
    m_wndTray.ChangeDefaultCommand(ID_TRAY_RESTORE, false);
}

void CMainFrame::OnHelp() { HtmlHelpA(m_hWnd, m_app.m_strHelpFilePath.c_str(), HH_HELP_CONTEXT, HIDD_MAINFRAME); }

LRESULT CMainFrame::OnActivateInstance(LPARAM lParam)
{
    ++m_nActivateRequests;
    m_lastActivateParam = lParam;
    if (!m_app.ScheduleSyncFromMessage(lParam))
        return 0;
    // Shown and in front, also from the tray or minimised.
    if (IsInTray())
        CSystemTray::RiseFromTray(m_hWnd);
    ShowWindow(m_hWnd, IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(m_hWnd);
    m_wndTray.ChangeDefaultCommand(ID_TRAY_MINIMIZE, false);
    return 0;
}

void CMainFrame::OnCommand(UINT id)
{
    switch (id) {
    case ID_TRAY_RESTORE:
        OnRestore();
        break;
    case ID_TRAY_MINIMIZE:
        OnMinimize();
        break;
    case ID_HELP_TOPICS:
        OnHelp();
        break;
    case ID_APP_ABOUT:
        if (m_onAppAbout)
            m_onAppAbout();
        break;
    case ID_APP_EXIT:
        SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        break;
    case ID_VIEW_TOOLBAR:
        ShowToolBar(!m_bToolBarVisible);
        break;
    case ID_VIEW_STATUS_BAR:
        ShowStatusBar(!m_bStatusBarVisible);
        break;
    default:
        if (m_pView)
            m_pView->OnCommand(id);
        break;
    }
}

bool CMainFrame::IsCommandEnabled(UINT id) const
{
    switch (id) {
    case ID_TRAY_RESTORE:
    case ID_TRAY_MINIMIZE:
    case ID_HELP_TOPICS:
    case ID_APP_ABOUT:
    case ID_APP_EXIT:
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
        return true;
    default:
        return m_pView && m_pView->IsCommandEnabled(id);
    }
}

bool CMainFrame::IsCommandChecked(UINT id) const
{
    if (id == ID_VIEW_TOOLBAR)
        return m_bToolBarVisible;
    if (id == ID_VIEW_STATUS_BAR)
        return m_bStatusBarVisible;
    return false;
}

void CMainFrame::CustomiseTrayMenu(HMENU menu)
{
    // The menu shows what the commands allow now, as the frame's own menu does.
    for (const platform::MenuItemView& item : platform::MenuItems(menu))
        if (item.id != 0)
            EnableMenuItem(menu, item.id, MF_BYCOMMAND | (IsCommandEnabled(item.id) ? MF_ENABLED : MF_GRAYED));
}

void CMainFrame::ShowToolBar(bool show)
{
    if (m_bToolBarVisible == show)
        return;
    m_bToolBarVisible = show;
    if (m_pSite)
        m_pSite->BarsChanged();
}

void CMainFrame::ShowStatusBar(bool show)
{
    if (m_bStatusBarVisible == show)
        return;
    m_bStatusBarVisible = show;
    if (m_pSite)
        m_pSite->BarsChanged();
}

void CMainFrame::SetStatusText(const std::string& text)
{
    m_strStatus = text;
    if (m_pSite)
        m_pSite->StatusTextChanged();
}

bool CMainFrame::IsInTray() const { return CSystemTray::IsInTray(m_hWnd); }

std::string CMainFrame::WindowState() const
{
    if (!m_hWnd)
        return "none";
    if (IsInTray())
        return "tray";
    return IsIconic(m_hWnd) ? "minimized" : "normal";
}

void CMainFrame::SaveState()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    const BOOL placed = GetWindowPlacement(m_hWnd, &placement);
    CRegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_app.SettingsKey().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return;
    if (placed)
        RegSetValueExA(key.get(), "MainFramePos", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&placement),
                       sizeof(placement));
    WriteDword(key.get(), "StatusBar", m_bStatusBarVisible ? 1 : 0);
    WriteDword(key.get(), "ToolBar", m_bToolBarVisible ? 1 : 0);
}

BOOL CMainFrame::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    SaveState();
    return ::DestroyWindow(m_hWnd);
}

void CMainFrame::OnDestroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    m_wndTray.DeleteTrayIcon();
    m_doc.m_onTrayIcon = nullptr;
    m_doc.m_onStatusText = nullptr;
}
