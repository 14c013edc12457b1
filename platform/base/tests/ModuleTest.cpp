#include "base/CommonControls.h"
#include "base/DebugOutput.h"
#include "base/DisplayState.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/WinError.h"
#include "base/WinTime.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <cstring>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ModuleFileName(HMODULE module)
{
    char buf[4096];
    const DWORD n = GetModuleFileNameA(module, buf, sizeof buf);
    return std::string(buf, n);
}

int LocalFunction()
{
    return 1;
}

} // namespace

TEST(Module, ExecutableHandleAndFileName)
{
    const HMODULE exe = GetModuleHandleA(nullptr);
    ASSERT_NE(exe, nullptr);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(ModuleFileName(nullptr), self);
    EXPECT_EQ(ModuleFileName(exe), self);
    EXPECT_EQ(GetModuleHandleA(fs::path(self).filename().c_str()), exe);

    HMODULE fromAddress = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCSTR>(&LocalFunction), &fromAddress));
    EXPECT_EQ(fromAddress, exe);
}

TEST(Module, FileNameTruncatesLikeThePlatform)
{
    const std::string self = ModuleFileName(nullptr);
    ASSERT_GT(self.size(), 10u);
    char buf[11];
    std::memset(buf, 'X', sizeof buf);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buf, 10), 10u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(buf), self.substr(0, 9));
    EXPECT_EQ(buf[10], 'X');
    // Exactly fitting path and zero.
    std::string exact(self.size() + 1, 'X');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, exact.data(), static_cast<DWORD>(self.size() + 1)), self.size());
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(0x10), buf, sizeof buf), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Module, LoadFindAndFreeALibrary)
{
    const std::string path = MODULE_TEST_VERSIONED;
    const std::string name = fs::path(path).filename().string();
    EXPECT_EQ(GetModuleHandleA(name.c_str()), nullptr);

    const HMODULE module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ModuleFileName(module), path);
    EXPECT_EQ(GetModuleHandleA(name.c_str()), module);
    // Names compare without regard to letter case, and '\\' separates like '/'.
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(GetModuleHandleA(upper.c_str()), module);
    std::string backslashed = path;
    for (char& c : backslashed)
        if (c == '/')
            c = '\\';
    EXPECT_EQ(GetModuleHandleA(backslashed.c_str()), module);

    using Answer = int (*)();
    const auto answer = reinterpret_cast<Answer>(GetProcAddress(module, "ModuleTestAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    HMODULE owner = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCSTR>(answer), &owner));
    EXPECT_EQ(owner, module);

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "ModuleTestHidden"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    // A function of another module is not this module's.
    EXPECT_EQ(GetProcAddress(module, "GetTickCount"), nullptr);

    // Further references (a second load, a counted handle) keep it loaded until each is freed.
    ASSERT_EQ(LoadLibraryA(path.c_str()), module);
    HMODULE counted = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(0, name.c_str(), &counted));
    EXPECT_EQ(counted, module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA(name.c_str()), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA(name.c_str()), nullptr);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Module, MissingLibraryFails)
{
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("/nonexistent/libnothing.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA("libnothing-at-all.so"), nullptr);
    EXPECT_EQ(GetModuleHandleA("libnothing-at-all.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    HMODULE m = reinterpret_cast<HMODULE>(1);
    EXPECT_FALSE(GetModuleHandleExA(0, "libnothing-at-all.so", &m));
    EXPECT_EQ(m, nullptr);
}

TEST(Module, SystemLibraryNamesReachThePlatformLayer)
{
    for (const char* name : {"kernel32.dll", "KERNEL32.DLL", "user32.dll", "shell32.dll", "shfolder.dll", "advapi32.dll",
                             "ole32.dll", "oleaut32.dll", "kernel32"}) {
        const HMODULE m = GetModuleHandleA(name);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_EQ(LoadLibraryA(name), m) << name;
        EXPECT_TRUE(FreeLibrary(m)) << name;
        EXPECT_NE(ModuleFileName(m).find("libplatform_"), std::string::npos) << name;
    }
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(kernel32, "GetTickCount")), reinterpret_cast<void*>(&GetTickCount));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "OutputDebugStringA")),
              reinterpret_cast<void*>(&OutputDebugStringA));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(kernel32, "NoSuchFunctionAnywhere"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST(ModuleNames, TheWindowingLibrariesResolveToThePlatform)
{
    for (const char* name : {"comctl32.dll", "UXTHEME.DLL", "hhctrl.ocx", "winmm.dll", "COMCTL32"}) {
        HMODULE module = LoadLibraryA(name);
        ASSERT_NE(module, nullptr) << name;
        EXPECT_EQ(module, GetModuleHandleA(name));
        EXPECT_TRUE(FreeLibrary(module));
    }
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    using InitEx = BOOL (*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<InitEx>(GetProcAddress(comctl, "InitCommonControlsEx"));
    ASSERT_NE(init, nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES};
    EXPECT_TRUE(init(&icc));
    icc.dwSize = 12;
    EXPECT_FALSE(init(&icc));
    EXPECT_FALSE(init(nullptr));

    using Themed = BOOL (*)();
    HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
    auto active = reinterpret_cast<Themed>(GetProcAddress(uxtheme, "IsThemeActive"));
    auto app = reinterpret_cast<Themed>(GetProcAddress(uxtheme, "IsAppThemed"));
    ASSERT_TRUE(active && app);
    EXPECT_FALSE(active());
    EXPECT_FALSE(app());
    platform::SetToolkitDisplayRunning(true);
    EXPECT_TRUE(active());
    EXPECT_TRUE(app());
    platform::SetToolkitDisplayRunning(false);
    EXPECT_FALSE(active());

    EXPECT_NE(GetProcAddress(LoadLibraryA("winmm.dll"), "PlaySoundA"), nullptr);
    EXPECT_NE(GetProcAddress(LoadLibraryA("hhctrl.ocx"), "HtmlHelpA"), nullptr);
}

// The Windows identity is read from the registry, a layer above this one: it is not part of
// this library, which depends on no other layer of the platform.
TEST(Module, TheWindowsIdentityIsNotPartOfTheBaseLayer)
{
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "GetNativeSystemInfo"), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo"), nullptr);
}
