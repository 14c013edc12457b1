// CHostIntegrationSeam: the engine's way to the add-in's host integration: the host's
// reminder-dialog hook and the explorer menu command. The reminders window stays with the seam
// installed before this one, to which those calls pass on.
#pragma once

#include "EngineSeam.h"

class CHostIntegrationSeam : public CEngineSeam {
public:
    HWND RemindersWindow() override;
    HRESULT OpenRemindersWindow(IReminderEngine* engine, LONG filter) override;
    BOOL InstallHook() override;
    void RemoveHook() override;
    HRESULT InstallOutlookMenu(BOOL show) override;

    // Makes this the engine's seam (once); the seam before it keeps the reminders window.
    void Install();
    // Puts the seam before it back.
    void Uninstall();

private:
    CEngineSeam* m_next = nullptr;
    bool m_installed = false;
};
