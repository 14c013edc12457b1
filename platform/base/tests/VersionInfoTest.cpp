#include "base/LastError.h"
#include "base/Module.h"
#include "base/VersionInfo.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The version the build gives every module (SUITE_VERSION_* of the root CMakeLists).
struct Parts {
    int major, minor, build, revision;
};

Parts ReadVersion(const std::string& path, DWORD expectedType)
{
    DWORD handle = 1;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    EXPECT_GT(size, 0u) << path;
    EXPECT_EQ(handle, 0u);
    std::vector<char> block(size);
    EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), handle, size, block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length));
    if (!info)
        return {-1, -1, -1, -1};
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(info->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(info->dwStrucVersion, VS_FFI_STRUCVERSION);
    EXPECT_EQ(info->dwFileType, expectedType);
    EXPECT_EQ(info->dwFileVersionMS, info->dwProductVersionMS);
    EXPECT_EQ(info->dwFileVersionLS, info->dwProductVersionLS);
    return {HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS), HIWORD(info->dwProductVersionLS),
            LOWORD(info->dwProductVersionLS)};
}

} // namespace

TEST(VersionInfo, BuiltProgramAndLibraryCarryTheSuiteVersion)
{
    char self[4096];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    const Parts program = ReadVersion(self, VFT_APP);
    const Parts library = ReadVersion(MODULE_TEST_VERSIONED, VFT_DLL);
    EXPECT_EQ(program.major, 2);
    EXPECT_EQ(program.minor, 0);
    EXPECT_EQ(program.build, 0);
    EXPECT_EQ(program.revision, 1);
    EXPECT_EQ(library.major, program.major);
    EXPECT_EQ(library.revision, program.revision);

    // The platform layer itself, found through its system name.
    char base[4096];
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), base, sizeof base), 0u);
    EXPECT_EQ(ReadVersion(base, VFT_DLL).major, 2);
}

TEST(VersionInfo, FailuresCarryTheirErrors)
{
    TempRoot root;
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA(MODULE_TEST_PLAIN, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    char block[256];
    EXPECT_FALSE(GetFileVersionInfoA(MODULE_TEST_PLAIN, 0, sizeof block, block));

    EXPECT_EQ(GetFileVersionInfoSizeA((root.path() / "missing.so").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    const auto text = root.path() / "notes.txt";
    std::ofstream(text) << "not a module at all, but long enough to hold an ELF header's worth of bytes";
    EXPECT_EQ(GetFileVersionInfoSizeA(text.c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));

    // A truncated copy of a module must fail cleanly.
    const auto cut = root.path() / "cut.so";
    {
        std::ifstream in(MODULE_TEST_VERSIONED, std::ios::binary);
        std::vector<char> head(100);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream(cut, std::ios::binary).write(head.data(), in.gcount());
    }
    EXPECT_EQ(GetFileVersionInfoSizeA(cut.c_str(), nullptr), 0u);

    // Sub-blocks other than the root are not there; a foreign block is refused.
    const DWORD size = GetFileVersionInfoSizeA(MODULE_TEST_VERSIONED, nullptr);
    std::vector<char> good(size);
    ASSERT_TRUE(GetFileVersionInfoA(MODULE_TEST_VERSIONED, 0, size, good.data()));
    LPVOID value = nullptr;
    UINT length = 0;
    EXPECT_FALSE(VerQueryValueA(good.data(), "\\StringFileInfo\\040904b0\\FileVersion", &value, &length));
    std::vector<char> junk(size, 0);
    EXPECT_FALSE(VerQueryValueA(junk.data(), "\\", &value, &length));
}
