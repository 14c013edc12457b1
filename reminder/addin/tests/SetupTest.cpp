// The extension's setup: the .ecf file written from the library's resource into the host's
// add-ins folder with the library's own path, any older registration in the registry removed,
// the reload marker written; and its failures, which leave no file behind.
#include "ModuleInstance.h"
#include "Setup.h"
#include "TempRoot.h"
#include "base/IniFile.h"
#include "base/Module.h"
#include "base/UiLanguage.h"
#include "base/Resources.h"
#include "mapi/MapiCodes.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";
constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
constexpr char kMarkerData[] = "4.0;Outxxx.dll;7;000000000000000;0000000000;OutXXX";

void SetValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void SetText(HKEY root, const char* path, const char* name, const std::string& text)
{
    SetValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::optional<std::string> Text(HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char text[512] = "";
    DWORD size = sizeof text, type = 0;
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::optional<std::string>(text) : std::nullopt;
}

std::string FileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Resource "ECF" 275 as the library carries it.
std::string EcfResource()
{
    HRSRC resource = FindResourceExA(ModuleInstance(), "ECF", MAKEINTRESOURCEA(275), 0);
    EXPECT_NE(resource, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(ModuleInstance(), resource)));
    return std::string(bytes, SizeofResource(ModuleInstance(), resource));
}

std::string LibraryPath()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(ModuleInstance(), path, MAX_PATH);
    return path;
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = root.path() / "Mail Host";
        fs::create_directories(host);
        SetText(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", host.string());
    }

    fs::path EcfIn(const fs::path& folder) { return folder / "Lumivane Add-In.ecf"; }

    std::optional<std::string> Marker()
    {
        return Text(HKEY_LOCAL_MACHINE, kExtensionsKey, "Outlook Setup Extension");
    }

    TempRoot root;
    fs::path host;
};

} // namespace

TEST_F(SetupTest, TheResourceHoldsTheExtensionsConfiguration)
{
    platform::IniFile ini;
    ini.parse(EcfResource());
    EXPECT_EQ(ini.value("General", "Display Name"), "Lumivane Add-In");
    EXPECT_EQ(ini.value("General", "Description"), "Lumivane Add-In");
    EXPECT_EQ(ini.value("General", "GUID"), "{D4FDCDCD-3A70-4da1-B7DF-AEDAC8914159}");
    EXPECT_EQ(ini.value("General", "Entry Point"), "5");
    EXPECT_EQ(ini.value("General", "Client Version"), "4.0");
    EXPECT_EQ(ini.value("General", "Misc Flags"), "NoOptimizeInterfaceMap;MoreContexts");
    EXPECT_EQ(ini.value("General", "Path"), "Lumivane.dll");
    EXPECT_EQ(ini.value("Exchange Client Compatibility", "Exchange Registry"), "0");
    EXPECT_EQ(ini.value("Exchange Client Compatibility", "Exchange Context Map"), "11000000000101");
    EXPECT_EQ(ini.value("Exchange Client Compatibility", "Exchange Interface Map"), "0010010");
    EXPECT_EQ(ini.value("Application", "Events"), "OnStartup;OnShutdown");
    EXPECT_EQ(ini.value("Session", "Events"), "OnLogon;OnLogoff");
    EXPECT_EQ(ini.value("Folder", "Views"), "Explorer");
    EXPECT_EQ(ini.value("Folder", "Events"), "OnFolderChange");
    EXPECT_EQ(ini.value("Property Sheet", "Events"), "AddPropSheetPages");
    EXPECT_EQ(ini.value("Property Sheet", "Property Sheet Dialogs"), "ToolsOptions");
    // Language neutral: the same in every UI language.
    SetThreadUILanguage(1031);
    EXPECT_EQ(ini.sectionNames().size(), 6u);
    EXPECT_NE(FindResourceExA(ModuleInstance(), "ECF", MAKEINTRESOURCEA(275), 0), nullptr);
    SetThreadUILanguage(1033);
}

TEST_F(SetupTest, InstallingOverAnOlderRegistrationRemovesItAndWritesTheFile)
{
    fs::create_directories(host / "Complts");
    SetText(HKEY_LOCAL_MACHINE, kExtensionsKey, "Lumivane Add-In", "4.0;old.dll;5");
    CSetup setup;
    ASSERT_EQ(setup.Install(), S_OK);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kExtensionsKey, "Lumivane Add-In"), std::nullopt);
    EXPECT_EQ(Marker(), kMarkerData);

    // The resource byte for byte, but for its Path: the library's full path.
    const fs::path file = EcfIn(host / "Complts");
    ASSERT_TRUE(fs::exists(file));
    std::string expected = EcfResource();
    const std::size_t at = expected.find("Path=Lumivane.dll");
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, std::strlen("Path=Lumivane.dll"), "Path=" + LibraryPath());
    EXPECT_EQ(FileText(file), expected);
    EXPECT_TRUE(fs::path(LibraryPath()).is_absolute());
}

TEST_F(SetupTest, TheAddinsFolderIsTheFirstKnownOneThenOneWithEcfFilesThenTheHostsOwn)
{
    // No subfolder at all.
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string());
    // A hidden folder and a folder without .ecf files do not count; one with an .ecf file does.
    fs::create_directories(host / ".cache");
    std::ofstream(host / ".cache" / "x.ecf") << "";
    fs::create_directories(host / "Alpha");
    std::ofstream(host / "Alpha" / "readme.txt") << "";
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string());
    fs::create_directories(host / "Beta");
    std::ofstream(host / "Beta" / "Other.ECF") << "";
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string() + "\\Beta");
    // "Suplemen" before that, "Complts" before both.
    fs::create_directories(host / "Suplemen");
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string() + "\\Suplemen");
    CSetup setup;
    ASSERT_EQ(setup.InstallECF(), S_OK);
    EXPECT_TRUE(fs::exists(EcfIn(host / "Suplemen")));
    fs::create_directories(host / "Complts");
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string() + "\\Complts");
    // A file of that name is no folder.
    fs::remove_all(host / "Complts");
    std::ofstream(host / "Complts") << "";
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string() + "\\Suplemen");
}

TEST_F(SetupTest, TrailingSeparatorsOfTheHostsPathAreDropped)
{
    SetText(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", host.string() + "\\\\");
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string());
    fs::create_directories(host / "Complts");
    SetText(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", host.string() + "/");
    EXPECT_EQ(CSetup::GetAddinsPath(), host.string() + "/Complts");
    EXPECT_EQ(CSetup::GetEcfFileName(), host.string() + "/Complts\\Lumivane Add-In.ecf");
}

TEST_F(SetupTest, UninstallingWithoutARegistrationStillDeletesTheFileAndWritesTheMarker)
{
    fs::create_directories(host / "Complts");
    CSetup setup;
    ASSERT_EQ(setup.InstallECF(), S_OK);
    ASSERT_TRUE(fs::exists(EcfIn(host / "Complts")));
    EXPECT_EQ(setup.UnInstallReg(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(setup.UnInstall(), S_OK);
    EXPECT_FALSE(fs::exists(EcfIn(host / "Complts")));
    EXPECT_EQ(Marker(), kMarkerData);
    // Nothing left to delete: the failure is reported, the marker still written.
    SetText(HKEY_LOCAL_MACHINE, kExtensionsKey, "Outlook Setup Extension", "");
    EXPECT_EQ(setup.UnInstall(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Marker(), kMarkerData);
}

TEST_F(SetupTest, WithoutAUsableHostPathNothingIsWrittenAnywhere)
{
    const fs::path rootFile = fs::path("/") / "Lumivane Add-In.ecf";
    ASSERT_FALSE(fs::exists(rootFile));
    auto check = [&](const char* what) {
        CSetup setup;
        EXPECT_EQ(CSetup::GetAddinsPath(), "") << what;
        EXPECT_EQ(setup.InstallECF(), MAPI_E_NOT_FOUND) << what;
        EXPECT_EQ(setup.Install(), MAPI_E_NOT_FOUND) << what;
        EXPECT_EQ(setup.UnInstallECF(), MAPI_E_NOT_FOUND) << what;
        EXPECT_FALSE(fs::exists(rootFile)) << what;
        EXPECT_FALSE(fs::exists("Lumivane Add-In.ecf")) << what;
        EXPECT_FALSE(fs::exists("\\Lumivane Add-In.ecf")) << what;
        EXPECT_EQ(Marker(), std::nullopt) << what;
    };
    // An empty value.
    SetText(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", "");
    check("empty");
    // A value that is no text.
    const DWORD number = 7;
    SetValue(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", REG_DWORD, &number, sizeof number);
    check("number");
    // No value; no key.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "Path");
    RegCloseKey(key);
    check("no value");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathsKey), ERROR_SUCCESS);
    check("no key");
}

TEST_F(SetupTest, AShortWriteFailsAndLeavesNoFile)
{
    fs::create_directories(host / "Complts");
    const fs::path file = EcfIn(host / "Complts");
    // Files of this process may grow to 64 bytes only: the write stops part way.
    signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    CSetup setup;
    const HRESULT hr = setup.InstallECF();
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(Marker(), std::nullopt);
}

TEST_F(SetupTest, AFailedPathUpdateFailsAndLeavesNoFile)
{
    fs::create_directories(host / "Complts");
    const fs::path file = EcfIn(host / "Complts");
    // The configuration is rewritten beside itself: a folder in the way stops that.
    fs::create_directories(file.string() + ".new");
    CSetup setup;
    EXPECT_TRUE(FAILED(setup.InstallECF()));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(setup.Install(), setup.InstallECF());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(Marker(), std::nullopt);
}

TEST_F(SetupTest, AFolderInPlaceOfTheFileIsReportedAndKept)
{
    fs::create_directories(EcfIn(host / "Complts"));
    CSetup setup;
    EXPECT_EQ(setup.InstallECF(), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::is_directory(EcfIn(host / "Complts")));
    EXPECT_EQ(setup.UnInstallECF(), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::is_directory(EcfIn(host / "Complts")));
}
