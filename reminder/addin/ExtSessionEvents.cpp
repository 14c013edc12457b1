#include "ExtSessionEvents.h"

#include "ExchangeExtension.h"

CExtSessionEvents::CExtSessionEvents()
{
    TRACE_CTOR("CExtSessionEvents");
}

CExtSessionEvents::~CExtSessionEvents()
{
    TRACE_DTOR("CExtSessionEvents");
}

HRESULT CExtSessionEvents::OnDelivery(LPEXCHEXTCALLBACK)
{
    HRESULT hr = S_FALSE;
    TRACE_FUNC("CExtSessionEvents::OnDelivery", &hr);
    return hr;
}

HRESULT CreateExtSessionEvents(CExchangeExtension* parent, IUnknown** out)
{
    IExchExtSessionEvents* events = nullptr;
    const HRESULT hr = CExtensionBase::CreateInstance<CExtSessionEvents>(parent, &events);
    if (out)
        *out = events;
    else if (events)
        events->Release();
    return hr;
}
