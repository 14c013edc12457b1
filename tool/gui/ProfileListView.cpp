#include "ProfileListView.h"

#include "ResourceImages.h"
#include "ToolStrings.h"
#include "resource.h"

#include <wx/dc.h>
#include <wx/dcclient.h>
#include <wx/settings.h>

namespace {

// The check box cell's value: bit 1 checked, bit 2 drawn inactive.
constexpr long kChecked = 1;
constexpr long kInactive = 2;

// A flat 13 x 13 check box; a click on it asks the model to change the row's check.
class CCheckRenderer : public wxDataViewCustomRenderer {
public:
    explicit CCheckRenderer(std::function<void(unsigned row)> toggle)
        : wxDataViewCustomRenderer("long", wxDATAVIEW_CELL_ACTIVATABLE, wxALIGN_CENTER), m_toggle(std::move(toggle))
    {
    }

    bool SetValue(const wxVariant& value) override
    {
        m_flags = value.GetLong();
        return true;
    }
    bool GetValue(wxVariant& value) const override
    {
        value = m_flags;
        return true;
    }
    wxSize GetSize() const override { return wxSize(20, 16); }

    bool Render(wxRect cell, wxDC* dc, int) override
    {
        const wxRect box(cell.x + (cell.width - 13) / 2, cell.y + (cell.height - 13) / 2, 13, 13);
        const bool inactive = (m_flags & kInactive) != 0;
        const wxColour ink = inactive ? wxColour(160, 160, 160) : wxColour(33, 33, 33);
        dc->SetPen(wxPen(ink));
        dc->SetBrush(wxBrush(inactive ? wxColour(240, 240, 240) : *wxWHITE));
        dc->DrawRectangle(box);
        if (m_flags & kChecked) {
            dc->SetPen(wxPen(ink, 2));
            dc->DrawLine(box.x + 3, box.y + 6, box.x + 5, box.y + 9);
            dc->DrawLine(box.x + 5, box.y + 9, box.x + 10, box.y + 3);
        }
        return true;
    }

    bool ActivateCell(const wxRect&, wxDataViewModel* model, const wxDataViewItem& item, unsigned,
                      const wxMouseEvent*) override
    {
        m_toggle(static_cast<wxDataViewIndexListModel*>(model)->GetRow(item));
        return true;
    }

private:
    std::function<void(unsigned row)> m_toggle;
    long m_flags = 0;
};

// The list's store: rows drawn red while a store of their profile is missing.
class CProfileListStore : public wxDataViewListStore {
public:
    explicit CProfileListStore(const CProfileListCtrl& model) : m_model(model) {}

    bool GetAttrByRow(unsigned row, unsigned, wxDataViewItemAttr& attr) const override
    {
        if (m_model.GetProfileState(static_cast<int>(row)) == CProfileListCtrl::STORES_AVAILABLE)
            return false;
        attr.SetColour(wxColour(255, 0, 0));
        return true;
    }

private:
    const CProfileListCtrl& m_model;
};

} // namespace

CProfileListView::CProfileListView(wxWindow* parent, wxWindowID id, CProfileListCtrl& model, const wxPoint& pos,
                                   const wxSize& size)
    : wxDataViewListCtrl(parent, id, pos, size, wxDV_SINGLE), m_model(model)
{
    auto* store = new CProfileListStore(m_model);
    AssociateModel(store);
    store->DecRef();

    for (const unsigned icon : CProfileListCtrl::ImageIcons())
        m_marks.push_back(ResourceIcon(icon));

    auto* check = new CCheckRenderer([this](unsigned row) {
        const int r = static_cast<int>(row);
        m_model.SetCheck(r, !m_model.GetCheck(r));
        RefreshRow(r);
    });
    AppendColumn(new wxDataViewColumn("", check, COLUMN_CHECK, 26, wxALIGN_CENTER, 0), "long");
    m_nameColumn = new wxDataViewColumn(wxString::FromUTF8(LoadResString(IDS_COLUMN_PROFILES)),
                                        new wxDataViewTextRenderer("string"), COLUMN_NAME, 200, wxALIGN_LEFT,
                                        wxDATAVIEW_COL_RESIZABLE);
    AppendColumn(m_nameColumn, "string");
    AppendColumn(new wxDataViewColumn(" ", new wxDataViewBitmapRenderer("wxBitmap"), COLUMN_MARK, 26, wxALIGN_CENTER,
                                      0),
                 "wxBitmap");

    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        FitNameColumn();
    });
    Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, &CProfileListView::OnSelectionChanged, this);
    Bind(wxEVT_DATAVIEW_ITEM_ACTIVATED, &CProfileListView::OnActivated, this);
    GetMainWindow()->Bind(wxEVT_MOTION, &CProfileListView::OnMotion, this);
}

std::vector<wxVariant> CProfileListView::RowValues(int row) const
{
    const auto& r = m_model.GetRow(row);
    long flags = r.checked ? kChecked : 0;
    if (m_model.GetProfileState(row) != CProfileListCtrl::STORES_AVAILABLE || m_model.IsDeactivated(row))
        flags |= kInactive;
    wxVariant mark;
    mark << m_marks.at(static_cast<std::size_t>(CProfileListCtrl::MarkImage(r.mark)));
    return {wxVariant(flags), wxVariant(wxString::FromUTF8(r.name)), mark};
}

void CProfileListView::RefreshRow(int row)
{
    if (row < 0 || m_model.GetItemCount() != GetItemCount()) {
        m_bSyncing = true;
        DeleteAllItems();
        for (int i = 0; i < m_model.GetItemCount(); ++i) {
            const auto values = RowValues(i);
            AppendItem(wxVector<wxVariant>(values.begin(), values.end()));
        }
        m_bSyncing = false;
        SyncSelection();
        return;
    }
    if (!m_model.IsRow(row))
        return;
    const auto values = RowValues(row);
    for (unsigned column = 0; column < values.size(); ++column)
        SetValue(values[column], static_cast<unsigned>(row), column);
    SyncSelection();
}

void CProfileListView::SyncSelection()
{
    const int wanted = m_model.GetSelectedRow();
    if (GetSelectedRow() == wanted)
        return;
    m_bSyncing = true;
    if (wanted < 0)
        UnselectAll();
    else
        SelectRow(static_cast<unsigned>(wanted));
    m_bSyncing = false;
}

void CProfileListView::EnsureRowVisible(int row)
{
    if (row >= 0 && row < GetItemCount())
        EnsureVisible(RowToItem(row));
}

void CProfileListView::FitNameColumn()
{
    // As wide as the longest name, and at least as the list leaves beside the other columns, so
    // that the marks stand at the right edge.
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    int width = dc.GetTextExtent(m_nameColumn->GetTitle()).x + 24;
    for (int i = 0; i < m_model.GetItemCount(); ++i)
        width = std::max(width, dc.GetTextExtent(wxString::FromUTF8(m_model.GetRow(i).name)).x + 24);
    int others = 0;
    for (unsigned column = 0; column < GetColumnCount(); ++column)
        if (GetColumn(column) != m_nameColumn)
            others += GetColumn(column)->GetWidth();
    const int free = GetClientSize().x - others - wxSystemSettings::GetMetric(wxSYS_VSCROLL_X) - 4;
    m_nameColumn->SetWidth(std::max(width, free));
}

void CProfileListView::OnSelectionChanged(wxDataViewEvent&)
{
    if (m_bSyncing)
        return;
    const int row = GetSelectedRow();
    const int current = m_model.GetSelectedRow();
    if (row == current)
        return;
    if (row == wxNOT_FOUND)
        m_model.SetItemSelected(current, false);
    else
        m_model.SetItemSelected(row, true);
    // A refused selection goes back to what the model holds.
    SyncSelection();
}

void CProfileListView::OnActivated(wxDataViewEvent& event)
{
    const int row = ItemToRow(event.GetItem());
    if (row != wxNOT_FOUND && m_onActivated)
        m_onActivated(row);
}

void CProfileListView::OnMotion(wxMouseEvent& event)
{
    event.Skip();
    wxDataViewItem item;
    wxDataViewColumn* column = nullptr;
    HitTest(event.GetPosition(), item, column);
    const int row = ItemToRow(item);
    const wxString tip = row != wxNOT_FOUND && m_model.IsRow(row) ? wxString::FromUTF8(m_model.GetRow(row).failure)
                                                                     : wxString();
    if (GetMainWindow()->GetToolTipText() != tip)
        GetMainWindow()->SetToolTip(tip);
}
