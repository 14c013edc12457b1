#include "DlgProfileCreate.h"

#include "DialogResource.h"
#include "ErrorText.h"
#include "ProfileLookup.h"
#include "StoreFilePath.h"
#include "ToolStrings.h"
#include "base/WaitCursor.h"

#include "base/Window.h"
#include "com/ComBstr.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kStepCount = 3;

} // namespace

CDlgProfileCreate::CDlgProfileCreate(ISyncEngine* engine, std::set<std::string> usedKeys, std::string& newName)
    : COrvDialog(IDD_PROFILE_CREATE, IDS_CREATE_CAPTION), m_pEngine(engine), m_usedKeys(std::move(usedKeys)),
      m_strNewName(newName)
{
    m_lstLocal.m_onItemChanged = [this](const CCheckListCtrl::Change& change) { OnLocalChanged(change); };
    m_lstGlobal.m_onItemChanged = [this](const CCheckListCtrl::Change& change) { OnGlobalChanged(change); };
}

const std::vector<int>& CDlgProfileCreate::StepControls(int step)
{
    static const std::vector<int> steps[kStepCount] = {
        {IDC_LOCAL_STORES, IDC_LOCAL_CAPTION, IDC_STEP1_GROUP, IDC_STEP1_TEXT, IDC_STEP1_WARNING},
        {IDC_GLOBAL_STORES, IDC_GLOBAL_CAPTION, IDC_STEP2_GROUP, IDC_STEP2_TEXT, IDC_STEP2_WARNING},
        {IDC_PROFILE_NAME, IDC_STEP3_ICON, IDC_NAME_CAPTION, IDC_STEP3_GROUP, IDC_STEP3_TEXT, IDC_STEP3_TEXT2,
         IDC_STEP3_WARNING},
    };
    return steps[std::clamp(step, 1, kStepCount) - 1];
}

std::string CDlgProfileCreate::LocalKey(int row) const
{
    const auto it = m_localKeys.find(row);
    return it == m_localKeys.end() ? std::string() : it->second;
}

std::string CDlgProfileCreate::GlobalKey(int row) const
{
    const auto it = m_globalKeys.find(row);
    return it == m_globalKeys.end() ? std::string() : it->second;
}

BOOL CDlgProfileCreate::OnInitDialog()
{
    AddItem(WC_STATICA, IDC_LOCAL_CAPTION, LoadResString(IDS_CREATE_LOCAL));
    AddItem(WC_STATICA, IDC_GLOBAL_CAPTION, LoadResString(IDS_CREATE_GLOBAL));
    AddItem(WC_STATICA, IDC_NAME_CAPTION, LoadResString(IDS_CREATE_NAME));
    AddItem(WC_EDITA, IDC_PROFILE_NAME, "", WS_TABSTOP);
    AddItem(WC_BUTTONA, IDC_STEP1_GROUP, LoadResString(IDS_CREATE_STEP1), BS_GROUPBOX);
    AddItem(WC_BUTTONA, IDC_STEP2_GROUP, LoadResString(IDS_CREATE_STEP2), BS_GROUPBOX);
    AddItem(WC_BUTTONA, IDC_STEP3_GROUP, LoadResString(IDS_CREATE_STEP3), BS_GROUPBOX);
    AddItem(WC_STATICA, IDC_STEP1_TEXT, LoadResString(IDS_CREATE_STEP1_TEXT));
    AddItem(WC_STATICA, IDC_STEP2_TEXT, LoadResString(IDS_CREATE_STEP2_TEXT));
    AddItem(WC_STATICA, IDC_STEP3_TEXT, LoadResString(IDS_CREATE_STEP3_TEXT));
    AddItem(WC_STATICA, IDC_STEP3_TEXT2, LoadResString(IDS_CREATE_STEP3_TEXT2));
    AddItem(WC_STATICA, IDC_STEP1_WARNING, "");
    AddItem(WC_STATICA, IDC_STEP2_WARNING, "");
    AddItem(WC_STATICA, IDC_STEP3_WARNING, "");
    AddItem(WC_STATICA, IDC_WARNING_ICON, "");
    AddItem(WC_STATICA, IDC_STEP3_ICON, "");
    AddItem(WC_BUTTONA, IDC_BACK, LoadResString(IDS_CREATE_BACK), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_CREATE_NEXT), BS_DEFPUSHBUTTON | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDCANCEL, LoadResString(IDS_BUTTON_CANCEL), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDHELP_BUTTON, LoadResString(IDS_BUTTON_HELP), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDC_NEXT, LoadResString(IDS_CREATE_NEXT));
    AddItem(WC_BUTTONA, IDC_FINISH, LoadResString(IDS_CREATE_FINISH));
    AddItem(WC_EDITA, IDC_STEP, "");
    ShowItem(IDC_NEXT, false);
    ShowItem(IDC_FINISH, false);
    ShowItem(IDC_STEP, false);

    m_lstLocal.InsertColumn(0, LoadResString(IDS_COLUMN_NAME), 177);
    m_lstLocal.InsertColumn(1, LoadResString(IDS_COLUMN_FILE), 140);
    m_lstGlobal.InsertColumn(0, LoadResString(IDS_COLUMN_NAME), 177);
    m_lstGlobal.InsertColumn(1, LoadResString(IDS_COLUMN_FILE), 140);
    ShowStep(1);
    PostMessageA(m_hWnd, WMU_LOAD_STORES, 0, 0);
    return TRUE;
}

BOOL CDlgProfileCreate::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    if (message != WMU_LOAD_STORES)
        return FALSE;
    result = 0;
    CWaitCursor wait;
    if (!LoadStores())
        EndDialog(IDCANCEL);
    return TRUE;
}

BOOL CDlgProfileCreate::OnCommand(int id, int code)
{
    if (id == IDC_BACK && code == BN_CLICKED) {
        if (m_nStep > 1)
            ShowStep(m_nStep - 1);
        return TRUE;
    }
    if (id == IDHELP_BUTTON && code == BN_CLICKED) {
        ShowHelp(HIDD_PROFILE_CREATE);
        return TRUE;
    }
    if (id == IDC_PROFILE_NAME && code == EN_CHANGE) {
        OnNameChanged();
        return TRUE;
    }
    return COrvDialog::OnCommand(id, code);
}

HRESULT CDlgProfileCreate::LoadStoreList(IStores* stores, CCheckListCtrl& list, std::map<int, std::string>& keys)
{
    CEnginePtr<IStores> collection(stores);
    LONG count = 0;
    HRESULT hr = collection->get_Count(&count);
    std::set<std::string> seen;
    for (LONG i = 1; SUCCEEDED(hr) && i <= count; ++i) {
        CEnginePtr<IStore> store;
        hr = collection->get_Items(i, store.put());
        ComBstr key, name, entryId;
        if (SUCCEEDED(hr))
            hr = store->get_RecordKey(key.put());
        if (FAILED(hr))
            break;
        // The engine may list a store twice (in two MAPI profiles); it is shown once.
        if (!seen.insert(key.Utf8()).second)
            continue;
        hr = store->get_StoreName(name.put());
        if (SUCCEEDED(hr))
            hr = store->get_EntryID(entryId.put());
        if (FAILED(hr))
            break;
        const int row = list.InsertItem(list.GetItemCount(), name.Utf8());
        list.SetCheckImage(row, m_usedKeys.contains(key.Utf8()) ? 1 : 0);
        list.SetItemData(row, i);
        list.SetItemText(row, 1, GetStoreFilePathFromEntryId(entryId.Utf8()));
        keys[row] = key.Utf8();
    }
    return hr;
}

bool CDlgProfileCreate::LoadStores()
{
    HRESULT hr = S_OK;
    try {
        CEnginePtr<IProfiles> profiles;
        hr = m_pEngine->get_Profiles(profiles.put());
        if (SUCCEEDED(hr))
            hr = GetProfileNames(profiles.get(), m_existingNames);
        CEnginePtr<IStores> stores;
        if (SUCCEEDED(hr))
            hr = m_pEngine->get_Destinations(stores.put());
        if (SUCCEEDED(hr))
            hr = LoadStoreList(stores.get(), m_lstLocal, m_localKeys);
        stores.Release();
        if (SUCCEEDED(hr))
            hr = m_pEngine->get_Sources(stores.put());
        if (SUCCEEDED(hr))
            hr = LoadStoreList(stores.get(), m_lstGlobal, m_globalKeys);
    } catch (const CComError& error) {
        hr = error.Error();
    }
    if (FAILED(hr)) {
        MessageBox(FailureText(IDS_STORE_NOT_LOADED, hr), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    ShowStep(m_nStep);
    return true;
}

void CDlgProfileCreate::ShowStep(int step)
{
    m_nStep = std::clamp(step, 1, kStepCount);
    char number[16];
    std::snprintf(number, sizeof(number), "%i", m_nStep);
    SetItemText(IDC_STEP, number);
    EnableItem(IDC_BACK, m_nStep > 1);
    SetItemText(IDOK, GetItemText(m_nStep < kStepCount ? IDC_NEXT : IDC_FINISH));
    for (int other = 1; other <= kStepCount; ++other)
        if (other != m_nStep)
            for (int id : StepControls(other))
                ShowItem(id, false);
    if (m_nStep == kStepCount)
        ProposeName(); // checks the name too
    for (int id : StepControls(m_nStep))
        ShowItem(id, true);
    if (m_nStep == 1) {
        EnableItem(IDOK, m_lstLocal.IsSelectedFree());
        GotoDlgCtrl(IDC_LOCAL_STORES);
    } else if (m_nStep == 2) {
        EnableItem(IDOK, m_lstGlobal.IsSelectedFree());
        GotoDlgCtrl(IDC_GLOBAL_STORES);
    } else {
        GotoDlgCtrl(IDOK);
    }
    UpdateWarningIcon();
}

void CDlgProfileCreate::ProposeName()
{
    const std::string word = LoadResString(IDS_PROFILE_WORD);
    for (int n = 1;; ++n) {
        char proposal[512];
        std::snprintf(proposal, sizeof(proposal), "%s %i", word.c_str(), n);
        if (std::find(m_existingNames.begin(), m_existingNames.end(), proposal) == m_existingNames.end()) {
            SetItemText(IDC_PROFILE_NAME, proposal);
            return;
        }
    }
}

void CDlgProfileCreate::OnLocalChanged(const CCheckListCtrl::Change& change)
{
    if (!((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
        return;
    if (m_nStep == 1)
        EnableItem(IDOK, m_lstLocal.IsSelectedFree());
    MarkGlobalStores();
    UpdateWarnings();
}

void CDlgProfileCreate::OnGlobalChanged(const CCheckListCtrl::Change& change)
{
    if (!((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
        return;
    if (m_nStep == 2)
        EnableItem(IDOK, m_lstGlobal.IsSelectedFree());
    UpdateWarnings();
}

void CDlgProfileCreate::MarkGlobalStores()
{
    const std::string localKey = LocalKey(m_lstLocal.GetSelectedItem());
    for (int row = 0; row < m_lstGlobal.GetItemCount(); ++row) {
        const std::string key = GlobalKey(row);
        int mark = m_usedKeys.contains(key) ? 1 : 0;
        if (!localKey.empty() && key == localKey)
            mark = 2;
        m_lstGlobal.SetCheckImage(row, mark);
    }
}

void CDlgProfileCreate::UpdateWarnings()
{
    const int local = m_lstLocal.GetSelectedItem();
    SetItemText(IDC_STEP1_WARNING, local >= 0 && m_lstLocal.HasMark(local) ? LoadResString(IDS_STORE_IN_USE) : "");
    const int global = m_lstGlobal.GetSelectedItem();
    const int mark = global >= 0 ? m_lstGlobal.GetCheckImage(global) : 0;
    SetItemText(IDC_STEP2_WARNING, mark == 1   ? LoadResString(IDS_STORE_IN_USE)
                                   : mark == 2 ? LoadResString(IDS_STORE_CHOSEN)
                                               : std::string());
    UpdateWarningIcon();
}

void CDlgProfileCreate::UpdateWarningIcon()
{
    static const int warnings[kStepCount] = {IDC_STEP1_WARNING, IDC_STEP2_WARNING, IDC_STEP3_WARNING};
    ShowItem(IDC_WARNING_ICON, !GetItemText(warnings[m_nStep - 1]).empty());
}

void CDlgProfileCreate::OnNameChanged()
{
    if (m_nStep != kStepCount)
        return;
    EnableItem(IDOK, true);
    const std::string name = GetItemText(IDC_PROFILE_NAME);
    std::string warning;
    if (std::find(m_existingNames.begin(), m_existingNames.end(), name) != m_existingNames.end())
        warning = LoadResString(IDS_NAME_IN_USE);
    else if (name.empty())
        warning = LoadResString(IDS_NAME_EMPTY);
    if (!warning.empty())
        EnableItem(IDOK, false);
    SetItemText(IDC_STEP3_WARNING, warning);
    UpdateWarningIcon();
}

void CDlgProfileCreate::OnOK()
{
    if (m_nStep < kStepCount) {
        ShowStep(m_nStep + 1);
        return;
    }
    if (CreateProfile())
        EndDialog(IDOK);
}

bool CDlgProfileCreate::CreateProfile()
{
    HRESULT hr = S_OK;
    try {
        CEnginePtr<IProfiles> profiles;
        CEnginePtr<IProfile> profile;
        hr = m_pEngine->get_Profiles(profiles.put());
        if (SUCCEEDED(hr))
            hr = profiles->get_Items(-1, profile.put());
        if (SUCCEEDED(hr)) {
            m_strNewName = GetItemText(IDC_PROFILE_NAME);
            hr = profile->put_Name(ComBstr(m_strNewName));
        }
        CEnginePtr<IStores> stores;
        CEnginePtr<IStore> store;
        if (SUCCEEDED(hr))
            hr = m_pEngine->get_Destinations(stores.put());
        if (SUCCEEDED(hr))
            hr = stores->get_Items(static_cast<LONG>(m_lstLocal.GetItemData(m_lstLocal.GetSelectedItem())), store.put());
        if (SUCCEEDED(hr))
            hr = profile->put_Destination(store.get());
        stores.Release();
        store.Release();
        if (SUCCEEDED(hr))
            hr = m_pEngine->get_Sources(stores.put());
        if (SUCCEEDED(hr))
            hr = stores->get_Items(static_cast<LONG>(m_lstGlobal.GetItemData(m_lstGlobal.GetSelectedItem())),
                                   store.put());
        if (SUCCEEDED(hr))
            hr = profile->put_Source(store.get());
        if (SUCCEEDED(hr))
            hr = profiles->Add(profile.get());
    } catch (const CComError& error) {
        hr = error.Error();
    }
    if (FAILED(hr)) {
        MessageBox(FailureText(IDS_CREATE_FAILED, hr), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}
