#include "DlgProfileEditAdvWnd.h"

#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"

CDlgProfileEditAdvWnd::CDlgProfileEditAdvWnd(wxWindow* parent, CDlgProfileEditAdv& dialog)
    : CResizableDlg(parent, wxString(), DluSize(330, 236)), m_binding(this, dialog)
{
    wxWindow* local = DluRadio(this, IDC_LOCAL_DRIVES, 7, 7, 155, 10, true);
    wxWindow* global = DluRadio(this, IDC_GLOBAL_DRIVES, 168, 7, 155, 10, false);
    const wxRect left = DluRect(7, 20, 155, 190);
    const wxRect right = DluRect(168, 20, 155, 190);
    auto* localTree = new CTreeCtrlView(this, IDC_LOCAL_TREE, dialog.m_treeLocal, left.GetPosition(), left.GetSize());
    auto* globalTree =
        new CTreeCtrlView(this, IDC_GLOBAL_TREE, dialog.m_treeGlobal, right.GetPosition(), right.GetSize());
    wxWindow* associate = DluButton(this, IDC_ASSOCIATE_SUBFOLDERS, 7, 216, 150, 14);
    wxButton* close = DluButton(this, IDOK, 273, 216, 50, 14);
    close->SetDefault();
    m_binding.Add(IDC_LOCAL_DRIVES, local);
    m_binding.Add(IDC_GLOBAL_DRIVES, global);
    m_binding.Add(IDC_LOCAL_TREE, localTree);
    m_binding.Add(IDC_GLOBAL_TREE, globalTree);
    m_binding.Add(IDC_ASSOCIATE_SUBFOLDERS, associate);
    m_binding.Add(IDOK, close);
    AddAnchor(local, TOP_LEFT, TOP_CENTER);
    AddAnchor(global, TOP_CENTER, TOP_RIGHT);
    AddAnchor(localTree, TOP_LEFT, BOTTOM_CENTER);
    AddAnchor(globalTree, TOP_CENTER, BOTTOM_RIGHT);
    AddAnchor(associate, BOTTOM_LEFT);
    AddAnchor(close, BOTTOM_RIGHT);
    m_binding.Start();
    CentreOnParent();
    EnableStateSaving("DlgProfileEditAdv", FALSE);
}
