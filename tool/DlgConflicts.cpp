#include "DlgConflicts.h"

#include "ConflictList.h"
#include "ConflictResource.h"
#include "DialogResource.h"
#include "ErrorText.h"
#include "ToolStrings.h"
#include "base/WaitCursor.h"

#include "base/Window.h"

CDlgConflicts::CDlgConflicts(int mode, const std::vector<ConflictRow>& rows, IConflicts* conflicts,
                             IProfile* profile, std::string caption, std::string localStore,
                             std::string globalStore)
    : COrvDialog(IDD_CONFLICTS, mode == MODE_DELETIONS ? IDS_DELETE_RESOLUTION : IDS_CONFLICT_RESOLUTION),
      m_nMode(mode), m_rows(rows), m_pConflicts(conflicts), m_pProfile(profile), m_strCaption(std::move(caption)),
      m_strLocalStore(std::move(localStore)), m_strGlobalStore(std::move(globalStore))
{
}

BOOL CDlgConflicts::OnInitDialog()
{
    AddItem(WC_STATICA, IDC_CONFLICT_LOCAL, LoadResString(IDS_CONFLICT_LOCAL_PREFIX) + m_strLocalStore);
    AddItem(WC_STATICA, IDC_CONFLICT_GLOBAL, LoadResString(IDS_CONFLICT_GLOBAL_PREFIX) + m_strGlobalStore);
    AddItem(WC_STATICA, IDC_CONFLICT_DELETE_ICON, "");
    AddItem(WC_STATICA, IDC_CONFLICT_DELETE_TEXT, LoadResString(IDS_CONFLICT_DELETE_TEXT));
    AddItem(WC_STATICA, IDC_CONFLICT_CHANGE_ICON, "");
    AddItem(WC_STATICA, IDC_CONFLICT_CHANGE_TEXT, LoadResString(IDS_CONFLICT_CHANGE_TEXT));
    AddItem(WC_STATICA, IDC_CONFLICT_SEPARATOR, "");
    AddItem(WC_BUTTONA, IDC_COMMIT, LoadResString(IDS_CONFLICT_COMMIT), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDCANCEL, LoadResString(IDS_CONFLICT_CANCEL), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_CONFLICT_CLOSE), BS_DEFPUSHBUTTON | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDHELP_BUTTON, LoadResString(IDS_CONFLICT_HELP), WS_TABSTOP);

    {
        CWaitCursor wait;
        m_wndList.Create(m_hWnd);
        m_wndList.SetProfile(m_pProfile.get());
        m_wndList.Fill(m_rows, m_pConflicts.get());
    }
    UpdateButtons();
    SetTitle(m_strCaption);
    const bool deletions = m_nMode == MODE_DELETIONS;
    ShowItem(IDC_CONFLICT_DELETE_ICON, deletions);
    ShowItem(IDC_CONFLICT_DELETE_TEXT, deletions);
    ShowItem(IDC_CONFLICT_CHANGE_ICON, !deletions);
    ShowItem(IDC_CONFLICT_CHANGE_TEXT, !deletions);
    GotoDlgCtrl(IDC_CONFLICT_LIST);
    // The dialog comes up while the user may be working elsewhere: it goes to the front.
    SetForegroundWindow(m_hWnd);
    return TRUE;
}

void CDlgConflicts::UpdateButtons()
{
    bool ticked = false;
    bool pending = false;
    for (int row = 0; row < m_wndList.GetItemCount(); ++row) {
        const ConflictEntry* entry = m_wndList.GetRow(row).pEntry;
        if (!entry)
            continue;
        const DWORD data = m_wndList.GetItemData(row);
        ticked = ticked || data == CConflictsListCtrl::TICK_LOCAL || data == CConflictsListCtrl::TICK_GLOBAL;
        pending = pending || CConflictsListCtrl::IsPending(entry->nType);
    }
    EnableItem(IDC_COMMIT, ticked && pending);
    EnableItem(IDOK, !pending);
    EnableItem(IDCANCEL, pending);
}

bool CDlgConflicts::MayAct()
{
    // The list's count is the truth; its message to the dialog may still be on its way.
    if (!m_bFormOpen && !m_wndList.IsFormOpen())
        return true;
    MessageBox(LoadResString(IDS_FORM_OPEN), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CDlgConflicts::OnCommit()
{
    if (!MayAct())
        return;
    CWaitCursor wait;
    for (int row = 0; row < m_wndList.GetItemCount(); ++row) {
        ConflictEntry* entry = m_wndList.GetRow(row).pEntry;
        if (!entry)
            continue;
        const int mode = CConflictsListCtrl::ModeFor(entry->nType, m_wndList.GetItemData(row));
        if (mode < 0)
            continue;
        ComPtr<IConflict> conflict;
        SHORT type = 0;
        HRESULT hr = m_pConflicts ? m_pConflicts->get_Items(entry->nIndex, conflict.put()) : E_POINTER;
        if (SUCCEEDED(hr) && !conflict)
            hr = E_POINTER;
        if (SUCCEEDED(hr))
            hr = conflict->get_Type(&type);
        if (SUCCEEDED(hr))
            hr = conflict->Resolve(static_cast<SHORT>(mode));
        if (FAILED(hr)) {
            MessageBox(FailureText(IDS_RESOLVE_FAILED, hr), MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (SUCCEEDED(conflict->get_Type(&type)))
            entry->nType = type;
        using L = CConflictsListCtrl;
        switch (mode) {
        case 2:
        case 4:
            m_wndList.SetItemText(row, L::COL_LOCAL_SUBJECT, LoadResString(IDS_DELETED));
            m_wndList.SetItemText(row, L::COL_GLOBAL_SUBJECT, LoadResString(IDS_DELETED));
            m_wndList.SetItemText(row, L::COL_LOCAL_DATE, "");
            m_wndList.SetItemText(row, L::COL_GLOBAL_DATE, "");
            break;
        case 1:
            m_wndList.SetItemText(row, L::COL_LOCAL_SUBJECT, m_wndList.GetItemText(row, L::COL_GLOBAL_SUBJECT));
            m_wndList.SetItemText(row, L::COL_LOCAL_DATE, m_wndList.GetItemText(row, L::COL_GLOBAL_DATE));
            break;
        case 3:
            m_wndList.SetItemText(row, L::COL_GLOBAL_SUBJECT, m_wndList.GetItemText(row, L::COL_LOCAL_SUBJECT));
            m_wndList.SetItemText(row, L::COL_GLOBAL_DATE, m_wndList.GetItemText(row, L::COL_LOCAL_DATE));
            break;
        default:
            break;
        }
        m_wndList.SetItemData(row, CConflictsListCtrl::NOTHING_TO_RESOLVE);
    }
    // Headers of groups with nothing left.
    for (int row = m_wndList.GetItemCount() - 1; row >= 0; --row)
        if (m_wndList.IsHeader(row))
            m_wndList.UpdateHeader(row);
    UpdateButtons();
}

BOOL CDlgConflicts::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return COrvDialog::OnCommand(id, code);
    if (id == IDC_COMMIT) {
        OnCommit();
        return TRUE;
    }
    if (id == IDHELP_BUTTON) {
        ShowHelp(m_nMode == MODE_DELETIONS ? HIDD_CONFLICTS_DELETE : HIDD_CONFLICTS_CHANGE);
        return TRUE;
    }
    return COrvDialog::OnCommand(id, code);
}

void CDlgConflicts::OnOK()
{
    if (MayAct())
        EndDialog(IDOK);
}

void CDlgConflicts::OnCancel()
{
    if (MayAct())
        EndDialog(IDCANCEL);
}

BOOL CDlgConflicts::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message == WMU_CONFLICT_CHECK_CHANGED) {
        UpdateButtons();
        result = 0;
        return TRUE;
    }
    if (message == WMU_FORM_COUNT_CHANGED) {
        m_bFormOpen = lParam != 0 && m_wndList.IsFormOpen();
        UpdateButtons();
        result = 0;
        return TRUE;
    }
    return FALSE;
}
