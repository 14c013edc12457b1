#include "LateBound.h"

#include "base/Locale.h"

#include <vector>

namespace LateBound {

namespace {

// The dispatch pointer a result holds, with its reference handed over.
HRESULT TakeObject(VARIANT& value, IDispatch** result)
{
    *result = nullptr;
    HRESULT hr = S_OK;
    if (value.vt == VT_DISPATCH && value.pdispVal) {
        *result = value.pdispVal;
        value.vt = VT_EMPTY;
    } else if (value.vt == VT_UNKNOWN && value.punkVal) {
        hr = value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(result));
    } else {
        hr = E_NOINTERFACE;
    }
    VariantClear(&value);
    return hr;
}

} // namespace

HRESULT GetIDOfName(IDispatch* object, const char16_t* name, DISPID* dispid)
{
    if (!object || !name || !dispid)
        return E_POINTER;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, dispid);
}

HRESULT GetProperty(IDispatch* object, const char16_t* name, VARIANT* result)
{
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = GetIDOfName(object, name, &dispid);
    if (FAILED(hr))
        return hr;
    VariantInit(result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return object->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, result, nullptr,
                          nullptr);
}

HRESULT GetObject(IDispatch* object, const char16_t* name, IDispatch** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    VARIANT value;
    HRESULT hr = GetProperty(object, name, &value);
    return FAILED(hr) ? hr : TakeObject(value, result);
}

HRESULT PutProperty(IDispatch* object, DISPID dispid, const VARIANT& value)
{
    if (!object)
        return E_POINTER;
    VARIANT arg = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    HRESULT hr = object->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                nullptr);
    return hr;
}

HRESULT PutProperty(IDispatch* object, const char16_t* name, const VARIANT& value)
{
    DISPID dispid = DISPID_UNKNOWN;
    const HRESULT hr = GetIDOfName(object, name, &dispid);
    return FAILED(hr) ? hr : PutProperty(object, dispid, value);
}

HRESULT Invoke(IDispatch* object, const char16_t* name, std::initializer_list<VARIANT> args, VARIANT* result)
{
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = GetIDOfName(object, name, &dispid);
    if (FAILED(hr))
        return hr;
    // COM passes the arguments last first.
    std::vector<VARIANT> reversed(std::rbegin(args), std::rend(args));
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (result)
        VariantInit(result);
    return object->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

HRESULT InvokeObject(IDispatch* object, const char16_t* name, std::initializer_list<VARIANT> args, IDispatch** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = Invoke(object, name, args, &value);
    if (FAILED(hr)) {
        // A failed call's result is not ours to use, but what it holds is let go.
        VariantClear(&value);
        return hr;
    }
    return TakeObject(value, result);
}

} // namespace LateBound
