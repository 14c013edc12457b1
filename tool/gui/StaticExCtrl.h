// The coloured static on the screen: it draws what its CStaticEx shows (the text shortened from
// the front to its width) in that text colour over its parent's background.
#pragma once

#include "StaticEx.h"

#include <wx/window.h>

class CStaticExCtrl : public wxWindow {
public:
    CStaticExCtrl(wxWindow* parent, wxWindowID id, CStaticEx& model, const wxPoint& pos, const wxSize& size);

    // After the model's text or colour changed.
    void TextChanged();

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);

    CStaticEx& m_model;
};
