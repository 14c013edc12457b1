// IListModel: a list view without a display, as a toolkit view shows it: columns, rows with
// texts, images, states and data, the header's order, and what the user does in it. The view
// reaches the list only through this interface.
#pragma once

#include "base/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

class IListModel {
public:
    struct Column {
        std::string text;
        int format = 0; // LVCFMT_*
        int width = 0;  // pixels
    };
    // What changed, for a view that shows the list.
    // Gone: the list is being destroyed; the view must not reach it any more.
    enum class Change { Columns, Rows, Row, Images, Gone };

    virtual ~IListModel() = default;

    virtual HWND Window() const = 0;
    virtual int GetColumnCount() const = 0;
    virtual Column GetColumn(int column) const = 0;
    // Column indexes from left to right as the header shows them.
    virtual std::vector<int> GetColumnOrderArray() const = 0;
    virtual int GetItemCount() const = 0;
    virtual std::string GetItemText(int row, int column) const = 0;
    // The image list index of a cell (-1: none).
    virtual int GetItemImage(int row, int column) const = 0;
    virtual UINT GetItemState(int row, UINT mask) const = 0;
    virtual bool HasCheckBoxes() const = 0;
    virtual bool IsSingleSelection() const = 0;
    virtual const std::vector<HICON>& GetImageList() const = 0;

    // Called after each change (Row: `row` is the row).
    virtual void SetObserver(std::function<void(Change change, int row)> observer) = 0;
    // Called before the list reads its header's order and widths: a view reports them then.
    virtual void SetHeaderReader(std::function<void()> reader) = 0;

    // What the user does: selects rows (the whole selection), checks a row's box, activates a
    // row (double click), opens the header's context menu, moves or sizes columns.
    virtual void UserSelect(const std::vector<int>& rows) = 0;
    virtual void UserCheck(int row, bool checked) = 0;
    virtual void UserActivate(int row) = 0;
    virtual void UserRightClick(int row, POINT screen) = 0;
    virtual void UserHeaderMenu(POINT screen) = 0;
    virtual void UserColumnsReordered(const std::vector<int>& order) = 0;
    virtual void UserColumnResized(int column, int width) = 0;
};
