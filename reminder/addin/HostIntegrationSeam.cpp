#include "HostIntegrationSeam.h"

#include "OutlookDlgHook.h"
#include "OutlookMenu.h"

HWND CHostIntegrationSeam::RemindersWindow()
{
    return m_next ? m_next->RemindersWindow() : CEngineSeam::RemindersWindow();
}

HRESULT CHostIntegrationSeam::OpenRemindersWindow(IReminderEngine* engine, LONG filter)
{
    return m_next ? m_next->OpenRemindersWindow(engine, filter) : CEngineSeam::OpenRemindersWindow(engine, filter);
}

BOOL CHostIntegrationSeam::InstallHook()
{
    return COutlookDlgHook::InstallHook();
}

void CHostIntegrationSeam::RemoveHook()
{
    COutlookDlgHook::RemoveHook();
}

HRESULT CHostIntegrationSeam::InstallOutlookMenu(BOOL show)
{
    return ::InstallOutlookMenu(show);
}

void CHostIntegrationSeam::Install()
{
    if (m_installed)
        return;
    m_next = SetEngineSeam(this);
    m_installed = true;
}

void CHostIntegrationSeam::Uninstall()
{
    if (!m_installed)
        return;
    SetEngineSeam(m_next);
    m_next = nullptr;
    m_installed = false;
}
