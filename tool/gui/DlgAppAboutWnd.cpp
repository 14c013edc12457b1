#include "DlgAppAboutWnd.h"

#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"
#include "ResourceImages.h"

#include <algorithm>

CDlgAppAboutWnd::CDlgAppAboutWnd(wxWindow* parent, CDlgAppAbout& dialog)
    : wxDialog(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      m_binding(this, dialog)
{
    const wxBitmap banner = ResourceBitmap(IDB_BANNER);
    const int bannerHeight = banner.IsOk() ? banner.GetHeight() : 0;
    const wxSize body = DluSize(230, 112);
    SetClientSize(std::max(body.x, banner.IsOk() ? banner.GetWidth() : 0), body.y + bannerHeight);
    if (banner.IsOk())
        new wxStaticBitmap(this, wxID_ANY, banner, wxPoint(0, 0));
    // The rest below the banner: dialog units from its lower edge.
    const int top = bannerHeight;
    const auto below = [top](wxWindow* control) {
        control->Move(control->GetPosition() + wxPoint(0, top));
        return control;
    };
    below(DluPicture(this, wxID_ANY, 7, 8, ProgramIconBitmap(IDI_APPLICATION_ICON, 32)));
    m_binding.Add(IDC_ABOUT_PRODUCT, below(DluStatic(this, IDC_ABOUT_PRODUCT, 40, 8, 183, 10)));
    m_binding.Add(IDC_ABOUT_MAKER1, below(DluStatic(this, IDC_ABOUT_MAKER1, 40, 22, 183, 10)));
    m_binding.Add(IDC_ABOUT_MAKER2, below(DluStatic(this, IDC_ABOUT_MAKER2, 40, 34, 183, 10)));
    m_binding.Add(IDC_ABOUT_INFO, below(DluStatic(this, IDC_ABOUT_INFO, 40, 52, 45, 10)));
    m_binding.Add(IDC_ABOUT_CONTACT, below(DluStatic(this, IDC_ABOUT_CONTACT, 40, 66, 45, 10)));
    const wxRect info = DluRect(88, 52, 135, 10);
    m_info = new CLinkStaticCtrl(this, IDC_ABOUT_INFO_LINK, dialog.m_linkInfo, info.GetPosition() + wxPoint(0, top),
                                 info.GetSize());
    const wxRect contact = DluRect(88, 66, 135, 10);
    m_contact = new CLinkStaticCtrl(this, IDC_ABOUT_CONTACT_LINK, dialog.m_linkContact,
                                    contact.GetPosition() + wxPoint(0, top), contact.GetSize());
    wxButton* ok = DluButton(this, IDOK, 173, 92, 50, 14);
    below(ok);
    ok->SetDefault();
    m_binding.Add(IDOK, ok);
    m_binding.Start();
    m_info->SetUp(dialog.GetItemText(IDC_ABOUT_INFO_LINK));
    m_contact->SetUp(dialog.GetItemText(IDC_ABOUT_CONTACT_LINK));
    CentreOnParent();
}
