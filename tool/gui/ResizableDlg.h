// A dialog the user can resize: its children are anchored (CAnchorLayout) and follow every
// size change, it cannot be made smaller than designed, a size grip sits in its bottom-right
// corner (hidden while maximised), and its placement can be kept in the settings.
#pragma once

#include "SizeGripState.h"
#include "SizeGripWnd.h"
#include "WxAnchorLayout.h"
#include "WxWindowState.h"

#include <wx/dialog.h>

#include <memory>
#include <string>

class CResizableDlg : public wxDialog, public CWxAnchorLayout {
public:
    CResizableDlg(wxWindow* parent, const wxString& title, const wxSize& designClientSize);
    ~CResizableDlg() override;

    // Remembers the section, switches saving on (the state is saved when the dialog goes) and
    // loads the saved state at once.
    void EnableStateSaving(const std::string& section, BOOL bRectOnly);

    bool IsGripVisible() const { return m_grip && m_grip->IsShown(); }
    const CSizeGripState& GripState() const { return m_gripState; }
    CSizeGripWnd* Grip() const { return m_grip; }

protected:
    CRect GetLayoutRect() const override;

private:
    void OnSize(wxSizeEvent& event);
    void OnMove(wxMoveEvent& event);
    void SaveState();

    CSizeGripWnd* m_grip = nullptr;
    CSizeGripState m_gripState = CSizeGripState::ForDialog(true);
    CWxWindowState m_state;
    bool m_bEnableSaveRestore = false;
    std::string m_sSection;
    BOOL m_bRectOnly = FALSE;
};
