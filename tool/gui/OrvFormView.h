// The main view on the screen: a resizable form inside the frame with the profile list, the
// Synchronise button and the run's progress bar, the state text, the selected profile's two
// store names, its folder associations and the banner. The display-free COrvView decides; this
// form shows its models, reports what the user does, and carries out what it asks of a display
// (cursors, the frame's title, bars and placement).
#pragma once

#include "OrvView.h"
#include "OrvViewSite.h"
#include "ResizableFormView.h"

#include "base/WinTypes.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace platform::ui {
class ToolkitLoop;
}
class CColourGauge;
class CMainFrame;
class CFolderLinkListView;
class CProfileListView;
class CScriptCommands;
class CStaticExCtrl;
class COrvApp;
class COrvDoc;
class wxButton;
class wxFrame;
class wxStaticBitmap;
class wxStaticText;

class COrvFormView : public CResizableFormView, public COrvViewSite {
public:
    // `frameWindow`: the frame's platform window (the view's window is made under it).
    COrvFormView(wxFrame* frame, HWND frameWindow, COrvApp& app, COrvDoc& doc);
    ~COrvFormView() override;

    // Once the frame holds the view: anchors, the frame fitted to the view, then the view's own
    // start (profiles, checked selection, timer, the frame's bars and placement).
    void OnInitialUpdate() override;

    COrvView& View() { return m_view; }
    // The frame whose bars the view shows or hides at its start.
    void SetMainFrame(CMainFrame* frame) { m_pMainFrame = frame; }

    // The test commands of the view: check, select, sync, wait-idle, profiles, folders.
    void AddCommands(CScriptCommands& commands, platform::ui::ToolkitLoop& loop);

    // COrvViewSite.
    void ControlsChanged() override;
    void ProgressChanged() override;
    void RunStateChanged(bool running) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void SetFrameTitle(const std::string& title) override;
    void ShowToolBar(bool show) override;
    void ShowStatusBar(bool show) override;
    void FitProfileColumns() override;
    void EnsureProfileVisible(int row) override;
    bool IsProfileListVisible() const override;

private:
    void CreateControls();
    void SetRunCursor(bool running);
    void PrintProfiles(std::ostream& out) const;
    void PrintFolders(std::ostream& out) const;
    int RowNamed(const std::vector<std::string>& words) const;

    wxFrame* m_frame;
    HWND m_hwndFrame;
    CMainFrame* m_pMainFrame = nullptr;
    COrvView m_view;

    wxStaticText* m_labelProfiles = nullptr;
    CProfileListView* m_profiles = nullptr;
    wxButton* m_sync = nullptr;
    CColourGauge* m_progress = nullptr;
    wxStaticText* m_labelState = nullptr;
    wxStaticText* m_state = nullptr;
    wxStaticText* m_labelLocal = nullptr;
    CStaticExCtrl* m_localStore = nullptr;
    wxStaticText* m_labelGlobal = nullptr;
    CStaticExCtrl* m_globalStore = nullptr;
    CFolderLinkListView* m_folderLinks = nullptr;
    wxStaticBitmap* m_banner = nullptr;
    int m_nWaitCursors = 0;
    // False once the view goes (the test commands hold it).
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
