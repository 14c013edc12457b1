#include "base/TreeCtrl.h"

#include <algorithm>
#include <cctype>

namespace {

ULONG_PTR IdOf(HTREEITEM item) { return reinterpret_cast<ULONG_PTR>(item); }

// Sorted insertion compares texts without regard to letter case, as the platform's tree does.
int CompareText(const std::string& a, const std::string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool IsSpecial(HTREEITEM item) { return item == TVI_ROOT || item == TVI_FIRST || item == TVI_LAST || item == TVI_SORT; }

} // namespace

CTreeCtrl::CTreeCtrl() = default;

CTreeCtrl::~CTreeCtrl()
{
    // The data goes without notifications: the owner is going too.
    m_view = nullptr;
    m_items.clear();
}

CTreeCtrl::Item* CTreeCtrl::Find(HTREEITEM item)
{
    if (!item || IsSpecial(item))
        return nullptr;
    const auto it = m_items.find(IdOf(item));
    return it == m_items.end() ? nullptr : &it->second;
}

const CTreeCtrl::Item* CTreeCtrl::Find(HTREEITEM item) const { return const_cast<CTreeCtrl*>(this)->Find(item); }

bool CTreeCtrl::IsItem(HTREEITEM item) const { return Find(item) != nullptr; }

std::vector<HTREEITEM>& CTreeCtrl::Siblings(HTREEITEM parent)
{
    Item* p = Find(parent);
    return p ? p->children : m_roots;
}

const std::vector<HTREEITEM>& CTreeCtrl::Siblings(HTREEITEM parent) const
{
    return const_cast<CTreeCtrl*>(this)->Siblings(parent);
}

void CTreeCtrl::Changed(HTREEITEM item)
{
    if (m_view)
        m_view->OnItemChanged(item);
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                                HTREEITEM insertAfter)
{
    if (parent == TVI_ROOT)
        parent = nullptr;
    if (parent && !Find(parent))
        return nullptr;
    const HTREEITEM item = reinterpret_cast<HTREEITEM>(m_nextId++);
    Item entry;
    entry.parent = parent;
    entry.text = text;
    entry.image = image;
    entry.selectedImage = selectedImage;
    if (m_bCheckBoxes)
        entry.state = INDEXTOSTATEIMAGEMASK(1);
    std::vector<HTREEITEM>& siblings = Siblings(parent);
    std::size_t index = siblings.size();
    if (insertAfter == TVI_FIRST) {
        index = 0;
    } else if (insertAfter == TVI_SORT) {
        index = 0;
        while (index < siblings.size() && CompareText(Find(siblings[index])->text, text) <= 0)
            ++index;
    } else if (insertAfter != TVI_LAST && insertAfter) {
        const auto it = std::find(siblings.begin(), siblings.end(), insertAfter);
        if (it != siblings.end())
            index = static_cast<std::size_t>(it - siblings.begin()) + 1;
    }
    m_items.emplace(IdOf(item), std::move(entry));
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(index), item);
    if (m_view)
        m_view->OnInsertItem(item, parent, index);
    if (parent && Find(parent)->children.size() == 1)
        Changed(parent); // its expand button
    return item;
}

void CTreeCtrl::DeleteTree(HTREEITEM item)
{
    Item* entry = Find(item);
    if (!entry)
        return;
    for (HTREEITEM child : std::vector<HTREEITEM>(entry->children))
        DeleteTree(child);
    OnDeleteItemData(item);
    if (m_selected == item) {
        m_selected = nullptr;
        if (m_view)
            m_view->OnSelect(nullptr);
    }
    if (m_view)
        m_view->OnDeleteItem(item);
    entry = Find(item);
    if (!entry)
        return;
    std::vector<HTREEITEM>& siblings = Siblings(entry->parent);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
    m_expanding.erase(item);
    m_items.erase(IdOf(item));
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item)
{
    if (item == TVI_ROOT || !item)
        return DeleteAllItems();
    Item* entry = Find(item);
    if (!entry)
        return FALSE;
    const HTREEITEM parent = entry->parent;
    DeleteTree(item);
    if (Item* p = Find(parent); p && p->children.empty()) {
        if (p->state & TVIS_EXPANDED) {
            p->state &= ~static_cast<UINT>(TVIS_EXPANDED);
            if (m_view)
                m_view->OnExpand(parent, false);
        }
        Changed(parent);
    }
    return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems()
{
    for (HTREEITEM root : std::vector<HTREEITEM>(m_roots))
        DeleteTree(root);
    return TRUE;
}

HTREEITEM CTreeCtrl::GetRootItem() const { return m_roots.empty() ? nullptr : m_roots.front(); }

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return GetRootItem();
    const Item* entry = Find(item);
    return entry && !entry->children.empty() ? entry->children.front() : nullptr;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const
{
    const Item* entry = Find(item);
    if (!entry)
        return nullptr;
    const std::vector<HTREEITEM>& siblings = Siblings(entry->parent);
    const auto it = std::find(siblings.begin(), siblings.end(), item);
    return it != siblings.end() && it + 1 != siblings.end() ? *(it + 1) : nullptr;
}

HTREEITEM CTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const
{
    const Item* entry = Find(item);
    if (!entry)
        return nullptr;
    const std::vector<HTREEITEM>& siblings = Siblings(entry->parent);
    const auto it = std::find(siblings.begin(), siblings.end(), item);
    return it != siblings.end() && it != siblings.begin() ? *(it - 1) : nullptr;
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const
{
    const Item* entry = Find(item);
    return entry ? entry->parent : nullptr;
}

std::vector<HTREEITEM> CTreeCtrl::GetChildren(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return m_roots;
    const Item* entry = Find(item);
    return entry ? entry->children : std::vector<HTREEITEM>();
}

HTREEITEM CTreeCtrl::FindChild(HTREEITEM item, const std::string& text) const
{
    for (HTREEITEM child : GetChildren(item))
        if (GetItemText(child) == text)
            return child;
    return nullptr;
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM item) const
{
    const Item* entry = Find(item);
    if (!entry)
        return FALSE;
    return !entry->children.empty() || entry->cChildren > 0;
}

void CTreeCtrl::SetItemChildren(HTREEITEM item, int cChildren)
{
    if (Item* entry = Find(item)) {
        entry->cChildren = cChildren;
        Changed(item);
    }
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const
{
    const Item* entry = Find(item);
    return entry ? entry->text : std::string();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const std::string& text)
{
    Item* entry = Find(item);
    if (!entry)
        return FALSE;
    entry->text = text;
    Changed(item);
    return TRUE;
}

int CTreeCtrl::GetItemImage(HTREEITEM item) const
{
    const Item* entry = Find(item);
    return entry ? entry->image : -1;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM item, int image, int selectedImage)
{
    Item* entry = Find(item);
    if (!entry)
        return FALSE;
    entry->image = image;
    entry->selectedImage = selectedImage;
    Changed(item);
    return TRUE;
}

UINT CTreeCtrl::GetItemState(HTREEITEM item, UINT mask) const
{
    const Item* entry = Find(item);
    return entry ? entry->state & mask : 0;
}

BOOL CTreeCtrl::SetItemState(HTREEITEM item, UINT state, UINT mask)
{
    Item* entry = Find(item);
    if (!entry)
        return FALSE;
    // The expanded state follows Expand only.
    mask &= ~static_cast<UINT>(TVIS_EXPANDED);
    const UINT next = (entry->state & ~mask) | (state & mask);
    if (next != entry->state) {
        entry->state = next;
        Changed(item);
    }
    return TRUE;
}

CTreeItemData* CTreeCtrl::GetItemData(HTREEITEM item) const
{
    const Item* entry = Find(item);
    return entry ? entry->data.get() : nullptr;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, std::unique_ptr<CTreeItemData> data)
{
    Item* entry = Find(item);
    if (!entry)
        return FALSE;
    entry->data = std::move(data);
    return TRUE;
}

void CTreeCtrl::SetCheckBoxes(bool on)
{
    m_bCheckBoxes = on;
    for (auto& [id, entry] : m_items) {
        const UINT image = on ? INDEXTOSTATEIMAGEMASK(1) : 0;
        if (!on || (entry.state & TVIS_STATEIMAGEMASK) == 0)
            entry.state = (entry.state & ~static_cast<UINT>(TVIS_STATEIMAGEMASK)) | image;
    }
    if (m_view)
        m_view->OnStyleChanged();
}

BOOL CTreeCtrl::SetCheck(HTREEITEM item, BOOL check) { return SetItemStateImage(item, check ? 2 : 1); }

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT action)
{
    Item* entry = Find(item);
    if (!entry)
        return FALSE;
    UINT code = action & TVE_ACTIONMASK;
    const bool expanded = (entry->state & TVIS_EXPANDED) != 0;
    if (code == TVE_TOGGLE)
        code = expanded ? TVE_COLLAPSE : TVE_EXPAND;
    if (code == TVE_EXPAND && expanded)
        return TRUE;
    if (code == TVE_EXPAND && !ItemHasChildren(item))
        return FALSE;
    // A handler that expands or collapses its own item acts without being asked again.
    const bool nested = m_expanding.contains(item);
    if (!nested) {
        m_expanding.insert(item);
        const BOOL refused = OnItemExpanding(item, code | (action & TVE_COLLAPSERESET));
        m_expanding.erase(item);
        if (refused || !(entry = Find(item)))
            return FALSE;
    }
    if (code == TVE_COLLAPSE) {
        if (action & TVE_COLLAPSERESET) {
            for (HTREEITEM child : std::vector<HTREEITEM>(entry->children))
                DeleteTree(child);
            entry = Find(item);
            if (!entry)
                return FALSE;
        }
        if (action & TVE_COLLAPSERESET)
            entry->state &= ~static_cast<UINT>(TVIS_EXPANDEDONCE);
        if (entry->state & TVIS_EXPANDED) {
            entry->state &= ~static_cast<UINT>(TVIS_EXPANDED);
            if (m_view)
                m_view->OnExpand(item, false);
        }
        if (action & TVE_COLLAPSERESET)
            Changed(item);
    } else {
        if (entry->children.empty())
            return FALSE; // nothing came: the item stays as it was
        entry->state |= TVIS_EXPANDEDONCE;
        if (!(entry->state & TVIS_EXPANDED)) {
            entry->state |= TVIS_EXPANDED;
            if (m_view)
                m_view->OnExpand(item, true);
        }
    }
    if (!nested)
        OnItemExpanded(item, code);
    return TRUE;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM item)
{
    if (item && !Find(item))
        return FALSE;
    if (item == m_selected)
        return TRUE;
    const HTREEITEM old = m_selected;
    if (OnSelChanging(old, item))
        return FALSE;
    if (item && !Find(item))
        return FALSE;
    m_selected = item;
    // The selected item's ancestors open, as the platform's tree does.
    for (HTREEITEM parent = GetParentItem(item); parent; parent = GetParentItem(parent)) {
        if (Item* p = Find(parent); p && !(p->state & TVIS_EXPANDED)) {
            p->state |= TVIS_EXPANDED;
            if (m_view)
                m_view->OnExpand(parent, true);
        }
    }
    if (m_view)
        m_view->OnSelect(item);
    OnSelChanged(IsItem(old) ? old : nullptr, item);
    return TRUE;
}

BOOL CTreeCtrl::EnsureVisible(HTREEITEM item)
{
    if (!Find(item))
        return FALSE;
    if (m_view)
        m_view->OnEnsureVisible(item);
    return TRUE;
}

BOOL CTreeCtrl::SelectSetFirstVisible(HTREEITEM item)
{
    if (!Find(item))
        return FALSE;
    if (m_view)
        m_view->OnSetFirstVisible(item);
    return TRUE;
}

void CTreeCtrl::SetFocus()
{
    if (m_view)
        m_view->OnSetFocus(); // the display reports the focus it gets
    else
        UserFocus(true);
}

void CTreeCtrl::UserFocus(bool focus)
{
    if (m_bFocus == focus)
        return;
    m_bFocus = focus;
    if (m_onFocus)
        m_onFocus(focus);
}

BOOL CTreeCtrl::OnItemExpanding(HTREEITEM item, UINT action)
{
    return m_onItemExpanding && m_onItemExpanding(item, action) ? TRUE : FALSE;
}

void CTreeCtrl::OnItemExpanded(HTREEITEM item, UINT action)
{
    if (m_onItemExpanded)
        m_onItemExpanded(item, action);
}

BOOL CTreeCtrl::OnSelChanging(HTREEITEM oldItem, HTREEITEM newItem)
{
    return m_onSelChanging && m_onSelChanging(oldItem, newItem) ? TRUE : FALSE;
}

void CTreeCtrl::OnSelChanged(HTREEITEM oldItem, HTREEITEM newItem)
{
    if (m_onSelChanged)
        m_onSelChanged(oldItem, newItem);
}

void CTreeCtrl::OnStateIconClick(HTREEITEM item)
{
    if (m_onStateIconClick)
        m_onStateIconClick(item);
}

void CTreeCtrl::OnKeyDown(int key, bool shift)
{
    if (m_onKeyDown)
        m_onKeyDown(key, shift);
}

void CTreeCtrl::OnDoubleClick(HTREEITEM item)
{
    if (m_onDoubleClick)
        m_onDoubleClick(item);
}
