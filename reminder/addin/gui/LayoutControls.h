// The toolkit controls of a dialog's layout: each control of the layout placed in dialog units
// on a toolkit window and bound to the dialog item of its id, so that the dialog's logic shows
// in it and the user's clicks and typing reach the logic. Texts the logic never addresses come
// from the string table of the dialog's module; the folder tree and the bitmap buttons are
// views of the dialog's own tree and button models.
#pragma once

#include "AddinViews.h"

#include <wx/window.h>

#include <map>

class CTreeCtrl;

class LayoutControls {
public:
    // Makes the controls of `model`'s layout on `parent`.
    LayoutControls(wxWindow* parent, IDialogModel& model);

    wxWindow* Control(int id) const;
    // Shows or hides the control of an item as the logic says.
    void ShowItem(int id, bool show);

    // The toolkit tree that shows a tree model (null: none); the zoom dialog borrows it.
    static wxWindow* TreeViewOf(const CTreeCtrl* model);

private:
    void Make(const DialogControl& control);

    wxWindow* m_parent;
    IDialogModel& m_model;
    std::map<int, wxWindow*> m_controls;
};

// A text of the module's string table.
wxString ModuleString(HINSTANCE module, UINT id);
