#include "registry.h"

#include "TraceScope.h"

#include <vector>

HRESULT RegSetValue(HKEY hKey, LPCSTR pszName, const std::u16string& text)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("RegSetValue", &hr);
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        bytes.push_back(BYTE(c & 0xFF));
        bytes.push_back(BYTE(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    const LONG rc = RegSetValueExA(hKey, pszName, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT(0x80070000 | rc);
        TRACE_FAILED(RegSetValue, hr);
    }
    return hr;
}

HRESULT RegGetValue(HKEY hKey, LPCSTR pszName, std::u16string& text)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("RegGetValue", &hr);
    text.clear();
    DWORD cb = 0;
    if (RegQueryValueExA(hKey, pszName, nullptr, nullptr, nullptr, &cb) != ERROR_SUCCESS || cb == 0)
        return hr;
    std::vector<BYTE> buffer;
    try {
        buffer.resize(cb);
    } catch (const std::bad_alloc&) {
        hr = HRESULT(0x80070000 | ERROR_NOT_ENOUGH_MEMORY);
        TRACE_FAILED(malloc, hr);
        return hr;
    }
    if (RegQueryValueExA(hKey, pszName, nullptr, nullptr, buffer.data(), &cb) != ERROR_SUCCESS)
        return hr;
    // Never past the bytes read; a value without a terminator ends at its last whole character.
    for (DWORD i = 0; i + 1 < cb && i + 1 < buffer.size(); i += 2) {
        const char16_t c = char16_t(buffer[i] | (buffer[i + 1] << 8));
        if (c == 0)
            break;
        text.push_back(c);
    }
    return hr;
}
