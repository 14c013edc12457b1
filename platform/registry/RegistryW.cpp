#include "registry/RegistryW.h"

#include "base/Utf.h"
#include "base/WinError.h"
#include "registry/RegistryStore.h"
#include "registry/ValueBuffer.h"

#include <algorithm>
#include <cstring>
#include <optional>

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;
using platform::WideLength;
using platform::registry::CopyValueData;
using platform::registry::RegistryStore;
using platform::registry::SubkeyEntry;
using platform::registry::ValueEntry;

namespace {

std::optional<std::string> Narrow(LPCWSTR text)
{
    if (!text)
        return std::nullopt;
    return Utf16ToUtf8(std::u16string_view(text, WideLength(text)));
}

bool IsText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Stored UTF-8 text as UTF-16LE bytes.
std::vector<BYTE> WideData(const ValueEntry& value)
{
    if (!IsText(value.type))
        return value.data;
    const std::u16string wide =
        Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
    std::vector<BYTE> out(wide.size() * 2);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        out[2 * i] = static_cast<BYTE>(wide[i] & 0xFF);
        out[2 * i + 1] = static_cast<BYTE>(wide[i] >> 8);
    }
    return out;
}

LONG CopyWideName(const std::string& name, LPWSTR buffer, LPDWORD cch)
{
    const std::u16string wide = Utf8ToUtf16(name);
    if (wide.size() + 1 > *cch)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    *cch = static_cast<DWORD>(wide.size());
    return ERROR_SUCCESS;
}


} // namespace

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult)
{
    const auto sub = Narrow(lpSubKey);
    return RegOpenKeyExA(hKey, sub ? sub->c_str() : nullptr, ulOptions, samDesired, phkResult);
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition)
{
    const auto sub = Narrow(lpSubKey);
    auto cls = Narrow(lpClass);
    return RegCreateKeyExA(hKey, sub ? sub->c_str() : nullptr, Reserved, cls ? cls->data() : nullptr, dwOptions,
                           samDesired, lpSecurityAttributes, phkResult, lpdwDisposition);
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    const auto name = Narrow(lpValueName);
    ValueEntry value;
    const LONG rc = RegistryStore::Instance().QueryValue(hKey, name.value_or(std::string()), value);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (lpType)
        *lpType = value.type;
    return CopyValueData(WideData(value), lpData, lpcbData);
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType, const BYTE* lpData,
                    DWORD cbData)
{
    if (!lpData && cbData)
        return ERROR_NOACCESS;
    const auto name = Narrow(lpValueName);
    std::vector<BYTE> data(lpData, lpData ? lpData + cbData : lpData);
    if (IsText(dwType)) {
        std::u16string wide(data.size() / 2, u'\0');
        for (std::size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        const std::string narrow = Utf16ToUtf8(wide);
        data.assign(narrow.begin(), narrow.end());
    }
    return RegistryStore::Instance().SetValue(hKey, name.value_or(std::string()), dwType, data);
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    const auto name = Narrow(lpValueName);
    return RegistryStore::Instance().DeleteValue(hKey, name.value_or(std::string()));
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    const auto sub = Narrow(lpSubKey);
    return RegDeleteKeyA(hKey, sub ? sub->c_str() : nullptr);
}

LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey)
{
    const auto sub = Narrow(lpSubKey);
    return RegDeleteTreeA(hKey, sub ? sub->c_str() : nullptr);
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass,
                   LPDWORD lpcchClass, FILETIME* lpftLastWriteTime)
{
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    SubkeyEntry subkey;
    const LONG rc = RegistryStore::Instance().EnumKey(hKey, dwIndex, subkey);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (const LONG r = CopyWideName(subkey.name, lpName, lpcchName); r != ERROR_SUCCESS)
        return r;
    if (lpClass) {
        if (const LONG r = CopyWideName(subkey.keyClass, lpClass, lpcchClass); r != ERROR_SUCCESS)
            return r;
    } else if (lpcchClass) {
        *lpcchClass = static_cast<DWORD>(Utf8ToUtf16(subkey.keyClass).size());
    }
    if (lpftLastWriteTime) {
        const auto t = static_cast<std::uint64_t>(subkey.lastWrite);
        *lpftLastWriteTime = FILETIME{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
    }
    return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    ValueEntry value;
    const LONG rc = RegistryStore::Instance().EnumValue(hKey, dwIndex, value);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (const LONG r = CopyWideName(value.name, lpValueName, lpcchValueName); r != ERROR_SUCCESS)
        return r;
    if (lpType)
        *lpType = value.type;
    return CopyValueData(WideData(value), lpData, lpcbData);
}

LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                      LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      FILETIME* lpftLastWriteTime)
{
    if (lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    platform::registry::KeySummary summary;
    const LONG rc = RegistryStore::Instance().QueryInfo(hKey, summary);
    if (rc != ERROR_SUCCESS)
        return rc;
    auto wideLength = [](const std::string& s) { return static_cast<DWORD>(Utf8ToUtf16(s).size()); };
    LONG result = ERROR_SUCCESS;
    if (lpClass) {
        if (CopyWideName(summary.keyClass, lpClass, lpcchClass) != ERROR_SUCCESS) {
            *lpcchClass = wideLength(summary.keyClass);
            result = ERROR_MORE_DATA;
        }
    } else if (lpcchClass) {
        *lpcchClass = wideLength(summary.keyClass);
    }
    DWORD maxSubKey = 0, maxClass = 0, maxValueName = 0, maxValue = 0;
    for (const auto& s : summary.subkeys) {
        maxSubKey = std::max(maxSubKey, wideLength(s.name));
        maxClass = std::max(maxClass, wideLength(s.keyClass));
    }
    for (const auto& v : summary.values) {
        maxValueName = std::max(maxValueName, wideLength(v.name));
        maxValue = std::max(maxValue, static_cast<DWORD>(WideData(v).size()));
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
        *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) {
        const auto t = static_cast<std::uint64_t>(summary.lastWrite);
        *lpftLastWriteTime = FILETIME{static_cast<DWORD>(t & 0xFFFFFFFFu), static_cast<DWORD>(t >> 32)};
    }
    return result;
}
