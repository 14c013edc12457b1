#include "SyncExtension.h"

#include "TraceScope.h"
#include "com/ModuleLock.h"

CSyncExtension::CSyncExtension()
{
    TRACE_CTOR("CSyncExtension");
    platform::com::ModuleLock();
}

CSyncExtension::~CSyncExtension()
{
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Stop()\n");
    platform::com::ModuleUnlock();
}

HRESULT CSyncExtension::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExchExt)) {
        *ppv = static_cast<IExchExt*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CSyncExtension::AddRef()
{
    return ++m_cRef;
}

ULONG CSyncExtension::Release()
{
    const ULONG refs = --m_cRef;
    if (refs == 0)
        delete this;
    return refs;
}

HRESULT CSyncExtension::Install(LPEXCHEXTCALLBACK, ULONG mecontext, ULONG)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncExtension::Install", &hr);
    hr = mecontext == EECONTEXT_SESSION ? S_OK : S_FALSE;
    return hr;
}
