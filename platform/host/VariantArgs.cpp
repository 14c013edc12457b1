#include "host/VariantArgs.h"

#include "com/Bstr.h"

namespace host {

bool IsMissing(const VARIANT& v)
{
    return v.vt == VT_EMPTY || (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

namespace {

// By-reference arguments are read through their reference.
HRESULT Converted(const VARIANT& v, VARTYPE vt, VARIANT& out)
{
    VariantInit(&out);
    return VariantChangeType(&out, &v, 0, vt);
}

} // namespace

HRESULT OptionalLong(const VARIANT& v, std::optional<LONG>& out)
{
    out.reset();
    if (IsMissing(v))
        return S_OK;
    VARIANT c;
    if (FAILED(Converted(v, VT_I4, c)))
        return E_INVALIDARG;
    out = c.lVal;
    return S_OK;
}

HRESULT OptionalBool(const VARIANT& v, std::optional<bool>& out)
{
    out.reset();
    if (IsMissing(v))
        return S_OK;
    VARIANT c;
    if (FAILED(Converted(v, VT_BOOL, c)))
        return E_INVALIDARG;
    out = c.boolVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT OptionalText(const VARIANT& v, std::optional<std::u16string>& out)
{
    out.reset();
    if (IsMissing(v))
        return S_OK;
    VARIANT c;
    if (FAILED(Converted(v, VT_BSTR, c)))
        return E_INVALIDARG;
    out = std::u16string(c.bstrVal ? c.bstrVal : u"", SysStringLen(c.bstrVal));
    VariantClear(&c);
    return S_OK;
}

HRESULT CopyText(const std::u16string& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT PutBool(bool value, VARIANT_BOOL* out)
{
    if (!out)
        return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT PutLong(LONG value, LONG* out)
{
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}

} // namespace host
