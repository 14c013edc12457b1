#include "VersionProbes.h"

#include "base/Module.h"
#include "system/SystemInfo.h"

namespace {

bool GetVersionInfo(OSVERSIONINFOEXA& info)
{
    info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)) != FALSE;
}

using GetNativeSystemInfoFn = void (*)(LPSYSTEM_INFO);

// GetNativeSystemInfo is looked up at run time: systems before XP do not have it.
bool IsNativeAmd64()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return false;
    auto getNativeSystemInfo = reinterpret_cast<GetNativeSystemInfoFn>(GetProcAddress(kernel, "GetNativeSystemInfo"));
    if (!getNativeSystemInfo)
        return false;
    SYSTEM_INFO si{};
    getNativeSystemInfo(&si);
    return si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

bool IsXP64Edition(const OSVERSIONINFOEXA& info)
{
    return info.dwMajorVersion == 5 && info.dwMinorVersion == 2 && IsNativeAmd64() &&
           info.wProductType == VER_NT_WORKSTATION && GetSystemMetrics(SM_SERVERR2) == 0;
}

} // namespace

bool IsWindowsXP(int minSp)
{
    OSVERSIONINFOEXA info;
    if (!GetVersionInfo(info))
        return false;
    if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1 && info.wServicePackMajor >= minSp)
        return true;
    return IsXP64Edition(info);
}

bool IsWindowsServer2003()
{
    OSVERSIONINFOEXA info;
    if (!GetVersionInfo(info))
        return false;
    return info.dwMajorVersion == 5 && info.dwMinorVersion == 2 && info.wProductType != VER_NT_WORKSTATION;
}

bool IsWindowsVista()
{
    OSVERSIONINFOEXA info;
    if (!GetVersionInfo(info))
        return false;
    return info.dwMajorVersion == 6 && info.dwMinorVersion == 0;
}

bool IsWindowsXP64()
{
    OSVERSIONINFOEXA info;
    if (!GetVersionInfo(info))
        return false;
    return IsXP64Edition(info);
}
