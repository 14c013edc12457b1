#include "registry/RegistryReader.h"

#include <algorithm>

namespace platform {

RegistryReader::RegistryReader(HKEY root, const char* subKey)
{
    m_error = RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, &m_key);
}

RegistryReader::~RegistryReader()
{
    if (m_error == ERROR_SUCCESS)
        RegCloseKey(m_key);
}

LONG RegistryReader::Read(const char* name, std::string& out) const
{
    if (m_error != ERROR_SUCCESS)
        return m_error;
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    std::string data(size, '\0');
    rc = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    data.resize(std::min<std::size_t>(size, data.size()));
    if (auto nul = data.find('\0'); nul != std::string::npos)
        data.resize(nul);
    out = std::move(data);
    return ERROR_SUCCESS;
}

LONG RegistryReader::Read(const char* name, DWORD& out) const
{
    if (m_error != ERROR_SUCCESS)
        return m_error;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG rc = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    if (rc == ERROR_MORE_DATA)
        return ERROR_INVALID_DATA;
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_DWORD || size != sizeof(value))
        return ERROR_INVALID_DATA;
    out = value;
    return ERROR_SUCCESS;
}

LONG RegistryReader::String(const char* name, std::string_view fallback, std::string& out) const
{
    const LONG rc = Read(name, out);
    if (rc == ERROR_FILE_NOT_FOUND) {
        out = fallback;
        return ERROR_SUCCESS;
    }
    return rc;
}

LONG RegistryReader::Dword(const char* name, DWORD fallback, DWORD& out) const
{
    const LONG rc = Read(name, out);
    if (rc == ERROR_FILE_NOT_FOUND) {
        out = fallback;
        return ERROR_SUCCESS;
    }
    return rc;
}

} // namespace platform
