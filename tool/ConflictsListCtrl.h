// The conflicts dialog's list without a display: a header row per folder pair and a row per
// conflict, local (destination) on the left and global (source) on the right. The user ticks,
// per conflict, the side whose state is to be kept; a header's tick sets or clears its whole
// group. The rows show the outcome a tick would have (the kept side's texts on both sides, grey
// and struck out where a message is missing or will be deleted), and either message opens in
// its own form, each form counted as long as it is open. A toolkit view draws the rows from the
// accessors here and reports the keys and clicks.
//
// The list has a platform window of its own, a child of the dialog's: the dialog hears tick
// changes (WMU_CONFLICT_CHECK_CHANGED) and form counts (WMU_FORM_COUNT_CHANGED) posted there.
#pragma once

#include "ConflictEntry.h"
#include "TembrixLib.h"

#include "com/ComPtr.h"

#include <array>
#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

class CMyMAPIFormViewer;

class CConflictsListCtrl {
public:
    enum Column {
        COL_STATE,          // "O": the conflict's icon
        COL_LOCAL_TICK,     // "X"
        COL_LOCAL_SUBJECT,  // "Local"
        COL_LOCAL_DATE,     // "Date"
        COL_GLOBAL_TICK,    // "X"
        COL_GLOBAL_SUBJECT, // "Global"
        COL_GLOBAL_DATE,    // "Date"
        COL_COUNT
    };
    enum Side { SIDE_LOCAL = 0, SIDE_GLOBAL = 1 };
    // Item data: a conflict row's tick (1 local, 2 global) or a header's summary of its group
    // (1 every row local, 4 some, 2 every row global, 8 some); 16: nothing to resolve.
    enum : DWORD {
        TICK_LOCAL = 1,
        TICK_GLOBAL = 2,
        SOME_LOCAL = 4,
        SOME_GLOBAL = 8,
        NOTHING_TO_RESOLVE = 16,
    };

    CConflictsListCtrl();
    // Forms still open no longer report to the list.
    ~CConflictsListCtrl();
    CConflictsListCtrl(const CConflictsListCtrl&) = delete;
    CConflictsListCtrl& operator=(const CConflictsListCtrl&) = delete;

    // The list's window under the dialog's. FALSE when it cannot be made.
    BOOL Create(HWND dialog);
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The profile whose stores the forms open messages in.
    void SetProfile(IProfile* profile) { m_pProfile = profile; }
    IConflicts* GetConflicts() const { return m_pConflicts.get(); }

    // The rows and their texts: a header shows its local path in column 2 and its global path in
    // column 5, a conflict its destination subject and time, then its source subject and time.
    void Fill(const std::vector<ConflictRow>& rows, IConflicts* conflicts);

    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    bool IsRow(int row) const { return row >= 0 && row < GetItemCount(); }
    const ConflictRow& GetRow(int row) const { return m_items[static_cast<std::size_t>(row)].row; }
    bool IsHeader(int row) const { return IsRow(row) && GetRow(row).IsHeader(); }
    DWORD GetItemData(int row) const { return IsRow(row) ? m_items[static_cast<std::size_t>(row)].data : 0; }
    void SetItemData(int row, DWORD data);
    // The text the row holds in that column (what Fill and Commit put there).
    const std::string& GetItemText(int row, int column) const;
    void SetItemText(int row, int column, const std::string& text);
    // The header row of a row's group (the row itself for a header), -1 for none.
    int HeaderOf(int row) const;
    // A header's summary anew from its group's rows.
    void UpdateHeader(int header);

    // --- What a row looks like ---------------------------------------------------------------
    // The text shown: the outcome of the row's tick.
    std::string CellText(int row, int column) const;
    // Grey and struck out: the message is missing or will be deleted.
    bool IsCellStruckOut(int row, int column) const;
    // The conflict's icon in column 0 (0 for a header).
    UINT RowIcon(int row) const;
    // The picture of a tick box (0 no tick, 1 ticked, 2 partly ticked, 3 nothing to resolve; 4
    // to 7 the same on headers).
    int StateImage(int row, int side) const;
    // Selected and on the active side: drawn highlighted.
    bool IsCellHighlighted(int row, int column) const;
    static int SideOfColumn(int column); // -1 for column 0

    // --- The resolve modes ---------------------------------------------------------------------
    // The mode of a type with the ticks of its row (-1: none). A destination message without a
    // source (type 7) is resolved as types 1 and 5 are.
    static int ModeFor(SHORT type, DWORD ticks);
    // A conflict of this type waits for a choice (1, 2, 3, 5, 6, 7).
    static bool IsPending(SHORT type);

    // --- Selection and the active side -------------------------------------------------------
    bool IsSelected(int row) const { return IsRow(row) && m_items[static_cast<std::size_t>(row)].selected; }
    void SetSelected(int row, bool selected);
    void SelectOnly(int row);
    std::vector<int> SelectedRows() const;
    int GetActiveSide() const { return m_nActiveSide; }
    // Makes a side active, through the list's own message as the keys do.
    void SetActiveSide(int side);

    // --- The user's keys and clicks -------------------------------------------------------------
    // One toggle of a side's tick: a conflict row's tick replaces the other side's; a header's
    // sets or clears that side on every row of its group that has something to resolve. Rows
    // with nothing to resolve do not change.
    void ToggleCheck(int row, int side);
    // Enter opens the active side's messages of the selected rows; Left and Right make a side
    // active.
    void OnKeyDown(UINT key);
    // Space (on release) toggles the active side's tick of the selected rows.
    void OnKeyUp(UINT key);
    // A mouse button pressed on a cell: its side becomes active, and a tick column toggles.
    void OnButtonDown(int row, int column);
    // A double-click on a text column opens that side's message.
    void OnDoubleClick(int row, int column);

    // --- Forms ----------------------------------------------------------------------------------
    // Opens the message of the column's side (2 or 3 local, 5 or 6 global) in its form; S_FALSE
    // when the row or column has none to open.
    HRESULT OpenConflictMessage(int row, int column);
    // The open-form count, interlocked; it starts at 1 (the list's own), so above 1 a form is
    // open. Each change is written to the debugger and posted to the dialog.
    LONG AddRef();
    LONG Release();
    LONG FormCount() const { return m_cRef; }
    bool IsFormOpen() const { return m_cRef > 1; }
    // Each site counts itself from its making to its end.
    void AttachSite(CMyMAPIFormViewer* site);
    void DetachSite(CMyMAPIFormViewer* site);

    // The view's hooks: a row changed, everything changed (a new active side, a new fill).
    std::function<void(int row)> m_onRowChanged;
    std::function<void()> m_onChanged;

private:
    struct Item {
        ConflictRow row;
        DWORD data = 0;
        std::array<std::string, COL_COUNT> text;
        bool selected = false;
    };

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void PostToDialog(UINT message, LPARAM lParam);
    void RowChanged(int row);
    void Changed();
    // The rows a key acts on: every selected row, a header only when it is the one selected.
    std::vector<int> RowsForKeys() const;

    std::vector<Item> m_items;
    ComPtr<IConflicts> m_pConflicts;
    ComPtr<IProfile> m_pProfile;
    std::atomic<LONG> m_cRef{1};
    int m_nActiveSide = SIDE_LOCAL;
    HWND m_hWnd = nullptr;
    std::set<CMyMAPIFormViewer*> m_sites;
};

// A time as the list shows it: local date and time, "%d.%m. %H:%M"; "" for none.
std::string ConflictTimeText(const FILETIME& time);
