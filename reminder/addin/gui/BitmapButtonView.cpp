#include "BitmapButtonView.h"

#include "base/Bitmap.h"
#include "base/DialogItems.h"
#include "base/Window.h"
#include "base/WindowView.h"
#include "ui/ToolkitImages.h"

#include <wx/dcbuffer.h>
#include <wx/renderer.h>
#include <wx/settings.h>

// Follows the dialog item's enabling.
class BitmapButtonItemView : public platform::WindowView {
public:
    explicit BitmapButtonItemView(wxWindow* control) : m_control(control) {}
    void Apply(const platform::WindowViewState& state) override
    {
        if (!m_control)
            return;
        m_control->Enable(state.enabled);
        m_control->Refresh();
    }
    void Raise() override
    {
        if (m_control)
            m_control->SetFocus();
    }
    void WindowDestroyed() override { m_control = nullptr; }
    void Detach() { m_control = nullptr; }

private:
    wxWindow* m_control;
};

namespace {

// Draws an edge of `width` pixels: light over dark (raised) or dark over light (sunken).
void DrawEdge(wxDC& dc, const wxRect& r, bool raised, int width)
{
    const wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour dark = wxSystemSettings::GetColour(wxSYS_COLOUR_3DDKSHADOW);
    for (int i = 0; i < width; ++i) {
        const wxRect e = wxRect(r).Deflate(i);
        const wxColour topLeft = raised ? light : (i == 0 ? shadow : dark);
        const wxColour bottomRight = raised ? (i == 0 ? dark : shadow) : light;
        dc.SetPen(wxPen(topLeft));
        dc.DrawLine(e.GetLeft(), e.GetBottom(), e.GetLeft(), e.GetTop());
        dc.DrawLine(e.GetLeft(), e.GetTop(), e.GetRight(), e.GetTop());
        dc.SetPen(wxPen(bottomRight));
        dc.DrawLine(e.GetRight(), e.GetTop(), e.GetRight(), e.GetBottom());
        dc.DrawLine(e.GetRight(), e.GetBottom(), e.GetLeft() - 1, e.GetBottom());
    }
}

} // namespace

BitmapButtonView::BitmapButtonView(wxWindow* parent, IBitmapButtonModel& model, HINSTANCE module,
                                   const wxString& label, const wxRect& rect)
    : wxControl(parent, wxID_ANY, rect.GetPosition(), rect.GetSize(), wxBORDER_NONE), m_model(model)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetToolTip(wxStripMenuCodes(label));
    const HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(model.ImageListBitmap()));
    const wxImage strip = platform::ui::ImageOfBitmap(bitmap);
    if (bitmap)
        DeleteObject(bitmap);
    const int width = model.ImageWidth();
    if (strip.IsOk() && width > 0) {
        m_imageHeight = strip.GetHeight();
        const COLORREF mask = model.MaskColour();
        for (int x = 0; x + width <= strip.GetWidth(); x += width) {
            wxImage image = strip.GetSubImage(wxRect(x, 0, width, strip.GetHeight()));
            image.SetMaskColour(GetRValue(mask), GetGValue(mask), GetBValue(mask));
            m_images.emplace_back(image);
        }
    }
    m_itemView = std::make_shared<BitmapButtonItemView>(this);
    platform::BindWindowView(model.Window(), m_itemView);

    Bind(wxEVT_PAINT, [this](wxPaintEvent&) { OnPaint(); });
    Bind(wxEVT_ENTER_WINDOW, [this](wxMouseEvent&) {
        m_model.SetMouseOver(true);
        Refresh();
    });
    Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent&) {
        m_model.SetMouseOver(false);
        m_model.SetPressed(false);
        Refresh();
    });
    Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent&) {
        SetFocus();
        m_model.SetPressed(true);
        Refresh();
    });
    Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
        const bool click = GetClientRect().Contains(event.GetPosition()) && IsEnabled();
        m_model.SetPressed(false);
        Refresh();
        if (click)
            Click();
    });
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        m_model.SetFocus(true);
        Refresh();
        event.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        m_model.SetFocus(false);
        Refresh();
        event.Skip();
    });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_SPACE && HasFocus())
            Click();
        else
            event.Skip();
    });
    Enable(IsWindowEnabled(model.Window()) != FALSE);
}

BitmapButtonView::~BitmapButtonView()
{
    m_itemView->Detach();
    if (platform::BoundWindowView(m_model.Window()) == m_itemView)
        platform::BindWindowView(m_model.Window(), nullptr);
}

void BitmapButtonView::Click()
{
    // The item is what the logic knows; it sends BN_CLICKED to the dialog.
    SendMessageA(m_model.Window(), BM_CLICK, 0, 0);
}

void BitmapButtonView::OnPaint()
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    const RECT client{0, 0, size.x, size.y};
    const IBitmapButtonModel::Paint paint = m_model.DoPaint(client, m_imageHeight);
    const wxRect all(0, 0, size.x, size.y);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    if (paint.themed) {
        int flags = 0;
        if (paint.themeState == 3)
            flags |= wxCONTROL_PRESSED;
        else if (paint.themeState == 2)
            flags |= wxCONTROL_CURRENT;
        if (!IsEnabled())
            flags |= wxCONTROL_DISABLED;
        wxRendererNative::Get().DrawPushButton(this, dc, all, flags);
    } else {
        dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.DrawRectangle(all);
    }
    if (paint.image >= 0 && static_cast<std::size_t>(paint.image) < m_images.size())
        dc.DrawBitmap(m_images[static_cast<std::size_t>(paint.image)], paint.imageAt.x, paint.imageAt.y, true);
    switch (paint.edge) {
    case IBitmapButtonModel::Edge::None: break;
    case IBitmapButtonModel::Edge::RaisedInner: DrawEdge(dc, all, true, 1); break;
    case IBitmapButtonModel::Edge::Raised: DrawEdge(dc, all, true, 2); break;
    case IBitmapButtonModel::Edge::SunkenOuter: DrawEdge(dc, all, false, 1); break;
    case IBitmapButtonModel::Edge::Sunken: DrawEdge(dc, all, false, 2); break;
    }
    if (paint.focusRect)
        wxRendererNative::Get().DrawFocusRect(
            this, dc,
            wxRect(paint.focus.left, paint.focus.top, paint.focus.right - paint.focus.left,
                   paint.focus.bottom - paint.focus.top));
}
