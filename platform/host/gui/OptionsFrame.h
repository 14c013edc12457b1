// OptionsFrame: the Tools-Options dialog with a display, a view over OptionsDialog: a notebook
// with the host's own page and each extension page's view (made by the page's
// pfnCreateWindow), and OK, Cancel and Apply, which go through the logic's notifications.
#pragma once

#include "host/OptionsDialog.h"

#include "ui/WindowBinding.h"

#include <memory>

#include <wx/dialog.h>
#include <wx/notebook.h>

#include <ostream>

class OptionsFrame : public wxDialog {
public:
    OptionsFrame(host::OptionsDialog& dialog, std::ostream& out);

private:
    // Called by the logic before it lets the pages go: their views go first.
    void DestroyPageViews();

    host::OptionsDialog& m_dialog;
    std::ostream& m_out;
    wxNotebook* m_notebook = nullptr;
    bool m_selecting = false;
    // The platform window the program and scripts know this window by.
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
};
