// The report list of the Create Profile wizard: stores in rows, one selected at a time, and a
// mark per row that greys the row out (a store that may not be chosen). A row's mark is its
// overlay image, kept in the state bits 0x0F00 as the platform's list keeps it. Display-free:
// the rows live here; a toolkit list shows them in the look GetRowLook gives, the same with and
// without the focus.
#pragma once

#include "base/WinTypes.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Item states.
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVIS_OVERLAYMASK 0x0F00
#define INDEXTOOVERLAYMASK(i) (static_cast<UINT>(i) << 8)
// What changed in a row.
#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_STATE 0x0008

class CCheckListCtrl {
public:
    // How a row is drawn: marked rows grey (on a light grey ground when selected), the
    // selected unmarked row in the system's highlight colours.
    enum class RowLook { Normal, Marked, MarkedSelected, Selected };
    // RGB(168,168,168) and RGB(230,230,230).
    static constexpr unsigned kMarkedText = 0xA8A8A8;
    static constexpr unsigned kMarkedSelectedBack = 0xE6E6E6;
    // Neither column becomes narrower than this when the list is resized.
    static constexpr int kMinColumnWidth = 30;

    struct Column {
        std::string text;
        int width = 0;
    };
    struct Row {
        std::vector<std::string> text;
        LPARAM data = 0;
        UINT state = 0;
    };
    // LVN_ITEMCHANGED.
    struct Change {
        int iItem = -1;
        UINT uNewState = 0;
        UINT uOldState = 0;
        UINT uChanged = 0;
    };

    int InsertColumn(int column, const std::string& text, int width);
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    const Column& GetColumn(int column) const { return m_columns.at(static_cast<std::size_t>(column)); }
    int GetColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);

    // A new row at `row` (at the end when beyond it); its index.
    int InsertItem(int row, const std::string& text);
    BOOL SetItemText(int row, int column, const std::string& text);
    std::string GetItemText(int row, int column) const;
    BOOL SetItemData(int row, LPARAM data);
    LPARAM GetItemData(int row) const;
    void DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    bool IsRow(int row) const { return row >= 0 && row < GetItemCount(); }

    UINT GetItemState(int row, UINT mask) const;
    // Selecting a row deselects the one selected before (single selection).
    BOOL SetItemState(int row, UINT state, UINT mask);
    // The selected row, or -1.
    int GetSelectedItem() const;
    void SelectItem(int row);

    void SetCheckImage(int row, int index);
    int GetCheckImage(int row) const;
    BOOL HasMark(int row) const;
    // A row is selected and carries no mark.
    BOOL IsSelectedFree() const;

    RowLook GetRowLook(int row) const;

    // The list is resized to `newWidth`: the difference to its current width is spread over
    // the two columns, neither becoming 30 pixels or narrower.
    void OnWidthChanging(int newWidth);
    void SetWidth(int width) { m_nWidth = width; }

    // The parent's LVN_ITEMCHANGED; the display's repaint of a row (-1: all rows and columns).
    std::function<void(const Change& change)> m_onItemChanged;
    std::function<void(int row)> m_onRedraw;

private:
    void Redraw(int row);

    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    int m_nWidth = 0;
};
