#include "StaticEx.h"

namespace {

constexpr const char* kEllipsis = "... ";

// The system's window-text and button-face colours.
constexpr COLORREF kWindowText = 0x000000;
constexpr COLORREF kButtonFace = 0xF0F0F0;

} // namespace

CStaticEx::CStaticEx() : m_crText(kWindowText), m_crBackground(kButtonFace), m_measure(FixedWidthMeasure(7)) {}

void CStaticEx::SetWindowText(const std::string& text)
{
    m_strText = text;
    m_strShown = Shorten(m_strText, m_nClientWidth, m_measure);
}

void CStaticEx::OnSize(int clientWidth)
{
    m_nClientWidth = clientWidth;
    SetWindowText(std::string(m_strText));
}

void CStaticEx::SetMeasure(TextMeasure measure)
{
    m_measure = std::move(measure);
    SetWindowText(std::string(m_strText));
}

COLORREF CStaticEx::SetStaticColour(COLORREF colour)
{
    const COLORREF previous = m_crText;
    m_crText = colour;
    return previous;
}

std::string CStaticEx::Shorten(const std::string& text, int clientWidth, const TextMeasure& measure)
{
    if (measure(text) <= clientWidth)
        return text;
    const int ellipsis = measure(kEllipsis);
    std::string_view rest(text);
    // Ends with the text: a control narrower than "... " shows only that.
    while (!rest.empty() && measure(rest) + ellipsis + 5 > clientWidth)
        rest.remove_prefix(FirstCharLength(rest));
    return kEllipsis + std::string(rest);
}
