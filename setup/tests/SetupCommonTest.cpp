// The helpers' shared functions, against the real registry in a fresh platform root.
#include "CommandLine.h"
#include "CommandRunner.h"
#include "InstallProbes.h"
#include "ModulePaths.h"
#include "RegistryLog.h"
#include "RegistryState.h"
#include "TempRoot.h"
#include "VersionProbes.h"
#include "base/CommandInterpreter.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Collects what std::cout receives and restores the stream (buffer and number base) afterwards.
class CoutCapture {
public:
    CoutCapture() : m_old(std::cout.rdbuf(m_text.rdbuf())) {}
    ~CoutCapture()
    {
        std::cout.rdbuf(m_old);
        std::cout << std::dec;
    }
    std::string str() const { return m_text.str(); }

private:
    std::ostringstream m_text;
    std::streambuf* m_old;
};

const char* const kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
const char* const kList = "SYSTEM\\Test\\List";

} // namespace

TEST(RegistryLog, SetStringWritesTheTextWithItsZeroAndLogsOneLine)
{
    TempRoot root;
    CoutCapture out;
    EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kList, "135:TCP", "135:TCP:*:Enabled:x"), S_OK);
    EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kList, "empty", ""), S_OK);
    EXPECT_EQ(out.str(), "RegSetString - OK: SYSTEM\\Test\\List\\135:TCP - 135:TCP:*:Enabled:x\n"
                         "RegSetString - OK: SYSTEM\\Test\\List\\empty - \n");
    const auto values = AllValues(HKEY_LOCAL_MACHINE, kList);
    EXPECT_EQ(values.at("SYSTEM\\Test\\List\\135:TCP"), "sz:135:TCP:*:Enabled:x\\0");
    // Empty data is the terminating zero alone: one byte.
    EXPECT_EQ(values.at("SYSTEM\\Test\\List\\empty"), "sz:\\0");
}

TEST(RegistryLog, SetStringKeyFailureIsLoggedInHex)
{
    TempRoot root;
    CoutCapture out;
    const HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    const HRESULT hr = RegSetString(bogus, kList, "v", "d");
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(out.str(), "RegSetString - Failed to open or create key: SYSTEM\\Test\\List hr=80070006\n");
}

TEST(RegistryLog, RemoveValueLogsSuccessAndBothFailures)
{
    TempRoot root;
    SetString(HKEY_LOCAL_MACHINE, kList, "v", "d");
    CoutCapture out;
    EXPECT_EQ(RegRemoveVal(HKEY_LOCAL_MACHINE, kList, "v"), S_OK);
    EXPECT_EQ(RegRemoveVal(HKEY_LOCAL_MACHINE, kList, "v"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegRemoveVal(HKEY_LOCAL_MACHINE, "SYSTEM\\Missing", "v"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(out.str(), "RegRemoveVal - OK: SYSTEM\\Test\\List\\v\n"
                         "RegRemoveVal - Failed to remove value: SYSTEM\\Test\\List\\v hr=80070002\n"
                         "RegRemoveVal - Failed to open key: SYSTEM\\Missing hr=80070002\n");
    EXPECT_TRUE(AllValues(HKEY_LOCAL_MACHINE, kList).empty());
}

TEST(RegistryLog, StreamStaysInHexAfterAnError)
{
    TempRoot root;
    CoutCapture out;
    RegRemoveVal(HKEY_LOCAL_MACHINE, "SYSTEM\\Missing", "v");
    std::cout << 255;
    EXPECT_EQ(out.str(), "RegRemoveVal - Failed to open key: SYSTEM\\Missing hr=80070002\nff");
}

TEST(OutlookPath, ReadsTheDefaultValue)
{
    TempRoot root;
    char buffer[260] = "untouched";
    EXPECT_EQ(GetOutlookPath(buffer, 260), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_STREQ(buffer, "untouched");
    CreateKey(HKEY_LOCAL_MACHINE, kAppPaths);
    EXPECT_EQ(GetOutlookPath(buffer, 260), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    SetString(HKEY_LOCAL_MACHINE, kAppPaths, "", "C:\\Office\\OUTLOOK.EXE");
    EXPECT_EQ(GetOutlookPath(buffer, 260), S_OK);
    EXPECT_STREQ(buffer, "C:\\Office\\OUTLOOK.EXE");
}

TEST(OutlookPath, LongestPathFitsAndOneMoreCharacterDoesNot)
{
    TempRoot root;
    char buffer[260];
    const std::string longest(259, 'p');
    SetString(HKEY_LOCAL_MACHINE, kAppPaths, "", longest);
    EXPECT_EQ(GetOutlookPath(buffer, 260), S_OK);
    EXPECT_EQ(std::string(buffer), longest);

    std::strcpy(buffer, "untouched");
    SetString(HKEY_LOCAL_MACHINE, kAppPaths, "", std::string(260, 'q'));
    EXPECT_EQ(GetOutlookPath(buffer, 260), static_cast<HRESULT>(0x8007000E));
    EXPECT_STREQ(buffer, "untouched");
}

TEST(OutlookPath, TextWithoutZeroAndValuesOfOtherTypes)
{
    TempRoot root;
    char buffer[260] = "untouched";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kAppPaths, &key), ERROR_SUCCESS);
    // A stored text without its zero still arrives terminated ...
    const std::string path = "C:\\Mail\\OUTLOOK.EXE";
    ASSERT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.data()),
                             static_cast<DWORD>(path.size())),
              ERROR_SUCCESS);
    EXPECT_EQ(GetOutlookPath(buffer, 260), S_OK);
    EXPECT_STREQ(buffer, path.c_str());
    // ... but one that fills the buffer without it does not fit.
    std::strcpy(buffer, "untouched");
    const std::string full(260, 'r');
    ASSERT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(full.data()), 260), ERROR_SUCCESS);
    EXPECT_EQ(GetOutlookPath(buffer, 260), static_cast<HRESULT>(0x8007000E));
    EXPECT_STREQ(buffer, "untouched");
    const DWORD number = 7;
    ASSERT_EQ(RegSetValueExA(key, "", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    EXPECT_EQ(GetOutlookPath(buffer, 260), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_STREQ(buffer, "untouched");
    RegCloseKey(key);
}

TEST(ModuleDirectory, IsTheFolderOfTheRunningProgram)
{
    char buffer[MAX_PATH];
    ASSERT_EQ(GetModuleDirectory(buffer), S_OK);
    EXPECT_EQ(fs::path(buffer), fs::read_symlink("/proc/self/exe").parent_path());
}

TEST(InstallProbes, MachineOrUserUninstallKey)
{
    TempRoot root;
    const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    EXPECT_EQ(IsClientInstalled(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(IsServerInstalled(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    CreateKey(HKEY_CURRENT_USER, base + "Brisanne Client_is1");
    EXPECT_EQ(IsClientInstalled(), S_OK);
    EXPECT_NE(IsServerInstalled(), S_OK);
    CreateKey(HKEY_LOCAL_MACHINE, base + "Brisanne Server_is1");
    EXPECT_EQ(IsServerInstalled(), S_OK);
    // Another product's key with a similar name does not count.
    CreateKey(HKEY_LOCAL_MACHINE, base + "Brisanne Client");
    RegDeleteKeyA(HKEY_CURRENT_USER, (base + "Brisanne Client_is1").c_str());
    EXPECT_NE(IsClientInstalled(), S_OK);
}

struct VersionCase {
    const char* name;
    WindowsIdentity identity;
    bool xp0, xp2, xp3, server2003, vista, xp64;
};

class VersionProbes : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionProbes, Classify)
{
    TempRoot root;
    const VersionCase& c = GetParam();
    SetIdentity(c.identity);
    EXPECT_EQ(IsWindowsXP(0), c.xp0);
    EXPECT_EQ(IsWindowsXP(2), c.xp2);
    EXPECT_EQ(IsWindowsXP(3), c.xp3);
    EXPECT_EQ(IsWindowsServer2003(), c.server2003);
    EXPECT_EQ(IsWindowsVista(), c.vista);
    EXPECT_EQ(IsWindowsXP64(), c.xp64);
}

INSTANTIATE_TEST_SUITE_P(
    Identities, VersionProbes,
    ::testing::Values(
        VersionCase{"XpSp2", kWindowsXP, true, true, false, false, false, false},
        VersionCase{"XpGold", {"5.1", "2600", "", "WinNT", "x86"}, true, false, false, false, false, false},
        // The x64 edition reports 5.2 and still counts as XP, whatever its service pack.
        VersionCase{"Xp64", kWindowsXP64, true, true, true, false, false, true},
        VersionCase{"Xp64OnItanium", {"5.2", "3790", "", "WinNT", "IA64"}, false, false, false, false, false, false},
        VersionCase{"Server2003", kServer2003, false, false, false, true, false, false},
        VersionCase{"Server2003DomainController", {"5.2", "3790", "", "LanmanNT", "x86"}, false, false, false, true,
                    false, false},
        VersionCase{"Server2003R2x64", {"5.2", "3790", "Service Pack 2", "ServerNT", "AMD64", true}, false, false,
                    false, true, false, false},
        VersionCase{"Workstation52R2", {"5.2", "3790", "", "WinNT", "AMD64", true}, false, false, false, false, false,
                    false},
        VersionCase{"Vista", kWindowsVista, false, false, false, false, true, false},
        VersionCase{"Windows7", {"6.1", "7601", "Service Pack 1", "WinNT", "AMD64"}, false, false, false, false, false,
                    false},
        VersionCase{"Windows2000", kWindows2000, false, false, false, false, false, false}),
    [](const auto& info) { return info.param.name; });

TEST(VersionProbesFailure, UnreadableIdentityIsNoKnownWindows)
{
    TempRoot root;
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "five");
    EXPECT_FALSE(IsWindowsXP(0));
    EXPECT_FALSE(IsWindowsServer2003());
    EXPECT_FALSE(IsWindowsVista());
    EXPECT_FALSE(IsWindowsXP64());
}

TEST(CommandLine, PrefixesWordsAndLetterCase)
{
    auto parse = [](std::vector<const char*> words) {
        words.insert(words.begin(), "helper");
        return ParseArguments(static_cast<int>(words.size()), words.data());
    };
    FixArguments a = parse({"/INSTALL", "-Both"});
    EXPECT_EQ(a.action, FixAction::Install);
    EXPECT_EQ(a.type, FixType::Both);
    a = parse({"-client", "/remove"});
    EXPECT_EQ(a.action, FixAction::Remove);
    EXPECT_EQ(a.type, FixType::Client);
    a = parse({"install", "both"});
    EXPECT_EQ(a.action, FixAction::None);
    EXPECT_EQ(a.type, FixType::None);
    a = parse({"-install", "-remove", "--server", "-serverx", "-Server", "-client"});
    EXPECT_EQ(a.action, FixAction::Remove); // the later word counts
    EXPECT_EQ(a.type, FixType::Client);
    a = parse({"-", "/"});
    EXPECT_EQ(a.action, FixAction::None);
}

TEST(CommandRunner, QuotedTextReachesTheProgramUnchanged)
{
    TempRoot root;
    const fs::path out = root.path() / "arg.txt";
    const std::string nasty[] = {
        "plain",
        "with space",
        "quote\"inside",
        "dollar $HOME and $(id) and ${x}",
        "back`id`tick",
        "semi; touch pwned; echo",
        "back\\slash\\\\ and trailing\\",
        "single ' quote",
        "new\nline",
        "glob * ? [a]",
        "pipe | amp & lt < gt >",
    };
    for (const std::string& text : nasty) {
        const std::string command = "printf %s " + ShellQuoted(text) + " > " + ShellQuoted(out.string());
        ASSERT_EQ(platform::system(command.c_str()), 0) << command;
        std::ifstream in(out, std::ios::binary);
        std::stringstream got;
        got << in.rdbuf();
        EXPECT_EQ(got.str(), text);
    }
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists(root.path() / "pwned"));
}

TEST(CommandRunner, FailuresAreLogged)
{
    TempRoot root;
    CoutCapture out;
    unsetenv("COMSPEC");
    EXPECT_EQ(RunCommand("exit 0"), S_OK);
    EXPECT_EQ(RunCommand("exit 3"), E_FAIL);
    const std::string missing = (root.path() / "no-shell").string();
    setenv("COMSPEC", missing.c_str(), 1);
    EXPECT_EQ(RunCommand("exit 0"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    unsetenv("COMSPEC");
    EXPECT_EQ(out.str(), "RunCommand - Failed: exit 3 exit code 3\n"
                         "RunCommand - Failed to start: exit 0 hr=80070002\n");
}
