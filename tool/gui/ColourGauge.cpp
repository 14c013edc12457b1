#include "ColourGauge.h"

#include "ResourceImages.h"

#include <wx/dcbuffer.h>

#include <algorithm>

CColourGauge::CColourGauge(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CColourGauge::OnPaint, this);
    Hide();
}

void CColourGauge::SetState(const CProgressState& state)
{
    m_state = state;
    Show(state.visible);
    Refresh();
}

void CColourGauge::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.SetPen(wxPen(wxColour(128, 128, 128)));
    dc.SetBrush(wxBrush(ToolkitColour(m_state.background)));
    dc.DrawRectangle(0, 0, size.x, size.y);
    const int range = m_state.upper - m_state.lower;
    if (range <= 0)
        return;
    const int done = std::clamp(m_state.pos - m_state.lower, 0, range);
    const int width = static_cast<int>(static_cast<long long>(size.x - 2) * done / range);
    if (width > 0) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(ToolkitColour(m_state.bar)));
        dc.DrawRectangle(1, 1, width, size.y - 2);
    }
}
