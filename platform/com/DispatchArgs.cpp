#include "com/DispatchArgs.h"

#include "com/ComPtr.h"

#include <algorithm>

DispatchArgs::DispatchArgs(DISPPARAMS& params, WORD flags, VARIANT* result, UINT* argErr)
    : m_params(params), m_flags(flags), m_callerResult(result), m_argErr(argErr)
{
    VariantInit(&m_result);
    m_positional = params.cArgs - params.cNamedArgs;
    if (IsPut()) {
        for (UINT i = 0; i < params.cNamedArgs; ++i) {
            if (params.rgdispidNamedArgs && params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT)
                m_putValue = static_cast<int>(i);
        }
        // Without the named value, the last positional argument is taken as the value.
        if (m_putValue < 0 && m_positional > 0) {
            m_putValue = static_cast<int>(params.cNamedArgs);
            --m_positional;
        }
    }
}

DispatchArgs::~DispatchArgs()
{
    VariantClear(&m_result);
}

UINT DispatchArgs::ErrIndex(UINT index, UINT inCount) const
{
    if (IsPut() && index + 1 == inCount)
        return static_cast<UINT>(m_putValue);
    return m_params.cArgs - 1 - index;
}

HRESULT DispatchArgs::CheckCount(UINT inCount, UINT required, bool hasOut)
{
    const UINT positionalParams = IsPut() && inCount > 0 ? inCount - 1 : inCount;
    if (IsPut() && (inCount == 0 || m_putValue < 0))
        return DISP_E_PARAMNOTFOUND;
    // The value of a put is never among the positional arguments.
    required = std::min(required, positionalParams);
    if (hasOut && !IsPut() && m_positional == positionalParams + 1) {
        VARIANT* last = &m_params.rgvarg[m_params.cNamedArgs];
        if (!(last->vt & VT_BYREF)) {
            if (m_argErr)
                *m_argErr = m_params.cNamedArgs;
            return DISP_E_TYPEMISMATCH;
        }
        m_byrefOut = last;
        return S_OK;
    }
    if (m_positional > positionalParams || m_positional < required)
        return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

VARIANT* DispatchArgs::Arg(UINT index, UINT inCount)
{
    if (IsPut() && index + 1 == inCount)
        return &m_params.rgvarg[m_putValue];
    if (index >= m_positional)
        return nullptr;
    return &m_params.rgvarg[m_params.cArgs - 1 - index];
}

HRESULT DispatchArgs::Fail(UINT index, UINT inCount, HRESULT hr)
{
    if (m_argErr)
        *m_argErr = ErrIndex(index, inCount);
    return hr;
}

HRESULT DispatchArgs::Fetch(UINT index, UINT inCount, VARTYPE vt, VARIANT& out)
{
    VariantInit(&out);
    VARIANT* arg = Arg(index, inCount);
    const bool missing = !arg || (arg->vt == VT_ERROR && arg->scode == DISP_E_PARAMNOTFOUND);
    if (vt == VT_VARIANT) {
        if (!arg) {
            out.vt = VT_ERROR;
            out.scode = DISP_E_PARAMNOTFOUND;
            return S_OK;
        }
        const HRESULT hr = VariantCopyInd(&out, arg);
        return FAILED(hr) ? Fail(index, inCount, DISP_E_TYPEMISMATCH) : S_OK;
    }
    if (missing)
        return Fail(index, inCount, DISP_E_PARAMNOTOPTIONAL);
    const HRESULT hr = VariantChangeType(&out, arg, 0, vt);
    if (FAILED(hr))
        return Fail(index, inCount, hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH);
    return S_OK;
}

void DispatchArgs::Finish()
{
    if (m_callerResult) {
        *m_callerResult = m_result;
        VariantInit(&m_result);
    } else {
        VariantClear(&m_result);
    }
}

HRESULT StoreByref(VARIANT& byref, const VARIANT& value)
{
    if (!(byref.vt & VT_BYREF) || !byref.byref)
        return DISP_E_TYPEMISMATCH;
    const auto base = static_cast<VARTYPE>(byref.vt & ~VT_BYREF);
    if (base == VT_VARIANT)
        return VariantCopy(byref.pvarVal, &value);
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &value, 0, base);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    // Move the converted value into the referenced storage, releasing what was there.
    switch (base) {
    case VT_BSTR: SysFreeString(*byref.pbstrVal); *byref.pbstrVal = converted.bstrVal; break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (*byref.ppunkVal)
            (*byref.ppunkVal)->Release();
        *byref.ppunkVal = converted.punkVal;
        break;
    case VT_I1: *byref.pcVal = converted.cVal; break;
    case VT_UI1: *byref.pbVal = converted.bVal; break;
    case VT_I2: *byref.piVal = converted.iVal; break;
    case VT_UI2: *byref.puiVal = converted.uiVal; break;
    case VT_BOOL: *byref.pboolVal = converted.boolVal; break;
    case VT_I4: *byref.plVal = converted.lVal; break;
    case VT_UI4: *byref.pulVal = converted.ulVal; break;
    case VT_INT: *byref.pintVal = converted.intVal; break;
    case VT_UINT: *byref.puintVal = converted.uintVal; break;
    case VT_ERROR: *byref.pscode = converted.scode; break;
    case VT_I8: *byref.pllVal = converted.llVal; break;
    case VT_UI8: *byref.pullVal = converted.ullVal; break;
    case VT_R4: *byref.pfltVal = converted.fltVal; break;
    case VT_R8: *byref.pdblVal = converted.dblVal; break;
    case VT_DATE: *byref.pdate = converted.date; break;
    default:
        VariantClear(&converted);
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}
