// Without the registry layer in the process the version functions report the default identity.
#include "base/SystemInfo.h"

#include "TempRoot.h"
#include "base/LastError.h"

#include <gtest/gtest.h>

TEST(SystemInfoDefault, WindowsXpSp2X86WorkstationWithoutTheRegistry)
{
    TempRoot root;
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);
    EXPECT_STREQ(info.szCSDVersion, "Service Pack 2");
    EXPECT_EQ(info.wServicePackMajor, 2);
    EXPECT_EQ(info.wProductType, VER_NT_WORKSTATION);
    SYSTEM_INFO si{};
    GetSystemInfo(&si);
    EXPECT_EQ(si.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
    EXPECT_EQ(si.dwAllocationGranularity, 0x10000u);
    EXPECT_EQ(GetSystemMetrics(SM_SERVERR2), 0);
}
