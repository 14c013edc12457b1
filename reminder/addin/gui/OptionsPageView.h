// The options page on the screen: a toolkit panel in the sheet's notebook with the page's
// controls on an inner panel of the page's own size, which the page's logic centres in the
// notebook's page area (CenterTabWindow); it follows the logic's showing and hiding of items.
#pragma once

#include "AddinViews.h"
#include "LayoutControls.h"

#include <wx/panel.h>

class OptionsPageView : public wxPanel, public IDialogView {
public:
    OptionsPageView(wxWindow* parent, IDialogModel& page);
    ~OptionsPageView() override;

    // IDialogView
    void OnShowItem(int id, bool show) override;
    void OnEnd(INT_PTR) override {}
    std::optional<RECT> TabDisplayArea() override;
    void MovePage(int x, int y) override;

private:
    IDialogModel& m_page;
    wxPanel* m_inner;
    LayoutControls m_controls;
};
