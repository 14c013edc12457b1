// The main frame on the screen: a toolkit frame bound to the frame's platform window, with the
// menu 128 as its menu bar (each command's prompt in the status bar while it is highlighted), the
// flat toolbar with text labels, the one-pane status bar and the frame's keys. Every command
// goes to the frame's platform window as WM_COMMAND; the display-free CMainFrame decides.
#pragma once

#include "MainFrame.h"

#include "base/WinTypes.h"

#include <wx/frame.h>

#include <map>
#include <memory>

namespace platform::ui {
class WindowBinding;
}
class COrvDoc;
class wxMenu;

class CMainFrameWnd : public wxFrame, public CMainFrameSite {
public:
    CMainFrameWnd(CMainFrame& frame, COrvDoc& doc);
    ~CMainFrameWnd() override;

    CMainFrame& Frame() { return m_frame; }

    // CMainFrameSite.
    void BarsChanged() override;
    void StatusTextChanged() override;

private:
    int ToolkitId(UINT command);
    void FillMenu(wxMenu& menu, HMENU source, int depth);
    void BuildMenuBar();
    void BuildToolBar();
    void BuildAccelerators();
    void OnCommand(wxCommandEvent& event);
    void OnUpdateUI(wxUpdateUIEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnIdle(wxIdleEvent& event);

    CMainFrame& m_frame;
    COrvDoc& m_doc;
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
    // Command ids reach 0xFFFF, beyond the toolkit's ids: each command gets one of its own.
    std::map<int, UINT> m_commands;
    std::map<UINT, int> m_ids;
};
