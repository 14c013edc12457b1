// The Delete Profile confirmation on the screen.
#pragma once

#include "DialogBinding.h"
#include "DlgProfileDelete.h"

#include <wx/dialog.h>

class CDlgProfileDeleteWnd : public wxDialog {
public:
    CDlgProfileDeleteWnd(wxWindow* parent, CDlgProfileDelete& dialog);
    int RunModal() { return m_binding.RunModal(); }

private:
    CDialogBinding m_binding;
};
