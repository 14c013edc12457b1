// Registry helpers of the add-in: subkey tests, deleting keys that have no subkeys, and the
// settings timestamps (REG_SZ "TimeStamp", 14 digits "%04d%02d%02d%02d%02d%02d" of a UTC time).
#pragma once

#include "registry/Registry.h"

#include <string>

// Keys of the add-in, under HKEY_CURRENT_USER (and, for Install, HKEY_LOCAL_MACHINE).
inline constexpr char kAddInKey[] = "Software\\Halvesta\\Lumivane Add-In";
inline constexpr char kFoldersKey[] = "Software\\Halvesta\\Lumivane Add-In\\Folders";
inline constexpr char kInstallKey[] = "Software\\Halvesta\\Lumivane Add-In\\Install";
inline constexpr char kTimeStampValue[] = "TimeStamp";

HRESULT RegHasSubKeys(HKEY key, BOOL* has);
// Deletes the subkey `name` of parent when it has no subkeys; its values do not keep it.
HRESULT RegDeleteKeyIfEmpty(HKEY parent, const char* name);

// The user's timestamp (HKCU\...\Folders\<profile key>) and the installation's
// (HKLM\...\Install); a missing key or value leaves that text empty.
void ReadTimestamps(const char* profileKey, std::string* user, std::string* install);
// Writes the present UTC time as the user's timestamp of the profile.
HRESULT SaveUserTimestamp(const char* profileKey);
