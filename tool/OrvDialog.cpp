#include "OrvDialog.h"

#include "OrvApp.h"
#include "ToolStrings.h"

#include "base/HtmlHelp.h"
#include "base/MessageBox.h"
#include "base/Window.h"

COrvDialog::COrvDialog(UINT nIDTemplate, UINT nCaptionId)
    : m_nIDTemplate(nIDTemplate), m_strTitle(LoadResString(nCaptionId))
{
}

COrvDialog::~COrvDialog()
{
    if (m_bOwnWindow && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

BOOL COrvDialog::Create(HWND parent)
{
    const HWND hwnd = platform::CreateMessageWindow(
        "#32770", m_strTitle,
        [this](HWND h, UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(h, message, wParam, lParam); },
        parent, nullptr, WS_POPUP | WS_VISIBLE);
    if (!hwnd)
        return FALSE;
    m_bOwnWindow = true;
    return Attach(hwnd);
}

BOOL COrvDialog::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    SetWindowTextA(m_hWnd, m_strTitle.c_str());
    SendMessageA(m_hWnd, WM_INITDIALOG, 0, 0);
    return TRUE;
}

LRESULT COrvDialog::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? 0 : 1;
    case WM_CLOSE:
        OnCancel();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        if (hwnd == m_hWnd)
            m_hWnd = nullptr;
        return 0;
    default:
        if (OnMessage(message, wParam, lParam, result))
            return result;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

BOOL COrvDialog::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return FALSE;
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL COrvDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

void COrvDialog::EndDialog(int nResult)
{
    m_bEnded = true;
    m_nResult = nResult;
    if (m_onEnd)
        m_onEnd(nResult);
}

HWND COrvDialog::GetDlgItem(int id) const { return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr; }

std::string COrvDialog::GetItemText(int id) const
{
    const HWND item = GetDlgItem(id);
    if (!item)
        return {};
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void COrvDialog::SetItemText(int id, const std::string& text) { SetDlgItemTextA(m_hWnd, id, text.c_str()); }

void COrvDialog::EnableItem(int id, bool enable)
{
    if (const HWND item = GetDlgItem(id))
        EnableWindow(item, enable ? TRUE : FALSE);
}

bool COrvDialog::IsItemEnabled(int id) const
{
    const HWND item = GetDlgItem(id);
    return item && IsWindowEnabled(item);
}

void COrvDialog::ShowItem(int id, bool show)
{
    if (show)
        m_hidden.erase(id);
    else
        m_hidden.insert(id);
    if (const HWND item = GetDlgItem(id))
        ShowWindow(item, show ? SW_SHOW : SW_HIDE);
    if (m_onShowItem)
        m_onShowItem(id, show);
}

bool COrvDialog::IsChecked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }

void COrvDialog::SetCheck(int id, bool check) { CheckDlgButton(m_hWnd, id, check ? BST_CHECKED : BST_UNCHECKED); }

void COrvDialog::ClickItem(int id) { SendDlgItemMessageA(m_hWnd, id, BM_CLICK, 0, 0); }

void COrvDialog::TypeItemText(int id, const std::string& text) { platform::TypeDialogItemText(GetDlgItem(id), text); }

void COrvDialog::GotoDlgCtrl(int id)
{
    m_nFocus = id;
    if (m_onFocus)
        m_onFocus(id);
}

HWND COrvDialog::AddItem(const char* className, int id, const std::string& text, DWORD style)
{
    return platform::CreateDialogItem(m_hWnd, className, id, text, style | WS_VISIBLE);
}

void COrvDialog::SetTitle(const std::string& title)
{
    m_strTitle = title;
    if (m_hWnd)
        SetWindowTextA(m_hWnd, title.c_str());
    if (m_onTitle)
        m_onTitle(title);
}

int COrvDialog::MessageBox(const std::string& text, UINT type)
{
    const COrvApp* app = COrvApp::Current();
    return MessageBoxA(m_hWnd, text.c_str(), app ? app->m_strAppName.c_str() : "Orvinta", type);
}

void COrvDialog::ShowHelp(DWORD context)
{
    const COrvApp* app = COrvApp::Current();
    if (app)
        HtmlHelpA(m_hWnd, app->m_strHelpFilePath.c_str(), HH_HELP_CONTEXT, context);
}
