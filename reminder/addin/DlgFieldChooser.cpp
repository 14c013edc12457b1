#include "DlgFieldChooser.h"

#include "ColumnLayout.h"
#include "ModuleInstance.h"
#include "ReminderListCtrl.h"
#include "base/DialogItems.h"
#include "base/ListView.h"
#include "base/Window.h"

#include <cstdlib>
#include <string>

namespace {

constexpr UINT IDS_CAPTION = 1020;
constexpr UINT IDS_INSTRUCTION = 1021;
constexpr UINT IDS_FIELDS = 1022;
constexpr UINT IDS_UP = 1023;
constexpr UINT IDS_DOWN = 1024;
constexpr UINT IDS_SHOW = 1025;
constexpr UINT IDS_HIDE = 1026;
constexpr UINT IDS_WIDTH = 1027;
constexpr UINT IDS_OK = 1028;
constexpr UINT IDS_CANCEL = 1029;
constexpr UINT IDS_FIELDNAME = 530;

// Dialog 263 in dialog units.
constexpr DialogControl kControls[] = {
    {ControlKind::Static, CDlgFieldChooser::IDC_INSTRUCTION, IDS_INSTRUCTION, 7, 7, 206, 18},
    {ControlKind::Static, CDlgFieldChooser::IDC_FIELDS_LABEL, IDS_FIELDS, 7, 28, 150, 9},
    {ControlKind::ListView, CDlgFieldChooser::IDC_FIELDS, 0, 7, 39, 150, 118, WS_TABSTOP},
    {ControlKind::PushButton, CDlgFieldChooser::IDC_UP, IDS_UP, 163, 39, 50, 14},
    {ControlKind::PushButton, CDlgFieldChooser::IDC_DOWN, IDS_DOWN, 163, 57, 50, 14},
    {ControlKind::PushButton, CDlgFieldChooser::IDC_SHOW, IDS_SHOW, 163, 75, 50, 14},
    {ControlKind::PushButton, CDlgFieldChooser::IDC_HIDE, IDS_HIDE, 163, 93, 50, 14},
    {ControlKind::Static, CDlgFieldChooser::IDC_WIDTH_LABEL, IDS_WIDTH, 7, 164, 100, 9},
    {ControlKind::Edit, CDlgFieldChooser::IDC_WIDTH, 0, 110, 162, 30, 12},
    {ControlKind::DefPushButton, IDOK, IDS_OK, 109, 181, 50, 14},
    {ControlKind::PushButton, IDCANCEL, IDS_CANCEL, 163, 181, 50, 14},
};
constexpr DialogTemplate kLayout{CDlgFieldChooser::IDD, 220, 202, IDS_CAPTION, kControls};

bool IsChecked(UINT state)
{
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

} // namespace

CDlgFieldChooser::CDlgFieldChooser(CReminderListCtrl* list) : CAddinDialog(kLayout), m_list(list)
{
    const std::vector<CReminderColumn> shown = ColumnLayout::InDisplayOrder(list->Columns(), list->HeaderOrder());
    for (const CReminderColumn& column : shown) {
        const auto order = static_cast<std::size_t>(column.GetOrder());
        if (order < m_columns.size())
            m_columns[order] = column;
    }
}

CReminderColumn* CDlgFieldChooser::RowColumn(int row) const
{
    return reinterpret_cast<CReminderColumn*>(m_fields.GetItemData(row));
}

void CDlgFieldChooser::OnInitDialog()
{
    CreateControls();
    m_fields.Create(m_hWnd, IDC_FIELDS, CListView::LVS_SINGLESEL);

    m_quiet = true;
    m_fields.SetExtendedListViewStyle(LVS_EX_CHECKBOXES);
    m_fields.InsertColumn(0, LoadAddinString(IDS_FIELDNAME), LVCFMT_LEFT, 100);
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        CReminderColumn& column = m_columns[i];
        const int row = m_fields.InsertItem(static_cast<int>(i), column.GetName(), reinterpret_cast<LPARAM>(&column));
        m_fields.SetCheckState(row, column.IsVisible() ? TRUE : FALSE);
    }
    m_quiet = false;
    m_fields.SetColumnWidth(0, LVSCW_AUTOSIZE);
    SendDlgItemMessageA(m_hWnd, IDC_WIDTH, EM_LIMITTEXT, 3, 0);
    UpdateControls();
}

int CDlgFieldChooser::Selected() const
{
    return m_fields.GetNextItem(-1, LVNI_SELECTED);
}

int CDlgFieldChooser::CheckedCount() const
{
    int count = 0;
    for (int row = 0; row < m_fields.GetItemCount(); ++row)
        if (m_fields.GetCheckState(row))
            ++count;
    return count;
}

void CDlgFieldChooser::UpdateControls()
{
    const int sel = Selected();
    const int n = m_fields.GetItemCount();
    const bool has = sel >= 0;
    EnableWindow(GetDlgItem(m_hWnd, IDC_UP), has && sel > 0);
    EnableWindow(GetDlgItem(m_hWnd, IDC_DOWN), has && sel < n - 1);
    EnableWindow(GetDlgItem(m_hWnd, IDC_SHOW), has && !m_fields.GetCheckState(sel));
    EnableWindow(GetDlgItem(m_hWnd, IDC_HIDE), has && m_fields.GetCheckState(sel) && CheckedCount() >= 2);
    const CReminderColumn* column = has ? RowColumn(sel) : nullptr;
    // Shown without the edit's notification reaching the width again.
    const bool quiet = m_quiet;
    m_quiet = true;
    SetDlgItemTextA(m_hWnd, IDC_WIDTH, column ? std::to_string(column->GetWidth()).c_str() : "");
    m_quiet = quiet;
}

void CDlgFieldChooser::MoveItem(int a, int b)
{
    const int n = m_fields.GetItemCount();
    if (a < 0 || b < 0 || a >= n || b >= n)
        return;
    m_quiet = true;
    const std::string textA = m_fields.GetItemText(a, 0);
    const std::string textB = m_fields.GetItemText(b, 0);
    const LPARAM dataA = m_fields.GetItemData(a);
    const LPARAM dataB = m_fields.GetItemData(b);
    const BOOL checkA = m_fields.GetCheckState(a);
    const BOOL checkB = m_fields.GetCheckState(b);
    m_fields.SetItemText(a, 0, textB);
    m_fields.SetItemText(b, 0, textA);
    m_fields.SetItemData(a, dataB);
    m_fields.SetItemData(b, dataA);
    m_fields.SetCheckState(a, checkB);
    m_fields.SetCheckState(b, checkA);
    if (CReminderColumn* column = RowColumn(a))
        column->SetOrder(a);
    if (CReminderColumn* column = RowColumn(b))
        column->SetOrder(b);
    m_quiet = false;
}

void CDlgFieldChooser::OnUp()
{
    const int sel = Selected();
    if (sel <= 0)
        return;
    MoveItem(sel, sel - 1);
    m_fields.SetItemState(sel - 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    UpdateControls();
}

void CDlgFieldChooser::OnDown()
{
    const int sel = Selected();
    if (sel < 0 || sel >= m_fields.GetItemCount() - 1)
        return;
    MoveItem(sel, sel + 1);
    m_fields.SetItemState(sel + 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    UpdateControls();
}

void CDlgFieldChooser::OnShow(bool show)
{
    const int sel = Selected();
    if (sel >= 0)
        m_fields.SetCheckState(sel, show ? TRUE : FALSE);
    UpdateControls();
}

void CDlgFieldChooser::OnEditFieldWithChange()
{
    if (m_quiet)
        return;
    const int width = std::atoi(ItemText(IDC_WIDTH).c_str());
    const int sel = Selected();
    if (width != 0 && sel >= 0)
        if (CReminderColumn* column = RowColumn(sel))
            column->SetWidth(width);
}

BOOL CDlgFieldChooser::OnListItemChanging(const NMLISTVIEW* change)
{
    if (m_quiet || !(change->uChanged & LVIF_STATE))
        return FALSE;
    // The last shown column cannot be hidden.
    if (IsChecked(change->uOldState) && !IsChecked(change->uNewState) &&
        (change->uNewState & LVIS_STATEIMAGEMASK) != 0 && CheckedCount() < 2)
        return TRUE;
    return FALSE;
}

void CDlgFieldChooser::OnListItemChanged(const NMLISTVIEW* change)
{
    if (m_quiet || !(change->uChanged & LVIF_STATE))
        return;
    if (CReminderColumn* column = RowColumn(change->iItem))
        column->SetVisible(m_fields.GetCheckState(change->iItem) != FALSE);
    UpdateControls();
}

void CDlgFieldChooser::OnOK()
{
    std::vector<CReminderColumn>& target = m_list->Columns();
    for (int row = 0; row < m_fields.GetItemCount() && row < static_cast<int>(target.size()); ++row)
        if (CReminderColumn* column = RowColumn(row)) {
            column->SetOrder(row);
            target[static_cast<std::size_t>(row)] = *column;
        }
    EndDialog(IDOK);
}

BOOL CDlgFieldChooser::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: EndDialog(IDCANCEL); return TRUE;
        case IDC_UP: OnUp(); return TRUE;
        case IDC_DOWN: OnDown(); return TRUE;
        case IDC_SHOW: OnShow(true); return TRUE;
        case IDC_HIDE: OnShow(false); return TRUE;
        case IDC_WIDTH:
            if (HIWORD(wParam) == EN_CHANGE) {
                OnEditFieldWithChange();
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
        }
    case WM_NOTIFY: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (!change || change->hdr.idFrom != static_cast<UINT_PTR>(IDC_FIELDS))
            return FALSE;
        if (change->hdr.code == LVN_ITEMCHANGING) {
            result = OnListItemChanging(change);
            return TRUE;
        }
        if (change->hdr.code == LVN_ITEMCHANGED) {
            OnListItemChanged(change);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}
