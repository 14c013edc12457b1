#include "AnchorLayout.h"

void CAnchorLayout::AddAnchor(ChildId child, ANCHOR anchorTL, ANCHOR anchorBR)
{
    if (anchorBR == NOANCHOR)
        anchorBR = anchorTL;
    const CRect layout = GetLayoutRect();
    CRect rc = GetChildRect(child);
    rc.OffsetRect(-layout.left, -layout.top);
    const int w = layout.Width();
    const int h = layout.Height();

    LayoutItem item;
    item.child = child;
    item.anchorTL = anchorTL;
    item.marginTL = {rc.left - anchorTL.cx * w / 100, rc.top - anchorTL.cy * h / 100};
    item.anchorBR = anchorBR;
    item.marginBR = {rc.right - anchorBR.cx * w / 100, rc.bottom - anchorBR.cy * h / 100};

    if (const auto it = m_map.find(child); it != m_map.end()) {
        *it->second = item;
        return;
    }
    m_items.push_back(item);
    m_map.emplace(child, std::prev(m_items.end()));
}

void CAnchorLayout::RemoveAllAnchors()
{
    m_map.clear();
    m_items.clear();
}

std::vector<CAnchorLayout::ChildMove> CAnchorLayout::CalcLayout() const
{
    const CRect layout = GetLayoutRect();
    const int w = layout.Width();
    const int h = layout.Height();
    std::vector<ChildMove> moves;
    moves.reserve(m_items.size());
    for (const LayoutItem& item : m_items) {
        CRect rc;
        rc.left = item.marginTL.cx + w * item.anchorTL.cx / 100;
        rc.top = item.marginTL.cy + h * item.anchorTL.cy / 100;
        rc.right = item.marginBR.cx + w * item.anchorBR.cx / 100;
        rc.bottom = item.marginBR.cy + h * item.anchorBR.cy / 100;
        rc.OffsetRect(layout.left, layout.top);
        const CRect old = GetChildRect(item.child);
        ChildMove move;
        move.child = item.child;
        move.rect = rc;
        move.move = rc.left != old.left || rc.top != old.top;
        move.size = rc.Width() != old.Width() || rc.Height() != old.Height();
        if (move.move || move.size)
            moves.push_back(move);
    }
    return moves;
}

void CAnchorLayout::ArrangeLayout()
{
    const std::vector<ChildMove> moves = CalcLayout();
    if (!moves.empty())
        MoveChildren(moves);
}
