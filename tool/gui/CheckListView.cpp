#include "CheckListView.h"

#include <wx/settings.h>

namespace {

wxColour FromColourRef(unsigned colour)
{
    return wxColour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

} // namespace

CCheckListView::CCheckListView(wxWindow* parent, wxWindowID id, CCheckListCtrl& model, const wxPoint& pos,
                               const wxSize& size)
    : wxListCtrl(parent, id, pos, size, wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN), m_model(model)
{
    m_model.m_onRedraw = [this](int row) {
        if (row < 0)
            ShowAll();
        else
            ShowRow(row);
    };
    m_model.SetWidth(GetClientSize().x);
    ShowAll();
    Bind(wxEVT_LIST_ITEM_SELECTED, &CCheckListView::OnSelected, this);
    Bind(wxEVT_SIZE, &CCheckListView::OnSize, this);
}

CCheckListView::~CCheckListView() { m_model.m_onRedraw = nullptr; }

void CCheckListView::SetMarkImages(wxImageList* images)
{
    AssignImageList(images, wxIMAGE_LIST_SMALL);
    ShowAll();
}

void CCheckListView::ShowAll()
{
    ++m_applying;
    if (GetColumnCount() != m_model.GetColumnCount()) {
        DeleteAllColumns();
        for (int column = 0; column < m_model.GetColumnCount(); ++column)
            InsertColumn(column, wxString::FromUTF8(m_model.GetColumn(column).text), wxLIST_FORMAT_LEFT,
                         m_model.GetColumn(column).width);
    } else {
        for (int column = 0; column < m_model.GetColumnCount(); ++column)
            if (GetColumnWidth(column) != m_model.GetColumnWidth(column))
                SetColumnWidth(column, m_model.GetColumnWidth(column));
    }
    while (GetItemCount() > m_model.GetItemCount())
        DeleteItem(GetItemCount() - 1);
    while (GetItemCount() < m_model.GetItemCount())
        InsertItem(GetItemCount(), wxString());
    --m_applying;
    for (int row = 0; row < m_model.GetItemCount(); ++row)
        ShowRow(row);
}

void CCheckListView::ShowRow(int row)
{
    if (row >= GetItemCount())
        return ShowAll();
    ++m_applying;
    for (int column = 0; column < m_model.GetColumnCount(); ++column)
        SetItem(row, column, wxString::FromUTF8(m_model.GetItemText(row, column)), column == 0 ? 0 : -1);
    if (GetImageList(wxIMAGE_LIST_SMALL))
        SetItemImage(row, std::min(m_model.GetCheckImage(row), GetImageList(wxIMAGE_LIST_SMALL)->GetImageCount() - 1));
    wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOXTEXT);
    wxColour back = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX);
    switch (m_model.GetRowLook(row)) {
    case CCheckListCtrl::RowLook::Marked:
        text = FromColourRef(CCheckListCtrl::kMarkedText);
        break;
    case CCheckListCtrl::RowLook::MarkedSelected:
        text = FromColourRef(CCheckListCtrl::kMarkedText);
        back = FromColourRef(CCheckListCtrl::kMarkedSelectedBack);
        break;
    case CCheckListCtrl::RowLook::Selected:
        text = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
        back = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
        break;
    case CCheckListCtrl::RowLook::Normal:
        break;
    }
    SetItemTextColour(row, text);
    SetItemBackgroundColour(row, back);
    // The toolkit keeps no selection of its own.
    SetItemState(row, 0, wxLIST_STATE_SELECTED);
    --m_applying;
}

void CCheckListView::OnSelected(wxListEvent& event)
{
    if (m_applying)
        return;
    const int row = static_cast<int>(event.GetIndex());
    CallAfter([this, row] { m_model.SelectItem(row); ShowRow(row); });
}

void CCheckListView::OnSize(wxSizeEvent& event)
{
    event.Skip();
    const int width = GetClientSize().x;
    m_model.OnWidthChanging(width);
}
