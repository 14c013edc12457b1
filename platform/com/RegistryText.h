// Small string helpers over the registry for the COM runtime (internal to this layer).
#pragma once

#include "registry/Registry.h"

#include <optional>
#include <string>

namespace platform::com::detail {

// A REG_SZ or REG_EXPAND_SZ value (name null or empty: the default value); nothing when the
// key or value is missing or of another type.
std::optional<std::string> ReadString(HKEY root, const std::string& subkey, const char* name);
bool KeyExists(HKEY root, const std::string& subkey);
// Creates the key when missing and writes a REG_SZ value; a Win32 error code.
LONG WriteString(HKEY root, const std::string& subkey, const char* name, const std::string& value);
LONG CreateKey(HKEY root, const std::string& subkey);
// Removes the key with everything below it; ERROR_SUCCESS also when it was missing.
LONG DeleteTree(HKEY root, const std::string& subkey);

} // namespace platform::com::detail
