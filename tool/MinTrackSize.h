// The smallest size a resizable window may be given (its designed size). Of the framework's
// three limits only the minimum tracking size is ever set.
#pragma once

#include "Geometry.h"

class CMinTrackSize {
public:
    void SetMinTrackSize(CSize size);
    bool HasMinTrackSize() const { return m_bMinTrackSize; }
    CSize GetMinTrackSize() const { return m_minTrackSize; }
    // A size the user asks for, grown to the minimum where it falls short.
    CSize Constrain(CSize requested) const;

private:
    bool m_bMinTrackSize = false;
    CSize m_minTrackSize;
};
