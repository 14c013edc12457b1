// CListView: a report list view as a dialog control of the add-in's own (the platform has no
// list views): columns with texts, formats and widths in a header whose order the user may
// change, rows with a text per column, images, states (selected, focused, a check box's state
// image) and item data. Like the platform's control it tells its dialog in WM_NOTIFY what
// happens to its rows: LVN_ITEMCHANGING (which the dialog may refuse) and LVN_ITEMCHANGED for
// state changes, LVN_DELETEITEM for each row that goes, NM_DBLCLK and NM_RCLICK for the user's
// clicks. A class that handles the control's own messages derives from it
// (ProcessWindowMessage); a toolkit view shows it through IListModel.
#pragma once

#include "base/WinMessages.h"
// After the platform types it uses.
#include "IListModel.h"
#include "base/ListView.h"

#include <functional>
#include <string>
#include <vector>

// GetNextItem flags.
#define LVNI_ALL 0x0000
#define LVNI_SELECTED 0x0002

class CListView : public IListModel {
public:
    CListView() = default;
    ~CListView() override;
    CListView(const CListView&) = delete;
    CListView& operator=(const CListView&) = delete;

    // Makes the control, a child of the dialog with this id and style (LVS_SINGLESEL for one
    // selected row at most). FALSE when it cannot be made.
    BOOL Create(HWND dialog, int id, DWORD style = 0);
    void DestroyWindow();
    HWND m_hWnd = nullptr;

    // Extended styles (LVS_EX_*); with LVS_EX_CHECKBOXES every row has a check box (its state
    // image: 1 unchecked, 2 checked).
    DWORD SetExtendedListViewStyle(DWORD style);
    DWORD GetExtendedListViewStyle() const { return m_exStyle; }
    void SetImageList(std::vector<HICON> images);

    // Columns: inserted at `column` (the columns behind it move on), shown at header position
    // `order` (-1: where the index says).
    int InsertColumn(int column, const std::string& text, int format, int width, int order = -1);
    BOOL DeleteColumn(int column);
    void DeleteAllColumns();
    // LVSCW_AUTOSIZE sizes the column to its widest text.
    BOOL SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;
    BOOL SetColumnOrderArray(const std::vector<int>& order);

    // Rows: inserted at `row` (at the end when beyond it); the index, or -1.
    int InsertItem(int row, const std::string& text, LPARAM data = 0);
    BOOL SetItemText(int row, int column, const std::string& text);
    BOOL SetItemImage(int row, int column, int image);
    BOOL SetItemData(int row, LPARAM data);
    LPARAM GetItemData(int row) const;
    // Changes the bits of `mask`; row -1 changes every row. The dialog hears LVN_ITEMCHANGING
    // (an answer TRUE keeps the row as it was) and LVN_ITEMCHANGED for each row that changes.
    BOOL SetItemState(int row, UINT state, UINT mask);
    BOOL GetCheckState(int row) const;
    BOOL SetCheckState(int row, BOOL checked);
    // Each row goes with LVN_DELETEITEM.
    BOOL DeleteItem(int row);
    BOOL DeleteAllItems();
    int GetSelectedCount() const { return m_selectedCount; }
    // The next row after `start` (-1: from the first) with the flags' state, or -1.
    int GetNextItem(int start, UINT flags) const;
    // Sorts the rows by their data; `compare` answers < 0, 0 or > 0. Rows that compare equal keep
    // their order.
    void SortItems(const std::function<int(LPARAM, LPARAM)>& compare);

    // IListModel.
    HWND Window() const override { return m_hWnd; }
    int GetColumnCount() const override { return static_cast<int>(m_columns.size()); }
    Column GetColumn(int column) const override;
    std::vector<int> GetColumnOrderArray() const override;
    int GetItemCount() const override { return static_cast<int>(m_rows.size()); }
    std::string GetItemText(int row, int column) const override;
    int GetItemImage(int row, int column) const override;
    UINT GetItemState(int row, UINT mask) const override;
    bool HasCheckBoxes() const override { return (m_exStyle & LVS_EX_CHECKBOXES) != 0; }
    bool IsSingleSelection() const override { return (m_style & LVS_SINGLESEL) != 0; }
    const std::vector<HICON>& GetImageList() const override { return m_images; }
    void SetObserver(std::function<void(Change change, int row)> observer) override;
    void SetHeaderReader(std::function<void()> reader) override;
    void UserSelect(const std::vector<int>& rows) override;
    void UserCheck(int row, bool checked) override;
    void UserActivate(int row) override;
    void UserRightClick(int row, POINT screen) override;
    void UserHeaderMenu(POINT screen) override;
    void UserColumnsReordered(const std::vector<int>& order) override;
    void UserColumnResized(int column, int width) override;

    static constexpr DWORD LVS_SINGLESEL = 0x0004;
    // The header's child id, as WM_PARENTNOTIFY names it.
    static constexpr int kHeaderId = 0;

protected:
    // The control's own messages; TRUE when handled, with `result` its answer.
    virtual BOOL ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Asks the view for the header's order and widths.
    void ReadHeader() const;

private:
    struct Row {
        std::vector<std::string> texts;
        std::vector<int> images;
        UINT state = 0;
        LPARAM data = 0;
    };

    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Notify(UINT code, int row, UINT newState = 0, UINT oldState = 0, UINT changed = 0) const;
    // One row's state change with its notifications; false when the dialog refused it.
    bool ChangeState(int row, UINT state, UINT mask);
    void Changed(Change change, int row = -1) const;
    bool IsRow(int row) const { return row >= 0 && row < GetItemCount(); }

    DWORD m_style = 0;
    DWORD m_exStyle = 0;
    int m_id = 0;
    std::vector<Column> m_columns;
    std::vector<int> m_order;
    std::vector<Row> m_rows;
    std::vector<HICON> m_images;
    int m_selectedCount = 0;
    std::function<void(Change, int)> m_observer;
    std::function<void()> m_headerReader;
};
