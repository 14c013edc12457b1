// The run's progress bar: a self-drawn bar in the two colours the view chooses per pass, its
// background and its filled part.
#pragma once

#include "OrvView.h"

#include <wx/window.h>

class CColourGauge : public wxWindow {
public:
    CColourGauge(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

    // Shows the state: range, position, colours; hidden until the first run.
    void SetState(const CProgressState& state);
    const CProgressState& State() const { return m_state; }

private:
    void OnPaint(wxPaintEvent& event);

    CProgressState m_state;
};
