#include "DlgProfileEditWnd.h"

#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"
#include "DlgProfileEditAdv.h"
#include "DlgProfileEditAdvWnd.h"
#include "ResourceImages.h"

CDlgProfileEditWnd::CDlgProfileEditWnd(wxWindow* parent, CDlgProfileEdit& dialog)
    : CResizableDlg(parent, wxString(), DluSize(340, 272)), m_dialog(dialog), m_binding(this, dialog)
{
    wxWindow* localCaption = DluStatic(this, IDC_LOCAL_LINKS_CAPTION, 7, 7, 160, 10);
    wxWindow* globalCaption = DluStatic(this, IDC_GLOBAL_LINKS_CAPTION, 173, 7, 160, 10);
    const wxRect list = DluRect(7, 18, 326, 70);
    m_list = new CFolderLinkListView(this, IDC_FOLDER_LINKS, dialog.m_lstLinks, list.GetPosition(), list.GetSize());
    const wxRect left = DluRect(7, 92, 160, 114);
    const wxRect right = DluRect(173, 92, 160, 114);
    auto* localTree = new CTreeCtrlView(this, IDC_LOCAL_TREE, dialog.m_treeLocal, left.GetPosition(), left.GetSize());
    auto* globalTree =
        new CTreeCtrlView(this, IDC_GLOBAL_TREE, dialog.m_treeGlobal, right.GetPosition(), right.GetSize());
    for (CTreeCtrlView* tree : {localTree, globalTree}) {
        tree->SetImages(ResourceImageList(CFolderTreeCtrl::ImageIcons()));
        tree->SetMarkImages(ResourceImageList(CFolderTreeCtrl::StateIcons()));
    }
    wxWindow* line = DluLine(this, IDC_EDIT_LINE, 7, 210, 326);
    wxWindow* frame = DluGroup(this, IDC_STATUS_FRAME, 7, 212, 326, 36);
    wxWindow* status = DluStatic(this, IDC_STATUS_TEXT, 13, 221, 314, 25);
    wxWindow* associate = DluButton(this, IDC_ASSOCIATE, 7, 252, 60, 14);
    wxWindow* remove = DluButton(this, IDC_DELETE_ASSOCIATION, 70, 252, 86, 14);
    wxWindow* advanced = DluButton(this, IDC_ADVANCED, 159, 252, 60, 14);
    wxWindow* help = DluButton(this, IDHELP_BUTTON, 229, 252, 50, 14);
    wxButton* ok = DluButton(this, IDOK, 283, 252, 50, 14);
    ok->SetDefault();
    for (const auto& [id, control] :
         {std::pair<int, wxWindow*>{IDC_LOCAL_LINKS_CAPTION, localCaption}, {IDC_GLOBAL_LINKS_CAPTION, globalCaption},
          {IDC_FOLDER_LINKS, m_list}, {IDC_LOCAL_TREE, localTree}, {IDC_GLOBAL_TREE, globalTree},
          {IDC_EDIT_LINE, line}, {IDC_STATUS_FRAME, frame}, {IDC_STATUS_TEXT, status}, {IDC_ASSOCIATE, associate},
          {IDC_DELETE_ASSOCIATION, remove}, {IDC_ADVANCED, advanced}, {IDHELP_BUTTON, help}, {IDOK, ok}})
        m_binding.Add(id, control);
    AddAnchor(localCaption, TOP_LEFT, TOP_CENTER);
    AddAnchor(globalCaption, TOP_CENTER, TOP_RIGHT);
    AddAnchor(m_list, TOP_LEFT, ANCHOR{100, 30});
    AddAnchor(localTree, ANCHOR{0, 30}, BOTTOM_CENTER);
    AddAnchor(globalTree, ANCHOR{50, 30}, BOTTOM_RIGHT);
    for (wxWindow* control : {line, frame, status})
        AddAnchor(control, BOTTOM_LEFT, BOTTOM_RIGHT);
    for (wxWindow* control : {associate, remove, advanced})
        AddAnchor(control, BOTTOM_LEFT);
    AddAnchor(help, BOTTOM_RIGHT);
    AddAnchor(ok, BOTTOM_RIGHT);

    // The list shows its model; its focus, double clicks and Space reach the dialog.
    auto rowChanged = dialog.m_lstLinks.m_onRowChanged;
    dialog.m_lstLinks.m_onRowChanged = [this, rowChanged](int row) {
        m_list->RefreshRow(row);
        if (rowChanged)
            rowChanged(row);
    };
    dialog.m_lstLinks.m_onEnsureVisible = [this](int row) { m_list->EnsureRowVisible(row); };
    m_list->m_onActivated = [this](int row) { m_dialog.OnListActivated(row); };
    m_list->Bind(wxEVT_LIST_KEY_DOWN, [this](wxListEvent& event) {
        if (event.GetKeyCode() == WXK_SPACE)
            m_dialog.OnListActivated(m_dialog.m_lstLinks.GetSelectedRow());
        else
            event.Skip();
    });
    m_list->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        m_dialog.OnListFocus(true);
        event.Skip();
    });
    m_list->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        m_dialog.OnListFocus(false);
        event.Skip();
    });
    dialog.m_runAdvanced = [this](IProfiles* profiles, IProfile* profile) {
        CDlgProfileEditAdv advanced(profiles, profile);
        bool changed = false;
        {
            CDlgProfileEditAdvWnd window(this, advanced);
            window.RunModal();
            changed = advanced.HasAssociated();
        }
        return changed;
    };
    m_binding.Start();
    m_list->RefreshRow(-1);
    CentreOnParent();
    EnableStateSaving("DlgProfileEdit", FALSE);
}

CDlgProfileEditWnd::~CDlgProfileEditWnd()
{
    m_dialog.m_lstLinks.m_onRowChanged = nullptr;
    m_dialog.m_lstLinks.m_onEnsureVisible = nullptr;
    m_dialog.m_runAdvanced = nullptr;
}
