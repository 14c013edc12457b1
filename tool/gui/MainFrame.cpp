#include "MainFrame.h"

#include "OrvApp.h"
#include "OrvDoc.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/Window.h"
#include "ui/WindowBinding.h"

#include <wx/statusbr.h>

CMainFrame::CMainFrame(COrvApp& app, COrvDoc& doc)
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(LoadResString(IDS_TITLE)), wxDefaultPosition, wxSize(640, 480)),
      m_app(app), m_doc(doc)
{
    CreateStatusBar(1);
    SetStatusText(LoadResString(AFX_IDS_IDLEMESSAGE));
    m_activateMessage = RegisterWindowMessageA(ORVINTA_INSTANCE_NAME);
    // The frame's platform window: a top-level window, so a second start's broadcast reaches it.
    // It outlives the frame's own part while the toolkit takes the frame down: from then on its
    // messages go to the default procedure.
    m_bAlive = std::make_shared<bool>(true);
    m_binding = platform::ui::WindowBinding::Attach(
        this, "OrvintaFrame",
        [this, alive = m_bAlive](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            return *alive ? OnPlatformMessage(hwnd, message, wParam, lParam)
                          : DefWindowProcA(hwnd, message, wParam, lParam);
        });
    m_hwnd = m_binding ? m_binding->Handle() : nullptr;
    m_doc.m_onStatusText = [this](const std::string& text) { SetStatusText(text); };
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
}

CMainFrame::~CMainFrame()
{
    *m_bAlive = false;
    m_doc.m_onStatusText = nullptr;
}

void CMainFrame::ShowAs(int showCommand)
{
    if (m_hwnd) {
        // Mapped first: a frame that the toolkit maps after minimising it comes up restored.
        if (showCommand == SW_MINIMIZE)
            ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
        ShowWindow(m_hwnd, showCommand);
    } else {
        Show();
        Iconize(showCommand == SW_MINIMIZE);
    }
}

bool CMainFrame::IsMinimizedNow() const { return m_hwnd ? IsIconic(m_hwnd) != FALSE : IsIconized(); }

void CMainFrame::SetStatusText(const std::string& text)
{
    if (GetStatusBar())
        wxFrame::SetStatusText(wxString::FromUTF8(text));
}

LRESULT CMainFrame::OnPlatformMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_activateMessage && m_activateMessage != 0) {
        m_app.ScheduleSyncFromMessage(lParam);
        ++m_nActivateRequests;
        m_lastActivateParam = lParam;
        return 0;
    }
    if (message == WM_CLOSE) {
        Close();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void CMainFrame::OnClose(wxCloseEvent& event)
{
    if (event.CanVeto() && !m_doc.CanCloseFrame()) {
        event.Veto();
        return;
    }
    Destroy();
}

void CMainFrame::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    const std::string text = m_doc.OnIdle();
    if (!text.empty() && GetStatusBar() && GetStatusBar()->GetStatusText() != wxString::FromUTF8(text))
        SetStatusText(text);
}
