// The size grip: a small self-drawn child in the bottom-right corner of a resizable window.
// Its lower-right triangle shows the grip's ridges; dragging it resizes the top-level window
// it belongs to (never below that window's minimum size).
#pragma once

#include <wx/window.h>

class CSizeGripWnd : public wxWindow {
public:
    explicit CSizeGripWnd(wxWindow* parent);

    // Moves the grip into the parent's bottom-right client corner and shows or hides it.
    void Place(bool show);
    static wxSize GripSize();

private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    // Whether a point of the grip lies in its lower-right triangle.
    bool InTriangle(const wxPoint& point) const;

    wxPoint m_dragStart;
    wxSize m_startSize;
    bool m_dragging = false;
};
