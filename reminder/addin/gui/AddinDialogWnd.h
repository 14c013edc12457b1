// A dialog of the add-in on the screen: a toolkit dialog with the controls of the dialog's
// layout, bound to the dialog's window (caption, placement, closing) and told by the logic
// what changes (items shown or hidden, the end of a modal run). A dialog that names a tree it
// has no control for (the zoom dialog) borrows that tree's view into its frame while it runs,
// and gives it back at its end. A resizable one lets its frames and trees grow and keeps its
// buttons in the bottom-right corner.
#pragma once

#include "AddinViews.h"
#include "LayoutControls.h"
#include "ui/WindowBinding.h"

#include <wx/dialog.h>

#include <memory>

class AddinDialogWnd : public wxDialog, public IDialogView {
public:
    AddinDialogWnd(wxWindow* parent, IDialogModel& model);
    ~AddinDialogWnd() override;

    // Runs the dialog modally until its logic ends it; its result.
    INT_PTR Run();

    // IDialogView
    void OnShowItem(int id, bool show) override;
    void OnEnd(INT_PTR result) override;
    void OnModelGone() override;

private:
    void BorrowTree();
    void ReturnTree();
    void FollowSize();

    IDialogModel& m_model;
    bool m_modelGone = false;
    LayoutControls m_controls;
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
    wxSize m_initialClient;
    // The borrowed tree view, its home and its place there.
    wxWindow* m_tree = nullptr;
    wxWindow* m_treeHome = nullptr;
    wxRect m_treeHomeRect;
    wxRect m_treeRect;
};
