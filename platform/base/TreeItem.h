// Handles and flags of tree-control items, and the data an item may carry.
#pragma once

#include "base/WinTypes.h"

struct _TREEITEM;
using HTREEITEM = _TREEITEM*;

// Insertion places: as the first or the last child, or sorted by text.
#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFE)))
#define TVI_SORT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFD)))

// Expand actions.
#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003
#define TVE_ACTIONMASK 0x0003
#define TVE_COLLAPSERESET 0x8000

// Item states: bold, expanded, expanded at least once (until a collapse that drops the
// children), and the state image in the four bits from 12 on.
#define TVIS_BOLD 0x0010
#define TVIS_EXPANDED 0x0020
#define TVIS_EXPANDEDONCE 0x0040
#define TVIS_STATEIMAGEMASK 0xF000
#define INDEXTOSTATEIMAGEMASK(i) (static_cast<UINT>(i) << 12)

// What an item carries for its owner; the tree deletes it with the item.
class CTreeItemData {
public:
    virtual ~CTreeItemData() = default;
};
