#include "ui/FormWindow.h"

#include "com/ComPtr.h"
#include "mapi/BuiltInForm.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace platform::ui {

namespace {

const char* const kTimeLabels[] = {"Sent", "Received", "Created", "Modified"};

wxString Text(const std::string& s)
{
    return wxString::FromUTF8(s);
}

wxListCtrl* NewList(wxWindow* parent, const char* name, std::initializer_list<std::pair<const char*, int>> columns)
{
    auto* list = new wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_SINGLE_SEL,
                                wxDefaultValidator, name);
    int i = 0;
    for (const auto& [title, width] : columns)
        list->InsertColumn(i++, title, wxLIST_FORMAT_LEFT, parent->FromDIP(width));
    return list;
}

std::string SizeText(ULONG size)
{
    if (size < 10 * 1024)
        return std::to_string(size) + " bytes";
    return std::to_string((size + 512) / 1024) + " KB";
}

} // namespace

FormWindow::FormWindow(wxWindow* parent, mapi::BuiltInForm* form)
    : wxDialog(parent, wxID_ANY, Text(form->Caption()), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX | wxMINIMIZE_BOX),
      m_form(form)
{
    auto* outer = new wxBoxSizer(wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, FromDIP(wxSize(8, 4)));
    grid->AddGrowableCol(1);
    m_from = AddHeader(this, grid, "From:");
    m_to = AddHeader(this, grid, "To:");
    m_cc = AddHeader(this, grid, "Cc:");
    m_bcc = AddHeader(this, grid, "Bcc:");
    for (int i = 0; i < 4; ++i)
        m_times[i] = AddHeader(this, grid, wxString(kTimeLabels[i]) + ":");
    grid->Add(new wxStaticText(this, wxID_ANY, "Subject:"), 0, wxALIGN_CENTER_VERTICAL);
    m_subject = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                               wxDefaultValidator, "subject");
    grid->Add(m_subject, 1, wxEXPAND);
    outer->Add(grid, 0, wxEXPAND | wxALL, FromDIP(10));

    m_pages = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "pages");
    auto* textPage = new wxPanel(m_pages);
    m_body = new wxTextCtrl(textPage, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE,
                            wxDefaultValidator, "body");
    auto* textSizer = new wxBoxSizer(wxVERTICAL);
    textSizer->Add(m_body, 1, wxEXPAND | wxALL, FromDIP(4));
    textPage->SetSizer(textSizer);
    m_pages->AddPage(textPage, "Message");
    auto* attachPage = new wxPanel(m_pages);
    m_attachments = NewList(attachPage, "attachments", {{"Name", 380}, {"Size", 120}});
    auto* attachSizer = new wxBoxSizer(wxVERTICAL);
    attachSizer->Add(m_attachments, 1, wxEXPAND | wxALL, FromDIP(4));
    attachPage->SetSizer(attachSizer);
    m_pages->AddPage(attachPage, "Attachments");
    auto* propPage = new wxPanel(m_pages);
    m_properties = NewList(propPage, "properties", {{"Property", 260}, {"Tag", 100}, {"Value", 360}});
    auto* propSizer = new wxBoxSizer(wxVERTICAL);
    propSizer->Add(m_properties, 1, wxEXPAND | wxALL, FromDIP(4));
    propPage->SetSizer(propSizer);
    m_pages->AddPage(propPage, "Properties");
    outer->Add(m_pages, 1, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(10));

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    m_save = new wxButton(this, wxID_SAVE, "&Save");
    m_send = new wxButton(this, kSendId, "Se&nd");
    auto* close = new wxButton(this, wxID_CLOSE, "&Close");
    buttons->AddStretchSpacer();
    buttons->Add(m_save, 0, wxRIGHT, FromDIP(6));
    buttons->Add(m_send, 0, wxRIGHT, FromDIP(6));
    buttons->Add(close);
    outer->Add(buttons, 0, wxEXPAND | wxALL, FromDIP(10));
    SetSizer(outer);
    SetEscapeId(wxID_CLOSE);
    SetAffirmativeId(wxID_NONE);

    m_subject->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        if (m_form && !m_filling) {
            m_form->SetSubject(m_subject->GetValue().utf8_string());
            SetTitle(Text(m_form->Caption()));
        }
    });
    m_body->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        if (m_form && !m_filling)
            m_form->SetBody(m_body->GetValue().utf8_string());
    });
    // The form may shut down (and go) during a command: it is kept until the command is done.
    m_save->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (ComPtr<mapi::BuiltInForm> form = m_form)
            form->CommandSave();
    });
    m_send->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (ComPtr<mapi::BuiltInForm> form = m_form)
            form->CommandSend();
    });
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
    Bind(wxEVT_CLOSE_WINDOW, &FormWindow::OnClose, this);

    Fill();
    SetSize(FromDIP(wxSize(760, 600)));
    SetMinSize(FromDIP(wxSize(480, 400)));
}

FormWindow::HeaderRow FormWindow::AddHeader(wxWindow* parent, wxFlexGridSizer* grid, const wxString& label)
{
    HeaderRow row;
    row.label = new wxStaticText(parent, wxID_ANY, label);
    row.text = new wxStaticText(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                wxST_ELLIPSIZE_END | wxST_NO_AUTORESIZE);
    grid->Add(row.label, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(row.text, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
    return row;
}

void FormWindow::SetHeader(HeaderRow& row, const std::string& text)
{
    row.text->SetLabel(Text(text));
    row.text->SetToolTip(Text(text));
    row.label->Show(!text.empty());
    row.text->Show(!text.empty());
}

void FormWindow::Fill()
{
    if (!m_form)
        return;
    m_filling = true;
    const mapi::FormContent& content = m_form->Content();
    SetTitle(Text(m_form->Caption()));
    SetHeader(m_from, content.sender);
    SetHeader(m_to, content.to);
    SetHeader(m_cc, content.cc);
    SetHeader(m_bcc, content.bcc);
    for (int i = 0; i < 4; ++i) {
        std::string when;
        for (const auto& t : content.times)
            if (t.label == kTimeLabels[i])
                when = t.text;
        SetHeader(m_times[i], when);
    }
    // Texts the user is typing stay as they are.
    if (m_subject->GetValue().utf8_string() != m_form->Subject())
        m_subject->ChangeValue(Text(m_form->Subject()));
    if (m_body->GetValue().utf8_string() != m_form->Body())
        m_body->ChangeValue(Text(m_form->Body()));
    const bool editable = m_form->CanEdit();
    // Texts that cannot be changed look like it.
    for (wxTextCtrl* text : {m_subject, m_body}) {
        text->SetEditable(editable);
        text->SetBackgroundColour(editable ? wxNullColour : GetBackgroundColour());
        text->Refresh();
    }
    m_save->Enable(m_form->CanSave());
    m_send->Enable(m_form->CanSend());

    m_attachments->DeleteAllItems();
    long row = 0;
    for (const auto& a : content.attachments) {
        m_attachments->InsertItem(row, Text(a.name));
        m_attachments->SetItem(row, 1, SizeText(a.size));
        ++row;
    }
    m_pages->SetPageText(1, wxString::Format("Attachments (%zu)", content.attachments.size()));
    m_properties->Freeze();
    m_properties->DeleteAllItems();
    row = 0;
    for (const auto& p : content.properties) {
        m_properties->InsertItem(row, Text(p.name));
        m_properties->SetItem(row, 1, Text(p.tag));
        m_properties->SetItem(row, 2, Text(p.value));
        ++row;
    }
    m_properties->Thaw();
    m_pages->SetPageText(2, wxString::Format("Properties (%zu)", content.properties.size()));
    Layout();
    m_filling = false;
}

void FormWindow::OnClose(wxCloseEvent& event)
{
    if (!m_form) {
        Destroy();
        return;
    }
    // The form's Close ends with the window (its display destroys it); a Cancel keeps both.
    ComPtr<mapi::BuiltInForm> form = m_form;
    if (SUCCEEDED(form->CommandClose()) || !m_form)
        return;
    if (event.CanVeto()) {
        event.Veto();
        return;
    }
    // The window must go: the form goes down with it, unsaved.
    form->ShutdownForm(SAVEOPTS_NOSAVE);
}

} // namespace platform::ui
