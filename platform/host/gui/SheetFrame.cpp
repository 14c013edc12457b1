#include "SheetFrame.h"

#include "base/DialogItems.h"
#include "base/MessageBox.h"
#include "base/WindowView.h"
#include "host/PropertyPages.h"
#include "ui/DialogItemBinding.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

SheetFrame::SheetFrame(host::PropertySheet& sheet, std::ostream& out, wxWindow* parent, const std::string& ownPageText,
                       const std::string& kind)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(sheet.Caption()), wxDefaultPosition, wxSize(520, 420),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_sheet(sheet), m_out(out)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_notebook = new wxNotebook(this, wxID_ANY);
    std::size_t views = 0;
    for (const host::PropertySheet::Page& page : m_sheet.Pages()) {
        wxWindow* view = nullptr;
        if (page.own) {
            auto* panel = new wxPanel(m_notebook);
            new wxStaticText(panel, wxID_ANY, wxString::FromUTF8(ownPageText), wxPoint(12, 12));
            view = panel;
        } else if (page.added) {
            ComPtr<IHostPropertyPageView> pageView;
            void* window = nullptr;
            if (SUCCEEDED(page.added->QueryInterface(IID_OF(IHostPropertyPageView), pageView.put_void())) &&
                SUCCEEDED(pageView->CreatePageWindow(m_notebook, &window)) && window) {
                view = static_cast<wxWindow*>(window);
                ++views;
            }
        } else if (page.record && page.record->pfnCreateWindow) {
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
    // Ids of their own: the dialog's stock handling of OK and Cancel would end it behind the logic.
    auto* ok = new wxButton(this, wxID_ANY, "OK");
    auto* cancel = new wxButton(this, wxID_ANY, "Cancel");
    auto* apply = new wxButton(this, wxID_ANY, "&Apply");
    ok->SetDefault();
    buttons->Add(ok, 0, wxRIGHT, 6);
    buttons->Add(cancel, 0, wxRIGHT, 6);
    buttons->Add(apply, 0);
    sizer->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    SetSizer(sizer);
    // Grown where a page's view needs more room.
    wxSize size = GetSize();
    size.IncTo(GetBestSize());
    SetSize(size);

    // The buttons are the sheet's own: a click goes through the logic, which enables Apply.
    platform::ui::BindDialogItem(GetDlgItem(m_sheet.Window(), IDOK), ok);
    platform::ui::BindDialogItem(GetDlgItem(m_sheet.Window(), IDCANCEL), cancel);
    platform::ui::BindDialogItem(GetDlgItem(m_sheet.Window(), IDC_SHEET_APPLY), apply);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (!m_sheet.IsOpen() || m_sheet.Cancel() || !event.CanVeto())
            return;
        event.Veto();
    });
    m_notebook->SetSelection(m_sheet.Active());
    m_notebook->Bind(wxEVT_NOTEBOOK_PAGE_CHANGING, [this](wxBookCtrlEvent& event) {
        if (event.GetSelection() >= 0 && !m_sheet.Select(static_cast<std::size_t>(event.GetSelection())))
            event.Veto();
    });
    m_sheet.SetStateObserver([this] { FollowState(); });
    m_sheet.SetBeforeClose([this] { DestroyPageViews(); });
    // Scripts and the program know this window as the sheet's own window.
    m_binding = platform::ui::WindowBinding::AttachTo(this, m_sheet.Window());
    m_out << kind << " window shown: " << m_sheet.Pages().size() << " pages, " << views << " page views" << std::endl;
}

SheetFrame::~SheetFrame()
{
    // Gone before the logic closed (the host ended meanwhile): the logic no longer calls here.
    if (!m_detached) {
        m_sheet.SetBeforeClose(nullptr);
        m_sheet.SetStateObserver(nullptr);
    }
}

void SheetFrame::RunModal()
{
    m_modal = true;
    ShowModal();
}

void SheetFrame::FollowState()
{
    if (m_sheet.Active() < m_notebook->GetPageCount() &&
        static_cast<std::size_t>(m_notebook->GetSelection()) != m_sheet.Active())
        m_notebook->ChangeSelection(m_sheet.Active());
}

void SheetFrame::DestroyPageViews()
{
    m_detached = true;
    m_sheet.SetBeforeClose(nullptr);
    m_sheet.SetStateObserver(nullptr);
    // The logic destroys its window next: this frame goes its own way (a modal one is on the stack).
    platform::BindWindowView(m_sheet.Window(), nullptr);
    m_notebook->DeleteAllPages();
    if (m_modal) {
        EndModal(wxID_OK);
        return;
    }
    Hide();
    Destroy();
}
