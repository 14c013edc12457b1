#include "ListModelView.h"

#include "base/ListView.h"
#include "ui/ToolkitImages.h"

#include <wx/bitmap.h>
#include <wx/icon.h>

#include <algorithm>
#include <vector>

// The rows of the model as the data view asks for them: column 0 of the view is the check box
// column when the model has check boxes; cells carry the model's icon beside the text.
class ListModelView::Rows : public wxDataViewVirtualListModel {
public:
    Rows(IListModel& model, bool checks) : wxDataViewVirtualListModel(static_cast<unsigned>(model.GetItemCount())),
                                           m_model(model), m_checks(checks)
    {
        for (HICON icon : model.GetImageList()) {
            const wxImage image = platform::ui::ImageOfIcon(icon);
            wxIcon shown;
            if (image.IsOk())
                shown.CopyFromBitmap(wxBitmap(image));
            m_icons.push_back(shown);
        }
    }

    unsigned GetColumnCount() const override
    {
        return m_gone ? 0u : static_cast<unsigned>(m_model.GetColumnCount() + (m_checks ? 1 : 0));
    }
    wxString GetColumnType(unsigned column) const override
    {
        return m_checks && column == 0 ? "bool" : "wxDataViewIconText";
    }
    // The list went: no row is asked for any more.
    void Detach()
    {
        m_gone = true;
        Reset(0);
    }

    void GetValueByRow(wxVariant& value, unsigned row, unsigned column) const override
    {
        if (m_gone) {
            value = wxString();
            return;
        }
        if (m_checks && column == 0) {
            value = ((m_model.GetItemState(static_cast<int>(row), LVIS_STATEIMAGEMASK) >> 12) == 2);
            return;
        }
        const int modelColumn = static_cast<int>(column) - (m_checks ? 1 : 0);
        const wxString text = wxString::FromUTF8(m_model.GetItemText(static_cast<int>(row), modelColumn));
        const int image = m_model.GetItemImage(static_cast<int>(row), modelColumn);
        wxIcon icon;
        if (image >= 0 && static_cast<std::size_t>(image) < m_icons.size())
            icon = m_icons[static_cast<std::size_t>(image)];
        value << wxDataViewIconText(text, icon);
    }
    bool SetValueByRow(const wxVariant& value, unsigned row, unsigned column) override
    {
        if (m_gone || !(m_checks && column == 0))
            return false;
        m_model.UserCheck(static_cast<int>(row), value.GetBool());
        return true;
    }

private:
    IListModel& m_model;
    bool m_checks;
    bool m_gone = false;
    std::vector<wxIcon> m_icons;
};

ListModelView::ListModelView(wxWindow* parent, IListModel& model, const wxPoint& position, const wxSize& size)
    : wxDataViewCtrl(parent, wxID_ANY, position, size,
                     (model.IsSingleSelection() ? wxDV_SINGLE : wxDV_MULTIPLE) | wxDV_ROW_LINES | wxBORDER_SUNKEN),
      m_model(model), m_checks(model.HasCheckBoxes())
{
    m_rows = new Rows(model, m_checks);
    AssociateModel(m_rows.get());
    MakeColumns();
    ShowSelection();

    Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, [this](wxDataViewEvent&) {
        if (m_quiet || m_gone)
            return;
        wxDataViewItemArray items;
        GetSelections(items);
        std::vector<int> rows;
        for (const wxDataViewItem& item : items)
            rows.push_back(static_cast<int>(m_rows->GetRow(item)));
        m_quiet = true;
        m_model.UserSelect(rows);
        m_quiet = false;
    });
    Bind(wxEVT_DATAVIEW_ITEM_ACTIVATED, [this](wxDataViewEvent& event) {
        if (!m_gone && event.GetItem().IsOk())
            m_model.UserActivate(static_cast<int>(m_rows->GetRow(event.GetItem())));
    });
    Bind(wxEVT_DATAVIEW_ITEM_CONTEXT_MENU, [this](wxDataViewEvent& event) {
        if (m_gone)
            return;
        const wxPoint screen = wxGetMousePosition();
        const int row = event.GetItem().IsOk() ? static_cast<int>(m_rows->GetRow(event.GetItem())) : -1;
        m_model.UserRightClick(row, POINT{screen.x, screen.y});
    });
    Bind(wxEVT_DATAVIEW_COLUMN_HEADER_RIGHT_CLICK, [this](wxDataViewEvent&) {
        const wxPoint screen = wxGetMousePosition();
        // The menu's command may rebuild the columns: after this event is done.
        CallAfter([this, screen] {
            if (!m_gone)
                m_model.UserHeaderMenu(POINT{screen.x, screen.y});
        });
    });
    Bind(wxEVT_DATAVIEW_COLUMN_REORDERED, [this](wxDataViewEvent&) {
        if (!m_gone)
            ReportHeader();
    });

    m_model.SetHeaderReader([this] { ReportHeader(); });
    m_model.SetObserver([this](IListModel::Change change, int row) {
        if (change == IListModel::Change::Gone) {
            m_gone = true;
            m_rows->Detach();
            return;
        }
        if (m_quiet || m_gone)
            return;
        // Changes come in runs (a fill inserts and selects row after row): the view follows
        // once the run is over.
        switch (change) {
        case IListModel::Change::Gone: break;
        case IListModel::Change::Columns: m_columnsDirty = true; break;
        case IListModel::Change::Rows:
        case IListModel::Change::Images: m_rowsDirty = true; break;
        case IListModel::Change::Row:
            if (!m_rowsDirty && row >= 0 && row < static_cast<int>(m_rows->GetCount()))
                m_rows->RowChanged(static_cast<unsigned>(row));
            m_selectionDirty = true;
            break;
        }
        if (!m_syncPending) {
            m_syncPending = true;
            CallAfter([this] { Sync(); });
        }
    });
}

ListModelView::~ListModelView()
{
    if (!m_gone) {
        m_model.SetObserver(nullptr);
        m_model.SetHeaderReader(nullptr);
    }
}

int ListModelView::ModelColumn(const wxDataViewColumn* column) const
{
    const int index = static_cast<int>(column->GetModelColumn());
    return m_checks ? index - 1 : index;
}

void ListModelView::Sync()
{
    m_syncPending = false;
    if (m_gone)
        return;
    if (m_columnsDirty)
        MakeColumns();
    else if (m_rowsDirty)
        ShowRows();
    else if (m_selectionDirty)
        ShowSelection();
    m_columnsDirty = m_rowsDirty = m_selectionDirty = false;
}

void ListModelView::MakeColumns()
{
    ClearColumns();
    if (m_checks)
        AppendToggleColumn(wxString(), 0, wxDATAVIEW_CELL_ACTIVATABLE, 24);
    const std::vector<int> order = m_model.GetColumnOrderArray();
    for (int index : order) {
        const IListModel::Column column = m_model.GetColumn(index);
        const wxAlignment align = column.format == LVCFMT_RIGHT    ? wxALIGN_RIGHT
                                  : column.format == LVCFMT_CENTER ? wxALIGN_CENTER
                                                                   : wxALIGN_LEFT;
        AppendIconTextColumn(wxString::FromUTF8(column.text), static_cast<unsigned>(index + (m_checks ? 1 : 0)),
                             wxDATAVIEW_CELL_INERT, column.width, align,
                             wxDATAVIEW_COL_RESIZABLE | wxDATAVIEW_COL_REORDERABLE);
    }
    ShowRows();
}

void ListModelView::ShowRows()
{
    m_rows->Reset(static_cast<unsigned>(m_model.GetItemCount()));
    ShowSelection();
}

void ListModelView::ShowSelection()
{
    wxDataViewItemArray items;
    for (int row = 0; row < m_model.GetItemCount(); ++row)
        if (m_model.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            items.push_back(m_rows->GetItem(static_cast<unsigned>(row)));
    m_quiet = true;
    SetSelections(items);
    m_quiet = false;
}

void ListModelView::ReportHeader()
{
    // Widths by model column, then the order of the model's columns from left to right.
    std::vector<std::pair<unsigned, int>> shown;
    for (unsigned i = 0; i < GetColumnCount(); ++i) {
        const wxDataViewColumn* column = GetColumn(i);
        const int modelColumn = ModelColumn(column);
        if (modelColumn < 0)
            continue;
        shown.emplace_back(static_cast<unsigned>(GetColumnPosition(column)), modelColumn);
    }
    std::sort(shown.begin(), shown.end());
    std::vector<int> order;
    for (const auto& [position, modelColumn] : shown)
        order.push_back(modelColumn);
    m_quiet = true;
    for (unsigned i = 0; i < GetColumnCount(); ++i) {
        const wxDataViewColumn* column = GetColumn(i);
        if (const int modelColumn = ModelColumn(column); modelColumn >= 0)
            m_model.UserColumnResized(modelColumn, column->GetWidth());
    }
    if (static_cast<int>(order.size()) == m_model.GetColumnCount())
        m_model.UserColumnsReordered(order);
    m_quiet = false;
}
