#include "SizeGripState.h"

void CSizeGripState::SetBit(UINT bit, bool set)
{
    if (set && !(m_nShowState & bit)) {
        m_nShowState |= bit;
        ++m_nShowCount;
    } else if (!set && (m_nShowState & bit)) {
        m_nShowState &= ~bit;
        --m_nShowCount;
    }
}

void CSizeGripState::OnDialogSize(UINT type)
{
    if (type == SIZE_MAXIMIZED)
        SetBit(GRIP_NOT_MAXIMIZED, false);
    else if (type != SIZE_MAXSHOW && type != SIZE_MAXHIDE)
        SetBit(GRIP_NOT_MAXIMIZED, true);
}

void CSizeGripState::OnFormViewSize(bool frameMaximized, CSize size, CSize designSize, bool frameThick,
                                    bool atFrameCorner)
{
    SetBit(GRIP_NOT_MAXIMIZED, !frameMaximized);
    SetBit(GRIP_NOT_SCROLLING, !(size.cx < designSize.cx || size.cy < designSize.cy));
    SetBit(GRIP_AT_CORNER, frameThick && atFrameCorner);
}
