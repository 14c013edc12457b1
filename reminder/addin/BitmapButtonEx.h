// CBitmapButtonEx: a push button that shows one image of an image strip, centred, on the face of
// a themed push button while visual styles are on, or on a flat face with drawn edges when they
// are off. The logic says what to paint for the button's state (pressed, hot, focused, enabled);
// a toolkit view paints it and reports the state. The button itself is the dialog item it is
// subclassed on, so clicks and enabling go through the platform as for any button.
#pragma once

#include "AddinViews.h"
#include "base/Bitmap.h"
#include "base/WinMessages.h"
#include "base/WinTypes.h"

// Extended styles of the bitmap button.
#define BMPBTN_HOVER 0x00000001
#define BMPBTN_AUTO3D_SINGLE 0x00000002
#define BMPBTN_AUTO3D_DOUBLE 0x00000004
#define BMPBTN_AUTOSIZE 0x00000008
#define BMPBTN_SHAREIMAGELISTS 0x00000010
#define BMPBTN_AUTOFIRE 0x00000020

// Push-button states of the visual style (BP_PUSHBUTTON).
#define PBS_NORMAL 1
#define PBS_HOT 2
#define PBS_PRESSED 3
#define PBS_DISABLED 4
#define PBS_DEFAULTED 5

// BM_GETSTATE's bits.
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008
#define BST_HOT 0x0200

// The width and height of a window edge (SM_CXEDGE, SM_CYEDGE).
inline constexpr int kEdgeSize = 2;

class CBitmapButtonEx : public IBitmapButtonModel {
public:
    explicit CBitmapButtonEx(DWORD extendedStyle = BMPBTN_AUTOSIZE);

    // Takes over the button (a dialog item).
    void SubclassWindow(HWND button) { m_hWnd = button; }
    HWND m_hWnd = nullptr;
    HWND Window() const override { return m_hWnd; }

    DWORD GetBitmapButtonExtendedStyle() const { return m_extendedStyle; }
    // Sets the bits of `mask` (all bits when 0) to those of `style`; returns the old style.
    DWORD SetBitmapButtonExtendedStyle(DWORD style, DWORD mask = 0);
    // The image strip: a bitmap resource of the add-in cut into images `imageWidth` wide, whose
    // pixels of `maskColour` are transparent.
    void SetImageList(UINT bitmapId, int imageWidth, COLORREF maskColour);
    UINT ImageListBitmap() const override { return m_imageList; }
    int ImageWidth() const override { return m_imageWidth; }
    COLORREF MaskColour() const override { return m_maskColour; }
    // Image indexes; -1: none (the normal image is used).
    void SetImages(int normal, int pushed = -1, int focusOrHover = -1, int disabled = -1);

    // The state a view reports.
    void SetMouseOver(bool over) override { m_mouseOver = over; }
    void SetFocus(bool focus) override { m_focus = focus; }
    void SetPressed(bool pressed) override { m_pressed = pressed; }
    // BM_GETSTATE: pushed, focus and hot.
    UINT GetState() const;

    // What to paint in a client rectangle of `client` with images of `imageHeight` pixels.
    // Themed when the visual styles are on (UxTheme::IsThemeActive and IsAppThemed).
    Paint DoPaint(const RECT& client, int imageHeight) const override;

private:
    DWORD m_extendedStyle;
    UINT m_imageList = 0;
    int m_imageWidth = 0;
    COLORREF m_maskColour = 0;
    int m_normal = -1;
    int m_pushed = -1;
    int m_focusOrHover = -1;
    int m_disabled = -1;
    bool m_mouseOver = false;
    bool m_focus = false;
    bool m_pressed = false;
};
