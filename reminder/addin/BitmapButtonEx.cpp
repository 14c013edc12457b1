#include "BitmapButtonEx.h"

#include "WndUtils.h"
#include "base/Window.h"

#include <cassert>

CBitmapButtonEx::CBitmapButtonEx(DWORD extendedStyle) : m_extendedStyle(extendedStyle) {}

DWORD CBitmapButtonEx::SetBitmapButtonExtendedStyle(DWORD style, DWORD mask)
{
    const DWORD old = m_extendedStyle;
    m_extendedStyle = mask == 0 ? style : (m_extendedStyle & ~mask) | (style & mask);
    return old;
}

void CBitmapButtonEx::SetImageList(UINT bitmapId, int imageWidth, COLORREF maskColour)
{
    m_imageList = bitmapId;
    m_imageWidth = imageWidth;
    m_maskColour = maskColour;
}

void CBitmapButtonEx::SetImages(int normal, int pushed, int focusOrHover, int disabled)
{
    m_normal = normal;
    m_pushed = pushed;
    m_focusOrHover = focusOrHover;
    m_disabled = disabled;
}

UINT CBitmapButtonEx::GetState() const
{
    return (m_pressed ? BST_PUSHED : 0u) | (m_focus ? BST_FOCUS : 0u) | (m_mouseOver ? BST_HOT : 0u);
}

CBitmapButtonEx::Paint CBitmapButtonEx::DoPaint(const RECT& client, int imageHeight) const
{
    // A button without its images is a programming error.
    assert(m_imageList != 0 && m_normal != -1);
    Paint paint;
    paint.themed = UxTheme::IsThemeActive() && UxTheme::IsAppThemed();
    const bool hoverStyle = (m_extendedStyle & BMPBTN_HOVER) != 0;
    const bool auto3D = (m_extendedStyle & (BMPBTN_AUTO3D_SINGLE | BMPBTN_AUTO3D_DOUBLE)) != 0;
    const bool single = (m_extendedStyle & BMPBTN_AUTO3D_SINGLE) != 0;

    int image = m_normal;
    if (m_pressed)
        image = m_pushed;
    else if ((!hoverStyle && m_focus) || (hoverStyle && m_mouseOver))
        image = m_focusOrHover;
    else if (m_hWnd && !IsWindowEnabled(m_hWnd))
        image = m_disabled;
    paint.image = image == -1 ? m_normal : image;

    if (paint.themed) {
        const UINT state = GetState();
        paint.themeState = (state & BST_PUSHED) ? PBS_PRESSED : (state & BST_HOT) ? PBS_HOT : PBS_NORMAL;
    } else {
        paint.flatFace = true;
    }

    const int offset = m_pressed && auto3D && m_pushed == -1 ? 1 : 0;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    paint.imageAt = {client.left + (width - m_imageWidth) / 2 + offset, client.top + (height - imageHeight) / 2 + offset};

    if (!paint.themed && auto3D) {
        if (m_pressed)
            paint.edge = single ? Edge::SunkenOuter : Edge::Sunken;
        else if (!hoverStyle || m_mouseOver)
            paint.edge = single ? Edge::RaisedInner : Edge::Raised;
    }
    if (auto3D && !hoverStyle && m_focus) {
        paint.focusRect = true;
        paint.focus = {client.left + 2 * kEdgeSize, client.top + 2 * kEdgeSize, client.right - 2 * kEdgeSize,
                       client.bottom - 2 * kEdgeSize};
    }
    return paint;
}
