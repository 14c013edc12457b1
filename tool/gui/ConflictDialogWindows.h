// The conflicts dialogs on the screen, as the run shows them on the window thread, and the test
// commands that work them: `conflicts` (the rows), `tick ROW local|global`, `tick-all
// local|global`, `open ROW local|global`, `close-forms`, `commit` and `close`. A script goes on
// inside a dialog that opens while it waits, so that its next lines can work the dialog.
#pragma once

#include <functional>
#include <ostream>

class CDlgConflicts;
class CDlgConflictsWnd;
class CScriptCommands;
class wxWindow;

namespace platform::ui {
class ToolkitLoop;
}

class CConflictDialogWindows {
public:
    explicit CConflictDialogWindows(wxWindow* parent);
    CConflictDialogWindows(const CConflictDialogWindows&) = delete;
    CConflictDialogWindows& operator=(const CConflictDialogWindows&) = delete;

    // Shows the dialog modally; its result.
    int Run(CDlgConflicts& dialog);
    // The dialog showing now (null when none).
    CDlgConflicts* Current() const { return m_pDialog; }
    CDlgConflictsWnd* CurrentWindow() const { return m_pWindow; }

    // Called inside the dialog's modal loop once it shows.
    std::function<void(CDlgConflicts& dialog)> m_onShown;

    void AddCommands(CScriptCommands& commands, platform::ui::ToolkitLoop& loop);

private:
    void PrintRows(std::ostream& out) const;

    wxWindow* m_parent;
    CDlgConflicts* m_pDialog = nullptr;
    CDlgConflictsWnd* m_pWindow = nullptr;
};
