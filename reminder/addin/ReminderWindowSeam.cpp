#include "ReminderWindowSeam.h"

#include "ReminderDialog.h"
#include "TraceScope.h"
#include "base/Window.h"

HWND CReminderWindowSeam::RemindersWindow()
{
    return CReminderDialog::RemindersWindow();
}

HRESULT CReminderWindowSeam::OpenRemindersWindow(IReminderEngine* engine, LONG filter)
{
    auto* dialog = new CReminderDialog(engine);
    dialog->SetFilterType(filter);
    if (!dialog->Create()) {
        // The window was never made (its initialisation destroys nothing), so no last message
        // deletes the object.
        delete dialog;
        TRACE_FAILED(Create, E_FAIL);
        return E_FAIL;
    }
    dialog->ActivateReminderWindow(SW_SHOW);
    return S_OK;
}

BOOL CReminderWindowSeam::InstallHook()
{
    return m_next ? m_next->InstallHook() : CEngineSeam::InstallHook();
}

void CReminderWindowSeam::RemoveHook()
{
    if (m_next)
        m_next->RemoveHook();
}

HRESULT CReminderWindowSeam::InstallOutlookMenu(BOOL show)
{
    return m_next ? m_next->InstallOutlookMenu(show) : CEngineSeam::InstallOutlookMenu(show);
}

void CReminderWindowSeam::Install()
{
    if (m_installed)
        return;
    m_next = SetEngineSeam(this);
    m_installed = true;
}

void CReminderWindowSeam::Uninstall()
{
    if (!m_installed)
        return;
    SetEngineSeam(m_next);
    m_next = nullptr;
    m_installed = false;
}
