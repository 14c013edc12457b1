// CDlgAbout: the support dialog (from the options page's Support button): the product line and
// a Reset of all the add-in's settings, done at once through the engine.
#pragma once

#include "AddinDialog.h"
#include "OptionsResource.h"

class CDlgAbout : public CAddinDialog {
public:
    enum { IDD = IDD_ABOUT };
    CDlgAbout();
    ~CDlgAbout() override;

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Whether Reset ran on an engine (its settings are gone, failed or not).
    bool ResetRan() const { return m_resetRan; }

private:
    LRESULT OnInitDialog();
    LRESULT OnDestroy();
    void OnOK();
    void OnCancel();
    // Resets at once, without asking and without closing.
    void OnReset();

    bool m_resetRan = false;
};
