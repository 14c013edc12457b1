// Whether the size grip in a resizable window's bottom-right corner shows. Each reason to hide
// it clears one show-state bit; setting a bit that was clear raises a counter and clearing one
// that was set lowers it, and the grip shows while the counter is above 0.
#pragma once

#include "Geometry.h"

#include "base/WinTypes.h"

// Size types of a size change.
#ifndef SIZE_RESTORED
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
#define SIZE_MAXSHOW 3
#define SIZE_MAXHIDE 4
#endif

class CSizeGripState {
public:
    enum : UINT {
        GRIP_NOT_MAXIMIZED = 1, // the window (or its frame) is not maximised
        GRIP_NOT_SCROLLING = 2, // a form view is not smaller than its design
        GRIP_AT_CORNER = 4,     // a form view's corner is the resizable frame's corner
    };

    // A dialog: bit 1 set, counter 1 for a top-level window and 0 for a child.
    static CSizeGripState ForDialog(bool topLevel) { return CSizeGripState(GRIP_NOT_MAXIMIZED, topLevel ? 1 : 0); }
    // A form view: all three bits set, counter 1.
    static CSizeGripState ForFormView() { return CSizeGripState(7, 1); }

    CSizeGripState(UINT bits, int count) : m_nShowState(bits), m_nShowCount(count) {}

    void SetBit(UINT bit, bool set);
    UINT ShowState() const { return m_nShowState; }
    int ShowCount() const { return m_nShowCount; }
    bool IsVisible() const { return m_nShowCount > 0; }

    // The dialog host's rule on a size change of type SIZE_*.
    void OnDialogSize(UINT type);
    // The form view's rule: the frame's maximised state, the view's new and designed sizes,
    // whether the frame can be resized and whether the view's corner is the frame's client corner.
    void OnFormViewSize(bool frameMaximized, CSize size, CSize designSize, bool frameThick, bool atFrameCorner);

private:
    UINT m_nShowState;
    int m_nShowCount;
};
