#include "FolderLinkListView.h"

#include "ResourceImages.h"
#include "ToolStrings.h"
#include "resource.h"

#include <wx/dcclient.h>

namespace {

// The frame of a sunken list and the space before a cell's text (its image and margins).
constexpr int kEdges = 4 * 2;
constexpr int kTextIndent = 16 + 8;
constexpr int kLinkColumnWidth = 26;

} // namespace

CFolderLinkListView::CFolderLinkListView(wxWindow* parent, wxWindowID id, CFolderLinkListCtrl& model,
                                         const wxPoint& pos, const wxSize& size)
    : wxListCtrl(parent, id, pos, size, wxLC_REPORT | wxBORDER_SUNKEN), m_model(model)
{
    const auto& icons = CFolderLinkListCtrl::ImageIcons();
    AssignImageList(ResourceImageList(icons), wxIMAGE_LIST_SMALL);
    InsertColumn(CFolderLinkListCtrl::COL_LOCAL, wxString::FromUTF8(LoadResString(IDS_COLUMN_PRIVATE_STORE)),
                 wxLIST_FORMAT_LEFT, 100);
    InsertColumn(CFolderLinkListCtrl::COL_LINK, "X", wxLIST_FORMAT_LEFT, kLinkColumnWidth);
    InsertColumn(CFolderLinkListCtrl::COL_GLOBAL, wxString::FromUTF8(LoadResString(IDS_COLUMN_GLOBAL_STORE)),
                 wxLIST_FORMAT_LEFT, 100);
    m_model.SetMeasure([this](std::string_view text) {
        wxClientDC dc(this);
        dc.SetFont(GetFont());
        return dc.GetTextExtent(wxString::FromUTF8(text.data(), text.size())).x;
    });
    Bind(wxEVT_SIZE, &CFolderLinkListView::OnSize, this);
    Bind(wxEVT_LIST_ITEM_SELECTED, &CFolderLinkListView::OnSelected, this);
    Bind(wxEVT_LIST_ITEM_DESELECTED, &CFolderLinkListView::OnDeselected, this);
    Bind(wxEVT_LIST_ITEM_ACTIVATED, &CFolderLinkListView::OnActivated, this);
}

void CFolderLinkListView::RefreshRow(int row)
{
    m_bSyncing = true;
    if (row < 0 || m_model.GetItemCount() != GetItemCount()) {
        Freeze();
        DeleteAllItems();
        for (int i = 0; i < m_model.GetItemCount(); ++i) {
            InsertItem(i, wxString::FromUTF8(m_model.GetRow(i).text[0]), m_model.GetRow(i).image[0]);
            UpdateRow(i);
        }
        Thaw();
    } else if (m_model.IsRow(row)) {
        UpdateRow(row);
    }
    m_bSyncing = false;
}

void CFolderLinkListView::UpdateRow(int row)
{
    const auto& r = m_model.GetRow(row);
    for (int column = 0; column < 3; ++column) {
        wxListItem item;
        item.SetId(row);
        item.SetColumn(column);
        item.SetText(wxString::FromUTF8(r.text[static_cast<std::size_t>(column)]));
        item.SetImage(r.image[static_cast<std::size_t>(column)]);
        SetItem(item);
    }
    const long state = r.selected ? wxLIST_STATE_SELECTED : 0;
    if ((GetItemState(row, wxLIST_STATE_SELECTED) & wxLIST_STATE_SELECTED) != state)
        SetItemState(row, state, wxLIST_STATE_SELECTED);
    if (r.focused)
        SetItemState(row, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
}

void CFolderLinkListView::EnsureRowVisible(int row)
{
    if (row >= 0 && row < GetItemCount())
        EnsureVisible(row);
}

void CFolderLinkListView::Relayout()
{
    const int available = GetClientSize().x - kEdges;
    if (available <= kLinkColumnWidth)
        return;
    const int half = (available - GetColumnWidth(CFolderLinkListCtrl::COL_LINK)) / 2;
    SetColumnWidth(CFolderLinkListCtrl::COL_LOCAL, half);
    SetColumnWidth(CFolderLinkListCtrl::COL_GLOBAL, half);
    m_model.SetColumnSpaces(half - kTextIndent - 10, half - kTextIndent - 10);
    m_model.RelayoutFolderLinks();
}

void CFolderLinkListView::OnSize(wxSizeEvent& event)
{
    event.Skip();
    Relayout();
}

void CFolderLinkListView::OnSelected(wxListEvent& event)
{
    if (m_bSyncing)
        return;
    const int row = static_cast<int>(event.GetIndex());
    if (!m_model.SetItemSelected(row, true)) {
        // Refused: the row goes back to unselected.
        m_bSyncing = true;
        SetItemState(row, 0, wxLIST_STATE_SELECTED);
        m_bSyncing = false;
    }
}

void CFolderLinkListView::OnDeselected(wxListEvent& event)
{
    if (!m_bSyncing)
        m_model.SetItemSelected(static_cast<int>(event.GetIndex()), false);
}

void CFolderLinkListView::OnActivated(wxListEvent& event)
{
    if (m_onActivated)
        m_onActivated(static_cast<int>(event.GetIndex()));
}
