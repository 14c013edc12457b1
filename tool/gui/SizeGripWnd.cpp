#include "SizeGripWnd.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>
#include <wx/toplevel.h>

CSizeGripWnd::CSizeGripWnd(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, GripSize(), wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CSizeGripWnd::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CSizeGripWnd::OnLeftDown, this);
    Bind(wxEVT_MOTION, &CSizeGripWnd::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &CSizeGripWnd::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CSizeGripWnd::OnCaptureLost, this);
}

wxSize CSizeGripWnd::GripSize()
{
    const int cx = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X);
    const int cy = wxSystemSettings::GetMetric(wxSYS_HSCROLL_Y);
    return wxSize(cx > 0 ? std::max(cx, 12) : 16, cy > 0 ? std::max(cy, 12) : 16);
}

void CSizeGripWnd::Place(bool show)
{
    const wxSize client = GetParent()->GetClientSize();
    const wxSize size = GetSize();
    Move(client.x - size.x, client.y - size.y);
    Show(show);
    if (show)
        Raise();
}

bool CSizeGripWnd::InTriangle(const wxPoint& point) const
{
    const wxSize size = GetClientSize();
    // Corners bottom-left, bottom-right and top-right: below the diagonal.
    return point.x * size.y + point.y * size.x >= size.x * size.y;
}

void CSizeGripWnd::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    const wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    const wxColour dark(128, 128, 128);
    // Three pairs of ridges across the lower-right triangle.
    for (int step = 4; step <= std::min(size.x, size.y); step += 4) {
        dc.SetPen(wxPen(dark, 1));
        dc.DrawLine(size.x - step, size.y - 1, size.x - 1, size.y - step);
        dc.SetPen(wxPen(light, 1));
        dc.DrawLine(size.x - step + 1, size.y - 1, size.x - 1, size.y - step + 1);
    }
}

void CSizeGripWnd::OnLeftDown(wxMouseEvent& event)
{
    if (!InTriangle(event.GetPosition())) {
        event.Skip();
        return;
    }
    wxTopLevelWindow* top = wxDynamicCast(wxGetTopLevelParent(this), wxTopLevelWindow);
    if (!top || top->IsMaximized())
        return;
    m_dragStart = ClientToScreen(event.GetPosition());
    m_startSize = top->GetSize();
    m_dragging = true;
    CaptureMouse();
}

void CSizeGripWnd::OnMotion(wxMouseEvent& event)
{
    SetCursor(InTriangle(event.GetPosition()) || m_dragging ? wxCursor(wxCURSOR_SIZENWSE) : wxNullCursor);
    if (!m_dragging)
        return;
    wxTopLevelWindow* top = wxDynamicCast(wxGetTopLevelParent(this), wxTopLevelWindow);
    if (!top)
        return;
    const wxPoint now = ClientToScreen(event.GetPosition());
    wxSize size(m_startSize.x + now.x - m_dragStart.x, m_startSize.y + now.y - m_dragStart.y);
    const wxSize minimum = top->GetMinSize();
    size.x = std::max(size.x, minimum.x);
    size.y = std::max(size.y, minimum.y);
    top->SetSize(size);
}

void CSizeGripWnd::OnLeftUp(wxMouseEvent&)
{
    if (m_dragging) {
        m_dragging = false;
        if (HasCapture())
            ReleaseMouse();
    }
}

void CSizeGripWnd::OnCaptureLost(wxMouseCaptureLostEvent&) { m_dragging = false; }
