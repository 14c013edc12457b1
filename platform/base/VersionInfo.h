// File-version information. Every module of the suite carries a version record in its own ELF
// section (see cmake/ModuleVersion.cmake); these functions read it from the file.
#pragma once

#include "base/WinTypes.h"

struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VFT_UNKNOWN 0u
#define VFT_APP 1u
#define VFT_DLL 2u

// The section that holds the record, and the record's layout: an 8-byte magic, then the
// fixed information.
#define MODULE_VERSION_SECTION ".modver"
#define MODULE_VERSION_MAGIC "MODVER1"

extern "C" {
// Size of the version block of the file; 0 with ERROR_FILE_NOT_FOUND for a missing file,
// ERROR_RESOURCE_TYPE_NOT_FOUND for a module without a record, ERROR_BAD_EXE_FORMAT for a
// file that is not a module.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
// "\\" gives the VS_FIXEDFILEINFO of the block.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);
}
