// A tree control on the screen: a toolkit tree over the display-free CTreeCtrl. It shows the
// model's items, images, marks or check boxes, bold items and expand buttons, and hands what
// the user does (opening, closing, selecting, clicking a mark or check box, keys, the focus)
// to the model, which decides and tells it what to show.
#pragma once

#include "base/TreeCtrl.h"

#include <wx/imaglist.h>
#include <wx/treectrl.h>

#include <map>
#include <memory>
#include <unordered_map>

class CTreeCtrlView : public wxTreeCtrl, public ITreeCtrlView {
public:
    CTreeCtrlView(wxWindow* parent, wxWindowID id, CTreeCtrl& model, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize);
    ~CTreeCtrlView() override;

    // The item images and the state images shown while the model has no check boxes (index 0
    // for none); the view keeps them.
    void SetImages(wxImageList* images);
    void SetMarkImages(wxImageList* marks);
    // The toolkit item of a model item (invalid for none).
    wxTreeItemId ItemId(HTREEITEM item) const;

    // ITreeCtrlView
    void OnInsertItem(HTREEITEM item, HTREEITEM parent, std::size_t index) override;
    void OnDeleteItem(HTREEITEM item) override;
    void OnItemChanged(HTREEITEM item) override;
    void OnExpand(HTREEITEM item, bool expanded) override;
    void OnSelect(HTREEITEM item) override;
    void OnEnsureVisible(HTREEITEM item) override;
    void OnSetFirstVisible(HTREEITEM item) override;
    void OnStyleChanged() override;
    void OnSetFocus() override;

private:
    HTREEITEM ModelItem(const wxTreeItemId& id) const;
    void ShowItem(HTREEITEM item, const wxTreeItemId& id);
    void ShowAll(HTREEITEM parent);
    void UseStateImages();

    CTreeCtrl& m_model;
    wxTreeItemId m_root;
    std::unordered_map<HTREEITEM, wxTreeItemId> m_ids;
    std::map<void*, HTREEITEM> m_items;
    std::unique_ptr<wxImageList> m_images;
    std::unique_ptr<wxImageList> m_marks;
    std::unique_ptr<wxImageList> m_checks;
    // While the view carries out the model's changes its own events are not the user's.
    int m_applying = 0;
};
