#include "DlgProfileRenameWnd.h"

#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"

CDlgProfileRenameWnd::CDlgProfileRenameWnd(wxWindow* parent, CDlgProfileRename& dialog)
    : wxDialog(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      m_binding(this, dialog)
{
    SetClientSize(DluSize(236, 62));
    m_binding.Add(IDC_RENAME_LABEL, DluStatic(this, IDC_RENAME_LABEL, 7, 10, 222, 10));
    m_binding.Add(IDC_RENAME_NAME, DluEdit(this, IDC_RENAME_NAME, 7, 22, 222, 14));
    wxButton* ok = DluButton(this, IDOK, 69, 42, 50, 14);
    ok->SetDefault();
    m_binding.Add(IDOK, ok);
    m_binding.Add(IDCANCEL, DluButton(this, IDCANCEL, 124, 42, 50, 14));
    m_binding.Add(IDHELP_BUTTON, DluButton(this, IDHELP_BUTTON, 179, 42, 50, 14));
    m_binding.Start();
    CentreOnParent();
}
