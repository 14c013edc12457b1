// The About box on the screen: the banner above, the program's icon, its lines and two links.
#pragma once

#include "DialogBinding.h"
#include "DlgAppAbout.h"
#include "LinkStaticCtrl.h"

#include <wx/dialog.h>

class CDlgAppAboutWnd : public wxDialog {
public:
    CDlgAppAboutWnd(wxWindow* parent, CDlgAppAbout& dialog);
    int RunModal() { return m_binding.RunModal(); }

    CLinkStaticCtrl* InfoLink() const { return m_info; }
    CLinkStaticCtrl* ContactLink() const { return m_contact; }

private:
    CDialogBinding m_binding;
    CLinkStaticCtrl* m_info = nullptr;
    CLinkStaticCtrl* m_contact = nullptr;
};
