#include "ResizableFormView.h"

#include <wx/toplevel.h>

CResizableFormView::CResizableFormView(wxWindow* parent, const wxSize& designSize)
    : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, designSize, wxHSCROLL | wxVSCROLL),
      m_designSize(designSize)
{
    SetVirtualSize(designSize);
    SetScrollRate(8, 8);
    m_grip = new CSizeGripWnd(this);
    m_grip->Hide();
    Bind(wxEVT_SIZE, &CResizableFormView::OnSize, this);
}

void CResizableFormView::OnInitialUpdate()
{
    m_bInitDone = true;
    UpdateGrip();
    ArrangeLayout();
}

CRect CResizableFormView::GetLayoutRect() const
{
    if (!m_bInitDone)
        return {0, 0, m_designSize.x, m_designSize.y};
    const wxSize client = GetClientSize();
    const int w = std::max(client.x, m_designSize.x);
    const int h = std::max(client.y, m_designSize.y);
    // The content's origin in client coordinates: above and left of the client area when scrolled.
    const wxPoint origin = CalcScrolledPosition(wxPoint(0, 0));
    return {origin.x, origin.y, origin.x + w, origin.y + h};
}

void CResizableFormView::UpdateGrip()
{
    wxTopLevelWindow* frame = wxDynamicCast(wxGetTopLevelParent(this), wxTopLevelWindow);
    const wxSize size = GetSize();
    bool maximized = false;
    bool thick = false;
    bool atCorner = false;
    if (frame) {
        maximized = frame->IsMaximized();
        thick = frame->HasFlag(wxRESIZE_BORDER);
        // The form's place in the frame's client area, from the parents' positions (screen
        // positions mean nothing before the frame shows).
        wxPoint corner = GetPosition() + wxPoint(size.x, size.y);
        for (const wxWindow* parent = GetParent(); parent && parent != frame; parent = parent->GetParent())
            corner += parent->GetPosition();
        const wxSize frameClient = frame->GetClientSize();
        atCorner = corner.x == frameClient.x && corner.y == frameClient.y;
    }
    m_gripState.OnFormViewSize(maximized, {size.x, size.y}, {m_designSize.x, m_designSize.y}, thick, atCorner);
    if (m_grip)
        m_grip->Place(m_gripState.IsVisible());
}

void CResizableFormView::OnSize(wxSizeEvent& event)
{
    event.Skip();
    SetVirtualSize(std::max(GetClientSize().x, m_designSize.x), std::max(GetClientSize().y, m_designSize.y));
    UpdateGrip();
    if (m_bInitDone)
        ArrangeLayout();
}
