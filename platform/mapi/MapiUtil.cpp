// Utility functions of the MAPI library: single properties, whole tables, property-set copies,
// hexadecimal text.
#include "mapi/MapiUtil.h"

#include "mapi/MapiTags.h"

#include <cstring>

namespace {

// Bytes a value needs beyond its SPropValue (aligned as MAPIAllocateMore would).
ULONG Align8(ULONG n) { return (n + 7u) & ~7u; }

ULONG ExtraSize(const SPropValue& v)
{
    ULONG cb = 0;
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8:
        return v.Value.lpszA ? Align8(ULONG(std::strlen(v.Value.lpszA) + 1)) : 0;
    case PT_UNICODE: {
        if (!v.Value.lpszW)
            return 0;
        ULONG n = 0;
        while (v.Value.lpszW[n])
            ++n;
        return Align8((n + 1) * sizeof(WCHAR));
    }
    case PT_BINARY:
        return Align8(v.Value.bin.cb);
    case PT_CLSID:
        return Align8(sizeof(GUID));
    case PT_MV_I2:
        return Align8(v.Value.MVi.cValues * sizeof(SHORT));
    case PT_MV_LONG:
        return Align8(v.Value.MVl.cValues * sizeof(LONG));
    case PT_MV_I8:
        return Align8(v.Value.MVli.cValues * sizeof(LONGLONG));
    case PT_MV_SYSTIME:
        return Align8(v.Value.MVft.cValues * sizeof(FILETIME));
    case PT_MV_CLSID:
        return Align8(v.Value.MVguid.cValues * sizeof(GUID));
    case PT_MV_BINARY:
        cb = Align8(v.Value.MVbin.cValues * sizeof(SBinary));
        for (ULONG i = 0; i < v.Value.MVbin.cValues; ++i)
            cb += Align8(v.Value.MVbin.lpbin[i].cb);
        return cb;
    case PT_MV_STRING8:
        cb = Align8(v.Value.MVszA.cValues * sizeof(LPSTR));
        for (ULONG i = 0; i < v.Value.MVszA.cValues; ++i)
            cb += v.Value.MVszA.lppszA[i] ? Align8(ULONG(std::strlen(v.Value.MVszA.lppszA[i]) + 1)) : 0;
        return cb;
    case PT_MV_UNICODE:
        cb = Align8(v.Value.MVszW.cValues * sizeof(LPWSTR));
        for (ULONG i = 0; i < v.Value.MVszW.cValues; ++i) {
            const WCHAR* s = v.Value.MVszW.lppszW[i];
            ULONG n = 0;
            while (s && s[n])
                ++n;
            cb += s ? Align8((n + 1) * sizeof(WCHAR)) : 0;
        }
        return cb;
    default:
        return 0;
    }
}

// Copies the out-of-line part of src into memory handed out by alloc.
template <class Alloc>
SCODE CopyValue(SPropValue& dst, const SPropValue& src, Alloc&& alloc)
{
    dst = src;
    auto dup = [&](const void* p, ULONG cb, void** out) -> SCODE {
        *out = nullptr;
        if (!p && cb)
            return MAPI_E_INVALID_PARAMETER;
        SCODE sc = alloc(cb, out);
        if (FAILED(sc))
            return sc;
        if (cb)
            std::memcpy(*out, p, cb);
        return S_OK;
    };
    SCODE sc = S_OK;
    void* p = nullptr;
    switch (PROP_TYPE(src.ulPropTag)) {
    case PT_STRING8:
        if (src.Value.lpszA) {
            sc = dup(src.Value.lpszA, ULONG(std::strlen(src.Value.lpszA) + 1), &p);
            dst.Value.lpszA = static_cast<LPSTR>(p);
        }
        break;
    case PT_UNICODE:
        if (src.Value.lpszW) {
            ULONG n = 0;
            while (src.Value.lpszW[n])
                ++n;
            sc = dup(src.Value.lpszW, (n + 1) * sizeof(WCHAR), &p);
            dst.Value.lpszW = static_cast<LPWSTR>(p);
        }
        break;
    case PT_BINARY:
        sc = dup(src.Value.bin.lpb, src.Value.bin.cb, &p);
        dst.Value.bin.lpb = static_cast<LPBYTE>(p);
        break;
    case PT_CLSID:
        sc = dup(src.Value.lpguid, sizeof(GUID), &p);
        dst.Value.lpguid = static_cast<GUID*>(p);
        break;
    case PT_MV_I2:
        sc = dup(src.Value.MVi.lpi, src.Value.MVi.cValues * sizeof(SHORT), &p);
        dst.Value.MVi.lpi = static_cast<SHORT*>(p);
        break;
    case PT_MV_LONG:
        sc = dup(src.Value.MVl.lpl, src.Value.MVl.cValues * sizeof(LONG), &p);
        dst.Value.MVl.lpl = static_cast<LONG*>(p);
        break;
    case PT_MV_I8:
        sc = dup(src.Value.MVli.lpli, src.Value.MVli.cValues * sizeof(LONGLONG), &p);
        dst.Value.MVli.lpli = static_cast<LONGLONG*>(p);
        break;
    case PT_MV_SYSTIME:
        sc = dup(src.Value.MVft.lpft, src.Value.MVft.cValues * sizeof(FILETIME), &p);
        dst.Value.MVft.lpft = static_cast<FILETIME*>(p);
        break;
    case PT_MV_CLSID:
        sc = dup(src.Value.MVguid.lpguid, src.Value.MVguid.cValues * sizeof(GUID), &p);
        dst.Value.MVguid.lpguid = static_cast<GUID*>(p);
        break;
    case PT_MV_BINARY: {
        sc = dup(src.Value.MVbin.lpbin, src.Value.MVbin.cValues * sizeof(SBinary), &p);
        if (FAILED(sc))
            break;
        auto* arr = static_cast<SBinary*>(p);
        dst.Value.MVbin.lpbin = arr;
        for (ULONG i = 0; i < src.Value.MVbin.cValues && SUCCEEDED(sc); ++i) {
            sc = dup(src.Value.MVbin.lpbin[i].lpb, src.Value.MVbin.lpbin[i].cb, &p);
            arr[i].lpb = static_cast<LPBYTE>(p);
        }
        break;
    }
    case PT_MV_STRING8: {
        sc = dup(src.Value.MVszA.lppszA, src.Value.MVszA.cValues * sizeof(LPSTR), &p);
        if (FAILED(sc))
            break;
        auto* arr = static_cast<LPSTR*>(p);
        dst.Value.MVszA.lppszA = arr;
        for (ULONG i = 0; i < src.Value.MVszA.cValues && SUCCEEDED(sc); ++i) {
            const char* s = src.Value.MVszA.lppszA[i];
            arr[i] = nullptr;
            if (s) {
                sc = dup(s, ULONG(std::strlen(s) + 1), &p);
                arr[i] = static_cast<LPSTR>(p);
            }
        }
        break;
    }
    case PT_MV_UNICODE: {
        sc = dup(src.Value.MVszW.lppszW, src.Value.MVszW.cValues * sizeof(LPWSTR), &p);
        if (FAILED(sc))
            break;
        auto* arr = static_cast<LPWSTR*>(p);
        dst.Value.MVszW.lppszW = arr;
        for (ULONG i = 0; i < src.Value.MVszW.cValues && SUCCEEDED(sc); ++i) {
            const WCHAR* s = src.Value.MVszW.lppszW[i];
            arr[i] = nullptr;
            if (s) {
                ULONG n = 0;
                while (s[n])
                    ++n;
                sc = dup(s, (n + 1) * sizeof(WCHAR), &p);
                arr[i] = static_cast<LPWSTR>(p);
            }
        }
        break;
    }
    default:
        break;
    }
    return sc;
}

} // namespace

HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp)
{
    if (!lpMapiProp || !lppProp)
        return MAPI_E_INVALID_PARAMETER;
    *lppProp = nullptr;
    SizedSPropTagArray(1, tags) = {1, {ulPropTag}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    HRESULT hr = lpMapiProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
    if (FAILED(hr))
        return hr;
    if (!values || count != 1) {
        MAPIFreeBuffer(values);
        return MAPI_E_NOT_FOUND;
    }
    if (PROP_TYPE(values->ulPropTag) == PT_ERROR) {
        hr = values->Value.err;
        MAPIFreeBuffer(values);
        return hr ? hr : MAPI_E_NOT_FOUND;
    }
    *lppProp = values;
    return S_OK;
}

HRESULT HrSetOneProp(LPMAPIPROP lpMapiProp, LPSPropValue lpProp)
{
    if (!lpMapiProp || !lpProp)
        return MAPI_E_INVALID_PARAMETER;
    LPSPropProblemArray problems = nullptr;
    HRESULT hr = lpMapiProp->SetProps(1, lpProp, &problems);
    if (SUCCEEDED(hr) && problems && problems->cProblem > 0)
        hr = problems->aProblem[0].scode;
    MAPIFreeBuffer(problems);
    return hr;
}

HRESULT HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                       LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows)
{
    if (!lpTable || !lppRows)
        return MAPI_E_INVALID_PARAMETER;
    *lppRows = nullptr;
    HRESULT hr = S_OK;
    if (lpPropTags && FAILED(hr = lpTable->SetColumns(lpPropTags, TBL_BATCH)))
        return hr;
    if (lpRestriction && FAILED(hr = lpTable->Restrict(lpRestriction, TBL_BATCH)))
        return hr;
    if (lpSortOrderSet && FAILED(hr = lpTable->SortTable(lpSortOrderSet, TBL_BATCH)))
        return hr;
    if (FAILED(hr = lpTable->SeekRow(BOOKMARK_BEGINNING, 0, nullptr)))
        return hr;
    ULONG count = 0;
    if (FAILED(hr = lpTable->GetRowCount(0, &count)))
        return hr;
    if (crowsMax > 0 && count > static_cast<ULONG>(crowsMax))
        return MAPI_E_TABLE_TOO_BIG;
    return lpTable->QueryRows(static_cast<LONG>(count > 0 ? count : 1), 0, lppRows);
}

void FreeProws(LPSRowSet lpRows)
{
    if (!lpRows)
        return;
    for (ULONG i = 0; i < lpRows->cRows; ++i)
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
}

void FreePadrlist(LPADRLIST lpAdrlist) { FreeProws(lpAdrlist); }

LPSPropValue PpropFindProp(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag)
{
    if (!lpPropArray)
        return nullptr;
    const bool anyType = PROP_TYPE(ulPropTag) == PT_UNSPECIFIED;
    for (ULONG i = 0; i < cValues; ++i) {
        if (lpPropArray[i].ulPropTag == ulPropTag ||
            (anyType && PROP_ID(lpPropArray[i].ulPropTag) == PROP_ID(ulPropTag)))
            return &lpPropArray[i];
    }
    return nullptr;
}

SCODE ScCountProps(int cValues, LPSPropValue lpPropArray, ULONG* lpcb)
{
    if (cValues < 0 || (cValues > 0 && !lpPropArray))
        return MAPI_E_INVALID_PARAMETER;
    ULONG cb = static_cast<ULONG>(cValues) * sizeof(SPropValue);
    for (int i = 0; i < cValues; ++i)
        cb += ExtraSize(lpPropArray[i]);
    if (lpcb)
        *lpcb = cb;
    return S_OK;
}

SCODE ScDupPropset(int cValues, LPSPropValue lpPropArray, LPALLOCATEBUFFER lpAllocateBuffer,
                   LPSPropValue* lppPropArray)
{
    if (!lppPropArray || !lpAllocateBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppPropArray = nullptr;
    ULONG cb = 0;
    SCODE sc = ScCountProps(cValues, lpPropArray, &cb);
    if (FAILED(sc))
        return sc;
    // One block holds the array and every value behind it, so one free releases it all.
    void* block = nullptr;
    sc = lpAllocateBuffer(cb ? cb : 1, &block);
    if (FAILED(sc))
        return sc;
    auto* out = static_cast<LPSPropValue>(block);
    char* next = static_cast<char*>(block) + static_cast<ULONG>(cValues) * sizeof(SPropValue);
    auto carve = [&](ULONG n, void** p) -> SCODE {
        *p = next;
        next += Align8(n);
        return S_OK;
    };
    for (int i = 0; i < cValues; ++i)
        CopyValue(out[i], lpPropArray[i], carve);
    *lppPropArray = out;
    return S_OK;
}

SCODE PropCopyMore(LPSPropValue lpSPropValueDest, LPSPropValue lpSPropValueSrc, LPALLOCATEMORE lpfAllocMore,
                   LPVOID lpvObject)
{
    if (!lpSPropValueDest || !lpSPropValueSrc || !lpfAllocMore)
        return MAPI_E_INVALID_PARAMETER;
    return CopyValue(*lpSPropValueDest, *lpSPropValueSrc,
                     [&](ULONG n, void** p) { return lpfAllocMore(n ? n : 1, lpvObject, p); });
}

void HexFromBin(LPBYTE pb, int cb, LPSTR sz)
{
    static const char digits[] = "0123456789ABCDEF";
    if (!sz)
        return;
    for (int i = 0; i < cb; ++i) {
        sz[2 * i] = digits[pb[i] >> 4];
        sz[2 * i + 1] = digits[pb[i] & 0x0F];
    }
    sz[cb > 0 ? 2 * cb : 0] = '\0';
}

BOOL FBinFromHex(LPSTR sz, LPBYTE pb)
{
    if (!sz || !pb)
        return FALSE;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    // The whole text is checked first: bad input leaves the buffer untouched.
    size_t n = 0;
    for (; sz[n]; ++n)
        if (nibble(sz[n]) < 0)
            return FALSE;
    if (n % 2)
        return FALSE;
    for (size_t i = 0; i < n; i += 2)
        pb[i / 2] = static_cast<BYTE>(nibble(sz[i]) * 16 + nibble(sz[i + 1]));
    return TRUE;
}

ULONG UlRelease(LPVOID punk)
{
    return punk ? static_cast<IUnknown*>(punk)->Release() : 0;
}

ULONG UlAddRef(LPVOID punk)
{
    return punk ? static_cast<IUnknown*>(punk)->AddRef() : 0;
}
