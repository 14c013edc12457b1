// The conflicts dialog (142) on the screen: resizable, with the mode's icon and text at the top,
// the two store names above the two halves of the list, the list, and Commit, Close, Cancel and
// Help below a line.
#pragma once

#include "DialogBinding.h"
#include "DlgConflicts.h"
#include "ResizableDlg.h"

class CConflictsListView;

class CDlgConflictsWnd : public CResizableDlg {
public:
    CDlgConflictsWnd(wxWindow* parent, CDlgConflicts& dialog);
    int RunModal() { return m_binding.RunModal(); }
    CConflictsListView* List() const { return m_list; }

private:
    CDlgConflicts& m_dialog;
    CDialogBinding m_binding;
    CConflictsListView* m_list = nullptr;
};
