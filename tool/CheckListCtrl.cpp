#include "CheckListCtrl.h"

void CCheckListCtrl::Redraw(int row)
{
    if (m_onRedraw)
        m_onRedraw(row);
}

int CCheckListCtrl::InsertColumn(int column, const std::string& text, int width)
{
    if (column < 0 || column > GetColumnCount())
        column = GetColumnCount();
    m_columns.insert(m_columns.begin() + column, Column{text, width});
    for (Row& row : m_rows)
        row.text.resize(m_columns.size());
    Redraw(-1);
    return column;
}

int CCheckListCtrl::GetColumnWidth(int column) const
{
    return column >= 0 && column < GetColumnCount() ? m_columns[static_cast<std::size_t>(column)].width : 0;
}

void CCheckListCtrl::SetColumnWidth(int column, int width)
{
    if (column >= 0 && column < GetColumnCount()) {
        m_columns[static_cast<std::size_t>(column)].width = width;
        Redraw(-1);
    }
}

int CCheckListCtrl::InsertItem(int row, const std::string& text)
{
    if (row < 0 || row > GetItemCount())
        row = GetItemCount();
    Row entry;
    entry.text.resize(std::max<std::size_t>(m_columns.size(), 1));
    entry.text[0] = text;
    m_rows.insert(m_rows.begin() + row, std::move(entry));
    Redraw(-1);
    return row;
}

BOOL CCheckListCtrl::SetItemText(int row, int column, const std::string& text)
{
    if (!IsRow(row) || column < 0)
        return FALSE;
    Row& entry = m_rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(column) >= entry.text.size())
        entry.text.resize(static_cast<std::size_t>(column) + 1);
    entry.text[static_cast<std::size_t>(column)] = text;
    Redraw(row);
    return TRUE;
}

std::string CCheckListCtrl::GetItemText(int row, int column) const
{
    if (!IsRow(row) || column < 0)
        return {};
    const Row& entry = m_rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < entry.text.size() ? entry.text[static_cast<std::size_t>(column)]
                                                                  : std::string();
}

BOOL CCheckListCtrl::SetItemData(int row, LPARAM data)
{
    if (!IsRow(row))
        return FALSE;
    m_rows[static_cast<std::size_t>(row)].data = data;
    return TRUE;
}

LPARAM CCheckListCtrl::GetItemData(int row) const { return IsRow(row) ? m_rows[static_cast<std::size_t>(row)].data : 0; }

void CCheckListCtrl::DeleteAllItems()
{
    m_rows.clear();
    Redraw(-1);
}

UINT CCheckListCtrl::GetItemState(int row, UINT mask) const
{
    return IsRow(row) ? m_rows[static_cast<std::size_t>(row)].state & mask : 0;
}

BOOL CCheckListCtrl::SetItemState(int row, UINT state, UINT mask)
{
    if (!IsRow(row))
        return FALSE;
    if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED)) {
        for (int other = 0; other < GetItemCount(); ++other)
            if (other != row && (m_rows[static_cast<std::size_t>(other)].state & LVIS_SELECTED))
                SetItemState(other, 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
    Row& entry = m_rows[static_cast<std::size_t>(row)];
    const UINT old = entry.state;
    entry.state = (old & ~mask) | (state & mask);
    if (entry.state == old)
        return TRUE;
    Redraw(row);
    if (m_onItemChanged)
        m_onItemChanged(Change{row, entry.state, old, LVIF_STATE});
    return TRUE;
}

int CCheckListCtrl::GetSelectedItem() const
{
    for (int row = 0; row < GetItemCount(); ++row)
        if (m_rows[static_cast<std::size_t>(row)].state & LVIS_SELECTED)
            return row;
    return -1;
}

void CCheckListCtrl::SelectItem(int row) { SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); }

void CCheckListCtrl::SetCheckImage(int row, int index) { SetItemState(row, INDEXTOOVERLAYMASK(index), LVIS_OVERLAYMASK); }

int CCheckListCtrl::GetCheckImage(int row) const { return static_cast<int>(GetItemState(row, LVIS_OVERLAYMASK) >> 8); }

BOOL CCheckListCtrl::HasMark(int row) const { return GetItemState(row, LVIS_OVERLAYMASK) != 0 ? TRUE : FALSE; }

BOOL CCheckListCtrl::IsSelectedFree() const
{
    const int row = GetSelectedItem();
    return row >= 0 && !HasMark(row) ? TRUE : FALSE;
}

CCheckListCtrl::RowLook CCheckListCtrl::GetRowLook(int row) const
{
    const bool selected = GetItemState(row, LVIS_SELECTED) != 0;
    if (HasMark(row))
        return selected ? RowLook::MarkedSelected : RowLook::Marked;
    return selected ? RowLook::Selected : RowLook::Normal;
}

void CCheckListCtrl::OnWidthChanging(int newWidth)
{
    const int current = m_nWidth;
    m_nWidth = newWidth;
    if (current <= 0 || newWidth <= 0 || GetColumnCount() < 2)
        return;
    const int d = newWidth - current;
    if (d == 0)
        return;
    int rest = d;
    Column& first = m_columns[0];
    if (first.width + d / 2 > kMinColumnWidth) {
        first.width += d / 2;
        rest = d - d / 2;
    }
    Column& second = m_columns[1];
    if (second.width + rest > kMinColumnWidth)
        second.width += rest;
    Redraw(-1);
}
