// A link on the screen over the display-free CLinkStatic: the text drawn in the link's colour,
// underlined as its mode says, a hand cursor and a tooltip with the target; hovering is
// followed by a 100 ms timer, a click opens the target.
#pragma once

#include "LinkStatic.h"

#include <wx/font.h>
#include <wx/timer.h>
#include <wx/window.h>

class CLinkStaticCtrl : public wxWindow {
public:
    CLinkStaticCtrl(wxWindow* parent, wxWindowID id, CLinkStatic& model, const wxPoint& pos, const wxSize& size);
    ~CLinkStaticCtrl() override;

    // Sets the link up with its window text and fits the window to what it shows.
    void SetUp(const std::string& windowText);
    const wxString& GetShownText() const { return m_text; }

private:
    void FitToText();
    void OnPaint(wxPaintEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnClick(wxMouseEvent& event);
    void OnTimer(wxTimerEvent& event);

    CLinkStatic& m_model;
    wxString m_text;
    wxFont m_plain;
    wxFont m_underlined;
    wxTimer m_hover;
    DWORD m_style = 0;
};
