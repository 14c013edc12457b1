#include "DlgProfileRename.h"

#include "DialogResource.h"
#include "ToolStrings.h"

#include "com/ComBstr.h"

#include <algorithm>

CDlgProfileRename::CDlgProfileRename(std::vector<std::string> listNames, IProfiles* profiles, IProfile* profile)
    : COrvDialog(IDD_PROFILE_RENAME, IDS_RENAME_CAPTION), m_listNames(std::move(listNames)), m_pProfiles(profiles),
      m_pProfile(profile)
{
}

BOOL CDlgProfileRename::OnInitDialog()
{
    AddItem(WC_STATICA, IDC_RENAME_LABEL, LoadResString(IDS_RENAME_LABEL));
    AddItem(WC_EDITA, IDC_RENAME_NAME, "", WS_TABSTOP);
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_BUTTON_OK), BS_DEFPUSHBUTTON | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDCANCEL, LoadResString(IDS_BUTTON_CANCEL), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDHELP_BUTTON, LoadResString(IDS_BUTTON_HELP), WS_TABSTOP);
    SendDlgItemMessageA(m_hWnd, IDC_RENAME_NAME, EM_LIMITTEXT, kMaxName, 0);
    EnableItem(IDOK, false);
    GotoDlgCtrl(IDC_RENAME_NAME);
    return FALSE; // the focus is set
}

BOOL CDlgProfileRename::OnCommand(int id, int code)
{
    if (id == IDC_RENAME_NAME && code == EN_CHANGE) {
        EnableItem(IDOK, !GetItemText(IDC_RENAME_NAME).empty());
        return TRUE;
    }
    if (id == IDHELP_BUTTON && code == BN_CLICKED) {
        ShowHelp(HIDD_PROFILE_RENAME);
        return TRUE;
    }
    return COrvDialog::OnCommand(id, code);
}

void CDlgProfileRename::OnOK()
{
    std::string name = GetItemText(IDC_RENAME_NAME);
    if (name.empty())
        return;
    if (std::find(m_listNames.begin(), m_listNames.end(), name) != m_listNames.end()) {
        MessageBox(LoadResString(IDS_NAME_EXISTS), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    HRESULT hr = S_OK;
    try {
        // Put the stores back as they are; a saved profile keeps its own and refuses this
        // harmlessly.
        CEnginePtr<IStore> store;
        if (SUCCEEDED(m_pProfile->get_Source(store.put())))
            m_pProfile->put_Source(store.get());
        store.Release();
        if (SUCCEEDED(m_pProfile->get_Destination(store.put())))
            m_pProfile->put_Destination(store.get());
        hr = m_pProfile->put_Name(ComBstr(name));
        if (SUCCEEDED(hr))
            hr = m_pProfiles->Add(m_pProfile.get());
    } catch (const CComError& error) {
        hr = error.Error();
    }
    if (FAILED(hr)) {
        MessageBox(LoadResString(IDS_RENAME_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_strNewName = std::move(name);
    EndDialog(IDOK);
}
