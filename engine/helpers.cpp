#include "helpers.h"

#include "TraceScope.h"
#include "base/LastError.h"
#include "mapi/Mapi.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int HexValue(unsigned c)
{
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (c >= 'a' && c <= 'f')
        return int(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return int(c - 'A' + 10);
    return -1;
}

template <class Char>
HRESULT HexToSBin(const Char* text, size_t length, SBinary* pBin)
{
    if (!pBin)
        return E_POINTER;
    pBin->cb = 0;
    pBin->lpb = nullptr;
    const size_t cb = length / 2;
    // Check every pair before anything is allocated.
    for (size_t i = 0; i < cb * 2; ++i) {
        if (HexValue(static_cast<unsigned>(text[i])) < 0)
            return E_INVALIDARG;
    }
    BYTE* lpb = static_cast<BYTE*>(std::malloc(cb ? cb : 1));
    if (!lpb) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        const HRESULT hr = HRESULT(0x80070000 | GetLastError());
        TRACE_FAILED(malloc, hr);
        return hr;
    }
    for (size_t i = 0; i < cb; ++i)
        lpb[i] = BYTE(HexValue(unsigned(text[2 * i])) << 4 | HexValue(unsigned(text[2 * i + 1])));
    pBin->cb = static_cast<ULONG>(cb);
    pBin->lpb = lpb;
    return S_OK;
}

} // namespace

HRESULT MAPILogon(LPCWSTR pszProfile, LPMAPISESSION* ppSession)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("MAPILogon", &hr);
    hr = MAPILogonEx(0, reinterpret_cast<LPTSTR>(const_cast<LPWSTR>(pszProfile)), nullptr, kEngineLogonFlags,
                     ppSession);
    if (FAILED(hr))
        TRACE_FAILED(MAPILogonEx, hr);
    return hr;
}

HRESULT SBin2bstr(ULONG cb, const BYTE* pb, BSTR* pText)
{
    if (!pText)
        return E_POINTER;
    static const char16_t kDigits[] = u"0123456789abcdef";
    *pText = SysAllocStringLen(nullptr, cb * 2);
    if (!*pText) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return HRESULT(0x80070000 | GetLastError());
    }
    for (ULONG i = 0; i < cb; ++i) {
        (*pText)[2 * i] = kDigits[pb[i] >> 4];
        (*pText)[2 * i + 1] = kDigits[pb[i] & 0xF];
    }
    return S_OK;
}

HRESULT SBin2bstr(const SBinary& bin, BSTR* pText)
{
    return SBin2bstr(bin.cb, bin.lpb, pText);
}

HRESULT bstr2SBin(const OLECHAR* text, SBinary* pBin)
{
    const size_t length = text ? std::char_traits<char16_t>::length(text) : 0;
    return HexToSBin(text ? text : u"", length, pBin);
}

HRESULT str2SBin(LPCSTR text, SBinary* pBin)
{
    const size_t length = text ? std::strlen(text) : 0;
    return HexToSBin(text ? text : "", length, pBin);
}

HRESULT dupSBin(const SBinary& bin, SBinary* pCopy)
{
    if (!pCopy)
        return E_POINTER;
    pCopy->cb = 0;
    pCopy->lpb = static_cast<BYTE*>(std::malloc(bin.cb ? bin.cb : 1));
    if (!pCopy->lpb) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return HRESULT(0x80070000 | GetLastError());
    }
    if (bin.cb)
        std::memcpy(pCopy->lpb, bin.lpb, bin.cb);
    pCopy->cb = bin.cb;
    return S_OK;
}

void FreeSBin(SBinary* pBin)
{
    if (!pBin)
        return;
    std::free(pBin->lpb);
    pBin->lpb = nullptr;
    pBin->cb = 0;
}
