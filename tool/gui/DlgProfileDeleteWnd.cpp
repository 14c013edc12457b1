#include "DlgProfileDeleteWnd.h"

#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"

CDlgProfileDeleteWnd::CDlgProfileDeleteWnd(wxWindow* parent, CDlgProfileDelete& dialog)
    : wxDialog(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      m_binding(this, dialog)
{
    SetClientSize(DluSize(236, 96));
    m_binding.Add(IDC_DELETE_CONFIRM, DluStatic(this, IDC_DELETE_CONFIRM, 7, 9, 222, 10));
    m_binding.Add(IDC_DELETE_NAME, DluEdit(this, IDC_DELETE_NAME, 7, 22, 222, 14, wxTE_READONLY));
    m_binding.Add(IDC_DELETE_WARNING, DluStatic(this, IDC_DELETE_WARNING, 7, 44, 222, 24));
    wxButton* ok = DluButton(this, IDOK, 69, 75, 50, 14);
    ok->SetDefault();
    m_binding.Add(IDOK, ok);
    m_binding.Add(IDCANCEL, DluButton(this, IDCANCEL, 124, 75, 50, 14));
    m_binding.Add(IDHELP_BUTTON, DluButton(this, IDHELP_BUTTON, 179, 75, 50, 14));
    m_binding.Start();
    CentreOnParent();
}
