// Reading values of one registry key, for the platform's own units that keep their state in the
// registry: absent keys and values are told apart from other failures.
#pragma once

#include "registry/Registry.h"

#include <string>
#include <string_view>

namespace platform {

class __attribute__((visibility("default"))) RegistryReader {
public:
    RegistryReader(HKEY root, const char* subKey);
    ~RegistryReader();
    RegistryReader(const RegistryReader&) = delete;
    RegistryReader& operator=(const RegistryReader&) = delete;

    // A string value (REG_SZ or REG_EXPAND_SZ, up to its first NUL) / a REG_DWORD value:
    // ERROR_FILE_NOT_FOUND when the key or the value is absent, ERROR_INVALID_DATA for a value
    // of another type, else what the registry answered.
    LONG Read(const char* name, std::string& out) const;
    LONG Read(const char* name, DWORD& out) const;

    // The same, with `fallback` for an absent key or value.
    LONG String(const char* name, std::string_view fallback, std::string& out) const;
    LONG Dword(const char* name, DWORD fallback, DWORD& out) const;

private:
    HKEY m_key = nullptr;
    LONG m_error = ERROR_SUCCESS;
};

} // namespace platform
