// A tree control without a display: items with a text, an image, a state image (the marks or
// the check boxes), bold and expanded states, an expand button and owned data; one selected
// item; expansion and selection asked of the owner first, as the platform's notifications do.
// Classes built on it handle the notifications in their virtual handlers (a derived control's
// own rules) and pass them on to the dialog's hooks. A toolkit view shows it (ITreeCtrlView).
#pragma once

#include "base/ITreeCtrlView.h"
#include "base/TreeItem.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class CTreeCtrl {
public:
    CTreeCtrl();
    virtual ~CTreeCtrl();
    CTreeCtrl(const CTreeCtrl&) = delete;
    CTreeCtrl& operator=(const CTreeCtrl&) = delete;

    void SetView(ITreeCtrlView* view) { m_view = view; }

    // Items.
    HTREEITEM InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM insertAfter = TVI_LAST);
    HTREEITEM InsertItem(const std::string& text, HTREEITEM parent = TVI_ROOT, HTREEITEM insertAfter = TVI_LAST)
    {
        return InsertItem(text, 0, 0, parent, insertAfter);
    }
    BOOL DeleteItem(HTREEITEM item);
    BOOL DeleteAllItems();
    bool IsItem(HTREEITEM item) const;
    std::size_t GetCount() const { return m_items.size(); }

    // Navigation; TVI_ROOT or null as `item` of GetChildItem means the top level.
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    std::vector<HTREEITEM> GetChildren(HTREEITEM item) const;
    // The first child whose text is exactly `text`, or null.
    HTREEITEM FindChild(HTREEITEM item, const std::string& text) const;
    // Children inserted, or the expand button asked for by SetItemChildren.
    BOOL ItemHasChildren(HTREEITEM item) const;
    // The expand button (cChildren): 1 shows it before any child is loaded, 0 hides it.
    void SetItemChildren(HTREEITEM item, int cChildren);

    std::string GetItemText(HTREEITEM item) const;
    BOOL SetItemText(HTREEITEM item, const std::string& text);
    int GetItemImage(HTREEITEM item) const;
    BOOL SetItemImage(HTREEITEM item, int image, int selectedImage);
    UINT GetItemState(HTREEITEM item, UINT mask) const;
    BOOL SetItemState(HTREEITEM item, UINT state, UINT mask);
    int GetItemStateImage(HTREEITEM item) const { return static_cast<int>(GetItemState(item, TVIS_STATEIMAGEMASK) >> 12); }
    BOOL SetItemStateImage(HTREEITEM item, int image)
    {
        return SetItemState(item, INDEXTOSTATEIMAGEMASK(image), TVIS_STATEIMAGEMASK);
    }
    bool IsBold(HTREEITEM item) const { return (GetItemState(item, TVIS_BOLD) & TVIS_BOLD) != 0; }
    bool IsExpanded(HTREEITEM item) const { return (GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0; }
    CTreeItemData* GetItemData(HTREEITEM item) const;
    // The tree owns the data and deletes it with the item.
    BOOL SetItemData(HTREEITEM item, std::unique_ptr<CTreeItemData> data);

    // Check boxes (state image 1 unchecked, 2 checked).
    void SetCheckBoxes(bool on);
    bool HasCheckBoxes() const { return m_bCheckBoxes; }
    BOOL GetCheck(HTREEITEM item) const { return GetItemStateImage(item) == 2; }
    BOOL SetCheck(HTREEITEM item, BOOL check);

    // Expansion: TVE_EXPAND, TVE_COLLAPSE (| TVE_COLLAPSERESET drops the children), TVE_TOGGLE.
    // The owner may refuse (OnItemExpanding).
    BOOL Expand(HTREEITEM item, UINT action);
    // Selection: the owner may refuse (OnSelChanging). Null clears it.
    BOOL SelectItem(HTREEITEM item);
    HTREEITEM GetSelectedItem() const { return m_selected; }
    BOOL EnsureVisible(HTREEITEM item);
    BOOL SelectSetFirstVisible(HTREEITEM item);
    void SetFocus();
    bool HasFocus() const { return m_bFocus; }

    // What the user does in the view.
    void UserClickStateIcon(HTREEITEM item) { OnStateIconClick(item); }
    void UserKeyDown(int key, bool shift) { OnKeyDown(key, shift); }
    void UserDoubleClick(HTREEITEM item) { OnDoubleClick(item); }
    void UserFocus(bool focus);

    // The dialog's hooks (the notifications a parent gets).
    std::function<bool(HTREEITEM item, UINT action)> m_onItemExpanding; // true refuses
    std::function<void(HTREEITEM item, UINT action)> m_onItemExpanded;
    std::function<bool(HTREEITEM oldItem, HTREEITEM newItem)> m_onSelChanging; // true refuses
    std::function<void(HTREEITEM oldItem, HTREEITEM newItem)> m_onSelChanged;
    std::function<void(HTREEITEM item)> m_onStateIconClick;
    std::function<void(int key, bool shift)> m_onKeyDown;
    std::function<void(HTREEITEM item)> m_onDoubleClick;
    std::function<void(bool focus)> m_onFocus;

protected:
    // Handlers of the notifications; a derived control's rules, then the hooks. TRUE refuses.
    virtual BOOL OnItemExpanding(HTREEITEM item, UINT action);
    virtual void OnItemExpanded(HTREEITEM item, UINT action);
    virtual BOOL OnSelChanging(HTREEITEM oldItem, HTREEITEM newItem);
    virtual void OnSelChanged(HTREEITEM oldItem, HTREEITEM newItem);
    virtual void OnStateIconClick(HTREEITEM item);
    virtual void OnKeyDown(int key, bool shift);
    virtual void OnDoubleClick(HTREEITEM item);
    // The item and its data go (TVN_DELETEITEM).
    virtual void OnDeleteItemData(HTREEITEM item) { (void)item; }

private:
    struct Item {
        HTREEITEM parent = nullptr;
        std::vector<HTREEITEM> children;
        std::string text;
        int image = 0;
        int selectedImage = 0;
        UINT state = 0;
        int cChildren = -1; // not set: the children decide
        std::unique_ptr<CTreeItemData> data;
    };

    Item* Find(HTREEITEM item);
    const Item* Find(HTREEITEM item) const;
    std::vector<HTREEITEM>& Siblings(HTREEITEM parent);
    const std::vector<HTREEITEM>& Siblings(HTREEITEM parent) const;
    void DeleteTree(HTREEITEM item);
    void Changed(HTREEITEM item);

    std::unordered_map<ULONG_PTR, Item> m_items;
    std::vector<HTREEITEM> m_roots;
    ULONG_PTR m_nextId = 1;
    HTREEITEM m_selected = nullptr;
    bool m_bCheckBoxes = false;
    bool m_bFocus = false;
    std::set<HTREEITEM> m_expanding;
    ITreeCtrlView* m_view = nullptr;
};
