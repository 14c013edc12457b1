// The rows of the conflicts list on the screen, drawn by the list itself in rows of 17 pixels:
// folder-pair headers in light blue between grey lines with their paths across two columns,
// conflicts on white with their icon, the two tick boxes and the texts of their outcome (grey and
// struck out where a message is missing or will be deleted), the selected rows highlighted on the
// active side only. Clicks, double-clicks and keys go to the display-free CConflictsListCtrl.
#pragma once

#include "ConflictsListCtrl.h"

#include <wx/bitmap.h>
#include <wx/vscroll.h>

#include <array>
#include <functional>
#include <map>

class CConflictsListBody : public wxVScrolledWindow {
public:
    static constexpr int kRowHeight = 17;

    // `widths` gives the seven columns' widths in pixels.
    CConflictsListBody(wxWindow* parent, CConflictsListCtrl& list, std::function<std::array<int, 7>()> widths);

    // The model's rows changed (their number too).
    void RowsChanged();
    void RefreshOneRow(int row);
    void EnsureRowVisible(int row);
    // The row and column at a point of the client area; -1 for none.
    int RowAt(int y) const;
    int ColumnAt(int x) const;
    int FocusRow() const { return m_nFocus; }

private:
    wxCoord OnGetRowHeight(size_t row) const override;
    void OnPaint(wxPaintEvent& event);
    void DrawRow(wxDC& dc, int row, const wxRect& rect, const std::array<int, 7>& widths);
    void OnMouseDown(wxMouseEvent& event);
    void OnDoubleClick(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    // Selects a row as a click or a cursor key does: alone, toggled (Ctrl) or up to the anchor
    // (Shift).
    void Select(int row, bool toggle, bool extend);
    const wxBitmap& Icon(UINT id);

    CConflictsListCtrl& m_list;
    std::function<std::array<int, 7>()> m_widths;
    int m_nFocus = -1;
    int m_nAnchor = -1;
    wxBitmap m_tickBoxes;
    std::map<UINT, wxBitmap> m_icons;
};
