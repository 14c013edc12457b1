#include "mapi/MapiErrorInfo.h"

#include "base/Utf.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiUtil.h"

#include <cstring>

namespace mapi {

namespace {

// A copy of `text` in the block `parent` (8-bit, or UTF-16 for MAPI_UNICODE).
HRESULT CopyText(const std::string& text, bool unicode, void* parent, LPSTR* out)
{
    void* p = nullptr;
    if (unicode) {
        const std::u16string wide = platform::Utf8ToUtf16(text);
        const ULONG size = static_cast<ULONG>((wide.size() + 1) * sizeof(char16_t));
        if (MAPIAllocateMore(size, parent, &p) != S_OK)
            return MAPI_E_NOT_ENOUGH_MEMORY;
        std::memcpy(p, wide.c_str(), size);
    } else {
        const ULONG size = static_cast<ULONG>(text.size() + 1);
        if (MAPIAllocateMore(size, parent, &p) != S_OK)
            return MAPI_E_NOT_ENOUGH_MEMORY;
        std::memcpy(p, text.c_str(), size);
    }
    *out = static_cast<LPSTR>(p);
    return S_OK;
}

} // namespace

HRESULT NewMapiError(const std::string& text, const std::string& component, ULONG flags, LPMAPIERROR* out)
{
    *out = nullptr;
    void* block = nullptr;
    if (MAPIAllocateBuffer(sizeof(MAPIERROR), &block) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* error = static_cast<MAPIERROR*>(block);
    *error = MAPIERROR{};
    error->ulVersion = MAPI_ERROR_VERSION;
    const bool unicode = (flags & MAPI_UNICODE) != 0;
    HRESULT hr = CopyText(text, unicode, block, &error->lpszError);
    if (SUCCEEDED(hr))
        hr = CopyText(component, unicode, block, &error->lpszComponent);
    if (FAILED(hr)) {
        MAPIFreeBuffer(block);
        return hr;
    }
    *out = error;
    return S_OK;
}

} // namespace mapi
