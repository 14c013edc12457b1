#include "RemindersFrame.h"

#include "base/Utf.h"
#include "base/WinTime.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>

namespace {

ULONGLONG Now()
{
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

} // namespace

RemindersFrame::RemindersFrame(const host::HostSession& session, const host::HostReminders& reminders,
                               std::ostream& out, std::function<void()> onClosed)
    : wxFrame(nullptr, wxID_ANY, "Reminders", wxDefaultPosition, wxSize(600, 320)), m_logic(session, reminders),
      m_out(out), m_onClosed(std::move(onClosed))
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_SINGLE_SEL);
    m_list->AppendColumn("Subject", wxLIST_FORMAT_LEFT, 260);
    m_list->AppendColumn("Due", wxLIST_FORMAT_LEFT, 140);
    m_list->AppendColumn("Folder", wxLIST_FORMAT_LEFT, 160);
    sizer->Add(m_list, 1, wxEXPAND | wxALL, 6);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* dismiss = new wxButton(this, wxID_ANY, "&Dismiss");
    auto* snooze = new wxButton(this, wxID_ANY, "&Snooze");
    buttons->Add(dismiss, 0, wxRIGHT, 6);
    buttons->Add(snooze, 0);
    sizer->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    SetSizer(sizer);
    dismiss->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnDismiss(); });
    snooze->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSnooze(); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (m_onClosed)
            m_onClosed();
        event.Skip();
    });
    m_binding = platform::ui::WindowBinding::Attach(this, "HostReminders");
    Reload();
}

void RemindersFrame::Reload()
{
    m_logic.Refresh(Now());
    ShowRows();
}

void RemindersFrame::ShowRows()
{
    m_list->DeleteAllItems();
    const auto& rows = m_logic.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const long at = m_list->InsertItem(static_cast<long>(i),
                                           wxString::FromUTF8(platform::Utf16ToUtf8(rows[i].reminder.subject)));
        m_list->SetItem(at, 1, wxString::FromUTF8(host::RemindersWindow::DueText(rows[i])));
        m_list->SetItem(at, 2, wxString::FromUTF8(platform::Utf16ToUtf8(rows[i].folder)));
    }
    if (!rows.empty())
        m_list->SetItemState(0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    m_out << "reminders window shown: " << rows.size() << " due" << std::endl;
}

long RemindersFrame::Selected() const
{
    return m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void RemindersFrame::OnDismiss()
{
    const long index = Selected();
    if (index < 0)
        return;
    if (FAILED(m_logic.Dismiss(static_cast<std::size_t>(index))))
        wxMessageBox("The reminder cannot be dismissed.", "Reminders", wxOK | wxICON_ERROR, this);
    ShowRows();
}

void RemindersFrame::OnSnooze()
{
    const long index = Selected();
    if (index < 0)
        return;
    if (FAILED(m_logic.Snooze(static_cast<std::size_t>(index), kSnoozeMinutes, Now())))
        wxMessageBox("The reminder cannot be snoozed.", "Reminders", wxOK | wxICON_ERROR, this);
    ShowRows();
}
