#include "DlgUsername.h"

#include "ReminderEngine.h"
#include "RegKeyEx.h"
#include "TraceScope.h"
#include "base/DialogItems.h"
#include "base/Format.h"
#include "base/Window.h"

#include <string>
#include <vector>

namespace {

constexpr DialogControl kControls[] = {
    {ControlKind::Static, IDC_STATIC, IDS_USER_LABEL, 7, 10, 153, 8},
    {ControlKind::Edit, IDC_EDIT_USERNAME, 0, 7, 21, 153, 13},
    {ControlKind::DefPushButton, IDOK, IDS_USER_OK, 56, 65, 50, 14},
    {ControlKind::PushButton, IDCANCEL, IDS_USER_CANCEL, 110, 65, 50, 14},
};
constexpr DialogTemplate kTemplate{IDD_USERNAME, 167, 86, IDS_USER_CAPTION, kControls};

constexpr char kUserName[] = "UserName";

} // namespace

CDlgUsername::CDlgUsername() : CAddinDialog(kTemplate)
{
    TRACE_CTOR("CDlgUsername");
}

CDlgUsername::~CDlgUsername()
{
    TRACE_DTOR("CDlgUsername");
}

BOOL CDlgUsername::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (uMsg) {
    case WM_INITDIALOG: result = OnInitDialog(); return TRUE;
    case WM_DESTROY: result = OnDestroy(); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: OnCancel(); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

LRESULT CDlgUsername::OnInitDialog()
{
    TRACE_PROC("CDlgUsername::OnInitDialog");
    CreateControls();
    // "Lumivane Add-In - User" (the view centres the dialog on its owner).
    char caption[260] = {};
    wsprintfA(caption, "%s - ", "Lumivane Add-In");
    std::string title = caption + TemplateCaption();
    title.resize(std::min<std::size_t>(title.size(), sizeof caption - 1));
    SetTitle(title);

    CRegKeyEx key;
    if (key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, kUserName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size != 0 &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::vector<char> text(static_cast<std::size_t>(size) + 1, '\0');
            DWORD read = size;
            if (RegQueryValueExA(key, kUserName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read) ==
                ERROR_SUCCESS)
                SetDlgItemTextA(m_hWnd, IDC_EDIT_USERNAME, text.data());
        }
    }
    return TRUE;
}

LRESULT CDlgUsername::OnDestroy()
{
    TRACE_PROC("CDlgUsername::OnDestroy");
    return 0;
}

void CDlgUsername::OnOK()
{
    TRACE_PROC("CDlgUsername::OnOK");
    SendDlgItemMessageA(m_hWnd, IDC_EDIT_USERNAME, EM_SETMODIFY, FALSE, 0);
    const int length = GetWindowTextLengthA(GetDlgItem(m_hWnd, IDC_EDIT_USERNAME));
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    GetDlgItemTextA(m_hWnd, IDC_EDIT_USERNAME, text.data(), static_cast<int>(text.size()));
    CRegKeyEx key;
    // A registry failure is not reported: the dialog closes all the same.
    if (key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        key.SetStringValue(kUserName, text.data());
    EndDialog(IDOK);
}

void CDlgUsername::OnCancel()
{
    TRACE_PROC("CDlgUsername::OnCancel");
    EndDialog(IDCANCEL);
}
