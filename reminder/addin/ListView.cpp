#include "ListView.h"

#include "base/DialogItems.h"
#include "base/Utf.h"
#include "base/Window.h"

#include <algorithm>
#include <numeric>

namespace {

// The width LVSCW_AUTOSIZE gives a text: an average character and the cell's margins.
constexpr int kCharWidth = 7;
constexpr int kCellMargin = 12;

int TextWidth(const std::string& text)
{
    return static_cast<int>(platform::Utf8ToUtf16(text).size()) * kCharWidth + kCellMargin;
}

} // namespace

CListView::~CListView()
{
    DestroyWindow();
    if (m_observer)
        m_observer(Change::Gone, -1);
}

BOOL CListView::Create(HWND dialog, int id, DWORD style)
{
    m_style = style;
    m_id = id;
    m_hWnd = platform::CreateCustomDialogItem(
        dialog, "SysListView32", id, style | WS_VISIBLE | WS_TABSTOP,
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(hwnd, message, wParam, lParam); });
    return m_hWnd != nullptr;
}

void CListView::DestroyWindow()
{
    if (m_hWnd && IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

LRESULT CListView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ProcessWindowMessage(hwnd, message, wParam, lParam, result))
        return result;
    if (message == WM_NCDESTROY) {
        // The rows go with the control, each with its notification.
        DeleteAllItems();
        m_hWnd = nullptr;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

BOOL CListView::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&)
{
    return FALSE;
}

LRESULT CListView::Notify(UINT code, int row, UINT newState, UINT oldState, UINT changed) const
{
    if (!m_hWnd)
        return 0;
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = m_hWnd;
    nm.hdr.idFrom = static_cast<UINT_PTR>(m_id);
    nm.hdr.code = code;
    nm.iItem = row;
    nm.iSubItem = 0;
    nm.uNewState = newState;
    nm.uOldState = oldState;
    nm.uChanged = changed;
    nm.lParam = IsRow(row) ? m_rows[static_cast<std::size_t>(row)].data : 0;
    return SendMessageA(GetParent(m_hWnd), WM_NOTIFY, static_cast<WPARAM>(m_id), reinterpret_cast<LPARAM>(&nm));
}

void CListView::Changed(Change change, int row) const
{
    if (m_observer)
        m_observer(change, row);
}

DWORD CListView::SetExtendedListViewStyle(DWORD style)
{
    const DWORD previous = m_exStyle;
    m_exStyle = style;
    if ((style & LVS_EX_CHECKBOXES) && !(previous & LVS_EX_CHECKBOXES))
        for (Row& row : m_rows)
            if (!(row.state & LVIS_STATEIMAGEMASK))
                row.state |= INDEXTOSTATEIMAGEMASK(1);
    Changed(Change::Rows);
    return previous;
}

void CListView::SetImageList(std::vector<HICON> images)
{
    m_images = std::move(images);
    Changed(Change::Images);
}

int CListView::InsertColumn(int column, const std::string& text, int format, int width, int order)
{
    const int count = GetColumnCount();
    column = std::clamp(column, 0, count);
    m_columns.insert(m_columns.begin() + column, Column{text, format, width});
    for (int& index : m_order)
        if (index >= column)
            ++index;
    const int at = order < 0 || order > count ? std::min(column, count) : order;
    m_order.insert(m_order.begin() + at, column);
    for (Row& row : m_rows) {
        if (static_cast<int>(row.texts.size()) > column)
            row.texts.insert(row.texts.begin() + column, std::string());
        if (static_cast<int>(row.images.size()) > column)
            row.images.insert(row.images.begin() + column, -1);
    }
    Changed(Change::Columns);
    return column;
}

BOOL CListView::DeleteColumn(int column)
{
    if (column < 0 || column >= GetColumnCount())
        return FALSE;
    m_columns.erase(m_columns.begin() + column);
    m_order.erase(std::find(m_order.begin(), m_order.end(), column));
    for (int& index : m_order)
        if (index > column)
            --index;
    for (Row& row : m_rows) {
        if (static_cast<int>(row.texts.size()) > column)
            row.texts.erase(row.texts.begin() + column);
        if (static_cast<int>(row.images.size()) > column)
            row.images.erase(row.images.begin() + column);
    }
    Changed(Change::Columns);
    return TRUE;
}

void CListView::DeleteAllColumns()
{
    m_columns.clear();
    m_order.clear();
    for (Row& row : m_rows) {
        row.texts.clear();
        row.images.clear();
    }
    Changed(Change::Columns);
}

BOOL CListView::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= GetColumnCount())
        return FALSE;
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
        int widest = width == LVSCW_AUTOSIZE_USEHEADER ? TextWidth(m_columns[static_cast<std::size_t>(column)].text) : 0;
        for (int row = 0; row < GetItemCount(); ++row)
            widest = std::max(widest, TextWidth(GetItemText(row, column)));
        // Room for the check box of the first column.
        if (column == 0 && HasCheckBoxes())
            widest += 20;
        width = widest;
    }
    m_columns[static_cast<std::size_t>(column)].width = std::max(width, 0);
    Changed(Change::Columns);
    return TRUE;
}

int CListView::GetColumnWidth(int column) const
{
    ReadHeader();
    return column >= 0 && column < GetColumnCount() ? m_columns[static_cast<std::size_t>(column)].width : 0;
}

IListModel::Column CListView::GetColumn(int column) const
{
    return column >= 0 && column < GetColumnCount() ? m_columns[static_cast<std::size_t>(column)] : Column{};
}

std::vector<int> CListView::GetColumnOrderArray() const
{
    ReadHeader();
    return m_order;
}

BOOL CListView::SetColumnOrderArray(const std::vector<int>& order)
{
    // A permutation of the columns, nothing else.
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> all(m_columns.size());
    std::iota(all.begin(), all.end(), 0);
    if (sorted != all)
        return FALSE;
    m_order = order;
    Changed(Change::Columns);
    return TRUE;
}

void CListView::ReadHeader() const
{
    if (m_headerReader)
        m_headerReader();
}

int CListView::InsertItem(int row, const std::string& text, LPARAM data)
{
    row = std::clamp(row, 0, GetItemCount());
    Row added;
    added.texts.push_back(text);
    added.data = data;
    if (HasCheckBoxes())
        added.state = INDEXTOSTATEIMAGEMASK(1);
    m_rows.insert(m_rows.begin() + row, std::move(added));
    Changed(Change::Rows);
    return row;
}

BOOL CListView::SetItemText(int row, int column, const std::string& text)
{
    if (!IsRow(row) || column < 0 || column >= std::max(GetColumnCount(), 1))
        return FALSE;
    auto& texts = m_rows[static_cast<std::size_t>(row)].texts;
    if (static_cast<int>(texts.size()) <= column)
        texts.resize(static_cast<std::size_t>(column) + 1);
    texts[static_cast<std::size_t>(column)] = text;
    Changed(Change::Row, row);
    return TRUE;
}

std::string CListView::GetItemText(int row, int column) const
{
    if (!IsRow(row) || column < 0)
        return {};
    const auto& texts = m_rows[static_cast<std::size_t>(row)].texts;
    return column < static_cast<int>(texts.size()) ? texts[static_cast<std::size_t>(column)] : std::string();
}

BOOL CListView::SetItemImage(int row, int column, int image)
{
    if (!IsRow(row) || column < 0 || column >= std::max(GetColumnCount(), 1))
        return FALSE;
    auto& images = m_rows[static_cast<std::size_t>(row)].images;
    if (static_cast<int>(images.size()) <= column)
        images.resize(static_cast<std::size_t>(column) + 1, -1);
    images[static_cast<std::size_t>(column)] = image;
    Changed(Change::Row, row);
    return TRUE;
}

int CListView::GetItemImage(int row, int column) const
{
    if (!IsRow(row) || column < 0)
        return -1;
    const auto& images = m_rows[static_cast<std::size_t>(row)].images;
    return column < static_cast<int>(images.size()) ? images[static_cast<std::size_t>(column)] : -1;
}

BOOL CListView::SetItemData(int row, LPARAM data)
{
    if (!IsRow(row))
        return FALSE;
    m_rows[static_cast<std::size_t>(row)].data = data;
    return TRUE;
}

LPARAM CListView::GetItemData(int row) const
{
    return IsRow(row) ? m_rows[static_cast<std::size_t>(row)].data : 0;
}

UINT CListView::GetItemState(int row, UINT mask) const
{
    return IsRow(row) ? m_rows[static_cast<std::size_t>(row)].state & mask : 0;
}

bool CListView::ChangeState(int row, UINT state, UINT mask)
{
    const UINT oldState = m_rows[static_cast<std::size_t>(row)].state;
    const UINT newState = (oldState & ~mask) | (state & mask);
    if (newState == oldState)
        return true;
    if (Notify(LVN_ITEMCHANGING, row, newState, oldState, LVIF_STATE))
        return false;
    // The dialog may have changed the rows meanwhile.
    if (!IsRow(row))
        return false;
    Row& target = m_rows[static_cast<std::size_t>(row)];
    const bool wasSelected = (target.state & LVIS_SELECTED) != 0;
    target.state = (target.state & ~mask) | (state & mask);
    const bool isSelected = (target.state & LVIS_SELECTED) != 0;
    m_selectedCount += static_cast<int>(isSelected) - static_cast<int>(wasSelected);
    Changed(Change::Row, row);
    Notify(LVN_ITEMCHANGED, row, target.state, oldState, LVIF_STATE);
    return true;
}

BOOL CListView::SetItemState(int row, UINT state, UINT mask)
{
    if (row == -1) {
        for (int i = 0; i < GetItemCount(); ++i)
            ChangeState(i, state, mask);
        return TRUE;
    }
    if (!IsRow(row))
        return FALSE;
    // One selected row at most: the others let go first.
    if (IsSingleSelection() && (mask & LVIS_SELECTED) && (state & LVIS_SELECTED))
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != row && (m_rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED))
                ChangeState(i, 0, LVIS_SELECTED);
    return ChangeState(row, state, mask) ? TRUE : FALSE;
}

BOOL CListView::GetCheckState(int row) const
{
    return ((GetItemState(row, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1 ? TRUE : FALSE;
}

BOOL CListView::SetCheckState(int row, BOOL checked)
{
    return SetItemState(row, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

BOOL CListView::DeleteItem(int row)
{
    if (!IsRow(row))
        return FALSE;
    Notify(LVN_DELETEITEM, row);
    if (!IsRow(row))
        return FALSE;
    if (m_rows[static_cast<std::size_t>(row)].state & LVIS_SELECTED)
        --m_selectedCount;
    m_rows.erase(m_rows.begin() + row);
    Changed(Change::Rows);
    return TRUE;
}

BOOL CListView::DeleteAllItems()
{
    if (m_rows.empty())
        return TRUE;
    Notify(LVN_DELETEALLITEMS, -1);
    for (int row = 0; row < GetItemCount(); ++row)
        Notify(LVN_DELETEITEM, row);
    m_rows.clear();
    m_selectedCount = 0;
    Changed(Change::Rows);
    return TRUE;
}

int CListView::GetNextItem(int start, UINT flags) const
{
    for (int row = std::max(start + 1, 0); row < GetItemCount(); ++row)
        if (!(flags & LVNI_SELECTED) || (m_rows[static_cast<std::size_t>(row)].state & LVIS_SELECTED))
            return row;
    return -1;
}

void CListView::SortItems(const std::function<int(LPARAM, LPARAM)>& compare)
{
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [&](const Row& a, const Row& b) { return compare(a.data, b.data) < 0; });
    Changed(Change::Rows);
}

void CListView::SetObserver(std::function<void(Change, int)> observer)
{
    m_observer = std::move(observer);
}

void CListView::SetHeaderReader(std::function<void()> reader)
{
    m_headerReader = std::move(reader);
}

void CListView::UserSelect(const std::vector<int>& rows)
{
    std::vector<bool> chosen(m_rows.size(), false);
    for (int row : rows)
        if (IsRow(row))
            chosen[static_cast<std::size_t>(row)] = true;
    // Rows let go first, then the new ones are taken; each change is heard.
    for (int row = 0; row < GetItemCount(); ++row)
        if (!chosen[static_cast<std::size_t>(row)] && (m_rows[static_cast<std::size_t>(row)].state & LVIS_SELECTED))
            ChangeState(row, 0, LVIS_SELECTED);
    for (int row = 0; row < GetItemCount() && row < static_cast<int>(chosen.size()); ++row)
        if (chosen[static_cast<std::size_t>(row)] && !(m_rows[static_cast<std::size_t>(row)].state & LVIS_SELECTED)) {
            if (IsSingleSelection())
                SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            else
                ChangeState(row, LVIS_SELECTED, LVIS_SELECTED);
        }
}

void CListView::UserCheck(int row, bool checked)
{
    if (IsRow(row) && HasCheckBoxes())
        SetCheckState(row, checked ? TRUE : FALSE);
}

void CListView::UserActivate(int row)
{
    if (IsRow(row))
        Notify(NM_DBLCLK, row);
}

void CListView::UserRightClick(int row, POINT)
{
    Notify(NM_RCLICK, row);
}

void CListView::UserHeaderMenu(POINT screen)
{
    if (m_hWnd)
        SendMessageA(m_hWnd, WM_PARENTNOTIFY, MAKEWPARAM(WM_RBUTTONDOWN, kHeaderId), MAKELPARAM(screen.x, screen.y));
}

void CListView::UserColumnsReordered(const std::vector<int>& order)
{
    SetColumnOrderArray(order);
}

void CListView::UserColumnResized(int column, int width)
{
    if (column >= 0 && column < GetColumnCount() && width >= 0)
        m_columns[static_cast<std::size_t>(column)].width = width;
}
