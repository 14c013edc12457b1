// A toolkit dialog over a display-free dialog (COrvDialog): the dialog's platform window is the
// toolkit window's, the toolkit controls show the dialog items of the same ids (texts, checks,
// enabling, and which are shown), and the dialog's end ends the toolkit dialog. Lists, trees and
// other controls that are no dialog items are registered too, so that they are shown, hidden and
// focused by their ids.
#pragma once

#include "OrvDialog.h"

#include "ui/WindowBinding.h"

#include <wx/dialog.h>

#include <map>
#include <memory>

class CDialogBinding {
public:
    CDialogBinding(wxDialog* window, COrvDialog& dialog);
    ~CDialogBinding();
    CDialogBinding(const CDialogBinding&) = delete;
    CDialogBinding& operator=(const CDialogBinding&) = delete;

    // A control for the item (or the list, tree...) of that id.
    void Add(int id, wxWindow* control);
    wxWindow* Control(int id) const;
    // Binds the platform window, initialises the dialog and shows its items in the controls.
    bool Start();
    // Shows the dialog modally unless it has ended already; its result.
    int RunModal();

private:
    void ShowItem(int id, bool show);

    wxDialog* m_window;
    COrvDialog& m_dialog;
    std::map<int, wxWindow*> m_controls;
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
    std::shared_ptr<bool> m_alive;
};
