#include "ApplicationSink.h"

#include "ComAddIn.h"
#include "TraceScope.h"
#include "host/ApplicationEvents.h"

CApplicationSink::CApplicationSink(CComAddIn* pAddIn) : m_pAddIn(pAddIn)
{
    TRACE_CTOR("CApplicationSink");
}

CApplicationSink::~CApplicationSink()
{
    TRACE_DTOR("CApplicationSink");
}

HRESULT CApplicationSink::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (!IsEqualIID(riid, DIID_ApplicationEvents))
        return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    return S_OK;
}

HRESULT CApplicationSink::GetTypeInfoCount(UINT*)
{
    return E_NOTIMPL;
}

HRESULT CApplicationSink::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT CApplicationSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT CApplicationSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*,
                                 EXCEPINFO*, UINT*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplicationSink::Invoke", &hr);
    if (!pDispParams)
        return hr = DISP_E_PARAMNOTFOUND;
    if (dispIdMember != DISPID_ApplicationEvents_Quit)
        return hr = DISP_E_MEMBERNOTFOUND;
    // The disconnection releases this sink; keep it alive until the call returns.
    ComPtr<IDispatch> self(this);
    if (m_pAddIn)
        m_pAddIn->OnDisconnection(ext_dm_HostShutdown, nullptr);
    return hr;
}
