#include "extension.h"

#include "SyncExtension.h"
#include "TraceScope.h"
#include "ModulePath.h"
#include "registry/Registry.h"

#include <new>
#include <string>

namespace {

constexpr const char* kExtensionsKey = "Software\\Microsoft\\Exchange\\Client\\Extensions";
constexpr const char* kSetupValue = "Outlook Setup Extension";
// Makes the host read its extension list again.
constexpr const char* kSetupText = "4.0;Outxxx.dll;7;000000000000000;0000000000;OutXXX";

HRESULT OpenExtensionsKey(HKEY* phKey)
{
    const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, phKey, nullptr);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT(0x80070000 | rc);
}

LONG SetText(HKEY hKey, const char* name, const std::string& text)
{
    return RegSetValueExA(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

} // namespace

LPEXCHEXT ExchEntryPoint()
{
    TRACE_PROC("ExchEntryPoint");
    return new (std::nothrow) CSyncExtension();
}

HRESULT RegisterExtension()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("RegisterExtension", &hr);
    HKEY hKey = nullptr;
    std::string path = EngineModulePath();
    if (path.size() > 1024)
        path.resize(1024);
    hr = OpenExtensionsKey(&hKey);
    if (FAILED(hr)) {
        TRACE_FAILED(RegCreateKeyEx, hr);
        return hr;
    }
    LONG rc = SetText(hKey, "Tembrix", "4.0;" + path + ";5;1");
    if (rc == ERROR_SUCCESS)
        rc = SetText(hKey, kSetupValue, kSetupText);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT(0x80070000 | rc);
        TRACE_FAILED(RegSetValueEx, hr);
    }
    return hr;
}

HRESULT UnregisterExtension()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("UnregisterExtension", &hr);
    HKEY hKey = nullptr;
    hr = OpenExtensionsKey(&hKey);
    if (FAILED(hr)) {
        TRACE_FAILED(RegCreateKeyEx, hr);
        return hr;
    }
    RegDeleteValueA(hKey, "Tembrix");
    const LONG rc = SetText(hKey, kSetupValue, kSetupText);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT(0x80070000 | rc);
        TRACE_FAILED(RegSetValueEx, hr);
    }
    return hr;
}
