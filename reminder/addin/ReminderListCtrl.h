// CReminderListCtrl: the reminders window's list (control 204): one row per copy in the back
// folder that passes the window's view filter, with the columns the user chose (up to 24, stored
// in the Settings value ReminderColumns), kept in step with the back folder by its own table
// sink; it fills the window's details pane for a single selected row, opens the source item in
// the host on a double click and offers the field chooser from its header's context menu.
//
// Rows keep their copy's entry ID, record key and instance key and its signal time. Rows the sink
// adds pass the same filter and skip rules as the fill, and the selected count is the real one
// after rows go.
#pragma once

#include "ListView.h"
#include "ReminderColumn.h"
#include "ReminderListSink.h"
#include "ReminderLib.h"
#include "com/ComPtr.h"
#include "mapi/Mapi.h"

#include <array>
#include <string>
#include <vector>

// The item data of a row (owned by the row, freed at LVN_DELETEITEM).
struct ReminderRowData {
    std::vector<BYTE> entryId;
    std::vector<BYTE> recordKey;
    std::vector<BYTE> instanceKey;
    FILETIME signalTime{0, 0}; // zero when the copy has none
};

class CReminderListCtrl : public CListView {
public:
    // The list's columns as the table gives them: the copy's entry ID, record key, reminder set,
    // recurring, signal time and instance key, then the shown columns' properties.
    enum FixedColumn : ULONG { COL_ENTRYID, COL_RECORDKEY, COL_REMINDERSET, COL_RECURRING, COL_SIGNALTIME, COL_INSTANCEKEY, FIXED_COLUMNS };
    // The command of the header's menu (menu 262) that opens the field chooser.
    static constexpr UINT ID_FIELDCHOOSER = 2;

    // The 24 descriptors with their defaults, then the stored layout; the image list.
    CReminderListCtrl();
    ~CReminderListCtrl() override;

    // Takes the engine; rebuilds columns and rows for the window's filter and a new sink.
    HRESULT Init(IReminderEngine* engine);
    // The tags the table is asked for (see FixedColumn), string tags of the store's kind.
    HRESULT GetColumnTags(IMAPIProp* folder, BOOL unicode, SPropTagArray** tags);
    // Fills the rows from the back folder.
    HRESULT AddReminderItems();
    // The maps of shown columns, and the header's order and widths read back into the
    // descriptors.
    void SyncColumnInfo();
    // Rows by signal time, earliest first (rows without one first).
    void SortRows();
    // Runs the field chooser over the active window; on OK the list is built again.
    void OnFieldchooser();
    // Opens the row's source item in the host.
    HRESULT OpenItem(int row);

    // The sink's work: a row of the table is added (when it passes the filter and skip rules),
    // the row of an instance key removed, all rows read again.
    void AddRow(const SRow* row);
    void RemoveRow(const SPropValue* index);
    HRESULT ReloadRows(IMAPITable* table);

    // The descriptors in slot order, and the header's order (subitems from left to right).
    std::vector<CReminderColumn>& Columns() { return m_columns; }
    std::vector<int> HeaderOrder() const;
    // The descriptor shown in a subitem (-1: none).
    int SlotOfSubitem(int subitem) const;
    IReminderEngine* Engine() const { return m_engine.get(); }
    const ReminderRowData* RowData(int row) const { return reinterpret_cast<const ReminderRowData*>(GetItemData(row)); }
protected:
    BOOL ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The view filter the window gives (1 all, 2 active, 3 future, 16 custom: all).
    LONG Filter() const;
    // The back folder's folder object, or null.
    ComPtr<IMAPIFolder> BackMapiFolder() const;
    HICON LargeIcon(UINT id);
    // Whether a row of the table is shown under the filter: its signal time against now, its
    // reminder not switched off, not dismissed to 01.01.4501.
    bool Passes(const SRow* row, LONG filter, const FILETIME& now) const;
    // A row at the end with its data, texts and icon; its index.
    int InsertRow(const SRow* row);
    // The text of one cell of a shown descriptor (its values start at `first`).
    std::string FormatCell(const CReminderColumn& column, const SRow* row, ULONG first) const;
    void RemoveSink();
    LRESULT OnItemChanged(const NMLISTVIEW* change);
    void UpdateDetails();
    void ShowNoSingleSelection();
    void OnParentNotify(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    void FreeRowData();

    ComPtr<IReminderEngine> m_engine;
    std::vector<CReminderColumn> m_columns;
    std::array<int, CReminderColumn::kColumns> m_subitemToSlot{};
    std::array<int, CReminderColumn::kColumns> m_slotToSubitem{};
    std::array<int, CReminderColumn::kColumns> m_headerToSubitem{};
    // Where each shown descriptor's values start in a row (by slot).
    std::array<ULONG, CReminderColumn::kColumns> m_firstValue{};
    ComPtr<ILVFolder> m_backFolder;
    ComPtr<CReminderListSink> m_sink;
    std::vector<HICON> m_icons;
    std::vector<std::pair<UINT, HICON>> m_largeIcons;
    // The filter of the last fill, which rows the sink brings pass too.
    LONG m_filter = 1;
    // The values of each row (the fixed columns and every shown column's).
    ULONG m_valueCount = 0;
};
