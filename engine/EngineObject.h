// Common includes of the engine's COM classes.
#pragma once

#include "TembrixLib.h"
#include "TraceScope.h"
#include "com/ComBstr.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"

#include <span>

// The engine's classes reach each other's implementation through this private IID: a
// QueryInterface for it gives the object itself (with one reference).
inline constexpr IID IID_EngineImplementation = MakeGuid("0E5B1C62-3F0A-4D8E-9B7C-6A1D2E3F4A50");

// The implementation behind an engine interface pointer, or null for a foreign object.
template <class T, class I>
ComPtr<T> EngineImpl(I* p)
{
    ComPtr<T> impl;
    void* pv = nullptr;
    if (p && SUCCEEDED(p->QueryInterface(IID_EngineImplementation, &pv)))
        impl.Attach(static_cast<T*>(pv));
    return impl;
}

