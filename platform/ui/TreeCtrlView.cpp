#include "ui/TreeCtrlView.h"

#include <wx/dcmemory.h>
#include <wx/renderer.h>

namespace {

// Blank, unchecked and checked boxes: the state images while the model has check boxes.
wxImageList* CheckImages(wxWindow* window)
{
    auto* list = new wxImageList(16, 16, true, 3);
    for (int state = 0; state < 3; ++state) {
        wxBitmap bitmap(16, 16, 32);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            if (state > 0)
                wxRendererNative::Get().DrawCheckBox(window, dc, wxRect(1, 1, 14, 14),
                                                     state == 2 ? static_cast<int>(wxCONTROL_CHECKED) : 0);
        }
        wxImage image = bitmap.ConvertToImage();
        if (state == 0) {
            if (!image.HasAlpha())
                image.InitAlpha();
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    image.SetAlpha(x, y, 0);
        }
        list->Add(wxBitmap(image));
    }
    return list;
}

} // namespace

CTreeCtrlView::CTreeCtrlView(wxWindow* parent, wxWindowID id, CTreeCtrl& model, const wxPoint& pos,
                             const wxSize& size)
    : wxTreeCtrl(parent, id, pos, size,
                 wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxTR_SINGLE | wxBORDER_SUNKEN),
      m_model(model)
{
    m_root = AddRoot("");
    m_checks.reset(CheckImages(this));
    m_model.SetView(this);
    ShowAll(nullptr);
    UseStateImages();

    Bind(wxEVT_TREE_ITEM_EXPANDING, [this](wxTreeEvent& event) {
        if (m_applying)
            return;
        event.Veto();
        const HTREEITEM item = ModelItem(event.GetItem());
        CallAfter([this, item] { m_model.Expand(item, TVE_EXPAND); });
    });
    Bind(wxEVT_TREE_ITEM_COLLAPSING, [this](wxTreeEvent& event) {
        if (m_applying)
            return;
        event.Veto();
        const HTREEITEM item = ModelItem(event.GetItem());
        CallAfter([this, item] { m_model.Expand(item, TVE_COLLAPSE); });
    });
    Bind(wxEVT_TREE_SEL_CHANGING, [this](wxTreeEvent& event) {
        if (m_applying)
            return;
        event.Veto();
        const HTREEITEM item = ModelItem(event.GetItem());
        CallAfter([this, item] { m_model.SelectItem(item); });
    });
    Bind(wxEVT_TREE_STATE_IMAGE_CLICK, [this](wxTreeEvent& event) {
        const HTREEITEM item = ModelItem(event.GetItem());
        CallAfter([this, item] { m_model.UserClickStateIcon(item); });
    });
    Bind(wxEVT_TREE_KEY_DOWN, [this](wxTreeEvent& event) {
        const wxKeyEvent& key = event.GetKeyEvent();
        if (key.GetKeyCode() == WXK_SPACE) {
            const bool shift = key.ShiftDown();
            CallAfter([this, shift] { m_model.UserKeyDown(0x20, shift); });
            return;
        }
        event.Skip();
    });
    Bind(wxEVT_TREE_ITEM_ACTIVATED, [this](wxTreeEvent& event) {
        const HTREEITEM item = ModelItem(event.GetItem());
        CallAfter([this, item] { m_model.UserDoubleClick(item); });
    });
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        m_model.UserFocus(true);
        event.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        m_model.UserFocus(false);
        event.Skip();
    });
}

CTreeCtrlView::~CTreeCtrlView() { m_model.SetView(nullptr); }

void CTreeCtrlView::SetImages(wxImageList* images)
{
    m_images.reset(images);
    SetImageList(images);
    // Items the model had before the images came show theirs now.
    for (const auto& [item, id] : m_ids)
        ShowItem(item, id);
}

void CTreeCtrlView::SetMarkImages(wxImageList* marks)
{
    m_marks.reset(marks);
    UseStateImages();
}

void CTreeCtrlView::UseStateImages()
{
    SetStateImageList(m_model.HasCheckBoxes() ? m_checks.get() : m_marks.get());
}

wxTreeItemId CTreeCtrlView::ItemId(HTREEITEM item) const
{
    const auto it = m_ids.find(item);
    return it == m_ids.end() ? wxTreeItemId() : it->second;
}

HTREEITEM CTreeCtrlView::ModelItem(const wxTreeItemId& id) const
{
    const auto it = m_items.find(id.GetID());
    return it == m_items.end() ? nullptr : it->second;
}

void CTreeCtrlView::ShowItem(HTREEITEM item, const wxTreeItemId& id)
{
    ++m_applying;
    SetItemText(id, wxString::FromUTF8(m_model.GetItemText(item)));
    const int image = m_model.GetItemImage(item);
    SetItemImage(id, m_images ? image : -1);
    SetItemImage(id, m_images ? image : -1, wxTreeItemIcon_Selected);
    SetItemBold(id, m_model.IsBold(item));
    const int state = m_model.GetItemStateImage(item);
    SetItemState(id, state > 0 ? state : wxTREE_ITEMSTATE_NONE);
    SetItemHasChildren(id, m_model.ItemHasChildren(item) != FALSE);
    --m_applying;
}

void CTreeCtrlView::ShowAll(HTREEITEM parent)
{
    std::size_t index = 0;
    for (HTREEITEM child : m_model.GetChildren(parent)) {
        if (!ItemId(child).IsOk())
            OnInsertItem(child, parent, index);
        ShowAll(child);
        ++index;
    }
}

void CTreeCtrlView::OnInsertItem(HTREEITEM item, HTREEITEM parent, std::size_t index)
{
    const wxTreeItemId parentId = parent ? ItemId(parent) : m_root;
    if (!parentId.IsOk())
        return;
    ++m_applying;
    const wxTreeItemId id = InsertItem(parentId, index, wxString::FromUTF8(m_model.GetItemText(item)));
    --m_applying;
    m_ids[item] = id;
    m_items[id.GetID()] = item;
    ShowItem(item, id);
}

void CTreeCtrlView::OnDeleteItem(HTREEITEM item)
{
    const wxTreeItemId id = ItemId(item);
    if (!id.IsOk())
        return;
    m_ids.erase(item);
    m_items.erase(id.GetID());
    ++m_applying;
    Delete(id);
    --m_applying;
}

void CTreeCtrlView::OnItemChanged(HTREEITEM item)
{
    if (const wxTreeItemId id = ItemId(item); id.IsOk())
        ShowItem(item, id);
}

void CTreeCtrlView::OnExpand(HTREEITEM item, bool expanded)
{
    const wxTreeItemId id = ItemId(item);
    if (!id.IsOk())
        return;
    ++m_applying;
    if (expanded)
        Expand(id);
    else
        Collapse(id);
    --m_applying;
}

void CTreeCtrlView::OnSelect(HTREEITEM item)
{
    ++m_applying;
    if (const wxTreeItemId id = ItemId(item); id.IsOk())
        SelectItem(id);
    else
        Unselect();
    --m_applying;
}

void CTreeCtrlView::OnEnsureVisible(HTREEITEM item)
{
    if (const wxTreeItemId id = ItemId(item); id.IsOk()) {
        ++m_applying;
        EnsureVisible(id);
        --m_applying;
    }
}

void CTreeCtrlView::OnSetFirstVisible(HTREEITEM item)
{
    if (const wxTreeItemId id = ItemId(item); id.IsOk()) {
        ++m_applying;
        ScrollTo(id);
        --m_applying;
    }
}

void CTreeCtrlView::OnStyleChanged()
{
    UseStateImages();
    for (const auto& [item, id] : m_ids)
        ShowItem(item, id);
    Refresh();
}

void CTreeCtrlView::OnSetFocus() { SetFocus(); }
