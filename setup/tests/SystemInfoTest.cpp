// The recorded Windows identity as the version functions report it.
#include "RegistryState.h"
#include "TempRoot.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "system/SystemInfo.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

OSVERSIONINFOEXA VersionEx()
{
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    return info;
}

const std::string kCurrent = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

} // namespace

TEST(SystemInfo, EmptyRootIsWindowsXpSp2X86Workstation)
{
    TempRoot root;
    const OSVERSIONINFOEXA info = VersionEx();
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_STREQ(info.szCSDVersion, "Service Pack 2");
    EXPECT_EQ(info.wServicePackMajor, 2);
    EXPECT_EQ(info.wServicePackMinor, 0);
    EXPECT_EQ(info.wProductType, VER_NT_WORKSTATION);
    SYSTEM_INFO si{};
    GetNativeSystemInfo(&si);
    EXPECT_EQ(si.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
    EXPECT_EQ(GetSystemMetrics(SM_SERVERR2), 0);
}

TEST(SystemInfo, ReportsTheRecordedIdentity)
{
    TempRoot root;
    SetIdentity({"5.2", "3790", "Service Pack 1.3", "LanmanNT", "amd64", true});
    const OSVERSIONINFOEXA info = VersionEx();
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 2u);
    EXPECT_EQ(info.dwBuildNumber, 3790u);
    EXPECT_STREQ(info.szCSDVersion, "Service Pack 1.3");
    EXPECT_EQ(info.wServicePackMajor, 1);
    EXPECT_EQ(info.wServicePackMinor, 3);
    EXPECT_EQ(info.wProductType, VER_NT_DOMAIN_CONTROLLER);
    EXPECT_EQ(GetSystemMetrics(SM_SERVERR2), 3790);
    EXPECT_EQ(GetSystemMetrics(0), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), 16);

    SYSTEM_INFO native{}, own{};
    GetNativeSystemInfo(&native);
    GetSystemInfo(&own);
    EXPECT_EQ(native.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(native.dwProcessorType, static_cast<DWORD>(PROCESSOR_AMD_X8664));
    EXPECT_EQ(own.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_GE(native.dwNumberOfProcessors, 1u);
    EXPECT_GT(native.dwPageSize, 0u);

    SetString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "ServerNT");
    SetString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
              "PROCESSOR_ARCHITECTURE", "IA64");
    EXPECT_EQ(VersionEx().wProductType, VER_NT_SERVER);
    GetNativeSystemInfo(&native);
    EXPECT_EQ(native.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_IA64);

    SetString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
              "PROCESSOR_ARCHITECTURE", "MIPS");
    GetNativeSystemInfo(&native);
    EXPECT_EQ(native.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_UNKNOWN);
}

TEST(SystemInfo, ServicePackTextsWithoutNumbers)
{
    TempRoot root;
    SetString(HKEY_LOCAL_MACHINE, kCurrent, "CSDVersion", "");
    OSVERSIONINFOEXA info = VersionEx();
    EXPECT_STREQ(info.szCSDVersion, "");
    EXPECT_EQ(info.wServicePackMajor, 0);
    SetString(HKEY_LOCAL_MACHINE, kCurrent, "CSDVersion", "Service Pack 1a");
    info = VersionEx();
    EXPECT_EQ(info.wServicePackMajor, 1);
    EXPECT_EQ(info.wServicePackMinor, 0);
    SetString(HKEY_LOCAL_MACHINE, kCurrent, "CSDVersion", std::string(200, 'x'));
    info = VersionEx();
    EXPECT_EQ(std::strlen(info.szCSDVersion), 127u);
    EXPECT_EQ(info.wServicePackMajor, 0);
}

TEST(SystemInfo, PlainVersionStructureAndWrongSizes)
{
    TempRoot root;
    SetIdentity(kWindowsVista);
    OSVERSIONINFOA plain{};
    plain.dwOSVersionInfoSize = sizeof(plain);
    ASSERT_TRUE(GetVersionExA(&plain));
    EXPECT_EQ(plain.dwMajorVersion, 6u);
    EXPECT_EQ(plain.dwBuildNumber, 6002u);

    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = 100;
    SetLastError(0);
    EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(info.dwMajorVersion, 0u);
    EXPECT_FALSE(GetVersionExA(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(SystemInfo, MalformedIdentityFailsGetVersion)
{
    TempRoot root;
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    for (const char* version : {"5", "5.x", "", "5.1.1", "-5.1"}) {
        SetString(HKEY_LOCAL_MACHINE, kCurrent, "CurrentVersion", version);
        SetLastError(0);
        EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info))) << version;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << version;
    }
    SetString(HKEY_LOCAL_MACHINE, kCurrent, "CurrentVersion", "5.1");
    SetString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "Desktop");
    EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    SetString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "winnt");
    EXPECT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    SetDword(HKEY_LOCAL_MACHINE, kCurrent, "CurrentBuildNumber", 2600);
    EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST(SystemInfo, NativeSystemInfoIsFoundByName)
{
    TempRoot root;
    SetIdentity(kWindowsXP64);
    using Fn = void (*)(LPSYSTEM_INFO);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    auto fn = reinterpret_cast<Fn>(GetProcAddress(kernel, "GetNativeSystemInfo"));
    ASSERT_NE(fn, nullptr);
    SYSTEM_INFO si{};
    fn(&si);
    EXPECT_EQ(si.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
}
