#include "system/SystemInfo.h"

#include "base/LastError.h"
#include "base/WinError.h"
#include "registry/RegistryReader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kProductOptionsKey = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr const char* kEnvironmentKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// The identity of an empty platform root.
constexpr std::string_view kDefaultVersion = "5.1";
constexpr std::string_view kDefaultBuild = "2600";
constexpr std::string_view kDefaultServicePack = "Service Pack 2";
constexpr std::string_view kDefaultProductType = "WinNT";
constexpr std::string_view kDefaultArchitecture = "x86";

std::optional<DWORD> ParseNumber(std::string_view text)
{
    DWORD value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

// "Service Pack <major>[.<minor>]" with anything after the numbers (as in "Service Pack 1a");
// any other text names no service pack.
void ServicePackNumbers(std::string_view text, WORD& major, WORD& minor)
{
    major = 0;
    minor = 0;
    constexpr std::string_view prefix = "Service Pack ";
    if (text.size() <= prefix.size() || !EqualsNoCase(text.substr(0, prefix.size()), prefix))
        return;
    const char* p = text.data() + prefix.size();
    const char* end = text.data() + text.size();
    unsigned value = 0;
    auto r = std::from_chars(p, end, value);
    if (r.ec != std::errc() || value > 0xFFFF)
        return;
    major = static_cast<WORD>(value);
    if (r.ptr != end && *r.ptr == '.') {
        auto m = std::from_chars(r.ptr + 1, end, value);
        if (m.ec == std::errc() && value <= 0xFFFF)
            minor = static_cast<WORD>(value);
    }
}

struct Identity {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    std::string servicePack;
    BYTE productType = VER_NT_WORKSTATION;
    bool serverR2 = false;
};

LONG ReadIdentity(Identity& id)
{
    platform::RegistryReader current(HKEY_LOCAL_MACHINE, kCurrentVersionKey);
    std::string version, build;
    if (LONG rc = current.String("CurrentVersion", kDefaultVersion, version); rc != ERROR_SUCCESS)
        return rc;
    if (LONG rc = current.String("CurrentBuildNumber", kDefaultBuild, build); rc != ERROR_SUCCESS)
        return rc;
    if (LONG rc = current.String("CSDVersion", kDefaultServicePack, id.servicePack); rc != ERROR_SUCCESS)
        return rc;
    DWORD r2 = 0;
    if (LONG rc = current.Dword("ServerR2", 0, r2); rc != ERROR_SUCCESS)
        return rc;
    id.serverR2 = r2 != 0;

    const auto dot = version.find('.');
    if (dot == std::string::npos)
        return ERROR_INVALID_DATA;
    auto major = ParseNumber(std::string_view(version).substr(0, dot));
    auto minor = ParseNumber(std::string_view(version).substr(dot + 1));
    auto buildNumber = ParseNumber(build);
    if (!major || !minor || !buildNumber)
        return ERROR_INVALID_DATA;
    id.major = *major;
    id.minor = *minor;
    id.build = *buildNumber;

    platform::RegistryReader options(HKEY_LOCAL_MACHINE, kProductOptionsKey);
    std::string type;
    if (LONG rc = options.String("ProductType", kDefaultProductType, type); rc != ERROR_SUCCESS)
        return rc;
    if (EqualsNoCase(type, "WinNT"))
        id.productType = VER_NT_WORKSTATION;
    else if (EqualsNoCase(type, "LanmanNT"))
        id.productType = VER_NT_DOMAIN_CONTROLLER;
    else if (EqualsNoCase(type, "ServerNT"))
        id.productType = VER_NT_SERVER;
    else
        return ERROR_INVALID_DATA;
    return ERROR_SUCCESS;
}

WORD RecordedArchitecture()
{
    platform::RegistryReader environment(HKEY_LOCAL_MACHINE, kEnvironmentKey);
    std::string name;
    if (environment.String("PROCESSOR_ARCHITECTURE", kDefaultArchitecture, name) != ERROR_SUCCESS)
        name = kDefaultArchitecture;
    if (EqualsNoCase(name, "x86"))
        return PROCESSOR_ARCHITECTURE_INTEL;
    if (EqualsNoCase(name, "AMD64"))
        return PROCESSOR_ARCHITECTURE_AMD64;
    if (EqualsNoCase(name, "IA64"))
        return PROCESSOR_ARCHITECTURE_IA64;
    return PROCESSOR_ARCHITECTURE_UNKNOWN;
}

} // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD size = info->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Identity id;
    if (LONG rc = ReadIdentity(id); rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    info->dwMajorVersion = id.major;
    info->dwMinorVersion = id.minor;
    info->dwBuildNumber = id.build;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
    std::memcpy(info->szCSDVersion, id.servicePack.data(),
                std::min(id.servicePack.size(), sizeof(info->szCSDVersion) - 1));
    if (size == sizeof(OSVERSIONINFOEXA)) {
        auto* ex = reinterpret_cast<LPOSVERSIONINFOEXA>(info);
        ServicePackNumbers(id.servicePack, ex->wServicePackMajor, ex->wServicePackMinor);
        ex->wSuiteMask = 0; // no product suites are recorded
        ex->wProductType = id.productType;
        ex->wReserved = 0;
    }
    return TRUE;
}

extern "C" void GetNativeSystemInfo(LPSYSTEM_INFO info)
{
    if (!info)
        return;
    std::memset(info, 0, sizeof(*info));
    const WORD architecture = RecordedArchitecture();
    info->wProcessorArchitecture = architecture;
    const long pageSize = sysconf(_SC_PAGESIZE);
    info->dwPageSize = pageSize > 0 ? static_cast<DWORD>(pageSize) : 4096;
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    if (processors < 1)
        processors = 1;
    const long maskBits = static_cast<long>(sizeof(DWORD_PTR) * 8);
    info->dwNumberOfProcessors = static_cast<DWORD>(processors);
    info->dwActiveProcessorMask =
        processors >= maskBits ? ~DWORD_PTR{0} : ((DWORD_PTR{1} << processors) - 1);
    info->dwAllocationGranularity = 0x10000;
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
    switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
        info->dwProcessorType = PROCESSOR_INTEL_PENTIUM;
        info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFEFFFF);
        info->wProcessorLevel = 6;
        break;
    case PROCESSOR_ARCHITECTURE_AMD64:
        info->dwProcessorType = PROCESSOR_AMD_X8664;
        info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(0x7FFFFFFEFFFFULL));
        info->wProcessorLevel = 6;
        break;
    case PROCESSOR_ARCHITECTURE_IA64:
        info->dwProcessorType = PROCESSOR_INTEL_IA64;
        info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(0x6FBFFFEFFFFULL));
        info->wProcessorLevel = 0x1F;
        break;
    default:
        info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFEFFFF);
        break;
    }
}

void GetSystemInfo(LPSYSTEM_INFO info)
{
    GetNativeSystemInfo(info);
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: break;
    }
    if (index != SM_SERVERR2)
        return 0;
    Identity id;
    if (ReadIdentity(id) != ERROR_SUCCESS || !id.serverR2)
        return 0;
    return id.build != 0 ? static_cast<int>(id.build) : 1;
}
