// The profile editor on the screen: a resizable dialog with the association list above the two
// folder trees and the status text below them; it keeps its placement in "DlgProfileEdit".
#pragma once

#include "DialogBinding.h"
#include "DlgProfileEdit.h"
#include "FolderLinkListView.h"
#include "ResizableDlg.h"
#include "ui/TreeCtrlView.h"

class CDlgProfileEditWnd : public CResizableDlg {
public:
    CDlgProfileEditWnd(wxWindow* parent, CDlgProfileEdit& dialog);
    ~CDlgProfileEditWnd() override;
    int RunModal() { return m_binding.RunModal(); }

private:
    CDlgProfileEdit& m_dialog;
    CFolderLinkListView* m_list = nullptr;
    CDialogBinding m_binding;
};
