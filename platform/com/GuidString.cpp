#include "com/GuidString.h"

#include "com/ComRuntime.h"
#include "com/TaskMem.h"

#include <cstdio>
#include <cstring>
#include <uuid/uuid.h>

namespace platform {

std::string GuidToString(REFGUID g)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::optional<GUID> GuidFromString(std::string_view text)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    const std::string_view body = text.substr(1, 36);
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-')
                return std::nullopt;
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return std::nullopt;
        }
    }
    return MakeGuid(body.data());
}

} // namespace platform

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax)
{
    const std::string text = platform::GuidToString(rguid);
    const int needed = static_cast<int>(text.size()) + 1;
    if (!lpsz || cchMax < needed)
        return 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        lpsz[i] = static_cast<OLECHAR>(text[i]);
    lpsz[text.size()] = 0;
    return needed;
}

namespace {

HRESULT GuidToTaskString(REFGUID guid, LPOLESTR* out)
{
    if (!out)
        return E_INVALIDARG;
    *out = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
    if (!*out)
        return E_OUTOFMEMORY;
    StringFromGUID2(guid, *out, 39);
    return S_OK;
}

std::optional<GUID> ParseWide(LPCOLESTR text)
{
    if (!text)
        return std::nullopt;
    const std::u16string_view wide(text);
    std::string narrow;
    for (char16_t c : wide) {
        if (c > 0x7f)
            return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    return platform::GuidFromString(narrow);
}

} // namespace

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz)
{
    return GuidToTaskString(rclsid, lplpsz);
}

HRESULT StringFromIID(REFIID riid, LPOLESTR* lplpsz)
{
    return GuidToTaskString(riid, lplpsz);
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid)
{
    if (!pclsid)
        return E_INVALIDARG;
    // A null string is CLSID_NULL, as on the platform.
    if (!lpsz) {
        *pclsid = CLSID_NULL;
        return S_OK;
    }
    if (lpsz[0] == u'{') {
        if (auto guid = ParseWide(lpsz)) {
            *pclsid = *guid;
            return S_OK;
        }
        *pclsid = CLSID_NULL;
        return CO_E_CLASSSTRING;
    }
    // Not braced: it may be a ProgID.
    if (FAILED(CLSIDFromProgID(lpsz, pclsid))) {
        *pclsid = CLSID_NULL;
        return CO_E_CLASSSTRING;
    }
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid)
{
    if (!lpiid)
        return E_INVALIDARG;
    if (!lpsz) {
        *lpiid = IID_NULL;
        return S_OK;
    }
    if (auto guid = ParseWide(lpsz)) {
        *lpiid = *guid;
        return S_OK;
    }
    *lpiid = IID_NULL;
    return CO_E_IIDSTRING;
}

HRESULT CoCreateGuid(GUID* pguid)
{
    if (!pguid)
        return E_INVALIDARG;
    uuid_t raw;
    uuid_generate_random(raw);
    // uuid_t holds the bytes in the text order (big-endian fields).
    pguid->Data1 = (DWORD(raw[0]) << 24) | (DWORD(raw[1]) << 16) | (DWORD(raw[2]) << 8) | DWORD(raw[3]);
    pguid->Data2 = static_cast<WORD>((raw[4] << 8) | raw[5]);
    pguid->Data3 = static_cast<WORD>((raw[6] << 8) | raw[7]);
    std::memcpy(pguid->Data4, raw + 8, 8);
    return S_OK;
}
