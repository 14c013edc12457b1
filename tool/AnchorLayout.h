// Anchors of child windows: each child is tied by its top-left and bottom-right corners to two
// points of the parent's layout rectangle, given in percent of its width and height, and keeps
// its distances to them when the parent is resized. Display-free: the host supplies the layout
// rectangle and the children's rectangles and moves the children as told.
#pragma once

#include "Geometry.h"

#include <functional>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

// A point of the parent in percent of its width (cx) and height (cy).
struct ANCHOR {
    int cx;
    int cy;
    friend bool operator==(const ANCHOR&, const ANCHOR&) = default;
};

inline constexpr ANCHOR TOP_LEFT{0, 0};
inline constexpr ANCHOR TOP_CENTER{50, 0};
inline constexpr ANCHOR TOP_RIGHT{100, 0};
inline constexpr ANCHOR MIDDLE_LEFT{0, 50};
inline constexpr ANCHOR MIDDLE_CENTER{50, 50};
inline constexpr ANCHOR MIDDLE_RIGHT{100, 50};
inline constexpr ANCHOR BOTTOM_LEFT{0, 100};
inline constexpr ANCHOR BOTTOM_CENTER{50, 100};
inline constexpr ANCHOR BOTTOM_RIGHT{100, 100};
inline constexpr ANCHOR NOANCHOR{-1, -1};

class CAnchorLayout {
public:
    using ChildId = const void*;

    struct LayoutItem {
        ChildId child = nullptr;
        ANCHOR anchorTL{};
        CSize marginTL;
        ANCHOR anchorBR{};
        CSize marginBR;
    };

    // One child to move: its new rectangle in the parent's client coordinates, and whether its
    // position and its size change.
    struct ChildMove {
        ChildId child = nullptr;
        CRect rect;
        bool move = false;
        bool size = false;
    };

    virtual ~CAnchorLayout() = default;

    // Ties a child; NOANCHOR as the second anchor means the first (the child moves and keeps its
    // size). A child added again replaces its earlier anchors.
    void AddAnchor(ChildId child, ANCHOR anchorTL, ANCHOR anchorBR = NOANCHOR);
    void RemoveAllAnchors();
    bool HasAnchor(ChildId child) const { return m_map.contains(child); }
    std::size_t AnchorCount() const { return m_items.size(); }

    // The children to move for the current layout rectangle, in the order they were added;
    // children that keep both position and size are left out.
    std::vector<ChildMove> CalcLayout() const;
    // Moves the children (CalcLayout, then MoveChildren).
    void ArrangeLayout();

protected:
    // The rectangle the anchors refer to, in the parent's client coordinates.
    virtual CRect GetLayoutRect() const = 0;
    // A child's window rectangle in the parent's client coordinates.
    virtual CRect GetChildRect(ChildId child) const = 0;
    // Moves the children together.
    virtual void MoveChildren(const std::vector<ChildMove>& moves) = 0;

private:
    std::list<LayoutItem> m_items;
    std::unordered_map<ChildId, std::list<LayoutItem>::iterator> m_map;
};
