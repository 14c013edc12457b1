#include "DlgProfileDelete.h"

#include "DialogResource.h"
#include "ErrorText.h"
#include "ProfileLookup.h"
#include "ToolStrings.h"


CDlgProfileDelete::CDlgProfileDelete(ISyncEngine* engine, std::string profileName)
    : COrvDialog(IDD_PROFILE_DELETE, IDS_DELETE_CAPTION), m_pEngine(engine), m_strProfileName(std::move(profileName))
{
}

BOOL CDlgProfileDelete::OnInitDialog()
{
    AddItem(WC_STATICA, IDC_DELETE_CONFIRM, LoadResString(IDS_DELETE_CONFIRM));
    AddItem(WC_EDITA, IDC_DELETE_NAME, "", ES_READONLY);
    AddItem(WC_STATICA, IDC_DELETE_WARNING, LoadResString(IDS_DELETE_WARNING));
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_BUTTON_OK), BS_DEFPUSHBUTTON | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDCANCEL, LoadResString(IDS_BUTTON_CANCEL), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDHELP_BUTTON, LoadResString(IDS_BUTTON_HELP), WS_TABSTOP);
    SetItemText(IDC_DELETE_NAME, m_strProfileName);
    return TRUE;
}

BOOL CDlgProfileDelete::OnCommand(int id, int code)
{
    if (id == IDHELP_BUTTON && code == BN_CLICKED) {
        ShowHelp(HIDD_PROFILE_DELETE);
        return TRUE;
    }
    return COrvDialog::OnCommand(id, code);
}

void CDlgProfileDelete::OnOK()
{
    HRESULT hr = S_OK;
    bool found = false;
    try {
        CEnginePtr<IProfiles> profiles;
        CEnginePtr<IProfile> profile;
        hr = m_pEngine->get_Profiles(profiles.put());
        if (SUCCEEDED(hr))
            hr = FindProfileByName(profiles.get(), m_strProfileName, profile);
        if (SUCCEEDED(hr) && profile) {
            found = true;
            hr = profiles->Remove(profile.get());
        }
    } catch (const CComError&) {
        // No engine: the sentence alone.
        MessageBox(LoadResString(IDS_DELETE_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (FAILED(hr)) {
        MessageBox(FailureText(IDS_DELETE_FAILED, hr), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!found) {
        MessageBox(LoadResString(IDS_DELETE_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EndDialog(IDOK);
}
