#include "RegistryLog.h"

#include "base/WinError.h"

#include <cstdint>
#include <cstring>
#include <iostream>

namespace {

std::uint32_t Hex(HRESULT hr)
{
    return static_cast<std::uint32_t>(hr);
}

} // namespace

HRESULT RegSetString(HKEY root, LPCSTR subKey, LPCSTR valueName, LPCSTR data)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyA(root, subKey, &key);
    if (rc != ERROR_SUCCESS) {
        const HRESULT hr = HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
        std::cout << "RegSetString - Failed to open or create key: " << subKey << " hr=" << std::hex << Hex(hr)
                  << std::endl;
        return hr;
    }
    rc = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                        static_cast<DWORD>(std::strlen(data) + 1));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        const HRESULT hr = HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
        std::cout << "RegSetString - Failed to set value: " << subKey << "\\" << valueName << " hr=" << std::hex
                  << Hex(hr) << std::endl;
        return hr;
    }
    std::cout << "RegSetString - OK: " << subKey << "\\" << valueName << " - " << data << std::endl;
    return S_OK;
}

HRESULT RegRemoveVal(HKEY root, LPCSTR subKey, LPCSTR valueName)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyA(root, subKey, &key);
    if (rc != ERROR_SUCCESS) {
        const HRESULT hr = HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
        std::cout << "RegRemoveVal - Failed to open key: " << subKey << " hr=" << std::hex << Hex(hr) << std::endl;
        return hr;
    }
    rc = RegDeleteValueA(key, valueName);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        const HRESULT hr = HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
        std::cout << "RegRemoveVal - Failed to remove value: " << subKey << "\\" << valueName << " hr=" << std::hex
                  << Hex(hr) << std::endl;
        return hr;
    }
    std::cout << "RegRemoveVal - OK: " << subKey << "\\" << valueName << std::endl;
    return S_OK;
}
