// The advanced profile editor on the screen: a resizable dialog with the two trees side by side,
// which keeps its placement in the section "DlgProfileEditAdv".
#pragma once

#include "DialogBinding.h"
#include "DlgProfileEditAdv.h"
#include "ResizableDlg.h"
#include "ui/TreeCtrlView.h"

class CDlgProfileEditAdvWnd : public CResizableDlg {
public:
    CDlgProfileEditAdvWnd(wxWindow* parent, CDlgProfileEditAdv& dialog);
    int RunModal() { return m_binding.RunModal(); }

private:
    CDialogBinding m_binding;
};
