// What the main view's logic asks of its display: redraw what changed, show the cursor of the
// moment, title the frame and show or hide its bars. The toolkit view implements it; without a
// display every call does nothing.
#pragma once

#include <string>

class COrvViewSite {
public:
    virtual ~COrvViewSite() = default;

    // The state text, the store names, the Synchronise button.
    virtual void ControlsChanged() {}
    // The progress bar.
    virtual void ProgressChanged() {}
    // A run started or ended (the busy cursor over the view).
    virtual void RunStateChanged(bool /*running*/) {}
    // A wait cursor while the view reads from the engine.
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    virtual void SetFrameTitle(const std::string& /*title*/) {}
    virtual void ShowToolBar(bool /*show*/) {}
    virtual void ShowStatusBar(bool /*show*/) {}
    // Profile-list columns fitted after a fill: column 0 to its texts, column 1 to nothing.
    virtual void FitProfileColumns() {}
    virtual void EnsureProfileVisible(int /*row*/) {}
    // Whether the profile list shows on the screen.
    virtual bool IsProfileListVisible() const { return false; }
};
