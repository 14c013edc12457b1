// CDlgUsername: the user-name dialog (from the options page's hidden User button): edits the
// Settings value UserName.
#pragma once

#include "AddinDialog.h"
#include "OptionsResource.h"

class CDlgUsername : public CAddinDialog {
public:
    enum { IDD = IDD_USERNAME };
    CDlgUsername();
    ~CDlgUsername() override;

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT OnInitDialog();
    LRESULT OnDestroy();
    // Stores the edit's text as UserName.
    void OnOK();
    void OnCancel();
};
