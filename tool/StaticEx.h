// A static text with its own text and background colours that shortens a text too long for it
// from the front: leading characters go until the rest and "... " in front of it fit. It keeps
// the full text, so a wider control shows more of it again. Display-free: the control it stands
// for gives the client width and measures texts in its font.
#pragma once

#include "Colour.h"
#include "TextMeasure.h"

#include <limits>
#include <string>

class CStaticEx {
public:
    CStaticEx();

    // The control's text: kept whole, shown shortened to the client width.
    void SetWindowText(const std::string& text);
    // The client area's new width: the kept text is set again, so the shortening follows it.
    void OnSize(int clientWidth);
    void SetMeasure(TextMeasure measure);

    // The text colour; returns the previous one.
    COLORREF SetStaticColour(COLORREF colour);
    COLORREF GetStaticColour() const { return m_crText; }
    COLORREF GetBackgroundColour() const { return m_crBackground; }

    const std::string& GetFullText() const { return m_strText; }
    const std::string& GetShownText() const { return m_strShown; }

    // The text as a control of that client width shows it: whole when it fits, else its end
    // after "... ", as much as fits with 5 pixels to spare (only "... " when nothing does).
    static std::string Shorten(const std::string& text, int clientWidth, const TextMeasure& measure);

private:
    std::string m_strText;
    std::string m_strShown;
    COLORREF m_crText;
    COLORREF m_crBackground;
    int m_nClientWidth = std::numeric_limits<int>::max(); // not sized yet: the whole text
    TextMeasure m_measure;
};
