#include "ExplorerSink.h"

#include "OutlookMenu.h"
#include "TraceScope.h"
#include "host/HostInterfaces.h"

CExplorerSink::CExplorerSink(IDispatch* explorer) : CDispEventSink(DIID_ExplorerEvents), m_explorer(explorer)
{
    TRACE_CTOR("CExplorerSink");
}

CExplorerSink::~CExplorerSink()
{
    TRACE_DTOR("CExplorerSink");
}

HRESULT CExplorerSink::OnEvent(DISPID dispid, const DISPPARAMS&)
{
    switch (dispid) {
    case DISPID_ExplorerEvents_Activate:
        return OnActivate();
    case DISPID_ExplorerEvents_Deactivate:
        return OnDeactivate();
    case DISPID_ExplorerEvents_Close:
        return OnClose();
    default:
        return S_OK;
    }
}

HRESULT CExplorerSink::OnActivate()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExplorerSink::OnActivate", &hr);
    // The button field goes in and, made on the first show, comes back with its reference.
    CommandBarControl* button = m_button.Detach();
    hr = InstallOutlookMenu(m_explorer, TRUE, &button);
    m_button.Attach(button);
    return hr;
}

HRESULT CExplorerSink::OnDeactivate()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExplorerSink::OnDeactivate", &hr);
    CommandBarControl* button = m_button.Detach();
    hr = InstallOutlookMenu(m_explorer, FALSE, &button);
    m_button.Attach(button);
    return hr;
}

HRESULT CExplorerSink::OnClose()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExplorerSink::OnClose", &hr);
    ComPtr<IUnknown> identity;
    if (FAILED(m_explorer->QueryInterface(IID_IUnknown, identity.put_void())))
        return hr;
    OutlookMenu::RemoveButtonSink(identity.get());
    m_button = nullptr;
    OutlookMenu::RemoveExplorerSink(identity.get());
    return hr;
}
