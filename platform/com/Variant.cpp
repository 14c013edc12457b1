#include "com/Variant.h"

#include "base/Utf.h"
#include "com/ComPtr.h"
#include "com/Dispatch.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace {

using Int = __int128;

bool IsSimpleType(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT: case VT_R4: case VT_R8:
    case VT_DATE: case VT_BOOL: case VT_ERROR: case VT_BSTR: case VT_UNKNOWN: case VT_DISPATCH:
        return true;
    default:
        return false;
    }
}

// Types that may stand behind VT_BYREF.
bool IsByrefType(VARTYPE base)
{
    return base == VT_VARIANT || (IsSimpleType(base) && base != VT_EMPTY && base != VT_NULL);
}

bool IsValidType(VARTYPE vt)
{
    if (vt & VT_BYREF)
        return (vt & ~VT_BYREF) != 0 && IsByrefType(static_cast<VARTYPE>(vt & ~VT_BYREF));
    return IsSimpleType(vt);
}

// The value of a non-byref variant read from a byref one.
HRESULT Dereference(const VARIANT& src, VARIANT& out)
{
    VariantInit(&out);
    const auto base = static_cast<VARTYPE>(src.vt & ~VT_BYREF);
    if (!src.byref)
        return E_INVALIDARG;
    out.vt = base;
    switch (base) {
    case VT_I1: out.cVal = *src.pcVal; break;
    case VT_UI1: out.bVal = *src.pbVal; break;
    case VT_I2: out.iVal = *src.piVal; break;
    case VT_UI2: out.uiVal = *src.puiVal; break;
    case VT_BOOL: out.boolVal = *src.pboolVal; break;
    case VT_I4: out.lVal = *src.plVal; break;
    case VT_UI4: out.ulVal = *src.pulVal; break;
    case VT_INT: out.intVal = *src.pintVal; break;
    case VT_UINT: out.uintVal = *src.puintVal; break;
    case VT_ERROR: out.scode = *src.pscode; break;
    case VT_I8: out.llVal = *src.pllVal; break;
    case VT_UI8: out.ullVal = *src.pullVal; break;
    case VT_R4: out.fltVal = *src.pfltVal; break;
    case VT_R8: out.dblVal = *src.pdblVal; break;
    case VT_DATE: out.date = *src.pdate; break;
    case VT_BSTR: out.bstrVal = *src.pbstrVal; break;
    case VT_UNKNOWN: out.punkVal = *src.ppunkVal; break;
    case VT_DISPATCH: out.pdispVal = *src.ppdispVal; break;
    case VT_VARIANT:
        if (src.pvarVal->vt & VT_BYREF)
            return Dereference(*src.pvarVal, out);
        out = *src.pvarVal;
        break;
    default:
        return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

// Deep copy of a non-byref simple variant into a cleared destination.
HRESULT CopyValue(VARIANT& dest, const VARIANT& src)
{
    dest = src;
    if (src.vt == VT_BSTR && src.bstrVal) {
        dest.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src.bstrVal), SysStringByteLen(src.bstrVal));
        if (!dest.bstrVal) {
            dest.vt = VT_EMPTY;
            return E_OUTOFMEMORY;
        }
    } else if ((src.vt == VT_UNKNOWN || src.vt == VT_DISPATCH) && src.punkVal) {
        src.punkVal->AddRef();
    }
    return S_OK;
}

bool IsIntegerType(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
        return true;
    default:
        return false;
    }
}

bool IsRealType(VARTYPE vt)
{
    return vt == VT_R4 || vt == VT_R8 || vt == VT_DATE;
}

Int IntegerOf(const VARIANT& v)
{
    switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_I8: return v.llVal;
    case VT_INT: return v.intVal;
    case VT_UI1: return v.bVal;
    case VT_UI2: return v.uiVal;
    case VT_UI4: return v.ulVal;
    case VT_UI8: return v.ullVal;
    case VT_UINT: return v.uintVal;
    case VT_BOOL: return v.boolVal;
    default: return 0;
    }
}

double RealOf(const VARIANT& v)
{
    switch (v.vt) {
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    default: return static_cast<double>(IntegerOf(v));
    }
}

HRESULT StoreInteger(Int value, VARTYPE vt, VARIANT& out)
{
    auto fits = [&](Int lo, Int hi) { return value >= lo && value <= hi; };
    out.vt = vt;
    switch (vt) {
    case VT_I1: if (!fits(-128, 127)) return DISP_E_OVERFLOW; out.cVal = static_cast<CHAR>(value); break;
    case VT_I2: if (!fits(-32768, 32767)) return DISP_E_OVERFLOW; out.iVal = static_cast<SHORT>(value); break;
    case VT_I4:
    case VT_INT:
        if (!fits(INT32_MIN, INT32_MAX)) return DISP_E_OVERFLOW;
        out.lVal = static_cast<LONG>(value);
        break;
    case VT_I8: if (!fits(INT64_MIN, INT64_MAX)) return DISP_E_OVERFLOW; out.llVal = static_cast<LONGLONG>(value); break;
    case VT_UI1: if (!fits(0, 255)) return DISP_E_OVERFLOW; out.bVal = static_cast<BYTE>(value); break;
    case VT_UI2: if (!fits(0, 65535)) return DISP_E_OVERFLOW; out.uiVal = static_cast<USHORT>(value); break;
    case VT_UI4:
    case VT_UINT:
        if (!fits(0, UINT32_MAX)) return DISP_E_OVERFLOW;
        out.ulVal = static_cast<ULONG>(value);
        break;
    case VT_UI8: if (!fits(0, Int(UINT64_MAX))) return DISP_E_OVERFLOW; out.ullVal = static_cast<ULONGLONG>(value); break;
    default: return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT StoreReal(double value, VARTYPE vt, VARIANT& out)
{
    if (IsIntegerType(vt)) {
        if (!std::isfinite(value) || std::fabs(value) > 1.8e19)
            return DISP_E_OVERFLOW;
        // Round half to even, as the platform's conversions do.
        return StoreInteger(static_cast<Int>(std::nearbyint(value)), vt, out);
    }
    out.vt = vt;
    switch (vt) {
    case VT_R4:
        if (std::isfinite(value) && std::fabs(value) > FLT_MAX)
            return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(value);
        return S_OK;
    case VT_R8:
        out.dblVal = value;
        return S_OK;
    case VT_DATE:
        // 1 January 100 to 31 December 9999.
        if (!(value >= -657434.0 && value < 2958466.0))
            return DISP_E_OVERFLOW;
        out.date = value;
        return S_OK;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

HRESULT StoreText(std::string_view text, VARIANT& out)
{
    const std::u16string wide = platform::Utf8ToUtf16(text);
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!out.bstrVal) {
        out.vt = VT_EMPTY;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

std::string Trim(std::u16string_view text, bool& ascii)
{
    ascii = true;
    std::string narrow;
    for (char16_t c : text) {
        if (c > 0x7f) {
            ascii = false;
            return {};
        }
        narrow.push_back(static_cast<char>(c));
    }
    const auto first = narrow.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = narrow.find_last_not_of(" \t\r\n");
    return narrow.substr(first, last - first + 1);
}

// Reads the text of a number: an exact integer when it is one, else a real.
HRESULT ParseNumber(BSTR text, bool& isInteger, Int& integer, double& real)
{
    bool ascii;
    const std::string s = Trim(std::u16string_view(text ? text : u"", SysStringLen(text)), ascii);
    if (!ascii || s.empty())
        return DISP_E_TYPEMISMATCH;
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-')
        negative = s[i++] == '-';
    if (i < s.size() && s.find_first_not_of("0123456789", i) == std::string::npos) {
        Int value = 0;
        for (; i < s.size(); ++i) {
            value = value * 10 + (s[i] - '0');
            if (value > Int(UINT64_MAX))
                return DISP_E_OVERFLOW;
        }
        isInteger = true;
        integer = negative ? -value : value;
        return S_OK;
    }
    // Plain decimal notation with "." whatever the process locale says: no hexadecimal,
    // infinity or NaN spellings.
    if (s.find_first_not_of("0123456789.eE+-") != std::string::npos)
        return DISP_E_TYPEMISMATCH;
    const std::size_t start = s[0] == '+' ? 1 : 0;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data() + start, s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range)
        return DISP_E_OVERFLOW;
    if (ec != std::errc() || end != s.data() + s.size())
        return DISP_E_TYPEMISMATCH;
    if (!std::isfinite(value))
        return DISP_E_OVERFLOW;
    isInteger = false;
    real = value;
    return S_OK;
}

std::string IntegerText(Int value)
{
    if (value == 0)
        return "0";
    const bool negative = value < 0;
    std::string digits;
    for (Int v = negative ? -value : value; v > 0; v /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + int(v % 10)));
    return negative ? "-" + digits : digits;
}

std::string RealText(double value, int digits)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    for (char& c : text)
        c = c == 'e' ? 'E' : c;
    return text;
}

bool EqualsNoCase(BSTR text, std::string_view word)
{
    bool ascii;
    const std::string s = Trim(std::u16string_view(text ? text : u"", SysStringLen(text)), ascii);
    return ascii && platform::EqualNoCase(s, word);
}

// Converts a non-byref simple value into a fresh variant of type vt.
HRESULT Convert(const VARIANT& src, VARTYPE vt, USHORT flags, VARIANT& out)
{
    VariantInit(&out);
    if (vt == VT_EMPTY)
        return S_OK;
    if (src.vt == vt || vt == VT_VARIANT)
        return CopyValue(out, src);

    // An object's value is its default property, unless the caller forbids asking for it.
    if (src.vt == VT_DISPATCH && vt != VT_UNKNOWN) {
        if ((flags & VARIANT_NOVALUEPROP) || !src.pdispVal)
            return DISP_E_TYPEMISMATCH;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT value;
        VariantInit(&value);
        HRESULT hr = src.pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                          &value, nullptr, nullptr);
        if (FAILED(hr))
            return DISP_E_TYPEMISMATCH;
        if (value.vt == VT_DISPATCH) {
            VariantClear(&value);
            return DISP_E_TYPEMISMATCH;
        }
        hr = Convert(value, vt, flags | VARIANT_NOVALUEPROP, out);
        VariantClear(&value);
        return hr;
    }

    switch (vt) {
    case VT_NULL:
        if (src.vt == VT_EMPTY) {
            out.vt = VT_NULL;
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        if (src.vt == VT_EMPTY) {
            out.vt = vt;
            out.punkVal = nullptr;
            return S_OK;
        }
        if (src.vt != VT_UNKNOWN && src.vt != VT_DISPATCH)
            return DISP_E_TYPEMISMATCH;
        out.vt = vt;
        out.punkVal = nullptr;
        if (!src.punkVal)
            return S_OK;
        void* p = nullptr;
        const HRESULT hr = src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p);
        if (FAILED(hr)) {
            out.vt = VT_EMPTY;
            return hr;
        }
        out.punkVal = static_cast<IUnknown*>(p);
        return S_OK;
    }
    case VT_ERROR:
        return DISP_E_TYPEMISMATCH;
    default:
        break;
    }

    if (src.vt == VT_NULL || src.vt == VT_ERROR || src.vt == VT_UNKNOWN || src.vt == VT_DISPATCH)
        return DISP_E_TYPEMISMATCH;

    if (vt == VT_BSTR) {
        if (src.vt == VT_EMPTY)
            return StoreText("", out);
        if (src.vt == VT_BOOL) {
            if (flags & VARIANT_ALPHABOOL)
                return StoreText(src.boolVal ? "True" : "False", out);
            return StoreText(src.boolVal ? "-1" : "0", out);
        }
        if (IsIntegerType(src.vt))
            return StoreText(IntegerText(IntegerOf(src)), out);
        if (src.vt == VT_R4)
            return StoreText(RealText(src.fltVal, 7), out);
        if (src.vt == VT_R8)
            return StoreText(RealText(src.dblVal, 15), out);
        return DISP_E_TYPEMISMATCH; // dates have no text form here
    }

    if (vt == VT_BOOL) {
        out.vt = VT_BOOL;
        if (src.vt == VT_EMPTY) {
            out.boolVal = VARIANT_FALSE;
            return S_OK;
        }
        if (src.vt == VT_BSTR) {
            if (EqualsNoCase(src.bstrVal, "True")) {
                out.boolVal = VARIANT_TRUE;
                return S_OK;
            }
            if (EqualsNoCase(src.bstrVal, "False")) {
                out.boolVal = VARIANT_FALSE;
                return S_OK;
            }
            bool isInteger = false;
            Int integer = 0;
            double real = 0;
            const HRESULT hr = ParseNumber(src.bstrVal, isInteger, integer, real);
            if (hr == DISP_E_OVERFLOW) {
                out.boolVal = VARIANT_TRUE; // too large for any number, but certainly not zero
                return S_OK;
            }
            if (FAILED(hr)) {
                VariantInit(&out);
                return hr;
            }
            out.boolVal = (isInteger ? integer != 0 : real != 0) ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        const bool on = IsRealType(src.vt) ? RealOf(src) != 0 : IntegerOf(src) != 0;
        out.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    if (!IsIntegerType(vt) && !IsRealType(vt))
        return DISP_E_BADVARTYPE;

    HRESULT hr;
    if (src.vt == VT_EMPTY) {
        hr = IsIntegerType(vt) ? StoreInteger(0, vt, out) : StoreReal(0, vt, out);
    } else if (src.vt == VT_BSTR) {
        bool isInteger = false;
        Int integer = 0;
        double real = 0;
        hr = ParseNumber(src.bstrVal, isInteger, integer, real);
        if (SUCCEEDED(hr)) {
            if (isInteger)
                hr = IsIntegerType(vt) ? StoreInteger(integer, vt, out) : StoreReal(static_cast<double>(integer), vt, out);
            else
                hr = StoreReal(real, vt, out);
        }
    } else if (src.vt == VT_BOOL && IsIntegerType(vt) && (vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 ||
                                                          vt == VT_UI8 || vt == VT_UINT)) {
        // VARIANT_TRUE becomes all bits set in an unsigned type.
        Int bits = src.boolVal ? -1 : 0;
        switch (vt) {
        case VT_UI1: bits &= 0xff; break;
        case VT_UI2: bits &= 0xffff; break;
        case VT_UI8: bits &= Int(UINT64_MAX); break;
        default: bits &= 0xffffffff; break;
        }
        hr = StoreInteger(bits, vt, out);
    } else if (IsRealType(src.vt)) {
        hr = StoreReal(RealOf(src), vt, out);
    } else {
        hr = IsIntegerType(vt) ? StoreInteger(IntegerOf(src), vt, out)
                               : StoreReal(static_cast<double>(IntegerOf(src)), vt, out);
    }
    if (FAILED(hr))
        VariantInit(&out);
    return hr;
}

} // namespace

void VariantInit(VARIANTARG* pvarg)
{
    if (!pvarg)
        return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->record.pvRecord = nullptr;
    pvarg->record.pRecInfo = nullptr;
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (!pvarg)
        return E_INVALIDARG;
    if (!IsValidType(pvarg->vt))
        return DISP_E_BADVARTYPE;
    if (pvarg->vt == VT_BSTR)
        SysFreeString(pvarg->bstrVal);
    else if ((pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) && pvarg->punkVal)
        pvarg->punkVal->Release();
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (!pvargDest || !pvargSrc)
        return E_INVALIDARG;
    if (!IsValidType(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    if (pvargDest == pvargSrc)
        return S_OK;
    VARIANT copy;
    if (pvargSrc->vt & VT_BYREF) {
        copy = *pvargSrc;
    } else {
        const HRESULT hr = CopyValue(copy, *pvargSrc);
        if (FAILED(hr))
            return hr;
    }
    const HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *pvargDest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc)
{
    if (!pvarDest || !pvargSrc)
        return E_INVALIDARG;
    if (!IsValidType(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    if (!(pvargSrc->vt & VT_BYREF))
        return VariantCopy(pvarDest, pvargSrc);
    VARIANT value;
    HRESULT hr = Dereference(*pvargSrc, value);
    if (FAILED(hr))
        return hr;
    VARIANT copy;
    hr = CopyValue(copy, value);
    if (FAILED(hr))
        return hr;
    // The destination may be the byref source itself: clear it only after reading through it.
    hr = VariantClear(pvarDest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *pvarDest = copy;
    return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID /*lcid*/, USHORT wFlags,
                            VARTYPE vt)
{
    if (!pvargDest || !pvarSrc)
        return E_INVALIDARG;
    if (!IsValidType(pvarSrc->vt))
        return DISP_E_BADVARTYPE;
    if (vt != VT_VARIANT && !IsSimpleType(vt))
        return DISP_E_BADVARTYPE;
    VARIANT value;
    if (pvarSrc->vt & VT_BYREF) {
        const HRESULT hr = Dereference(*pvarSrc, value);
        if (FAILED(hr))
            return hr;
    } else {
        value = *pvarSrc;
    }
    VARIANT result;
    const HRESULT hr = Convert(value, vt, wFlags, result);
    if (FAILED(hr))
        return hr;
    // Source and destination may be the same variant; the source was read completely above.
    const HRESULT clear = VariantClear(pvargDest);
    if (FAILED(clear)) {
        VariantClear(&result);
        return clear;
    }
    *pvargDest = result;
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt)
{
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
