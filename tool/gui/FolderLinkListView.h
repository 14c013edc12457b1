// The association list on the screen: a toolkit report list over the CFolderLinkListCtrl model,
// with the folder kinds', the link's and the run's images in its columns. Columns 0 and 2 share
// the width; the paths are shortened to them in the list's font.
#pragma once

#include "FolderLinkListCtrl.h"

#include <wx/listctrl.h>

#include <functional>

class CFolderLinkListView : public wxListCtrl {
public:
    CFolderLinkListView(wxWindow* parent, wxWindowID id, CFolderLinkListCtrl& model, const wxPoint& pos,
                        const wxSize& size);

    // The model's row changed (-1: all rows, and their number may have changed).
    void RefreshRow(int row);
    void EnsureRowVisible(int row);

    // A double click or Enter on a row.
    std::function<void(int row)> m_onActivated;

private:
    void UpdateRow(int row);
    void Relayout();
    void OnSize(wxSizeEvent& event);
    void OnSelected(wxListEvent& event);
    void OnDeselected(wxListEvent& event);
    void OnActivated(wxListEvent& event);

    CFolderLinkListCtrl& m_model;
    bool m_bSyncing = false;
};
