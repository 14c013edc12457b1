// CReminderWindowSeam: the engine's way to the reminders window: whether one is open, and
// opening one (a new window object that registers itself, or goes again when another is open).
// The hook and the explorer menu pass on to the seam installed before this one.
#pragma once

#include "EngineSeam.h"

class CReminderWindowSeam : public CEngineSeam {
public:
    HWND RemindersWindow() override;
    HRESULT OpenRemindersWindow(IReminderEngine* engine, LONG filter) override;
    BOOL InstallHook() override;
    void RemoveHook() override;
    HRESULT InstallOutlookMenu(BOOL show) override;

    // Makes this the engine's seam (once); Uninstall puts the one before it back.
    void Install();
    void Uninstall();

private:
    CEngineSeam* m_next = nullptr;
    bool m_installed = false;
};
