#include "LinkStaticCtrl.h"

#include "ResourceImages.h"

#include "base/Window.h"
#include "ui/WindowBinding.h"

#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/toplevel.h>

CLinkStaticCtrl::CLinkStaticCtrl(wxWindow* parent, wxWindowID id, CLinkStatic& model, const wxPoint& pos,
                                 const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE | wxTRANSPARENT_WINDOW), m_model(model), m_hover(this)
{
    m_plain = parent->GetFont();
    if (!m_plain.IsOk())
        m_plain = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    m_underlined = m_plain;
    m_underlined.SetUnderlined(true);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetCursor(wxCursor(wxCURSOR_HAND));
    m_model.m_onRedraw = [this] { Refresh(); };
    Bind(wxEVT_PAINT, &CLinkStaticCtrl::OnPaint, this);
    Bind(wxEVT_MOTION, &CLinkStaticCtrl::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &CLinkStaticCtrl::OnClick, this);
    Bind(wxEVT_TIMER, &CLinkStaticCtrl::OnTimer, this);
}

CLinkStaticCtrl::~CLinkStaticCtrl()
{
    m_hover.Stop();
    m_model.m_onRedraw = nullptr;
}

void CLinkStaticCtrl::SetUp(const std::string& windowText)
{
    m_text = wxString::FromUTF8(m_model.SetUp(windowText, m_style));
    SetToolTip(wxString::FromUTF8(m_model.GetURL()));
    FitToText();
    Refresh();
}

void CLinkStaticCtrl::FitToText()
{
    if (!m_model.GetAutoSize())
        return;
    wxClientDC dc(this);
    dc.SetFont(m_underlined);
    const wxSize extent = dc.GetTextExtent(m_text);
    const wxRect now = GetRect();
    const wxSize borders = GetSize() - GetClientSize();
    const CRect fitted = CLinkStatic::FitToText({now.x, now.y, now.x + now.width, now.y + now.height},
                                                {extent.x, extent.y}, {borders.x, borders.y}, m_style);
    SetSize(fitted.left, fitted.top, fitted.Width(), fitted.Height());
}

void CLinkStaticCtrl::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.Clear();
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const COLORREF highlightRef = static_cast<COLORREF>(highlight.Red() | (highlight.Green() << 8) | (highlight.Blue() << 16));
    dc.SetTextForeground(ToolkitColour(m_model.TextColour(highlightRef)));
    dc.SetFont(m_model.IsUnderlined() ? m_underlined : m_plain);
    dc.DrawText(m_text, 0, 0);
}

void CLinkStaticCtrl::OnMotion(wxMouseEvent& event)
{
    event.Skip();
    if (m_model.OnMouseMove())
        m_hover.Start(CLinkStatic::kHoverInterval);
}

void CLinkStaticCtrl::OnTimer(wxTimerEvent&)
{
    const wxPoint mouse = ScreenToClient(wxGetMousePosition());
    if (m_model.OnHoverTimer(GetClientRect().Contains(mouse)))
        m_hover.Stop();
}

void CLinkStaticCtrl::OnClick(wxMouseEvent& event)
{
    event.Skip();
    m_hover.Stop();
    HWND owner = nullptr;
    if (const auto binding = platform::ui::WindowBinding::Of(static_cast<wxTopLevelWindow*>(wxGetTopLevelParent(this))))
        owner = binding->Handle();
    m_model.OnClick(owner);
}
