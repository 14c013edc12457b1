// A form the user can resize inside its frame: its children are anchored to the layout
// rectangle, which is never smaller than the designed size (the form scrolls instead, and its
// children scroll with it); a size grip shows only when the frame is not maximised, the form is
// not smaller than designed and its corner is the frame's resizable corner.
#pragma once

#include "SizeGripState.h"
#include "SizeGripWnd.h"
#include "WxAnchorLayout.h"

#include <wx/scrolwin.h>

class CResizableFormView : public wxScrolledWindow, public CWxAnchorLayout {
public:
    CResizableFormView(wxWindow* parent, const wxSize& designSize);

    // Once the children stand at their designed places and are anchored: lays them out for
    // the current size from now on.
    virtual void OnInitialUpdate();

    bool IsGripVisible() const { return m_grip && m_grip->IsShown(); }
    const CSizeGripState& GripState() const { return m_gripState; }
    wxSize DesignSize() const { return m_designSize; }

protected:
    CRect GetLayoutRect() const override;

private:
    void OnSize(wxSizeEvent& event);
    void UpdateGrip();

    wxSize m_designSize;
    CSizeGripWnd* m_grip = nullptr;
    CSizeGripState m_gripState = CSizeGripState::ForFormView();
    bool m_bInitDone = false;
};
