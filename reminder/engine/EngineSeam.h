// CEngineSeam: what the reminder engine asks of the add-in's windows and host integration: the
// reminders window (is one open, open one), the host's reminder-dialog hook and, on hosts
// without a ribbon, the explorer menu command. The add-in installs its own when its pieces are
// there; the default does none of these things (no window is open, nothing is installed). A seam
// that fills only some of them passes the others on to the seam it replaced (the one
// SetEngineSeam returns), so that several pieces of the add-in can each install their own.
#pragma once

#include "ReminderLib.h"

class CEngineSeam {
public:
    virtual ~CEngineSeam() = default;

    // The process's reminders window, or null when none is open.
    virtual HWND RemindersWindow() { return nullptr; }
    // Makes a reminders window for `engine` with the view filter (2: active reminders), parented
    // to the desktop, and shows it. A failure (the window object cannot be made) shows nothing.
    virtual HRESULT OpenRemindersWindow(IReminderEngine* engine, LONG filter)
    {
        (void)engine;
        (void)filter;
        return E_NOTIMPL;
    }
    // The host's reminder-dialog hook, on the calling (the host's) thread.
    virtual BOOL InstallHook() { return FALSE; }
    virtual void RemoveHook() {}
    // Shows (TRUE) or removes (FALSE) the explorer menu command.
    virtual HRESULT InstallOutlookMenu(BOOL show)
    {
        (void)show;
        return S_OK;
    }
};

// The seam in use (never null); SetEngineSeam(null) goes back to the default. The caller keeps
// the object alive while it is installed. Returns the seam installed before.
CEngineSeam* EngineSeam();
CEngineSeam* SetEngineSeam(CEngineSeam* seam);
