#include "DlgProfileEdit.h"

#include "DialogResource.h"
#include "ErrorText.h"
#include "FolderSearch.h"
#include "ToolStrings.h"
#include "base/WaitCursor.h"

#include "com/ComBstr.h"

#include <algorithm>

CDlgProfileEdit::CDlgProfileEdit(ISyncEngine* engine, IProfiles* profiles, LONG profileIndex, IProfile* profile,
                                 int folderRow)
    : COrvDialog(IDD_PROFILE_EDIT, IDS_EDIT_CAPTION), m_pEngine(engine), m_pProfiles(profiles),
      m_nProfileIndex(profileIndex), m_pProfile(profile), m_nFolderRow(folderRow)
{
    for (CFolderTreeCtrl* tree : {&m_treeLocal, &m_treeGlobal}) {
        const bool global = tree == &m_treeGlobal;
        tree->SetEngine(engine);
        tree->SetLinkPaths(this);
        tree->m_onSelChanged = [this, global](HTREEITEM oldItem, HTREEITEM newItem) {
            if (oldItem == newItem)
                return;
            UpdateMarks();
            ShowStatus(global);
        };
        tree->m_onItemExpanded = [this](HTREEITEM, UINT) { UpdateMarks(); };
        tree->m_onFocus = [this, global](bool focus) { OnTreeFocus(global ? Focus::GlobalTree : Focus::LocalTree, focus); };
    }
    m_lstLinks.m_onRowChanged = [this](int) { UpdateButtons(); };
}

CDlgProfileEdit::~CDlgProfileEdit()
{
    // The trees' items go before the list they ask.
    m_treeLocal.DeleteAllItems();
    m_treeGlobal.DeleteAllItems();
}

BOOL CDlgProfileEdit::OnInitDialog()
{
    AddItem(WC_STATICA, IDC_LOCAL_LINKS_CAPTION, LoadResString(IDS_EDIT_LOCAL_LINKS));
    AddItem(WC_STATICA, IDC_GLOBAL_LINKS_CAPTION, LoadResString(IDS_EDIT_GLOBAL_LINKS));
    AddItem(WC_STATICA, IDC_EDIT_LINE, "");
    AddItem(WC_BUTTONA, IDC_STATUS_FRAME, "", BS_GROUPBOX);
    AddItem(WC_STATICA, IDC_STATUS_TEXT, "");
    AddItem(WC_BUTTONA, IDC_ASSOCIATE, LoadResString(IDS_EDIT_ASSOCIATE), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDC_DELETE_ASSOCIATION, LoadResString(IDS_EDIT_DELETE), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDC_ADVANCED, LoadResString(IDS_EDIT_ADVANCED), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDHELP_BUTTON, LoadResString(IDS_BUTTON_HELP), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_BUTTON_OK), BS_DEFPUSHBUTTON | WS_TABSTOP);
    EnableItem(IDC_ASSOCIATE, false);
    EnableItem(IDC_DELETE_ASSOCIATION, false);
    LoadProfile();
    if (m_lstLinks.IsRow(m_nFolderRow))
        OnListActivated(m_nFolderRow);
    return TRUE;
}

BOOL CDlgProfileEdit::OnCommand(int id, int code)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_ASSOCIATE:
            OnAssociate();
            return TRUE;
        case IDC_DELETE_ASSOCIATION:
            OnDeleteAssociation();
            return TRUE;
        case IDC_ADVANCED:
            OnAdvanced();
            return TRUE;
        case IDHELP_BUTTON:
            ShowHelp(HIDD_PROFILE_EDIT);
            return TRUE;
        default:
            break;
        }
    }
    return COrvDialog::OnCommand(id, code);
}

void CDlgProfileEdit::ShowFailure(UINT sentence, HRESULT hr) { MessageBox(FailureText(sentence, hr), MB_OK | MB_ICONEXCLAMATION); }

void CDlgProfileEdit::LoadProfile()
{
    CWaitCursor wait;
    HRESULT hr = S_OK;
    try {
        ComBstr name;
        hr = m_pProfile->get_Name(name.put());
        if (SUCCEEDED(hr)) {
            m_strProfileName = name.Utf8();
            m_lstLinks.FillFolderLinks(m_pProfiles.get(), m_nProfileIndex);
            for (int row = 0; row < m_lstLinks.GetItemCount(); ++row)
                m_lstLinks.SetItemImage(row, CFolderLinkListCtrl::COL_LINK, CFolderLinkListCtrl::IMG_LINK);
            const int selected = m_lstLinks.IsRow(m_nFolderRow) ? m_nFolderRow : 0;
            if (m_lstLinks.IsRow(selected)) {
                m_lstLinks.SetItemSelected(selected, true);
                m_lstLinks.SetItemFocused(selected);
            }
            hr = m_treeLocal.FillFolderTree(m_strProfileName, 1);
            const HRESULT global = m_treeGlobal.FillFolderTree(m_strProfileName, 0);
            if (SUCCEEDED(hr))
                hr = global;
        }
    } catch (const CComError& error) {
        hr = error.Error();
    }
    UpdateMarks();
    if (FAILED(hr))
        ShowFailure(IDS_TREE_NOT_FILLED, hr);
}

void CDlgProfileEdit::UpdateMarks()
{
    const HTREEITEM local = m_treeLocal.GetSelectedItem();
    // The kind of folder the global side may offer: none while nothing or an associated folder
    // is chosen locally.
    int wanted = -1;
    if (local && m_treeLocal.GetItemStateImage(local) != CFolderTreeCtrl::MARK_ASSOCIATED)
        wanted = m_treeLocal.GetItemImage(local);
    m_treeGlobal.MarkByFolderKind(m_treeGlobal.GetRootItem(), wanted);
    m_treeLocal.ClearFolderMarks(m_treeLocal.GetRootItem());
    UpdateButtons();
}

void CDlgProfileEdit::UpdateButtons()
{
    if (!m_hWnd)
        return;
    const HTREEITEM local = m_treeLocal.GetSelectedItem();
    const HTREEITEM global = m_treeGlobal.GetSelectedItem();
    EnableItem(IDC_ASSOCIATE, local && global &&
                                  m_treeLocal.GetItemStateImage(local) == CFolderTreeCtrl::MARK_ASSOCIABLE &&
                                  m_treeGlobal.GetItemStateImage(global) == CFolderTreeCtrl::MARK_ASSOCIABLE);
    const bool treeFocus = m_focus == Focus::LocalTree || m_focus == Focus::GlobalTree;
    EnableItem(IDC_DELETE_ASSOCIATION, m_lstLinks.GetSelectedRow() >= 0 && !treeFocus);
}

std::string CDlgProfileEdit::StatusText(bool globalSide) const
{
    const CFolderTreeCtrl& tree = globalSide ? m_treeGlobal : m_treeLocal;
    const CFolderTreeCtrl& other = globalSide ? m_treeLocal : m_treeGlobal;
    const HTREEITEM selected = tree.GetSelectedItem();
    if (!selected)
        return {};
    switch (tree.GetItemStateImage(selected)) {
    case CFolderTreeCtrl::MARK_ASSOCIABLE: {
        const HTREEITEM counterpart = other.GetSelectedItem();
        if (counterpart && other.GetItemStateImage(counterpart) == CFolderTreeCtrl::MARK_ASSOCIABLE) {
            std::string text = LoadResString(IDS_STATUS_CAN_ASSOCIATE);
            // Both hold messages: copies would meet at the first run.
            if (tree.IsBold(selected) && other.IsBold(counterpart))
                text += LoadResString(IDS_STATUS_BOTH_FULL);
            return text;
        }
        return LoadResString(globalSide ? IDS_STATUS_GLOBAL_CHOOSE : IDS_STATUS_LOCAL_CHOOSE);
    }
    case CFolderTreeCtrl::MARK_OTHER_KIND:
        return LoadResString(IDS_STATUS_CANNOT);
    case CFolderTreeCtrl::MARK_ASSOCIATED:
        return LoadResString(globalSide ? IDS_STATUS_GLOBAL_LINKED : IDS_STATUS_LOCAL_LINKED);
    default:
        return {};
    }
}

void CDlgProfileEdit::ShowStatus(bool globalSide) { SetItemText(IDC_STATUS_TEXT, StatusText(globalSide)); }

void CDlgProfileEdit::OnTreeFocus(Focus tree, bool focus)
{
    if (focus) {
        m_focus = tree;
        ShowStatus(tree == Focus::GlobalTree);
    } else {
        if (m_focus == tree)
            m_focus = Focus::None;
        SetItemText(IDC_STATUS_TEXT, "");
    }
    UpdateButtons();
}

void CDlgProfileEdit::OnListFocus(bool focus)
{
    if (focus) {
        m_focus = Focus::List;
        SetItemText(IDC_STATUS_TEXT, LoadResString(IDS_STATUS_LIST));
    } else {
        if (m_focus == Focus::List)
            m_focus = Focus::None;
        SetItemText(IDC_STATUS_TEXT, "");
    }
    UpdateButtons();
}

void CDlgProfileEdit::OnAssociate()
{
    const HTREEITEM local = m_treeLocal.GetSelectedItem();
    const HTREEITEM global = m_treeGlobal.GetSelectedItem();
    const CFolderItemData* destination = m_treeLocal.GetFolderData(local);
    const CFolderItemData* source = m_treeGlobal.GetFolderData(global);
    if (!destination || !source || m_treeLocal.GetItemStateImage(local) != CFolderTreeCtrl::MARK_ASSOCIABLE ||
        m_treeGlobal.GetItemStateImage(global) != CFolderTreeCtrl::MARK_ASSOCIABLE)
        return;
    HRESULT hr = S_OK;
    try {
        hr = destination->m_pFolder->put_Source(source->m_pFolder.get());
    } catch (const CComError& error) {
        hr = error.Error();
    }
    if (FAILED(hr)) {
        ShowFailure(IDS_ASSOCIATE_FAILED, hr);
        return;
    }
    m_bChanged = true;
    m_treeLocal.SetItemStateImage(local, CFolderTreeCtrl::MARK_ASSOCIATED);
    m_treeGlobal.SetItemStateImage(global, CFolderTreeCtrl::MARK_ASSOCIATED);
    for (int row : m_lstLinks.GetSelectedRows())
        m_lstLinks.SetItemSelected(row, false);
    m_lstLinks.AddFolderLinks(m_treeLocal.ItemPath(local), destination->m_pFolder.get(), m_treeGlobal.ItemPath(global),
                              source->m_pFolder.get());
    UpdateMarks();
    ShowStatus(m_focus == Focus::GlobalTree);
}

void CDlgProfileEdit::OnDeleteAssociation()
{
    const std::vector<int> rows = m_lstLinks.GetSelectedRows();
    if (rows.empty())
        return;
    std::vector<std::string> keys;
    for (int row : rows)
        keys.push_back(m_lstLinks.GetItemKey(row));
    for (const std::string& key : keys) {
        if (MessageBox(LoadResString(IDS_ASK_DISSOCIATE), MB_YESNO | MB_ICONQUESTION) != IDYES)
            break;
        HRESULT hr = S_OK;
        try {
            hr = ClearFolderAssociation(m_treeLocal.GetStore(), key);
        } catch (const CComError& error) {
            hr = error.Error();
        }
        if (FAILED(hr)) {
            ShowFailure(IDS_DISSOCIATE_FAILED, hr);
            continue;
        }
        m_bChanged = true;
        const auto pair = m_lstLinks.KeyPairs().find(key);
        const std::string sourceKey = pair == m_lstLinks.KeyPairs().end() ? std::string() : pair->second;
        m_treeGlobal.SelectFolderByKey(m_treeGlobal.GetRootItem(), sourceKey);
        m_treeLocal.SelectFolderByKey(m_treeLocal.GetRootItem(), key);
        m_lstLinks.DeleteItem(m_lstLinks.FindItemByKey(key));
        m_lstLinks.RelayoutFolderLinks();
    }
    UpdateMarks();
    if (m_lstLinks.GetItemCount() > 0) {
        const int row = std::min(rows.front(), m_lstLinks.GetItemCount() - 1);
        for (int other : m_lstLinks.GetSelectedRows())
            m_lstLinks.SetItemSelected(other, false);
        m_lstLinks.SetItemSelected(row, true);
        m_lstLinks.SetItemFocused(row);
        m_lstLinks.EnsureVisible(row);
    }
    GotoDlgCtrl(IDC_FOLDER_LINKS);
    UpdateButtons();
}

void CDlgProfileEdit::OnListActivated(int row)
{
    if (!m_lstLinks.IsRow(row))
        return;
    const std::string key = m_lstLinks.GetItemKey(row);
    try {
        if (m_treeLocal.ShowFolderByKey(key)) {
            const auto pair = m_lstLinks.KeyPairs().find(key);
            if (pair != m_lstLinks.KeyPairs().end())
                m_treeGlobal.ShowFolderByKey(pair->second);
            m_treeLocal.SetFocus();
        }
    } catch (const CComError& error) {
        ShowFailure(IDS_TREE_NOT_FILLED, error.Error());
    }
}

void CDlgProfileEdit::OnAdvanced()
{
    if (!m_runAdvanced)
        return;
    if (m_runAdvanced(m_pProfiles.get(), m_pProfile.get()))
        m_bChanged = true;
    LoadProfile();
}

std::string CDlgProfileEdit::DestinationOfSource(const std::string& sourceKey) const
{
    for (const auto& [destination, source] : m_lstLinks.KeyPairs())
        if (source == sourceKey)
            return destination;
    return {};
}

std::string CDlgProfileEdit::LinkPath(const std::string& destinationKey, bool local) const
{
    return local ? m_lstLinks.FullLocalPath(destinationKey) : m_lstLinks.FullGlobalPath(destinationKey);
}

void CDlgProfileEdit::SetLinkPath(const std::string& destinationKey, bool local, const std::string& path)
{
    m_lstLinks.SetFullPath(destinationKey, local, path);
}
