#include "DlgOptions.h"

#include "DialogResource.h"
#include "OrvApp.h"
#include "ToolStrings.h"

#include <cstdlib>

CDlgOptions::CDlgOptions(COrvApp& app) : COrvDialog(IDD_OPTIONS, IDS_OPTIONS_CAPTION), m_app(app) {}

std::vector<CDlgOptions::DelayEntry> CDlgOptions::LoadDelayEntries()
{
    std::vector<DelayEntry> entries;
    for (UINT id = IDS_DELAY_FIRST; id <= IDS_DELAY_LAST; ++id) {
        std::string text = LoadResString(id);
        if (text.empty())
            break;
        const std::size_t blank = text.find(' ');
        const int minutes = blank == std::string::npos ? 0 : std::atoi(text.substr(0, blank).c_str());
        entries.push_back({std::move(text), minutes});
    }
    return entries;
}

POINT CDlgOptions::PlaceBeside(const RECT& parentWindow) { return {parentWindow.left + 30, parentWindow.top + 50}; }

BOOL CDlgOptions::OnInitDialog()
{
    AddItem(WC_BUTTONA, IDC_AUTOSTART_GROUP, LoadResString(IDS_OPTIONS_AUTOSTART), BS_GROUPBOX);
    AddItem(WC_BUTTONA, IDC_SYNC_ON_START, LoadResString(IDS_OPTIONS_ON_START), BS_AUTOCHECKBOX | WS_TABSTOP);
    AddItem(WC_STATICA, IDC_DELAY_LABEL, LoadResString(IDS_OPTIONS_DELAY));
    AddItem(WC_BUTTONA, IDC_SYNC_ON_QUIT, LoadResString(IDS_OPTIONS_ON_QUIT), BS_AUTOCHECKBOX | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDC_SYNC_GROUP, LoadResString(IDS_OPTIONS_SYNC), BS_GROUPBOX);
    AddItem(WC_BUTTONA, IDC_QUERY_DELETE, LoadResString(IDS_OPTIONS_QUERY_DELETE), BS_AUTOCHECKBOX | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_BUTTON_OK), BS_DEFPUSHBUTTON | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDCANCEL, LoadResString(IDS_BUTTON_CANCEL), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDC_ACCEPT, LoadResString(IDS_OPTIONS_ACCEPT), WS_TABSTOP);
    AddItem(WC_BUTTONA, IDHELP_BUTTON, LoadResString(IDS_BUTTON_HELP), WS_TABSTOP);

    SetCheck(IDC_SYNC_ON_START, m_app.m_bSyncOnOutlookStart);
    SetCheck(IDC_SYNC_ON_QUIT, m_app.m_bSyncOnOutlookQuit);
    SetCheck(IDC_QUERY_DELETE, m_app.m_bQueryDelete);
    m_bDelayEnabled = IsChecked(IDC_SYNC_ON_START);

    m_delays = LoadDelayEntries();
    m_nDelaySel = m_delays.empty() ? -1 : 0;
    for (std::size_t i = 0; i < m_delays.size(); ++i)
        if (m_delays[i].minutes * 60 == m_app.m_nSyncOnOutlookStartDelay) {
            m_nDelaySel = static_cast<int>(i);
            break;
        }
    DelayChanged();
    EnableItem(IDC_ACCEPT, false);
    return TRUE;
}

BOOL CDlgOptions::OnCommand(int id, int code)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_SYNC_ON_START:
            EnableItem(IDC_ACCEPT, true);
            EnableDelay(IsChecked(IDC_SYNC_ON_START));
            return TRUE;
        case IDC_SYNC_ON_QUIT:
        case IDC_QUERY_DELETE:
            EnableItem(IDC_ACCEPT, true);
            return TRUE;
        case IDC_ACCEPT:
            ApplySettings();
            return TRUE;
        case IDHELP_BUTTON:
            ShowHelp(HIDD_OPTIONS);
            return TRUE;
        default:
            break;
        }
    }
    return COrvDialog::OnCommand(id, code);
}

void CDlgOptions::SelectDelay(int index)
{
    if (index < 0 || index >= static_cast<int>(m_delays.size()) || index == m_nDelaySel)
        return;
    m_nDelaySel = index;
    DelayChanged();
    EnableItem(IDC_ACCEPT, true);
}

void CDlgOptions::EnableDelay(bool enable)
{
    m_bDelayEnabled = enable;
    DelayChanged();
}

void CDlgOptions::DelayChanged()
{
    if (m_onDelayChanged)
        m_onDelayChanged();
}

void CDlgOptions::ApplySettings()
{
    m_app.m_bSyncOnOutlookStart = IsChecked(IDC_SYNC_ON_START);
    m_app.m_bSyncOnOutlookQuit = IsChecked(IDC_SYNC_ON_QUIT);
    m_app.m_bQueryDelete = IsChecked(IDC_QUERY_DELETE);
    if (m_nDelaySel >= 0)
        m_app.m_nSyncOnOutlookStartDelay = m_delays[static_cast<std::size_t>(m_nDelaySel)].minutes * 60;
    m_app.SaveSettings();
    EnableItem(IDC_ACCEPT, false);
}

void CDlgOptions::OnOK()
{
    ApplySettings();
    EndDialog(IDOK);
}
