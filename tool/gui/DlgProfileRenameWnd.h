// The Rename Profile dialog on the screen.
#pragma once

#include "DialogBinding.h"
#include "DlgProfileRename.h"

#include <wx/dialog.h>

class CDlgProfileRenameWnd : public wxDialog {
public:
    CDlgProfileRenameWnd(wxWindow* parent, CDlgProfileRename& dialog);
    int RunModal() { return m_binding.RunModal(); }

private:
    CDialogBinding m_binding;
};
