// Modules (the executable and shared libraries). An HMODULE is the module's load base address.
// The platform's own library names ("kernel32.dll", "user32.dll", "shell32.dll",
// "shfolder.dll", "comctl32.dll", "uxtheme.dll", "hhctrl.ocx", "winmm.dll", "advapi32.dll",
// "ole32.dll", "oleaut32.dll") stand for the platform layer
// libraries already in the process; GetProcAddress on such a handle looks the name up across
// the whole process.
#pragma once

#include "base/WinTypes.h"

using FARPROC = void (*)();

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

extern "C" {
HMODULE GetModuleHandleA(LPCSTR moduleName);
BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module);
// Full path of the module (null: the executable). When the buffer is too small the path is cut
// to size - 1 characters and a zero, size is returned and the last error is
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
}

#include <string>

namespace platform {

// The path of the module that contains the address ("" when none does).
std::string ModulePathOfAddress(const void* address);

} // namespace platform
