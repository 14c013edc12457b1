// The Options dialog on the screen: the delay list is a toolkit choice over the dialog's list.
#pragma once

#include "DialogBinding.h"
#include "DlgOptions.h"

#include <wx/choice.h>
#include <wx/dialog.h>

class CDlgOptionsWnd : public wxDialog {
public:
    CDlgOptionsWnd(wxWindow* parent, CDlgOptions& dialog);
    ~CDlgOptionsWnd() override { m_dialog.m_onDelayChanged = nullptr; }
    int RunModal() { return m_binding.RunModal(); }

private:
    void ShowDelay();

    CDlgOptions& m_dialog;
    wxChoice* m_delay;
    CDialogBinding m_binding;
};
