// Anchors over toolkit children: the children are wx windows of the host, moved and sized
// in its client coordinates.
#pragma once

#include "AnchorLayout.h"

#include <wx/window.h>

class CWxAnchorLayout : public CAnchorLayout {
public:
    void AddAnchor(wxWindow* child, ANCHOR anchorTL, ANCHOR anchorBR = NOANCHOR)
    {
        CAnchorLayout::AddAnchor(child, anchorTL, anchorBR);
    }

protected:
    CRect GetChildRect(ChildId child) const override
    {
        const wxRect r = static_cast<const wxWindow*>(child)->GetRect();
        return {r.x, r.y, r.x + r.width, r.y + r.height};
    }
    void MoveChildren(const std::vector<ChildMove>& moves) override
    {
        for (const ChildMove& move : moves)
            const_cast<wxWindow*>(static_cast<const wxWindow*>(move.child))
                ->SetSize(move.rect.left, move.rect.top, move.rect.Width(), move.rect.Height());
    }
};
