// CDlgFieldChooser: the reminder list's field chooser (modal dialog 263, "Choose Fields"): one
// checkable row per column in the order the list shows them, which the user moves up and
// down, shows or hides (one stays shown) and sizes. It works on copies of the list's column
// descriptors; only OK gives them back to the list, in the rows' order.
#pragma once

#include "AddinDialog.h"
#include "ListView.h"
#include "ReminderColumn.h"

#include <array>

class CReminderListCtrl;

class CDlgFieldChooser : public CAddinDialog {
public:
    enum : int {
        IDD = 263,
        IDC_FIELDS = 248,
        IDC_UP = 249,
        IDC_DOWN = 250,
        IDC_SHOW = 251,
        IDC_HIDE = 252,
        IDC_WIDTH = 253,
        IDC_INSTRUCTION = 254,
        IDC_FIELDS_LABEL = 255,
        IDC_WIDTH_LABEL = 256,
    };

    // Copies of the list's descriptors, each at the index of its place in the list's display.
    explicit CDlgFieldChooser(CReminderListCtrl* list);

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    IListModel* List(int id) override { return id == IDC_FIELDS ? &m_fields : nullptr; }

    // Swaps rows a and b (texts, descriptors, checks); nothing unless both are rows.
    void MoveItem(int a, int b);
    // The descriptor of a row (null: none).
    CReminderColumn* RowColumn(int row) const;
    CListView& Fields() { return m_fields; }

private:
    void OnInitDialog();
    void UpdateControls();
    int Selected() const;
    int CheckedCount() const;
    void OnUp();
    void OnDown();
    void OnShow(bool show);
    void OnEditFieldWithChange();
    // TRUE refuses the change.
    BOOL OnListItemChanging(const NMLISTVIEW* change);
    void OnListItemChanged(const NMLISTVIEW* change);
    void OnOK();

    CReminderListCtrl* m_list;
    std::array<CReminderColumn, CReminderColumn::kColumns> m_columns;
    CListView m_fields;
    // While rows are swapped or the controls are filled, the list's notifications change nothing.
    bool m_quiet = false;
};
