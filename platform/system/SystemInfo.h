// Windows version and processor information: the identity of the Windows system that the
// platform root records. This unit sits above the registry layer (and links it), as the
// identity lives in the registry where Windows keeps it:
//   HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion
//       CurrentVersion      REG_SZ  "<major>.<minor>"              (default "5.1")
//       CurrentBuildNumber  REG_SZ  decimal build number            (default "2600")
//       CSDVersion          REG_SZ  "Service Pack <major>[.<minor>]" or "" (default "Service Pack 2");
//                                   the service-pack numbers are read from this text
//       ServerR2            REG_DWORD non-zero on a Server 2003 R2 system (default 0)
//   HKLM\SYSTEM\CurrentControlSet\Control\ProductOptions
//       ProductType         REG_SZ  "WinNT" workstation, "LanmanNT" domain controller,
//                                   "ServerNT" server                (default "WinNT")
//   HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment
//       PROCESSOR_ARCHITECTURE REG_SZ "x86", "AMD64" or "IA64"      (default "x86")
// Each absent value takes its default, so an empty root is Windows XP SP2, x86, workstation.
// Programs of this platform run natively: GetSystemInfo reports what GetNativeSystemInfo does.
#pragma once

#include "base/WinTypes.h"

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define VER_NT_WORKSTATION 1
#define VER_NT_DOMAIN_CONTROLLER 2
#define VER_NT_SERVER 3

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF

#define PROCESSOR_INTEL_PENTIUM 586
#define PROCESSOR_INTEL_IA64 2200
#define PROCESSOR_AMD_X8664 8664

#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define SM_SERVERR2 89

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using POSVERSIONINFOA = OSVERSIONINFOA*;
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

struct OSVERSIONINFOEXA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
using POSVERSIONINFOEXA = OSVERSIONINFOEXA*;
using LPOSVERSIONINFOEXA = OSVERSIONINFOEXA*;

static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(OSVERSIONINFOEXA) == 156);

struct SYSTEM_INFO {
    union {
        DWORD dwOemId;
        struct {
            WORD wProcessorArchitecture;
            WORD wReserved;
        };
    };
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
};
using LPSYSTEM_INFO = SYSTEM_INFO*;

// Fills an OSVERSIONINFOA (size field 148) or OSVERSIONINFOEXA (156). A null pointer fails with
// ERROR_INVALID_PARAMETER, another size with ERROR_INSUFFICIENT_BUFFER, a recorded identity that
// cannot be read (malformed version text, unknown product type, unreadable registry) with the
// reason; the function then returns FALSE and GetLastError tells why.
BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);

void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo);

// Metrics of the platform: SM_SERVERR2 gives the build number on a Server 2003 R2 system and 0
// elsewhere; SM_CXICON and SM_CYICON the size of large icons (32), SM_CXSMICON and SM_CYSMICON
// that of small ones (16); other indexes have no meaning here and give 0, as an unknown index
// does.
int GetSystemMetrics(int nIndex);

// Exported with C linkage so that it can be looked up by name at run time
// (GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")).
extern "C" __attribute__((visibility("default"))) void GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo);
