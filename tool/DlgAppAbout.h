// The About box: the program's icon and version, the maker's lines and two links, the web site
// and the mail address, in one colour whether visited or not.
#pragma once

#include "LinkStatic.h"
#include "OrvDialog.h"

class CDlgAppAbout : public COrvDialog {
public:
    // The links' colour in every state.
    static constexpr COLORREF kLinkColour = 0xFF0000;

    CDlgAppAbout();

    CLinkStatic m_linkInfo;
    CLinkStatic m_linkContact;

protected:
    BOOL OnInitDialog() override;
};
