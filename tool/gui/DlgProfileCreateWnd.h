// The Create Profile wizard on the screen: a resizable dialog whose three steps share one
// column (the wizard shows one step's controls at a time), the store lists with their marks.
#pragma once

#include "CheckListView.h"
#include "DialogBinding.h"
#include "DlgProfileCreate.h"
#include "ResizableDlg.h"

class CDlgProfileCreateWnd : public CResizableDlg {
public:
    CDlgProfileCreateWnd(wxWindow* parent, CDlgProfileCreate& dialog);
    int RunModal() { return m_binding.RunModal(); }

private:
    CDialogBinding m_binding;
};
