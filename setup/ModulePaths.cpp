#include "ModulePaths.h"

#include "base/LastError.h"
#include "base/Module.h"
#include "base/WinError.h"
#include "registry/Registry.h"

#include <cstring>
#include <vector>

HRESULT GetModuleDirectory(LPSTR buffer)
{
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        const DWORD error = length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        buffer[0] = '\0';
        return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_INSUFFICIENT_BUFFER);
    }
    buffer[length] = '\0';
    char* slash = std::strrchr(buffer, '/');
    char* backslash = std::strrchr(buffer, '\\');
    char* last = slash > backslash ? slash : backslash;
    if (last)
        *last = '\0';
    return S_OK;
}

HRESULT GetOutlookPath(LPSTR buffer, DWORD size)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE",
                            0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));

    HRESULT hr = S_OK;
    DWORD type = 0;
    DWORD needed = 0;
    rc = RegQueryValueExA(key, "", nullptr, &type, nullptr, &needed);
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
    } else if (type != REG_SZ && type != REG_EXPAND_SZ) {
        hr = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    } else if (needed > size) {
        hr = E_OUTOFMEMORY;
    } else {
        // Read aside first: the buffer keeps its contents unless a whole path arrives.
        std::vector<char> data(needed + 1, '\0');
        DWORD got = needed;
        rc = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &got);
        if (rc != ERROR_SUCCESS) {
            hr = HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
        } else {
            // A stored text need not carry its terminating zero; the caller's buffer must.
            const std::size_t length = strnlen(data.data(), got);
            if (length + 1 > size)
                hr = E_OUTOFMEMORY;
            else {
                std::memcpy(buffer, data.data(), length);
                buffer[length] = '\0';
            }
        }
    }
    RegCloseKey(key);
    return hr;
}
