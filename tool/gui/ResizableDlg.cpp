#include "ResizableDlg.h"

CResizableDlg::CResizableDlg(wxWindow* parent, const wxString& title, const wxSize& designClientSize)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX),
      m_state(this)
{
    SetClientSize(designClientSize);
    // The designed size is the smallest the user may make it.
    SetMinSize(GetSize());
    m_grip = new CSizeGripWnd(this);
    m_grip->Place(m_gripState.IsVisible());
    Bind(wxEVT_SIZE, &CResizableDlg::OnSize, this);
    Bind(wxEVT_MOVE, &CResizableDlg::OnMove, this);
}

CResizableDlg::~CResizableDlg() { SaveState(); }

void CResizableDlg::EnableStateSaving(const std::string& section, BOOL bRectOnly)
{
    m_sSection = section;
    m_bRectOnly = bRectOnly;
    m_bEnableSaveRestore = true;
    m_state.LoadWindowState(m_sSection, m_bRectOnly);
}

void CResizableDlg::SaveState()
{
    if (m_bEnableSaveRestore) {
        m_state.SaveWindowState(m_sSection, m_bRectOnly);
        m_bEnableSaveRestore = false;
    }
}

CRect CResizableDlg::GetLayoutRect() const
{
    const wxSize client = GetClientSize();
    return {0, 0, client.x, client.y};
}

void CResizableDlg::OnSize(wxSizeEvent& event)
{
    event.Skip();
    m_gripState.OnDialogSize(IsMaximized() ? SIZE_MAXIMIZED : IsIconized() ? SIZE_MINIMIZED : SIZE_RESTORED);
    m_state.Track();
    if (m_grip)
        m_grip->Place(m_gripState.IsVisible());
    ArrangeLayout();
}

void CResizableDlg::OnMove(wxMoveEvent& event)
{
    event.Skip();
    m_state.Track();
}
