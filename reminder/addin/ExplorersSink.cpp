#include "ExplorersSink.h"

#include "ExplorerSink.h"
#include "OutlookMenu.h"
#include "TraceScope.h"
#include "host/HostInterfaces.h"

CExplorersSink::CExplorersSink() : CDispEventSink(DIID_ExplorersEvents)
{
    TRACE_CTOR("CExplorersSink");
}

CExplorersSink::~CExplorersSink()
{
    TRACE_DTOR("CExplorersSink");
}

HRESULT CExplorersSink::OnEvent(DISPID dispid, const DISPPARAMS& params)
{
    if (dispid != DISPID_ExplorersEvents_NewExplorer)
        return S_OK;
    if (params.cArgs < 1 || params.rgvarg[params.cArgs - 1].vt != VT_DISPATCH)
        return DISP_E_BADPARAMCOUNT;
    return OnNewExplorer(params.rgvarg[params.cArgs - 1].pdispVal);
}

HRESULT CExplorersSink::OnNewExplorer(IDispatch* explorer)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExplorersSink::OnNewExplorer", &hr);
    ComPtr<_Explorer> pExplorer;
    if (!explorer) {
        hr = E_INVALIDARG;
        return hr;
    }
    hr = explorer->QueryInterface(IID_OF(_Explorer), pExplorer.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    CExplorerSink* sink = OutlookMenu::AddExplorerSink(pExplorer.get());
    if (!sink) {
        hr = E_FAIL;
        TRACE_FAILED(Advise, hr);
        return hr;
    }
    // The new window gets its button now.
    hr = sink->OnActivate();
    return hr;
}
