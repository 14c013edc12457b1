#include "MinTrackSize.h"

#include <algorithm>

void CMinTrackSize::SetMinTrackSize(CSize size)
{
    m_minTrackSize = size;
    m_bMinTrackSize = true;
}

CSize CMinTrackSize::Constrain(CSize requested) const
{
    if (!m_bMinTrackSize)
        return requested;
    return {std::max(requested.cx, m_minTrackSize.cx), std::max(requested.cy, m_minTrackSize.cy)};
}
