#include "OptionsPageView.h"

#include "base/MessageBox.h"
#include "base/Window.h"
#include "ui/DialogUnits.h"

OptionsPageView::OptionsPageView(wxWindow* parent, IDialogModel& page)
    : wxPanel(parent), m_page(page), m_inner(new wxPanel(this)), m_controls(m_inner, page)
{
    if (const DialogTemplate* layout = page.Layout()) {
        m_inner->SetSize(DluSize(layout->cx, layout->cy));
        SetMinSize(m_inner->GetSize());
    }
    m_page.SetView(this);
    // Shown in a new place: the page centres itself again.
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        SendMessageA(m_page.Window(), WM_SHOWWINDOW, TRUE, 0);
        event.Skip();
    });
}

OptionsPageView::~OptionsPageView()
{
    m_page.SetView(nullptr);
}

void OptionsPageView::OnShowItem(int id, bool show)
{
    m_controls.ShowItem(id, show);
}

std::optional<RECT> OptionsPageView::TabDisplayArea()
{
    const wxSize size = GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return std::nullopt;
    return RECT{0, 0, size.x, size.y};
}

void OptionsPageView::MovePage(int x, int y)
{
    m_inner->Move(x, y);
    m_inner->Refresh();
}
