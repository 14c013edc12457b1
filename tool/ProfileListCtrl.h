// The main view's profile list: one row per sync profile with its check box (the profiles a
// run synchronises) and the run's mark, and the rule that two checked profiles never share a
// store. Display-free: the rows, records and keys live here; a toolkit list shows them and
// asks this model before a check changes.
#pragma once

#include "EnginePtr.h"
#include "TembrixLib.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// What the list knows of a profile's stores.
struct CProfileRecord {
    // An unchecked profile that shares a store with a checked one.
    bool bDeactivated = false;
    // Bit 1: the destination store is available; bit 2: the source store.
    int nStoreFlags = 3;
    // Hex record keys of the destination and the source store.
    std::string strDestKey;
    std::string strSrcKey;
};

class CProfileListCtrl {
public:
    // Store flags.
    enum : int { STORE_DESTINATION = 1, STORE_SOURCE = 2, STORES_AVAILABLE = 3 };
    // Columns: the name, an info column kept empty, the run mark.
    enum : int { COL_NAME = 0, COL_INFO = 1, COL_MARK = 2 };
    // Images of the list (icons 145, 137, 138, 141, 139, 140 and 146 in this order).
    enum : int { IMG_NONE = 0, IMG_LINK = 1, IMG_WAITING = 2, IMG_CURRENT = 3, IMG_SECOND_PASS = 4, IMG_DONE = 5,
                 IMG_FAILED = 6 };
    static const std::vector<unsigned>& ImageIcons();
    // The image of a run mark: "C" current, "D" done, "W" waiting, "F" failed, else none.
    static int MarkImage(const std::string& mark);

    struct Row {
        std::string name;
        // The profile's 1-based index in the engine's profiles collection.
        LONG itemData = 0;
        bool checked = false;
        bool selected = false;
        bool focused = false;
        std::string info;
        std::string mark;
        // Why the profile's last run failed ("" when it did not).
        std::string failure;
    };

    // Fills the rows from the engine's profiles (an empty reference gives an empty list);
    // profiles that cannot be read are left out.
    void FillProfiles(IProfiles* profiles);
    void DeleteAllItems();

    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    bool IsRow(int row) const { return row >= 0 && row < GetItemCount(); }
    const Row& GetRow(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }
    std::string GetItemText(int row, int column) const;
    // Columns 0 to 2.
    void SetItemText(int row, int column, const std::string& text);
    LONG GetItemData(int row) const { return IsRow(row) ? GetRow(row).itemData : 0; }
    void SetFailure(int row, const std::string& text);
    // The row with exactly that name, or -1.
    int FindItem(const std::string& name) const;

    bool GetCheck(int row) const { return IsRow(row) && GetRow(row).checked; }
    // Checks or unchecks the row through the shared-store rule; false when the rule refuses
    // (its box has been shown).
    bool SetCheck(int row, bool check);

    bool IsDeactivated(int row) const;
    int GetProfileState(int row) const;
    // The name of the first other checked row that shares a store key with this row ("" when
    // none). Empty keys share nothing.
    std::string FindStoreConflict(int row) const;

    CProfileRecord* FindRecord(const std::string& name);
    const CProfileRecord* FindRecord(const std::string& name) const;
    void SetRecord(const std::string& name, const CProfileRecord& record) { m_records[name] = record; }
    void RemoveRecord(const std::string& name) { m_records.erase(name); }
    const std::multiset<std::string>& KeysInUse() const { return m_keysInUse; }
    // After records changed: the rows are drawn anew (-1: all).
    void RedrawItems(int row = -1) { RowChanged(row); }

    // Selection and focus (one row at a time). Selecting asks m_onSelectionChanging first and
    // gives false when it refuses.
    int GetSelectedRow() const;
    bool SetItemSelected(int row, bool selected);
    void ClearSelection();
    int GetFocusedRow() const;
    void SetItemFocused(int row);

    // Whether the list shows on the screen: a refused check then names the other profile;
    // while checks are restored at start (not shown yet) it names both.
    std::function<bool()> m_isVisible;
    // A row to redraw (-1: every row, and their number may have changed).
    std::function<void(int row)> m_onRowChanged;
    // Before a row is selected: false refuses it.
    std::function<bool(int row)> m_onSelectionChanging;
    // After a row's check or selection changed (the list's parent hears of every change).
    std::function<void(int row, bool checkChanged, bool selectionChanged)> m_onItemChanged;

private:
    // The shared-store rule for a change of the row's check; false refuses it.
    bool OnCheckChanging(int row, bool check);
    static bool SharesKey(const CProfileRecord& a, const CProfileRecord& b);
    void RowChanged(int row);
    void ItemChanged(int row, bool checkChanged, bool selectionChanged);
    void SetSelectedState(int row, bool selected);

    std::vector<Row> m_rows;
    std::map<std::string, CProfileRecord> m_records;
    std::multiset<std::string> m_keysInUse;
};
