#include "DlgConflictsWnd.h"

#include "ConflictResource.h"
#include "ConflictsListBody.h"
#include "ConflictsListView.h"
#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"

CDlgConflictsWnd::CDlgConflictsWnd(wxWindow* parent, CDlgConflicts& dialog)
    : CResizableDlg(parent, wxString(), DluSize(420, 262)), m_dialog(dialog), m_binding(this, dialog)
{
    wxWindow* deleteIcon = DluPicture(this, IDC_CONFLICT_DELETE_ICON, 7, 7, ProgramIconBitmap(IDI_CONFLICT_DELETIONS, 32));
    wxWindow* changeIcon = DluPicture(this, IDC_CONFLICT_CHANGE_ICON, 7, 7, ProgramIconBitmap(IDI_CONFLICT_CHANGES, 32));
    wxWindow* deleteText = DluStatic(this, IDC_CONFLICT_DELETE_TEXT, 36, 7, 377, 38);
    wxWindow* changeText = DluStatic(this, IDC_CONFLICT_CHANGE_TEXT, 36, 7, 377, 38);
    wxWindow* local = DluStatic(this, IDC_CONFLICT_LOCAL, 7, 50, 200, 10, wxST_ELLIPSIZE_END | wxST_NO_AUTORESIZE);
    wxWindow* global = DluStatic(this, IDC_CONFLICT_GLOBAL, 213, 50, 200, 10, wxST_ELLIPSIZE_END | wxST_NO_AUTORESIZE);
    const wxRect listRect = DluRect(7, 62, 406, 168);
    m_list = new CConflictsListView(this, IDC_CONFLICT_LIST, dialog.m_wndList, listRect.GetPosition(), listRect.GetSize());
    wxWindow* line = DluLine(this, IDC_CONFLICT_SEPARATOR, 7, 236, 406);
    wxWindow* commit = DluButton(this, IDC_COMMIT, 7, 242, 56, 14);
    wxButton* close = DluButton(this, IDOK, 245, 242, 52, 14);
    close->SetDefault();
    wxWindow* cancel = DluButton(this, IDCANCEL, 303, 242, 52, 14);
    wxWindow* help = DluButton(this, IDHELP_BUTTON, 361, 242, 52, 14);
    for (const auto& [id, control] :
         {std::pair<int, wxWindow*>{IDC_CONFLICT_DELETE_ICON, deleteIcon}, {IDC_CONFLICT_CHANGE_ICON, changeIcon},
          {IDC_CONFLICT_DELETE_TEXT, deleteText}, {IDC_CONFLICT_CHANGE_TEXT, changeText},
          {IDC_CONFLICT_LOCAL, local}, {IDC_CONFLICT_GLOBAL, global}, {IDC_CONFLICT_LIST, m_list},
          {IDC_CONFLICT_SEPARATOR, line}, {IDC_COMMIT, commit}, {IDOK, close}, {IDCANCEL, cancel},
          {IDHELP_BUTTON, help}})
        m_binding.Add(id, control);
    AddAnchor(deleteIcon, TOP_LEFT);
    AddAnchor(changeIcon, TOP_LEFT);
    AddAnchor(deleteText, TOP_LEFT, TOP_RIGHT);
    AddAnchor(changeText, TOP_LEFT, TOP_RIGHT);
    AddAnchor(local, TOP_LEFT, TOP_CENTER);
    AddAnchor(global, TOP_CENTER, TOP_RIGHT);
    AddAnchor(m_list, TOP_LEFT, BOTTOM_RIGHT);
    AddAnchor(line, BOTTOM_LEFT, BOTTOM_RIGHT);
    AddAnchor(commit, BOTTOM_LEFT);
    for (wxWindow* button : {static_cast<wxWindow*>(close), cancel, help})
        AddAnchor(button, BOTTOM_RIGHT);
    m_binding.Start();
    m_list->Body()->SetFocus();
    CentreOnParent();
}
