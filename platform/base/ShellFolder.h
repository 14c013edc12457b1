// Special folders of the shell (SHGetFolderPathA). They all lie under the platform root:
// application data and the Windows directory are those of PlatformRoot.h; the others are
// folders of the root ("Documents", "ProgramData", "Program Files", "Windows/System32") that
// exist only once someone creates them.
#pragma once

#include "base/WinTypes.h"

#define CSIDL_PERSONAL 0x0005
#define CSIDL_MYDOCUMENTS CSIDL_PERSONAL
#define CSIDL_APPDATA 0x001A
#define CSIDL_LOCAL_APPDATA 0x001C
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_WINDOWS 0x0024
#define CSIDL_SYSTEM 0x0025
#define CSIDL_PROGRAM_FILES 0x0026

#define CSIDL_FLAG_DONT_VERIFY 0x4000
#define CSIDL_FLAG_CREATE 0x8000
#define CSIDL_FLAG_MASK 0xFF00

#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1

extern "C" {
// Writes the folder's path (at most MAX_PATH characters with the terminating zero) into `path`.
// S_OK; E_INVALIDARG for an unknown folder id or a null `path`; without CSIDL_FLAG_CREATE or
// CSIDL_FLAG_DONT_VERIFY a folder that does not exist gives
// HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) (CSIDL_FLAG_CREATE creates it, failing with the
// reason); a path too long for MAX_PATH gives HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE).
// On failure `path` is left empty. Exported so that it is found with GetProcAddress through
// "shell32.dll" and "shfolder.dll".
__attribute__((visibility("default"))) HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE token, DWORD flags,
                                                                LPSTR path);
}
