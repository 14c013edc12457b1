// What a display shows of a tree control (CTreeCtrl): it is told every change the program makes
// to the items, their expansion, the selection and the check-box style, and shows it.
#pragma once

#include "base/TreeItem.h"

#include <cstddef>

class ITreeCtrlView {
public:
    virtual ~ITreeCtrlView() = default;

    // A new item at `index` among the children of `parent` (null: the top level).
    virtual void OnInsertItem(HTREEITEM item, HTREEITEM parent, std::size_t index) = 0;
    // The item goes (its children have gone before it).
    virtual void OnDeleteItem(HTREEITEM item) = 0;
    // Text, images, bold, check state or expand button changed.
    virtual void OnItemChanged(HTREEITEM item) = 0;
    virtual void OnExpand(HTREEITEM item, bool expanded) = 0;
    // The selection moved (null: none).
    virtual void OnSelect(HTREEITEM item) = 0;
    virtual void OnEnsureVisible(HTREEITEM item) = 0;
    // The item is to be the first visible one.
    virtual void OnSetFirstVisible(HTREEITEM item) = 0;
    // Check boxes were switched on or off.
    virtual void OnStyleChanged() = 0;
    virtual void OnSetFocus() = 0;
};
