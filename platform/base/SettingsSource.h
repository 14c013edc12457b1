// The user's and the machine's settings (values under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE)
// as this library reads them. They are kept by a layer above this one (the registry), which
// installs its source here when it is loaded; this library refers to nothing of it. Without a
// source every setting reads as absent, so a program without the registry gets the defaults.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <string_view>

namespace platform {

enum class SettingsHive { CurrentUser, LocalMachine };

class SettingsSource {
public:
    virtual ~SettingsSource() = default;

    // A string value (REG_SZ or REG_EXPAND_SZ) / a REG_DWORD value of `key` (a path below the
    // hive) and `name` (empty: the key's default value). Each gives ERROR_SUCCESS with the value,
    // ERROR_FILE_NOT_FOUND when the key or the value is absent, ERROR_INVALID_DATA for a value
    // of another type, or the error that kept the store from being read.
    virtual LONG ReadString(SettingsHive hive, const char* key, const char* name, std::string& out) const = 0;
    virtual LONG ReadDword(SettingsHive hive, const char* key, const char* name, DWORD& out) const = 0;
};

// Installs `source` in place of any other; it must outlive its installation.
void InstallSettingsSource(const SettingsSource* source);
// Removes `source` if it is the one installed (a source going away removes itself).
void RemoveSettingsSource(const SettingsSource* source);

// A string setting, or `fallback` when it is absent (or no source is installed). Other failures
// (a value of another type, an unreadable store) are returned as Win32 errors.
LONG ReadSettingString(SettingsHive hive, const char* key, const char* name, std::string_view fallback,
                       std::string& out);
// A DWORD setting, or `fallback` when it is absent.
LONG ReadSettingDword(SettingsHive hive, const char* key, const char* name, DWORD fallback, DWORD& out);

} // namespace platform
