// A static text that is a link: it shows its target's text in the link colour (the visited
// colour once opened, the hover colour while the mouse is over it), underlined as its mode says,
// and opens the target with the shell when clicked; a target that cannot be opened rings the
// bell and says why. Display-free: the colours, the underline, the hover and the click live
// here; a toolkit control draws and measures.
#pragma once

#include "Colour.h"
#include "Geometry.h"

#include "base/WinTypes.h"

#include <functional>
#include <string>

// Static styles that decide how the control fits its text.
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_NOTIFY 0x00000100L
#define SS_CENTERIMAGE 0x00000200L

class CLinkStatic {
public:
    static constexpr COLORREF kLinkColour = 0xEE0000;    // RGB(0,0,238)
    static constexpr COLORREF kVisitedColour = 0x8B1A55; // RGB(85,26,139)
    static constexpr COLORREF kHoverColour = 0x0000FF;   // RGB(255,0,0)
    // A hover colour of -1: the system's highlight colour.
    static constexpr COLORREF kSystemHighlight = static_cast<COLORREF>(-1);
    static constexpr UINT kHoverTimer = 100;
    static constexpr UINT kHoverInterval = 100;

    void SetURL(const std::string& target) { m_strURL = target; }
    const std::string& GetURL() const { return m_strURL; }
    void SetColours(COLORREF link, COLORREF visited, COLORREF hover = kSystemHighlight);
    void SetVisited(BOOL visited);
    BOOL GetVisited() const { return m_bVisited; }
    // -1 underlined while the mouse is over it, 1 always, 0 never.
    void SetUnderline(int mode);
    int GetUnderline() const { return m_nUnderline; }
    void SetAutoSize(bool autoSize) { m_bAdjustToFit = autoSize; }
    bool GetAutoSize() const { return m_bAdjustToFit; }

    // The control is set up with its window text: an empty target takes the text, an empty
    // text the target. Returns the text to show; the style gains SS_NOTIFY.
    std::string SetUp(const std::string& windowText, DWORD& style);

    // The text colour now; `highlight` stands for the system highlight colour.
    COLORREF TextColour(COLORREF highlight) const;
    bool IsUnderlined() const;
    bool IsHovering() const { return m_bHover; }

    // The mouse moves over the control: true when hovering starts (the view starts the hover
    // timer and repaints).
    bool OnMouseMove();
    // A tick of the hover timer with the mouse inside or outside: true when hovering ends (the
    // view stops the timer and repaints).
    bool OnHoverTimer(bool mouseInside);
    // A click: the target opens (visited) or the failure is shown over `owner`.
    void OnClick(HWND owner);

    // Opens the target with the shell, else with the command of the ".htm" files; the result
    // is above 32 on success, else the shell's error code.
    static INT_PTR OpenLink(const std::string& target, int showCommand);
    // "Unable to open hyperlink:\n\n" and the text of a shell error code.
    static std::string ErrorText(INT_PTR code);
    // The window fitted to its text, its borders kept, as its style says.
    static CRect FitToText(const CRect& window, const CSize& text, const CSize& borders, DWORD style);

    // The view repaints.
    std::function<void()> m_onRedraw;

private:
    void Redraw();

    COLORREF m_crLinkColour = kLinkColour;
    COLORREF m_crVisitedColour = kVisitedColour;
    COLORREF m_crHoverColour = kHoverColour;
    bool m_bHover = false;
    BOOL m_bVisited = FALSE;
    int m_nUnderline = -1;
    bool m_bAdjustToFit = true;
    std::string m_strURL;
};
