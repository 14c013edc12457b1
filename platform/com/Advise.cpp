#include "com/Advise.h"

#include "com/ComPtr.h"

namespace {

HRESULT FindPoint(IUnknown* object, REFIID iid, ComPtr<IConnectionPoint>& point)
{
    if (!object)
        return E_INVALIDARG;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = object->QueryInterface(IID_OF(IConnectionPointContainer), container.put_void());
    if (FAILED(hr))
        return hr;
    return container->FindConnectionPoint(iid, point.put());
}

} // namespace

HRESULT AdviseSink(IUnknown* pUnkCP, IUnknown* pUnkSink, REFIID iid, DWORD* pdwCookie)
{
    if (!pdwCookie)
        return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink)
        return E_INVALIDARG;
    ComPtr<IConnectionPoint> point;
    const HRESULT hr = FindPoint(pUnkCP, iid, point);
    if (FAILED(hr))
        return hr;
    return point->Advise(pUnkSink, pdwCookie);
}

HRESULT UnadviseSink(IUnknown* pUnkCP, REFIID iid, DWORD dwCookie)
{
    ComPtr<IConnectionPoint> point;
    const HRESULT hr = FindPoint(pUnkCP, iid, point);
    if (FAILED(hr))
        return hr;
    return point->Unadvise(dwCookie);
}
