#include "StaticExCtrl.h"

#include "ResourceImages.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>

CStaticExCtrl::CStaticExCtrl(wxWindow* parent, wxWindowID id, CStaticEx& model, const wxPoint& pos, const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE), m_model(model)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_model.SetMeasure([this](std::string_view text) {
        wxClientDC dc(this);
        dc.SetFont(GetFont());
        return dc.GetTextExtent(wxString::FromUTF8(text.data(), text.size())).x;
    });
    m_model.OnSize(GetClientSize().x);
    Bind(wxEVT_PAINT, &CStaticExCtrl::OnPaint, this);
    Bind(wxEVT_SIZE, &CStaticExCtrl::OnSize, this);
}

void CStaticExCtrl::TextChanged()
{
    SetLabel(wxString::FromUTF8(m_model.GetFullText()));
    Refresh();
}

void CStaticExCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    // Transparent over the view: its background shows through.
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(ToolkitColour(m_model.GetStaticColour()));
    const wxString text = wxString::FromUTF8(m_model.GetShownText());
    const wxSize extent = dc.GetTextExtent(text);
    dc.DrawText(text, 0, (GetClientSize().y - extent.y) / 2);
}

void CStaticExCtrl::OnSize(wxSizeEvent& event)
{
    event.Skip();
    m_model.OnSize(GetClientSize().x);
    Refresh();
}
