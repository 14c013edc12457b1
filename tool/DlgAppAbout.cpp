#include "DlgAppAbout.h"

#include "DialogResource.h"
#include "ToolStrings.h"

CDlgAppAbout::CDlgAppAbout() : COrvDialog(IDD_ABOUTBOX, IDS_ABOUT_CAPTION) {}

BOOL CDlgAppAbout::OnInitDialog()
{
    AddItem(WC_STATICA, IDC_ABOUT_PRODUCT, LoadResString(IDS_ABOUT_PRODUCT));
    AddItem(WC_STATICA, IDC_ABOUT_MAKER1, LoadResString(IDS_ABOUT_MAKER1));
    AddItem(WC_STATICA, IDC_ABOUT_MAKER2, LoadResString(IDS_ABOUT_MAKER2));
    AddItem(WC_STATICA, IDC_ABOUT_INFO, LoadResString(IDS_ABOUT_INFO));
    AddItem(WC_STATICA, IDC_ABOUT_CONTACT, LoadResString(IDS_ABOUT_CONTACT));
    AddItem(WC_STATICA, IDC_ABOUT_INFO_LINK, LoadResString(IDS_ABOUT_INFO_TEXT));
    AddItem(WC_STATICA, IDC_ABOUT_CONTACT_LINK, LoadResString(IDS_ABOUT_CONTACT_TEXT));
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_BUTTON_OK), BS_DEFPUSHBUTTON | WS_TABSTOP);
    m_linkInfo.SetURL(LoadResString(IDS_LINK_INFO));
    m_linkContact.SetURL(LoadResString(IDS_LINK_CONTACT));
    m_linkInfo.SetColours(kLinkColour, kLinkColour, kLinkColour);
    m_linkContact.SetColours(kLinkColour, kLinkColour, kLinkColour);
    return TRUE;
}
