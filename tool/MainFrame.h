// The program's top-level window without a display: its platform window (the one a second
// start's message and every command reach), the menu 128 with "Edit - Alternative" kept only
// when ShowAdvancedEdit is on, the toolbar's buttons with their labels, the one-pane status
// bar, the keys, and the tray icon with its menu 164. Minimising sends the window into the tray
// where a tray exists; the tray's Restore, a double-click on its icon or a second start bring it
// back. Closing saves the window's placement and which bars show. A toolkit frame shows it
// through CMainFrameSite.
#pragma once

#include "AcceleratorTable.h"
#include "SystemTray.h"

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

class COrvApp;
class COrvDoc;
class COrvView;

// What the frame's logic asks of its display.
class CMainFrameSite {
public:
    virtual ~CMainFrameSite() = default;
    // The toolbar or the status bar was shown or hidden.
    virtual void BarsChanged() {}
    virtual void StatusTextChanged() {}
};

// A toolbar button: its command, the label under its picture (the command string's text after
// "\n") and the picture's place in the toolbar's bitmap.
struct CToolBarButton {
    UINT id = 0;
    std::string label;
    int image = 0;
};

class CMainFrame {
public:
    CMainFrame(COrvApp& app, COrvDoc& doc);
    ~CMainFrame();
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // The window (WS_OVERLAPPEDWINDOW, hidden until shown), then OnCreate. FALSE when it fails.
    BOOL Create();
    HWND GetSafeHwnd() const { return m_hWnd; }
    void SetView(COrvView* view) { m_pView = view; }
    void SetSite(CMainFrameSite* site);

    // Shows the window as start-up decided: SW_MINIMIZE (into the tray where there is one) or
    // SW_SHOW.
    void ShowAs(int showCommand);
    // Saves the placement and the bars, then destroys the window.
    BOOL DestroyWindow();

    // Handlers.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void OnSize(UINT type);
    void OnRestore();
    void OnMinimize();
    void OnHelp();
    // A second start's message: its run type (0-3; anything else changes nothing) is scheduled
    // and the window shows and comes to the front.
    LRESULT OnActivateInstance(LPARAM lParam);
    void RemoveAlternativeEdit();

    // Commands of the menu, the toolbar, the keys and the tray.
    void OnCommand(UINT id);
    bool IsCommandEnabled(UINT id) const;
    bool IsCommandChecked(UINT id) const;

    HMENU GetMenu() const { return m_hMenu; }
    const std::vector<CToolBarButton>& ToolBarButtons() const { return m_toolBar; }
    const CAcceleratorTable& Accelerators() const { return m_accelerators; }
    bool IsToolBarVisible() const { return m_bToolBarVisible; }
    bool IsStatusBarVisible() const { return m_bStatusBarVisible; }
    void ShowToolBar(bool show);
    void ShowStatusBar(bool show);
    const std::string& GetStatusText() const { return m_strStatus; }
    void SetStatusText(const std::string& text);

    // Where the window is: "normal", "minimized" or "tray" (hidden into the tray).
    std::string WindowState() const;
    bool IsInTray() const;

    // The prompt of a command (its string's text before "\n") and its label (after it).
    static std::string CommandPrompt(UINT id);
    static std::string CommandLabel(UINT id);

    // About (57664) opens the About box, which the toolkit shows.
    std::function<void()> m_onAppAbout;

    // How many second starts' messages arrived, and the last one's run type.
    int ActivateRequests() const { return m_nActivateRequests; }
    LPARAM LastActivateParam() const { return m_lastActivateParam; }

    CSystemTray m_wndTray;

private:
    BOOL OnCreate();
    void OnDestroy();
    void CustomiseTrayMenu(HMENU menu);
    void SaveState();

    COrvApp& m_app;
    COrvDoc& m_doc;
    COrvView* m_pView = nullptr;
    CMainFrameSite* m_pSite = nullptr;
    HWND m_hWnd = nullptr;
    HMENU m_hMenu = nullptr;
    HICON m_hIconIdle = nullptr;
    HICON m_hIconRunning = nullptr;
    UINT m_nActivateMessage = 0;
    std::vector<CToolBarButton> m_toolBar;
    CAcceleratorTable m_accelerators;
    bool m_bToolBarVisible = true;
    bool m_bStatusBarVisible = true;
    std::string m_strStatus;
    int m_nActivateRequests = 0;
    LPARAM m_lastActivateParam = 0;
    bool m_bDestroyed = false;
};
