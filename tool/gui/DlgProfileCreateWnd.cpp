#include "DlgProfileCreateWnd.h"

#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"
#include "ResourceImages.h"

#include "base/Resources.h"

namespace {

// The store icon with a mark laid over it.
wxBitmap Overlay(const wxBitmap& base, const wxBitmap& mark)
{
    wxImage image = base.ConvertToImage();
    const wxImage top = mark.ConvertToImage();
    if (!image.HasAlpha())
        image.InitAlpha();
    for (int y = 0; y < image.GetHeight() && y < top.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth() && x < top.GetWidth(); ++x)
            if (!top.HasAlpha() || top.GetAlpha(x, y) > 128) {
                image.SetRGB(x, y, top.GetRed(x, y), top.GetGreen(x, y), top.GetBlue(x, y));
                image.SetAlpha(x, y, 255);
            }
    return wxBitmap(image);
}

wxImageList* StoreImages()
{
    // Icon 152 is the store; 151 and 153 are its two marks.
    const wxBitmap store = ResourceIcon(IDI_STORE);
    auto* list = new wxImageList(16, 16, true, 3);
    list->Add(store);
    list->Add(Overlay(store, ResourceIcon(IDI_STORE_IN_USE)));
    list->Add(Overlay(store, ResourceIcon(IDI_STORE_CHOSEN)));
    return list;
}

} // namespace

CDlgProfileCreateWnd::CDlgProfileCreateWnd(wxWindow* parent, CDlgProfileCreate& dialog)
    : CResizableDlg(parent, wxString(), DluSize(262, 204)), m_binding(this, dialog)
{
    // The steps' captions and lists.
    m_binding.Add(IDC_LOCAL_CAPTION, DluStatic(this, IDC_LOCAL_CAPTION, 7, 7, 150, 10));
    m_binding.Add(IDC_GLOBAL_CAPTION, DluStatic(this, IDC_GLOBAL_CAPTION, 7, 7, 150, 10));
    m_binding.Add(IDC_NAME_CAPTION, DluStatic(this, IDC_NAME_CAPTION, 7, 7, 150, 10));
    const wxRect list = DluRect(7, 18, 248, 102);
    auto* local = new CCheckListView(this, IDC_LOCAL_STORES, dialog.m_lstLocal, list.GetPosition(), list.GetSize());
    auto* global = new CCheckListView(this, IDC_GLOBAL_STORES, dialog.m_lstGlobal, list.GetPosition(), list.GetSize());
    local->SetMarkImages(StoreImages());
    global->SetMarkImages(StoreImages());
    m_binding.Add(IDC_LOCAL_STORES, local);
    m_binding.Add(IDC_GLOBAL_STORES, global);
    // Steps 1 and 2: the group below the list with its text and warning.
    wxWindow* group1 = DluGroup(this, IDC_STEP1_GROUP, 7, 124, 248, 54);
    wxWindow* group2 = DluGroup(this, IDC_STEP2_GROUP, 7, 124, 248, 54);
    wxWindow* text1 = DluStatic(this, IDC_STEP1_TEXT, 14, 135, 234, 20);
    wxWindow* text2 = DluStatic(this, IDC_STEP2_TEXT, 14, 135, 234, 20);
    wxWindow* warning1 = DluStatic(this, IDC_STEP1_WARNING, 28, 157, 220, 18);
    wxWindow* warning2 = DluStatic(this, IDC_STEP2_WARNING, 28, 157, 220, 18);
    wxWindow* icon = DluPicture(this, IDC_WARNING_ICON, 12, 158, SystemIconBitmap(IDI_WARNING, 16));
    // Step 3: the name, its icon and group with two texts, the warning at the place of the others.
    wxWindow* name = DluEdit(this, IDC_PROFILE_NAME, 7, 18, 248, 14);
    wxWindow* icon3 = DluPicture(this, IDC_STEP3_ICON, 9, 44, ProgramIconBitmap(IDI_APPLICATION_ICON, 32));
    wxWindow* group3 = DluGroup(this, IDC_STEP3_GROUP, 38, 38, 217, 84);
    wxWindow* text3 = DluStatic(this, IDC_STEP3_TEXT, 45, 50, 203, 28);
    wxWindow* text3b = DluStatic(this, IDC_STEP3_TEXT2, 45, 80, 203, 36);
    wxWindow* warning3 = DluStatic(this, IDC_STEP3_WARNING, 28, 157, 220, 18);
    for (const auto& [id, control] : {std::pair<int, wxWindow*>{IDC_STEP1_GROUP, group1}, {IDC_STEP2_GROUP, group2},
                                      {IDC_STEP1_TEXT, text1}, {IDC_STEP2_TEXT, text2}, {IDC_STEP1_WARNING, warning1},
                                      {IDC_STEP2_WARNING, warning2}, {IDC_WARNING_ICON, icon}, {IDC_PROFILE_NAME, name},
                                      {IDC_STEP3_ICON, icon3}, {IDC_STEP3_GROUP, group3}, {IDC_STEP3_TEXT, text3},
                                      {IDC_STEP3_TEXT2, text3b}, {IDC_STEP3_WARNING, warning3}})
        m_binding.Add(id, control);
    // The buttons.
    wxWindow* back = DluButton(this, IDC_BACK, 38, 184, 50, 14);
    wxButton* ok = DluButton(this, IDOK, 91, 184, 50, 14);
    ok->SetDefault();
    wxWindow* cancel = DluButton(this, IDCANCEL, 149, 184, 50, 14);
    wxWindow* help = DluButton(this, IDHELP_BUTTON, 205, 184, 50, 14);
    m_binding.Add(IDC_BACK, back);
    m_binding.Add(IDOK, ok);
    m_binding.Add(IDCANCEL, cancel);
    m_binding.Add(IDHELP_BUTTON, help);

    for (wxWindow* button : {static_cast<wxWindow*>(ok), cancel, help, back})
        AddAnchor(button, BOTTOM_RIGHT);
    for (wxWindow* control : {static_cast<wxWindow*>(local), static_cast<wxWindow*>(global), group3, text3, text3b})
        AddAnchor(control, TOP_LEFT, BOTTOM_RIGHT);
    for (wxWindow* control : {group1, text1, warning1, group2, text2, warning2, warning3})
        AddAnchor(control, BOTTOM_LEFT, BOTTOM_RIGHT);
    AddAnchor(name, TOP_LEFT, TOP_RIGHT);
    AddAnchor(icon, BOTTOM_LEFT);
    m_binding.Start();
    CentreOnParent();
}
