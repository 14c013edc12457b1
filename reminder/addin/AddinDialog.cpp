#include "AddinDialog.h"

#include "ModuleInstance.h"
#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/ListView.h"
#include "base/MessageBox.h"
#include "base/UiLanguage.h"
#include "base/Window.h"

#include <vector>

namespace {

CAddinDialog::ModalPresenter& Presenter()
{
    static CAddinDialog::ModalPresenter presenter;
    return presenter;
}

} // namespace

CAddinDialog::CAddinDialog(const DialogTemplate& layout) : m_layout(&layout), m_templateId(layout.id)
{
    for (const DialogControl& control : layout.controls)
        if (control.hidden)
            m_hidden.insert(control.id);
}

CAddinDialog::CAddinDialog(UINT templateId) : m_templateId(templateId) {}

CAddinDialog::~CAddinDialog()
{
    if (m_view)
        m_view->OnModelGone();
    // The window goes with its object, without its message map (the derived part is gone).
    m_detached = true;
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

HINSTANCE CAddinDialog::ResourceModule() const
{
    return ModuleInstance();
}

void CAddinDialog::SetModalPresenter(ModalPresenter presenter)
{
    Presenter() = std::move(presenter);
}

bool CAddinDialog::IsMade(const DialogControl& control)
{
    return control.onlyLanguage == 0 || control.onlyLanguage == GetThreadUILanguage();
}

std::string CAddinDialog::ControlText(const DialogControl& control)
{
    return control.textId ? LoadAddinString(control.textId) : std::string();
}

std::string CAddinDialog::TemplateCaption() const
{
    return m_layout && m_layout->captionId ? LoadAddinString(m_layout->captionId) : std::string();
}

HWND CAddinDialog::Create(HWND parent, const std::string& caption)
{
    if (parent == GetDesktopWindow())
        parent = nullptr;
    m_ended = false;
    m_result = 0;
    m_hWnd = platform::CreateMessageWindow(
        "#32770", caption,
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(hwnd, message, wParam, lParam); },
        parent, nullptr, WS_POPUP);
    if (!m_hWnd)
        return nullptr;
    const HWND hwnd = m_hWnd;
    SendMessageA(hwnd, WM_INITDIALOG, 0, 0);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

INT_PTR CAddinDialog::DoModal(HWND owner)
{
    return DoModal(owner, TemplateCaption());
}

INT_PTR CAddinDialog::DoModal(HWND owner, const std::string& caption)
{
    if (!Create(owner, caption))
        return -1;
    INT_PTR result = IDCANCEL;
    if (m_ended)
        result = m_result; // ended while it was set up
    else if (Presenter())
        result = Presenter()(*this, owner);
    else if (const AddinViewHooks* views = AddinViews())
        result = views->runModal(*this, owner);
    else
        result = RunWithoutDisplay();
    if (m_ended)
        result = m_result;
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return result;
}

INT_PTR CAddinDialog::RunWithoutDisplay()
{
    platform::PromptRecord record;
    record.kind = platform::PromptKind::Dialog;
    record.caption = GetTitle();
    int id = IDCANCEL;
    if (const std::optional<platform::Answer> answer = platform::TakeAnswer(platform::PromptKind::Dialog, record.caption)) {
        id = answer->ButtonId();
        record.queued = true;
    }
    SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_hWnd, id)));
    // A dialog that does not end on its own button is cancelled: nobody is there to answer.
    if (!m_ended && id != IDCANCEL && m_hWnd)
        SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_hWnd, IDCANCEL)));
    if (!m_ended)
        EndDialog(IDCANCEL);
    record.answer = static_cast<int>(m_result);
    platform::RecordPrompt(record);
    return m_result;
}

void CAddinDialog::EndDialog(INT_PTR result)
{
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    if (m_view)
        m_view->OnEnd(result);
}

void CAddinDialog::CreateControls()
{
    if (!m_layout)
        return;
    for (const DialogControl& control : m_layout->controls) {
        if (control.id == IDC_STATIC || !IsMade(control))
            continue;
        const char* className = WC_BUTTONA;
        DWORD style = control.style;
        switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::BitmapButton: style |= BS_PUSHBUTTON | WS_TABSTOP; break;
        case ControlKind::DefPushButton: style |= BS_DEFPUSHBUTTON | WS_TABSTOP; break;
        case ControlKind::CheckBox: style |= BS_AUTOCHECKBOX | WS_TABSTOP; break;
        case ControlKind::RadioButton: style |= BS_AUTORADIOBUTTON | WS_TABSTOP; break;
        case ControlKind::GroupBox: style |= BS_GROUPBOX; break;
        case ControlKind::Edit: className = WC_EDITA; style |= WS_TABSTOP; break;
        case ControlKind::Static:
        case ControlKind::EtchedLine:
        case ControlKind::Icon:
        case ControlKind::Picture:
        case ControlKind::Frame: className = WC_STATICA; break;
        case ControlKind::Tree: continue; // the tree's own window
        case ControlKind::ListView: continue; // the list's own window
        case ControlKind::ComboBox: className = WC_COMBOBOXA; style |= WS_TABSTOP; break;
        }
        if (IsItemShown(control.id))
            style |= WS_VISIBLE;
        platform::CreateDialogItem(m_hWnd, className, control.id, ControlText(control), style);
    }
}

HWND CAddinDialog::AddItem(const char* className, int id, const std::string& text, DWORD style)
{
    return platform::CreateDialogItem(m_hWnd, className, id, text, style | WS_VISIBLE);
}

std::string CAddinDialog::ItemText(int id) const
{
    const HWND item = GetDlgItem(m_hWnd, id);
    if (!item)
        return {};
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void CAddinDialog::ShowItem(int id, bool show)
{
    if (const HWND item = GetDlgItem(m_hWnd, id))
        ShowWindow(item, show ? SW_SHOW : SW_HIDE);
    if (show == IsItemShown(id))
        return;
    if (show)
        m_hidden.erase(id);
    else
        m_hidden.insert(id);
    if (m_view)
        m_view->OnShowItem(id, show);
}

void CAddinDialog::SetTitle(const std::string& title)
{
    SetWindowTextA(m_hWnd, title.c_str());
}

std::string CAddinDialog::GetTitle() const
{
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(m_hWnd)) + 1, '\0');
    GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
    return text.data();
}

BOOL CAddinDialog::ReflectNotifications(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_NOTIFY || !lParam)
        return FALSE;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header->hwndFrom || !IsWindow(header->hwndFrom))
        return FALSE;
    result = SendMessageA(header->hwndFrom, OCM_NOTIFY, static_cast<WPARAM>(header->idFrom), lParam);
    return TRUE;
}

void CAddinDialog::OnFinalMessage(HWND) {}

LRESULT CAddinDialog::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_detached)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    ++m_dispatching;
    LRESULT result = 0;
    if (!ProcessWindowMessage(hwnd, message, wParam, lParam, result)) {
        if (message == WM_CLOSE)
            result = SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        else
            result = DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        if (hwnd == m_hWnd)
            m_hWnd = nullptr;
        m_finalPending = true;
    }
    if (--m_dispatching == 0 && m_finalPending) {
        m_finalPending = false;
        OnFinalMessage(hwnd); // may delete this
    }
    return result;
}
