// The profile list on the screen: a toolkit data view over the CProfileListCtrl model. A row
// shows its check box (drawn inactive while the profile's stores are missing or another checked
// profile shares one), its name (red while a store is missing) and the run's mark as an icon;
// a failed run's reason is the row's tip. A click on a check box asks the model, which may refuse
// it; a selection the view refuses is put back.
#pragma once

#include "ProfileListCtrl.h"

#include <wx/bitmap.h>
#include <wx/dataview.h>

#include <functional>
#include <vector>

class CProfileListView : public wxDataViewListCtrl {
public:
    CProfileListView(wxWindow* parent, wxWindowID id, CProfileListCtrl& model, const wxPoint& pos, const wxSize& size);

    // The model's row changed (-1: all rows, and their number may have changed).
    void RefreshRow(int row);
    void EnsureRowVisible(int row);
    // Column 0 of the profile names fitted to their texts.
    void FitNameColumn();

    // A double click or Enter on a row.
    std::function<void(int row)> m_onActivated;

private:
    enum : unsigned { COLUMN_CHECK = 0, COLUMN_NAME = 1, COLUMN_MARK = 2 };

    std::vector<wxVariant> RowValues(int row) const;
    void SyncSelection();
    void OnSelectionChanged(wxDataViewEvent& event);
    void OnActivated(wxDataViewEvent& event);
    void OnMotion(wxMouseEvent& event);

    CProfileListCtrl& m_model;
    std::vector<wxBitmap> m_marks;
    bool m_bSyncing = false;
    wxDataViewColumn* m_nameColumn = nullptr;
};
