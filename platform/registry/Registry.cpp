// The Win32-shaped registry functions: argument checks and buffer handling, over
// RegistryStore. A functions take and return UTF-8 text; sizes are in bytes of it.
#include "registry/Registry.h"
#include "registry/ValueBuffer.h"

#include "base/WinError.h"
#include "registry/RegistryBatch.h"
#include "registry/RegistryStore.h"

#include <cstring>

using platform::registry::CopyValueData;
using platform::registry::KeySummary;
using platform::registry::RegistryStore;
using platform::registry::SubkeyEntry;
using platform::registry::ValueEntry;

namespace {

std::string_view NameOf(LPCSTR name)
{
    return name ? std::string_view(name) : std::string_view();
}

FILETIME ToFileTime(std::int64_t t)
{
    return FILETIME{static_cast<DWORD>(static_cast<std::uint64_t>(t) & 0xFFFFFFFFu),
                    static_cast<DWORD>(static_cast<std::uint64_t>(t) >> 32)};
}

// Copies a name with its terminator into a buffer of *cch characters; *cch becomes the
// length without the terminator. ERROR_MORE_DATA when it does not fit.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD cch)
{
    if (name.size() + 1 > *cch)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *cch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired, PHKEY phkResult)
{
    return RegistryStore::Instance().OpenKey(hKey, lpSubKey, samDesired, phkResult);
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPSTR lpClass, DWORD /*dwOptions*/,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                     LPDWORD lpdwDisposition)
{
    return RegistryStore::Instance().CreateKey(hKey, lpSubKey, NameOf(lpClass), samDesired, phkResult,
                                               lpdwDisposition);
}

LONG RegCloseKey(HKEY hKey)
{
    return RegistryStore::Instance().CloseKey(hKey);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    ValueEntry value;
    const LONG rc = RegistryStore::Instance().QueryValue(hKey, NameOf(lpValueName), value);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (lpType)
        *lpType = value.type;
    return CopyValueData(value.data, lpData, lpcbData);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType, const BYTE* lpData,
                    DWORD cbData)
{
    if (!lpData && cbData)
        return ERROR_NOACCESS;
    return RegistryStore::Instance().SetValue(hKey, NameOf(lpValueName), dwType,
                                              std::span<const BYTE>(lpData, lpData ? cbData : 0));
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    return RegistryStore::Instance().DeleteValue(hKey, NameOf(lpValueName));
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey)
{
    return RegistryStore::Instance().DeleteKey(hKey, lpSubKey);
}

LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey)
{
    return RegistryStore::Instance().DeleteTree(hKey, lpSubKey);
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                   LPDWORD lpcchClass, FILETIME* lpftLastWriteTime)
{
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    SubkeyEntry subkey;
    const LONG rc = RegistryStore::Instance().EnumKey(hKey, dwIndex, subkey);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (const LONG r = CopyName(subkey.name, lpName, lpcchName); r != ERROR_SUCCESS)
        return r;
    if (lpClass) {
        if (const LONG r = CopyName(subkey.keyClass, lpClass, lpcchClass); r != ERROR_SUCCESS)
            return r;
    } else if (lpcchClass) {
        *lpcchClass = static_cast<DWORD>(subkey.keyClass.size());
    }
    if (lpftLastWriteTime)
        *lpftLastWriteTime = ToFileTime(subkey.lastWrite);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName)
{
    return RegEnumKeyExA(hKey, dwIndex, lpName, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    ValueEntry value;
    const LONG rc = RegistryStore::Instance().EnumValue(hKey, dwIndex, value);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (const LONG r = CopyName(value.name, lpValueName, lpcchValueName); r != ERROR_SUCCESS)
        return r;
    if (lpType)
        *lpType = value.type;
    return CopyValueData(value.data, lpData, lpcbData);
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                      LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      FILETIME* lpftLastWriteTime)
{
    if (lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    KeySummary summary;
    const LONG rc = RegistryStore::Instance().QueryInfo(hKey, summary);
    if (rc != ERROR_SUCCESS)
        return rc;
    LONG result = ERROR_SUCCESS;
    if (lpClass) {
        if (CopyName(summary.keyClass, lpClass, lpcchClass) != ERROR_SUCCESS) {
            *lpcchClass = static_cast<DWORD>(summary.keyClass.size());
            result = ERROR_MORE_DATA;
        }
    } else if (lpcchClass) {
        *lpcchClass = static_cast<DWORD>(summary.keyClass.size());
    }
    DWORD maxSubKey = 0;
    DWORD maxClass = 0;
    for (const auto& s : summary.subkeys) {
        maxSubKey = std::max(maxSubKey, static_cast<DWORD>(s.name.size()));
        maxClass = std::max(maxClass, static_cast<DWORD>(s.keyClass.size()));
    }
    DWORD maxValueName = 0;
    DWORD maxValue = 0;
    for (const auto& v : summary.values) {
        maxValueName = std::max(maxValueName, static_cast<DWORD>(v.name.size()));
        maxValue = std::max(maxValue, static_cast<DWORD>(v.data.size()));
    }
    if (lpcSubKeys)
        *lpcSubKeys = static_cast<DWORD>(summary.subkeys.size());
    if (lpcbMaxSubKeyLen)
        *lpcbMaxSubKeyLen = maxSubKey;
    if (lpcbMaxClassLen)
        *lpcbMaxClassLen = maxClass;
    if (lpcValues)
        *lpcValues = static_cast<DWORD>(summary.values.size());
    if (lpcbMaxValueNameLen)
        *lpcbMaxValueNameLen = maxValueName;
    if (lpcbMaxValueLen)
        *lpcbMaxValueLen = maxValue;
    if (lpcbSecurityDescriptor)
        *lpcbSecurityDescriptor = 0; // no security model
    if (lpftLastWriteTime)
        *lpftLastWriteTime = ToFileTime(summary.lastWrite);
    return result;
}

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    if (!lpSubKey || !*lpSubKey) {
        // The old form hands back the very handle it was given.
        const LONG rc = RegistryStore::Instance().Validate(hKey);
        if (rc == ERROR_SUCCESS)
            *phkResult = hKey;
        return rc;
    }
    // The old form asks for what the user may have, as the platform does.
    return RegOpenKeyExA(hKey, lpSubKey, 0, MAXIMUM_ALLOWED, phkResult);
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    if (!lpSubKey || !*lpSubKey) {
        const LONG rc = RegistryStore::Instance().Validate(hKey);
        if (rc == ERROR_SUCCESS)
            *phkResult = hKey;
        return rc;
    }
    return RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, 0, MAXIMUM_ALLOWED, nullptr, phkResult, nullptr);
}

LONG RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, LONG* lpcbData)
{
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    HKEY key = hKey;
    if (lpSubKey && *lpSubKey) {
        if (const LONG rc = RegOpenKeyExA(hKey, lpSubKey, 0, KEY_QUERY_VALUE, &key); rc != ERROR_SUCCESS)
            return rc;
    }
    ValueEntry value;
    LONG rc = RegistryStore::Instance().QueryValue(key, {}, value);
    if (key != hKey)
        RegCloseKey(key);
    // Every key of the old interface has a default value: an unset one reads as empty text.
    if (rc == ERROR_FILE_NOT_FOUND) {
        value.type = REG_SZ;
        value.data.clear();
        rc = ERROR_SUCCESS;
    }
    if (rc != ERROR_SUCCESS)
        return rc;
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    if (value.data.empty() || value.data.back() != 0)
        value.data.push_back(0);
    DWORD cb = lpcbData ? static_cast<DWORD>(*lpcbData) : 0;
    const LONG r = CopyValueData(value.data, reinterpret_cast<LPBYTE>(lpData), lpcbData ? &cb : nullptr);
    if (lpcbData)
        *lpcbData = static_cast<LONG>(cb);
    return r;
}

LONG RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData, DWORD /*cbData*/)
{
    if (dwType != REG_SZ || !lpData)
        return ERROR_INVALID_PARAMETER;
    // Creating the key and setting its value is one change: both or neither.
    platform::registry::RegistryBatch batch;
    if (batch.Status() != ERROR_SUCCESS)
        return batch.Status();
    HKEY key = hKey;
    if (lpSubKey && *lpSubKey) {
        if (const LONG rc = RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
            rc != ERROR_SUCCESS)
            return rc;
    }
    // The data's length is its own, terminator included; the size argument is ignored.
    LONG rc = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpData),
                             static_cast<DWORD>(std::strlen(lpData) + 1));
    if (key != hKey)
        RegCloseKey(key);
    if (rc == ERROR_SUCCESS)
        rc = batch.Commit();
    return rc;
}
