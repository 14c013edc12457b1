#include "Application.h"

#include "TraceScope.h"
#include "com/Advise.h"
#include "host/ApplicationEvents.h"
#include "host/Extensibility.h"
#include "host/HostInterfaces.h"

CApplication::CApplication()
{
    TRACE_CTOR("CApplication");
}

CApplication::~CApplication()
{
    TRACE_DTOR("CApplication");
    m_application = nullptr;
    m_parent = nullptr;
    m_cookie = 0;
}

std::span<const DispatchMember> CApplication::DispatchMembers()
{
    // The events carry the host's dispatch ids, so its calls on ApplicationEvents land here.
    static const DispatchMember members[] = {
        DispMember<&IApplicationSink::Connect>("Connect", 1, DISPATCH_METHOD),
        DispMember<&IApplicationSink::Disconnect>("Disconnect", 2, DISPATCH_METHOD),
        DispMember<&IApplicationSink::SetParent>("SetParent", 3, DISPATCH_METHOD),
        DispMember<&IApplicationSink::ItemSend>("ItemSend", DISPID_ApplicationEvents_ItemSend, DISPATCH_METHOD,
                                                {VT_DISPATCH, VT_BOOL}),
        DispMember<&IApplicationSink::NewMail>("NewMail", DISPID_ApplicationEvents_NewMail, DISPATCH_METHOD),
        DispMember<&IApplicationSink::Reminder>("Reminder", DISPID_ApplicationEvents_Reminder, DISPATCH_METHOD),
        DispMember<&IApplicationSink::OptionsPagesAdd>("OptionsPagesAdd", DISPID_ApplicationEvents_OptionsPagesAdd,
                                                       DISPATCH_METHOD),
        DispMember<&IApplicationSink::Startup>("Startup", DISPID_ApplicationEvents_Startup, DISPATCH_METHOD),
        DispMember<&IApplicationSink::Quit>("Quit", DISPID_ApplicationEvents_Quit, DISPATCH_METHOD),
    };
    return members;
}

HRESULT CApplication::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (!IsEqualIID(riid, DIID_ApplicationEvents))
        return E_NOINTERFACE;
    *ppv = static_cast<IApplicationSink*>(this);
    return S_OK;
}

HRESULT CApplication::Connect(IUnknown* ConnectionPoint)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::Connect", &hr);
    if (!ConnectionPoint)
        return hr;
    ComPtr<IUnknown> queried;
    hr = ConnectionPoint->QueryInterface(uuidof<_Application>(), queried.put_void());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "QueryInterface() failed: hr=%lx\n", hr);
        return hr;
    }
    m_application = queried;
    if (queried.get() != ConnectionPoint) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "Using IDispatch* Application to ensure proper cleanup\n");
        m_application = ConnectionPoint;
    }
    hr = AdviseSink(m_application.get(), static_cast<IApplicationSink*>(this), DIID_ApplicationEvents, &m_cookie);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "AtlAdvise() failed: hr=%lx\n", hr);
        m_cookie = 0;
        m_application = nullptr;
    }
    return hr;
}

HRESULT CApplication::Disconnect()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::Disconnect", &hr);
    if (!m_cookie)
        return hr;
    hr = UnadviseSink(m_application.get(), DIID_ApplicationEvents, m_cookie);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "AtlUnadvise() failed: hr=%lx\n", hr);
        return hr;
    }
    m_cookie = 0;
    return hr;
}

HRESULT CApplication::SetParent(IDispatch* parent)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::SetParent", &hr);
    m_parent = parent;
    return hr;
}

HRESULT CApplication::ItemSend(IDispatch*, VARIANT_BOOL*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::ItemSend", &hr);
    return hr;
}

HRESULT CApplication::NewMail()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::NewMail", &hr);
    return hr;
}

HRESULT CApplication::Reminder(IDispatch*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::Reminder", &hr);
    return hr;
}

HRESULT CApplication::OptionsPagesAdd(IUnknown*)
{
    return S_OK;
}

HRESULT CApplication::Startup()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::Startup", &hr);
    return hr;
}

HRESULT CApplication::Quit()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CApplication::Quit", &hr);
    // The disconnection lets go of this sink's parent and may release this sink: both stay
    // alive until the call returns.
    ComPtr<IApplicationSink> self(this);
    ComPtr<IDispatch> parent = m_parent;
    ComPtr<IDTExtensibility2> addin;
    if (parent && SUCCEEDED(parent->QueryInterface(IID_IDTExtensibility2, addin.put_void())))
        addin->OnDisconnection(ext_dm_HostShutdown, nullptr);
    return hr;
}
