#include "RegKeyEx.h"

#include <utility>

LONG CRegKeyEx::Open(HKEY parent, LPCSTR name, REGSAM access)
{
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(parent, name, 0, access, &key);
    if (rc == ERROR_SUCCESS)
        Attach(key);
    return rc;
}

LONG CRegKeyEx::Create(HKEY parent, LPCSTR name, REGSAM access)
{
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS)
        Attach(key);
    return rc;
}

LONG CRegKeyEx::Close()
{
    if (!m_hKey)
        return ERROR_SUCCESS;
    return RegCloseKey(std::exchange(m_hKey, nullptr));
}

void CRegKeyEx::Attach(HKEY key)
{
    Close();
    m_hKey = key;
}

HKEY CRegKeyEx::Detach()
{
    return std::exchange(m_hKey, nullptr);
}

LONG CRegKeyEx::QueryDWORDValue(LPCSTR name, DWORD& value) const
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD cb = sizeof data;
    LONG rc = RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &cb);
    if (rc == ERROR_SUCCESS && (type != REG_DWORD || cb != sizeof data))
        rc = ERROR_INVALID_DATA;
    if (rc == ERROR_SUCCESS)
        value = data;
    return rc;
}

LONG CRegKeyEx::QueryBinaryValue(LPCSTR name, std::vector<BYTE>& value) const
{
    DWORD type = 0;
    DWORD cb = 0;
    LONG rc = RegQueryValueExA(m_hKey, name, nullptr, &type, nullptr, &cb);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_BINARY)
        return ERROR_INVALID_DATA;
    std::vector<BYTE> data(cb);
    rc = RegQueryValueExA(m_hKey, name, nullptr, &type, data.data(), &cb);
    if (rc == ERROR_SUCCESS) {
        data.resize(cb);
        value = std::move(data);
    }
    return rc;
}

LONG CRegKeyEx::SetDWORDValue(LPCSTR name, DWORD value) const
{
    return RegSetValueExA(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG CRegKeyEx::SetStringValue(LPCSTR name, LPCSTR value, DWORD type) const
{
    const std::string text = value ? value : "";
    return RegSetValueExA(m_hKey, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG CRegKeyEx::SetBinaryValue(LPCSTR name, const void* data, DWORD size) const
{
    return RegSetValueExA(m_hKey, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG CRegKeyEx::DeleteValue(LPCSTR name) const
{
    return RegDeleteValueA(m_hKey, name);
}

LONG CRegKeyEx::DeleteSubKey(LPCSTR name) const
{
    return RegDeleteKeyA(m_hKey, name);
}

LONG CRegKeyEx::RecurseDeleteKey(LPCSTR name) const
{
    if (!name || !*name)
        return ERROR_INVALID_PARAMETER; // never the key's own contents
    HKEY sub = nullptr;
    const LONG rc = RegOpenKeyExA(m_hKey, name, 0, KEY_ALL_ACCESS, &sub);
    if (rc != ERROR_SUCCESS)
        return rc;
    RegCloseKey(sub);
    return RegDeleteTreeA(m_hKey, name);
}

LONG CRegKeyEx::EnumKey(DWORD index, std::string& name) const
{
    char buffer[256];
    DWORD cch = sizeof buffer;
    const LONG rc = RegEnumKeyExA(m_hKey, index, buffer, &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS)
        name.assign(buffer, cch);
    return rc;
}

LONG CRegKeyEx::SetValue(const WINDOWPLACEMENT* placement, LPCSTR name) const
{
    if (!placement || placement->length > sizeof(WINDOWPLACEMENT))
        return ERROR_INVALID_PARAMETER;
    return RegSetValueExA(m_hKey, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(placement), placement->length);
}

LONG CRegKeyEx::QueryValue(LPCSTR name, WINDOWPLACEMENT* placement) const
{
    if (!placement)
        return ERROR_INVALID_PARAMETER;
    DWORD type = 0;
    DWORD cb = 0;
    LONG rc = RegQueryValueExA(m_hKey, name, nullptr, &type, nullptr, &cb);
    if (rc != ERROR_SUCCESS)
        return rc;
    // The size must be the caller's length, and that length must fit the structure.
    if (cb != placement->length || cb > sizeof(WINDOWPLACEMENT))
        return ERROR_INVALID_DATA;
    WINDOWPLACEMENT read = *placement;
    rc = RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(&read), &cb);
    if (rc == ERROR_SUCCESS)
        *placement = read;
    return rc;
}

LONG CRegKeyEx::QueryStringValue(LPCSTR name, std::string* result) const
{
    DWORD type = 0;
    DWORD cb = 0;
    LONG rc = RegQueryValueExA(m_hKey, name, nullptr, &type, nullptr, &cb);
    if (rc == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)
        return ERROR_SUCCESS;
    // A buffer of the queried size plus one, so that the text always ends.
    std::vector<char> buffer(std::size_t(cb) + 1, '\0');
    DWORD size = cb;
    rc = RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size);
    if (rc == ERROR_SUCCESS && result)
        result->assign(buffer.data());
    return rc;
}
