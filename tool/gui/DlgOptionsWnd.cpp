#include "DlgOptionsWnd.h"

#include "DialogControls.h"
#include "DialogResource.h"
#include "DialogUnits.h"

CDlgOptionsWnd::CDlgOptionsWnd(wxWindow* parent, CDlgOptions& dialog)
    : wxDialog(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      m_dialog(dialog), m_binding(this, dialog)
{
    SetClientSize(DluSize(276, 128));
    m_binding.Add(IDC_AUTOSTART_GROUP, DluGroup(this, IDC_AUTOSTART_GROUP, 7, 4, 262, 62));
    m_binding.Add(IDC_SYNC_ON_START, DluCheckBox(this, IDC_SYNC_ON_START, 15, 17, 248, 10));
    m_binding.Add(IDC_DELAY_LABEL, DluStatic(this, IDC_DELAY_LABEL, 27, 33, 60, 10));
    const wxRect delay = DluRect(90, 31, 90, 14);
    m_delay = new wxChoice(this, IDC_START_DELAY, delay.GetPosition(), delay.GetSize());
    m_binding.Add(IDC_START_DELAY, m_delay);
    m_binding.Add(IDC_SYNC_ON_QUIT, DluCheckBox(this, IDC_SYNC_ON_QUIT, 15, 50, 248, 10));
    m_binding.Add(IDC_SYNC_GROUP, DluGroup(this, IDC_SYNC_GROUP, 7, 70, 262, 32));
    m_binding.Add(IDC_QUERY_DELETE, DluCheckBox(this, IDC_QUERY_DELETE, 15, 83, 248, 10));
    wxButton* ok = DluButton(this, IDOK, 49, 108, 50, 14);
    ok->SetDefault();
    m_binding.Add(IDOK, ok);
    m_binding.Add(IDCANCEL, DluButton(this, IDCANCEL, 104, 108, 50, 14));
    m_binding.Add(IDC_ACCEPT, DluButton(this, IDC_ACCEPT, 159, 108, 50, 14));
    m_binding.Add(IDHELP_BUTTON, DluButton(this, IDHELP_BUTTON, 219, 108, 50, 14));
    m_dialog.m_onDelayChanged = [this] { ShowDelay(); };
    m_delay->Bind(wxEVT_CHOICE, [this](wxCommandEvent& event) { m_dialog.SelectDelay(event.GetSelection()); });
    m_binding.Start();
    ShowDelay();
    // Beside the parent: 30 pixels right of and 50 below its top-left corner.
    if (parent) {
        const wxRect r = parent->GetScreenRect();
        const POINT at = CDlgOptions::PlaceBeside(RECT{r.x, r.y, r.x + r.width, r.y + r.height});
        Move(at.x, at.y);
    }
}

void CDlgOptionsWnd::ShowDelay()
{
    const auto& entries = m_dialog.DelayEntries();
    if (m_delay->GetCount() != entries.size()) {
        m_delay->Clear();
        for (const auto& entry : entries)
            m_delay->Append(wxString::FromUTF8(entry.text));
    }
    m_delay->SetSelection(m_dialog.GetDelaySel());
    m_delay->Enable(m_dialog.IsDelayEnabled());
}
