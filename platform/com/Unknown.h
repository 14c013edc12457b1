// IUnknown: the base of every interface. Interfaces are abstract classes of pure virtual
// methods in the platform's member order.
#pragma once

#include "base/WinError.h"
#include "com/Guid.h"

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

    template <class Q>
    HRESULT QueryInterface(Q** pp)
    {
        return QueryInterface(uuidof<Q>(), reinterpret_cast<void**>(pp));
    }
};
using LPUNKNOWN = IUnknown*;
PLATFORM_DECLARE_IID(IUnknown, "00000000-0000-0000-C000-000000000046");
inline constexpr IID IID_IUnknown = MakeGuid("00000000-0000-0000-C000-000000000046");
