// The program's top-level window: a frame with a status bar, titled with string 129. Its
// platform window answers the single-instance message of a second start, which hands over a
// run type (0-3; anything else changes nothing).
#pragma once

#include "base/WinTypes.h"

#include <wx/frame.h>

#include <memory>

namespace platform::ui {
class WindowBinding;
}
class COrvApp;
class COrvDoc;

class CMainFrame : public wxFrame {
public:
    CMainFrame(COrvApp& app, COrvDoc& doc);
    ~CMainFrame() override;

    // Minimised or shown, as start-up decided (SW_MINIMIZE or SW_SHOW).
    void ShowAs(int showCommand);
    bool IsMinimizedNow() const;
    HWND PlatformWindow() const { return m_hwnd; }
    void SetStatusText(const std::string& text);
    // How many single-instance messages arrived (for the test commands).
    int ActivateRequests() const { return m_nActivateRequests; }
    LPARAM LastActivateParam() const { return m_lastActivateParam; }

private:
    LRESULT OnPlatformMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnClose(wxCloseEvent& event);
    void OnIdle(wxIdleEvent& event);

    COrvApp& m_app;
    COrvDoc& m_doc;
    std::shared_ptr<bool> m_bAlive;
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
    HWND m_hwnd = nullptr;
    UINT m_activateMessage = 0;
    int m_nActivateRequests = 0;
    LPARAM m_lastActivateParam = 0;
};
