// Small value types for window geometry in client or screen pixels.
#pragma once

#include <algorithm>

struct CSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const CSize&, const CSize&) = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return {Width(), Height()}; }
    bool IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
    void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    // True when `inner` lies wholly inside this rectangle.
    bool Contains(const CRect& inner) const
    {
        return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
    }
    friend bool operator==(const CRect&, const CRect&) = default;
};
