// The wizard's store list on the screen: a toolkit report list over the display-free
// CCheckListCtrl. The toolkit's own selection is never kept: the model's selection is drawn in
// the row colours, so it looks the same with and without the focus, and marked rows are grey.
// Each row shows the store icon with its mark laid over it.
#pragma once

#include "CheckListCtrl.h"

#include <wx/imaglist.h>
#include <wx/listctrl.h>

class CCheckListView : public wxListCtrl {
public:
    CCheckListView(wxWindow* parent, wxWindowID id, CCheckListCtrl& model, const wxPoint& pos, const wxSize& size);
    ~CCheckListView() override;

    // The row images by mark: 0 unmarked, 1 and 2 the marked ones.
    void SetMarkImages(wxImageList* images);

private:
    void ShowAll();
    void ShowRow(int row);
    void OnSelected(wxListEvent& event);
    void OnSize(wxSizeEvent& event);

    CCheckListCtrl& m_model;
    int m_applying = 0;
};
