// INI profile functions. A bare file name (no '/' or '\\') is looked for in the Windows
// directory of the platform root; '\\' in paths separates folders like '/'.
#pragma once

#include "base/WinTypes.h"

extern "C" {
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
}

#include <filesystem>

namespace platform {

// Where the profile functions look for fileName.
std::filesystem::path ProfilePath(const char* fileName);

} // namespace platform
