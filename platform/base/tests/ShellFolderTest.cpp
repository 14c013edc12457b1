#include "base/ShellFolder.h"

#include "base/Module.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

using GetFolderPath = HRESULT (*)(HWND, int, HANDLE, DWORD, LPSTR);

// Found the way the engine finds it: through the shell's library, else the older folder library.
GetFolderPath Lookup(const char* library)
{
    const HMODULE module = LoadLibraryA(library);
    if (!module)
        return nullptr;
    auto fn = reinterpret_cast<GetFolderPath>(GetProcAddress(module, "SHGetFolderPathA"));
    FreeLibrary(module);
    return fn;
}

class ShellFolderTest : public ::testing::Test {
protected:
    TempRoot root;
    GetFolderPath getFolderPath = Lookup("SHELL32.DLL");
    char path[MAX_PATH + 16];

    HRESULT Get(int csidl)
    {
        std::memset(path, 'X', sizeof path);
        return getFolderPath(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    }
};

TEST_F(ShellFolderTest, FoundThroughBothShellLibraries)
{
    ASSERT_NE(getFolderPath, nullptr);
    EXPECT_EQ(getFolderPath, &SHGetFolderPathA);
    EXPECT_EQ(Lookup("SHFolder.dll"), &SHGetFolderPathA);
}

TEST_F(ShellFolderTest, EachFolderLiesUnderTheRoot)
{
    ASSERT_NE(getFolderPath, nullptr);
    const fs::path r = platform::RootDirectory();
    const struct {
        int csidl;
        fs::path expected;
    } folders[] = {
        {CSIDL_APPDATA, platform::AppDataDirectory()},
        {CSIDL_LOCAL_APPDATA, platform::LocalAppDataDirectory()},
        {CSIDL_WINDOWS, platform::WindowsDirectory()},
        {CSIDL_SYSTEM, platform::WindowsDirectory() / "System32"},
        {CSIDL_COMMON_APPDATA, r / "ProgramData"},
        {CSIDL_PERSONAL, r / "Documents"},
        {CSIDL_PROGRAM_FILES, r / "Program Files"},
    };
    for (const auto& f : folders) {
        ASSERT_EQ(Get(f.csidl | CSIDL_FLAG_CREATE), S_OK) << f.csidl;
        EXPECT_EQ(fs::path(path), f.expected) << f.csidl;
        EXPECT_TRUE(fs::is_directory(path)) << f.csidl;
        EXPECT_EQ(fs::path(path).string().rfind(root.path().string(), 0), 0u) << path;
    }
}

TEST_F(ShellFolderTest, AMissingFolderIsCreatedOnlyOnRequest)
{
    ASSERT_NE(getFolderPath, nullptr);
    const fs::path common = platform::RootDirectory() / "ProgramData";
    ASSERT_FALSE(fs::exists(common));
    EXPECT_EQ(Get(CSIDL_COMMON_APPDATA), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(path[0], '\0');
    EXPECT_FALSE(fs::exists(common));
    // Without verification the path comes back all the same.
    EXPECT_EQ(Get(CSIDL_COMMON_APPDATA | CSIDL_FLAG_DONT_VERIFY), S_OK);
    EXPECT_EQ(fs::path(path), common);
    EXPECT_FALSE(fs::exists(common));
    // The engine's call: application data, created (0x801A).
    EXPECT_EQ(Get(0x801A), S_OK);
    EXPECT_EQ(fs::path(path), platform::AppDataDirectory());
    EXPECT_EQ(Get(CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE), S_OK);
    EXPECT_TRUE(fs::is_directory(common));
    EXPECT_EQ(Get(CSIDL_COMMON_APPDATA), S_OK);
}

TEST_F(ShellFolderTest, BadRequestsFailWithoutWritingPastTheBuffer)
{
    ASSERT_NE(getFolderPath, nullptr);
    EXPECT_EQ(Get(0x0077), E_INVALIDARG);
    EXPECT_EQ(path[0], '\0');
    EXPECT_EQ(getFolderPath(nullptr, CSIDL_APPDATA, nullptr, 0, nullptr), E_INVALIDARG);

    // A file where the folder should be.
    std::ofstream(platform::RootDirectory() / "Documents") << "in the way";
    EXPECT_TRUE(FAILED(Get(CSIDL_PERSONAL | CSIDL_FLAG_CREATE)));
    EXPECT_EQ(path[0], '\0');

    // A root so deep that the path does not fit into MAX_PATH characters.
    fs::path deep = root.path();
    while (deep.string().size() < MAX_PATH + 20)
        deep /= std::string(40, 'd');
    fs::create_directories(deep);
    const std::string previous = std::getenv(platform::kRootVariable);
    setenv(platform::kRootVariable, deep.c_str(), 1);
    const HRESULT hr = Get(CSIDL_APPDATA | CSIDL_FLAG_CREATE);
    setenv(platform::kRootVariable, previous.c_str(), 1);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(path[0], '\0');
    for (std::size_t i = 1; i < sizeof path; ++i)
        ASSERT_EQ(path[i], 'X') << i;
}

} // namespace
