// Reading registry values from this library. The registry layer is built on this library, so
// this library cannot link against it: its functions are weak references here, bound whenever
// the registry layer is part of the process (every program that keeps settings links it).
// Without it every key reads as absent.
#pragma once

#include "registry/Registry.h"

#include <string>
#include <string_view>

namespace platform {

class RegistryReader {
public:
    RegistryReader(HKEY root, const char* subKey);
    ~RegistryReader();
    RegistryReader(const RegistryReader&) = delete;
    RegistryReader& operator=(const RegistryReader&) = delete;

    static bool RegistryPresent();

    // A string value (REG_SZ or REG_EXPAND_SZ), or `fallback` when the key or value is absent.
    // Other failures (a value of another type, an unreadable registry) are returned as Win32
    // errors.
    LONG String(const char* name, std::string_view fallback, std::string& out) const;
    // A REG_DWORD value, or `fallback` when the key or value is absent.
    LONG Dword(const char* name, DWORD fallback, DWORD& out) const;

private:
    HKEY m_key = nullptr;
    LONG m_error = ERROR_SUCCESS;
};

} // namespace platform
