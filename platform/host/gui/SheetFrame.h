// SheetFrame: a property sheet with a display, a view over host::PropertySheet: the host's
// Tools-Options dialog (modeless) and the sheets add-ins show with PropertySheetA (modal). A
// notebook with each page's view (the host's own page, an added page's CreatePageWindow, an
// extension page's pfnCreateWindow), and OK, Cancel and Apply bound to the sheet's own buttons
// (so Apply is enabled exactly when the logic says); the notebook follows the logic's active
// page, also when a script selects one.
#pragma once

#include "host/PropertySheet.h"

#include "ui/WindowBinding.h"

#include <memory>
#include <ostream>
#include <string>

#include <wx/dialog.h>
#include <wx/notebook.h>

class SheetFrame : public wxDialog {
public:
    // `ownPageText` is what the host's own page shows; `kind` begins the line written when the
    // window shows ("options", "sheet"). The frame is bound to the sheet's own window.
    SheetFrame(host::PropertySheet& sheet, std::ostream& out, wxWindow* parent, const std::string& ownPageText,
               const std::string& kind);
    ~SheetFrame() override;

    // Runs the sheet modally until the logic closes it.
    void RunModal();

private:
    // Called by the logic before it lets the pages go: their views go first.
    void DestroyPageViews();
    // Shows the logic's active page.
    void FollowState();

    host::PropertySheet& m_sheet;
    std::ostream& m_out;
    wxNotebook* m_notebook = nullptr;
    bool m_modal = false;
    bool m_detached = false; // the logic closed; it may be gone before this frame is deleted
    // The platform window the program and scripts know this window by.
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
};
