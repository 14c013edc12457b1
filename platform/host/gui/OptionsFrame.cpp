#include "OptionsFrame.h"

#include "host/PropertyPages.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

OptionsFrame::OptionsFrame(host::OptionsDialog& dialog, std::ostream& out)
    : wxDialog(nullptr, wxID_ANY, "Options", wxDefaultPosition, wxSize(520, 420),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_dialog(dialog), m_out(out)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_notebook = new wxNotebook(this, wxID_ANY);
    std::size_t views = 0;
    for (const host::OptionsDialog::Page& page : m_dialog.Pages()) {
        wxWindow* view = nullptr;
        if (page.own) {
            auto* panel = new wxPanel(m_notebook);
            new wxStaticText(panel, wxID_ANY, wxString::FromUTF8(m_dialog.OwnPageText()), wxPoint(12, 12));
            view = panel;
        } else if (page.added) {
            ComPtr<IHostPropertyPageView> pageView;
            void* window = nullptr;
            if (SUCCEEDED(page.added->QueryInterface(IID_OF(IHostPropertyPageView), pageView.put_void())) &&
                SUCCEEDED(pageView->CreatePageWindow(m_notebook, &window)) && window) {
                view = static_cast<wxWindow*>(window);
                ++views;
            }
        } else if (page.record->pfnCreateWindow) {
            view = static_cast<wxWindow*>(page.record->pfnCreateWindow(m_notebook, page.record));
            if (view)
                ++views;
        }
        if (!view) {
            // A page without a view of its own still takes part in the notifications.
            auto* panel = new wxPanel(m_notebook);
            new wxStaticText(panel, wxID_ANY, "This page has nothing to show.", wxPoint(12, 12));
            view = panel;
        }
        m_notebook->AddPage(view, wxString::FromUTF8(page.title));
    }
    sizer->Add(m_notebook, 1, wxEXPAND | wxALL, 6);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    auto* apply = new wxButton(this, wxID_APPLY, "&Apply");
    buttons->Add(ok, 0, wxRIGHT, 6);
    buttons->Add(cancel, 0, wxRIGHT, 6);
    buttons->Add(apply, 0);
    sizer->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    SetSizer(sizer);

    ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (!m_dialog.Ok())
            m_notebook->ChangeSelection(m_dialog.Active());
    });
    apply->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (!m_dialog.Apply())
            m_notebook->ChangeSelection(m_dialog.Active());
    });
    cancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_dialog.Cancel(); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (!m_dialog.IsOpen() || m_dialog.Cancel() || !event.CanVeto())
            return;
        event.Veto();
    });
    m_notebook->Bind(wxEVT_NOTEBOOK_PAGE_CHANGING, [this](wxBookCtrlEvent& event) {
        if (event.GetSelection() >= 0 && !m_dialog.Select(static_cast<std::size_t>(event.GetSelection())))
            event.Veto();
    });
    m_dialog.SetBeforeClose([this] { DestroyPageViews(); });
    m_binding = platform::ui::WindowBinding::Attach(this, "HostOptions");
    m_out << "options window shown: " << m_dialog.Pages().size() << " pages, " << views << " page views"
          << std::endl;
}

void OptionsFrame::DestroyPageViews()
{
    m_dialog.SetBeforeClose(nullptr);
    m_notebook->DeleteAllPages();
    Hide();
    Destroy();
}
