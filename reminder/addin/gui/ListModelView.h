// A report list of the add-in on the screen: a toolkit data view over a list model (IListModel).
// It shows the model's columns, rows, icons, check boxes and selection, follows the model's
// changes, and hands the user's selection, double clicks, check boxes, header menu, moved and
// sized columns back to the model.
#pragma once

#include "base/WinMessages.h"
// After the platform types it uses.
#include "IListModel.h"

#include <wx/dataview.h>

class ListModelView : public wxDataViewCtrl {
public:
    ListModelView(wxWindow* parent, IListModel& model, const wxPoint& position, const wxSize& size);
    ~ListModelView() override;

private:
    class Rows;

    // Brings the view up to the model's changes since the last time.
    void Sync();
    void MakeColumns();
    void ShowRows();
    void ShowSelection();
    // The model column of a view column (-1: the check box column).
    int ModelColumn(const wxDataViewColumn* column) const;
    void ReportHeader();

    IListModel& m_model;
    wxObjectDataPtr<Rows> m_rows;
    bool m_checks = false;
    // While the view tells the model what it shows, the model's echo changes nothing.
    bool m_quiet = false;
    bool m_gone = false;
    bool m_syncPending = false;
    bool m_columnsDirty = false;
    bool m_rowsDirty = false;
    bool m_selectionDirty = false;
};
