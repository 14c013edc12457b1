// The built-in form's window: sender, recipients, times, an editable subject, and pages for the
// text (editable), the attachments and every property; Save, Send and Close. It shows what the
// form (mapi/BuiltInForm.h) has and hands the user's typing and clicks to it; closing the
// window is the form's Close, which may ask to save first and may be cancelled. Its controls are
// named "subject", "body", "pages", "attachments" and "properties" (wxWindow::FindWindowByName).
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxFlexGridSizer;
class wxListCtrl;
class wxNotebook;
class wxStaticText;
class wxTextCtrl;

namespace mapi {
class BuiltInForm;
}

namespace platform::ui {

class FormWindow : public wxDialog {
public:
    // The Send button's id; Save is wxID_SAVE, Close wxID_CLOSE.
    enum { kSendId = wxID_HIGHEST + 1 };

    FormWindow(wxWindow* parent, mapi::BuiltInForm* form);

    // Shows the form's texts and what its user may do now.
    void Fill();
    // The form has shut down: the window calls it no more.
    void Detach() { m_form = nullptr; }

private:
    struct HeaderRow {
        wxStaticText* label;
        wxStaticText* text;
    };

    HeaderRow AddHeader(wxWindow* parent, wxFlexGridSizer* grid, const wxString& label);
    void SetHeader(HeaderRow& row, const std::string& text);
    void OnClose(wxCloseEvent& event);

    mapi::BuiltInForm* m_form;
    HeaderRow m_from{}, m_to{}, m_cc{}, m_bcc{};
    HeaderRow m_times[4]{};
    wxTextCtrl* m_subject = nullptr;
    wxNotebook* m_pages = nullptr;
    wxTextCtrl* m_body = nullptr;
    wxListCtrl* m_attachments = nullptr;
    wxListCtrl* m_properties = nullptr;
    wxButton* m_save = nullptr;
    wxButton* m_send = nullptr;
    bool m_filling = false;
};

} // namespace platform::ui
