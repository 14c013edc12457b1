#include "DialogBinding.h"

#include "DialogScripts.h"

#include "base/Window.h"
#include "ui/DialogItemBinding.h"

#include <wx/statbmp.h>
#include <wx/statbox.h>

CDialogBinding::CDialogBinding(wxDialog* window, COrvDialog& dialog)
    : m_window(window), m_dialog(dialog), m_alive(std::make_shared<bool>(true))
{
}

CDialogBinding::~CDialogBinding()
{
    *m_alive = false;
    m_dialog.m_onEnd = nullptr;
    m_dialog.m_onShowItem = nullptr;
    m_dialog.m_onFocus = nullptr;
    m_dialog.m_onTitle = nullptr;
}

void CDialogBinding::Add(int id, wxWindow* control) { m_controls[id] = control; }

wxWindow* CDialogBinding::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CDialogBinding::ShowItem(int id, bool show)
{
    if (wxWindow* control = Control(id); control && control->IsShown() != show)
        control->Show(show);
}

bool CDialogBinding::Start()
{
    COrvDialog* dialog = &m_dialog;
    m_binding = platform::ui::WindowBinding::Attach(
        m_window, "#32770", [dialog, alive = m_alive](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            return *alive ? dialog->WindowProc(hwnd, message, wParam, lParam)
                          : DefWindowProcA(hwnd, message, wParam, lParam);
        });
    if (!m_binding)
        return false;
    m_dialog.m_onShowItem = [this](int id, bool show) { ShowItem(id, show); };
    m_dialog.m_onFocus = [this](int id) {
        if (wxWindow* control = Control(id))
            control->SetFocus();
    };
    m_dialog.m_onTitle = [this](const std::string& title) { m_window->SetTitle(wxString::FromUTF8(title)); };
    m_dialog.m_onEnd = [this](int result) {
        if (m_window->IsModal())
            m_window->EndModal(result);
        else
            m_window->Hide();
    };
    // Closing the window is the dialog's Cancel, as is Escape where no button has that id.
    m_window->Bind(wxEVT_CLOSE_WINDOW, [this, alive = m_alive](wxCloseEvent&) {
        if (*alive && m_dialog.GetSafeHwnd())
            SendMessageA(m_dialog.GetSafeHwnd(), WM_CLOSE, 0, 0);
    });
    m_dialog.Attach(m_binding->Handle());
    for (const auto& [id, control] : m_controls) {
        const HWND item = m_dialog.GetDlgItem(id);
        if (item && !platform::ui::BindDialogItem(item, control)) {
            // Group boxes and pictures: their text, enabling and place only.
            if (dynamic_cast<wxStaticBox*>(control))
                control->SetLabel(wxString::FromUTF8(m_dialog.GetItemText(id)));
            control->Enable(IsWindowEnabled(item) != FALSE);
        }
        control->Show(m_dialog.IsItemShown(id));
    }
    if (const int focus = m_dialog.GetFocusItem())
        if (wxWindow* control = Control(focus))
            control->SetFocus();
    m_window->SetTitle(wxString::FromUTF8(m_dialog.GetTitle()));
    return true;
}

int CDialogBinding::RunModal()
{
    if (!m_dialog.IsEnded()) {
        CDialogScripts::Shown(m_dialog, *m_window);
        m_window->ShowModal();
    }
    return m_dialog.IsEnded() ? m_dialog.GetResult() : IDCANCEL;
}
