#include "OrvFormView.h"

#include "ColourGauge.h"
#include "MainFrame.h"
#include "FolderLinkListView.h"
#include "ProfileListView.h"
#include "ResourceImages.h"
#include "ScriptCommands.h"
#include "StaticExCtrl.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/Window.h"
#include "ui/ToolkitLoop.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <chrono>
#include <memory>

namespace {

// The form as designed; it grows with the frame and scrolls when made smaller.
constexpr int kMargin = 10;
constexpr int kDesignWidth = 540;
constexpr int kDesignHeight = 470;

wxString Text(unsigned id) { return wxString::FromUTF8(LoadResString(id)); }

} // namespace

COrvFormView::COrvFormView(wxFrame* frame, HWND frameWindow, COrvApp& app, COrvDoc& doc)
    : CResizableFormView(frame, wxSize(kDesignWidth, kDesignHeight)), m_frame(frame), m_hwndFrame(frameWindow),
      m_view(app, doc)
{
    SetBackgroundColour(ToolkitColour(kColourViewBackground));
    CreateControls();
    m_view.Create(frameWindow ? frameWindow : HWND_MESSAGE, frameWindow);
    m_view.SetSite(this);
    m_view.m_wndProfiles.m_onRowChanged = [this](int row) { m_profiles->RefreshRow(row); };
    m_view.m_wndFolderLinks.m_onRowChanged = [this](int row) { m_folderLinks->RefreshRow(row); };
    m_view.m_wndFolderLinks.m_onEnsureVisible = [this](int row) { m_folderLinks->EnsureRowVisible(row); };
    m_profiles->m_onActivated = [this](int row) { m_view.OnProfileDblClk(row); };
    m_folderLinks->m_onActivated = [this](int row) { m_view.OnFolderDblClk(row); };
    m_sync->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_view.OnCommand(IDC_SYNCHRONISE); });
}

COrvFormView::~COrvFormView()
{
    *m_alive = false;
    m_view.SetSite(nullptr);
    m_view.m_wndProfiles.m_onRowChanged = nullptr;
    m_view.m_wndFolderLinks.m_onRowChanged = nullptr;
    m_view.m_wndFolderLinks.m_onEnsureVisible = nullptr;
    while (m_nWaitCursors > 0)
        EndWaitCursor();
}

void COrvFormView::CreateControls()
{
    const int width = kDesignWidth - 2 * kMargin;
    m_labelProfiles = new wxStaticText(this, wxID_ANY, Text(IDS_VIEW_PROFILES), wxPoint(kMargin, kMargin));
    m_profiles = new CProfileListView(this, IDC_PROFILES, m_view.m_wndProfiles, wxPoint(kMargin, 30),
                                      wxSize(width, 120));

    m_sync = new wxButton(this, IDC_SYNCHRONISE, Text(IDS_VIEW_SYNCHRONISE), wxPoint(kMargin, 160));
    const wxSize button = m_sync->GetBestSize();
    m_sync->SetSize(std::max(button.x, 120), button.y);
    const int gaugeLeft = kMargin + m_sync->GetSize().x + kMargin;
    m_progress = new CColourGauge(this, IDC_PROGRESS, wxPoint(gaugeLeft, 160 + (button.y - 18) / 2),
                                  wxSize(kDesignWidth - kMargin - gaugeLeft, 18));

    // The labels' column is as wide as its longest text in this language.
    const int rowTop = 160 + button.y + 12;
    m_labelState = new wxStaticText(this, wxID_ANY, Text(IDS_VIEW_STATE), wxPoint(kMargin, rowTop));
    m_labelLocal = new wxStaticText(this, wxID_ANY, Text(IDS_VIEW_LOCAL_STORE), wxPoint(kMargin, rowTop + 24));
    m_labelGlobal = new wxStaticText(this, wxID_ANY, Text(IDS_VIEW_GLOBAL_STORE), wxPoint(kMargin, rowTop + 48));
    int labels = 0;
    for (const wxStaticText* label : {m_labelState, m_labelLocal, m_labelGlobal})
        labels = std::max(labels, label->GetBestSize().x);
    const int valueLeft = kMargin + labels + kMargin;
    const int valueWidth = kDesignWidth - kMargin - valueLeft;
    const int lineHeight = m_labelState->GetBestSize().y;
    m_state = new wxStaticText(this, IDC_STATE, "", wxPoint(valueLeft, rowTop), wxSize(valueWidth, lineHeight),
                               wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    m_localStore = new CStaticExCtrl(this, IDC_LOCAL_STORE, m_view.m_wndLocalStore, wxPoint(valueLeft, rowTop + 24),
                                     wxSize(valueWidth, lineHeight));
    m_globalStore = new CStaticExCtrl(this, IDC_GLOBAL_STORE, m_view.m_wndGlobalStore,
                                      wxPoint(valueLeft, rowTop + 48), wxSize(valueWidth, lineHeight));

    const wxBitmap banner = ResourceBitmap(IDB_BANNER);
    const wxSize bannerSize = banner.IsOk() ? banner.GetSize() : wxSize(216, 44);
    const int bannerTop = kDesignHeight - kMargin - bannerSize.y;
    const int listTop = rowTop + 74;
    m_folderLinks = new CFolderLinkListView(this, IDC_FOLDER_LINKS, m_view.m_wndFolderLinks,
                                            wxPoint(kMargin, listTop), wxSize(width, bannerTop - 8 - listTop));
    m_banner = new wxStaticBitmap(this, IDC_BANNER, banner, wxPoint(kMargin, bannerTop), bannerSize);
}

void COrvFormView::OnInitialUpdate()
{
    AddAnchor(m_profiles, TOP_LEFT, TOP_RIGHT);
    AddAnchor(m_progress, TOP_LEFT, TOP_RIGHT);
    AddAnchor(m_state, TOP_LEFT, TOP_RIGHT);
    AddAnchor(m_localStore, TOP_LEFT, TOP_RIGHT);
    AddAnchor(m_globalStore, TOP_LEFT, TOP_RIGHT);
    AddAnchor(m_folderLinks, TOP_LEFT, BOTTOM_RIGHT);
    // The banner keeps its size at the bottom-left.
    AddAnchor(m_banner, BOTTOM_LEFT);
    CResizableFormView::OnInitialUpdate();
    // The frame fits the view.
    m_frame->SetClientSize(DesignSize());
    m_frame->Layout();
    m_view.OnInitialUpdate();
    ControlsChanged();
}

void COrvFormView::ControlsChanged()
{
    m_state->SetLabelText(wxString::FromUTF8(m_view.m_strState));
    m_localStore->TextChanged();
    m_globalStore->TextChanged();
    m_sync->Enable(m_view.IsCommandEnabled(IDC_SYNCHRONISE));
}

void COrvFormView::ProgressChanged() { m_progress->SetState(m_view.m_progress); }

void COrvFormView::SetRunCursor(bool running)
{
    // The "working in the background" cursor over the whole view while a run is active.
    const wxCursor cursor = running ? wxCursor(wxCURSOR_ARROWWAIT) : wxNullCursor;
    SetCursor(cursor);
    for (wxWindow* child : GetChildren())
        child->SetCursor(cursor);
}

void COrvFormView::RunStateChanged(bool running) { SetRunCursor(running); }

void COrvFormView::BeginWaitCursor()
{
    ++m_nWaitCursors;
    wxBeginBusyCursor();
}

void COrvFormView::EndWaitCursor()
{
    if (m_nWaitCursors == 0)
        return;
    --m_nWaitCursors;
    wxEndBusyCursor();
}

void COrvFormView::SetFrameTitle(const std::string& title)
{
    if (m_hwndFrame)
        SetWindowTextA(m_hwndFrame, title.c_str());
    else
        m_frame->SetTitle(wxString::FromUTF8(title));
}

void COrvFormView::ShowToolBar(bool show)
{
    // The frame's command that toggles the toolbar hides it.
    if (m_pMainFrame && !show && m_pMainFrame->IsToolBarVisible() && m_hwndFrame)
        SendMessageA(m_hwndFrame, WM_COMMAND, ID_VIEW_TOOLBAR, 0);
}

void COrvFormView::ShowStatusBar(bool show)
{
    if (m_pMainFrame)
        m_pMainFrame->ShowStatusBar(show);
}

void COrvFormView::FitProfileColumns() { m_profiles->FitNameColumn(); }

void COrvFormView::EnsureProfileVisible(int row) { m_profiles->EnsureRowVisible(row); }

bool COrvFormView::IsProfileListVisible() const { return m_profiles->IsShownOnScreen(); }

// --- Test commands ------------------------------------------------------------------------------

int COrvFormView::RowNamed(const std::vector<std::string>& words) const
{
    std::string name;
    for (const auto& word : words)
        name += (name.empty() ? "" : " ") + word;
    return m_view.m_wndProfiles.FindItem(name);
}

void COrvFormView::PrintProfiles(std::ostream& out) const
{
    const auto& list = m_view.m_wndProfiles;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        const auto& row = list.GetRow(i);
        out << "profile \"" << row.name << "\" checked=" << (row.checked ? 1 : 0)
            << " stores=" << list.GetProfileState(i) << " deactivated=" << (list.IsDeactivated(i) ? 1 : 0)
            << " selected=" << (row.selected ? 1 : 0) << " mark=" << (row.mark.empty() ? "-" : row.mark);
        if (!row.failure.empty())
            out << " failure=\"" << row.failure << "\"";
        out << std::endl;
    }
    out << "profiles " << list.GetItemCount() << std::endl;
}

void COrvFormView::PrintFolders(std::ostream& out) const
{
    static const char* const kImages[] = {"empty", "folder", "mail", "contact", "note", "task", "appointment",
                                          "journal", "link", "pending", "current", "second-pass", "done"};
    const auto& list = m_view.m_wndFolderLinks;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        const auto& row = list.GetRow(i);
        const int image = row.image[CFolderLinkListCtrl::COL_LINK];
        out << "folder \"" << list.FullLocalPath(row.key) << "\" \"" << list.FullGlobalPath(row.key)
            << "\" image=" << (image >= 0 && image < 13 ? kImages[image] : "?") << std::endl;
    }
    out << "folders " << list.GetItemCount() << " local=\"" << m_view.m_wndLocalStore.GetFullText()
        << "\" global=\"" << m_view.m_wndGlobalStore.GetFullText() << "\"" << std::endl;
}

void COrvFormView::AddCommands(CScriptCommands& commands, platform::ui::ToolkitLoop& loop)
{
    // The view may go while a command waits (a run that ends the program): the commands hold
    // only a token that says whether it is still there.
    auto alive = m_alive;
    // A command on the profile row of that name, answered "NAME ok" or "NAME refused".
    const auto onProfile = [this, alive, &commands](const std::string& name, auto action) {
        commands.Add(name, [this, alive, name, action](const std::vector<std::string>& args, std::ostream& out) {
            if (!*alive)
                return false;
            const int row = RowNamed(args);
            if (row < 0)
                out << "error: no profile of that name" << std::endl;
            else
                out << name << (action(row) ? " ok" : " refused") << std::endl;
            return true;
        });
    };
    onProfile("check", [this](int row) { return m_view.m_wndProfiles.SetCheck(row, true); });
    onProfile("select", [this](int row) { return m_view.m_wndProfiles.SetItemSelected(row, true); });
    commands.Add("sync", [this, alive](const std::vector<std::string>&, std::ostream& out) {
        if (!*alive)
            return false;
        if (!m_view.IsCommandEnabled(IDC_SYNCHRONISE)) {
            out << "sync disabled" << std::endl;
            return true;
        }
        m_view.OnCommand(IDC_SYNCHRONISE);
        out << "sync started" << std::endl;
        return true;
    });
    commands.Add("wait-idle", [this, alive, &loop](const std::vector<std::string>& args, std::ostream& out) {
        const int seconds = args.empty() ? 60 : std::atoi(args[0].c_str());
        const bool idle = loop.RunUntil(
            [&] { return !*alive || (!m_view.IsRunning() && !m_view.IsWorkerAlive()); },
            std::chrono::seconds(seconds));
        if (!*alive) {
            out << "idle closed" << std::endl;
            return false;
        }
        if (idle)
            out << "idle state=\"" << m_view.m_strState << "\"" << std::endl;
        else
            out << "busy" << std::endl;
        return true;
    });
    commands.Add("profiles", [this, alive](const std::vector<std::string>&, std::ostream& out) {
        if (!*alive)
            return false;
        PrintProfiles(out);
        return true;
    });
    commands.Add("folders", [this, alive](const std::vector<std::string>&, std::ostream& out) {
        if (!*alive)
            return false;
        PrintFolders(out);
        return true;
    });
}
