// Command line, configured version and language, and the host's own registration.
#include "HostFixture.h"

#include "host/HostOptions.h"
#include "host/HostRegistration.h"
#include "host/HostVersion.h"

TEST(HostVersion, FourNumbersOrNothing)
{
    auto v = host::HostVersion::Parse("12.0.6423.1000");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->major, 12);
    EXPECT_EQ(v->build, 6423);
    EXPECT_EQ(v->BuildVersion() & 0xFFFF0000u, 0x000D0000u);
    EXPECT_EQ(host::HostVersion::Parse("14.0.7015.1000")->BuildVersion() & 0xFFFF0000u, 0x000D0000u);
    for (const char* bad : {"", "14", "14.0.1", "14.0.1.2.3", "14.0.x.1", "14..1.1", "-1.0.0.0", "14.0.1.99999",
                            "14.0.1.1 "})
        EXPECT_FALSE(host::HostVersion::Parse(bad)) << bad;
}

TEST(HostOptions, ParsesAndRejects)
{
    host::HostOptions o;
    std::string error;
    ASSERT_TRUE(host::HostOptions::Parse({"--profile", "Work", "--version", "12.0.6423.1000", "--language", "1031",
                                          "--headless", "--script", "s.txt"},
                                         o, error));
    EXPECT_EQ(o.profile, "Work");
    EXPECT_EQ(*o.version, "12.0.6423.1000");
    EXPECT_EQ(*o.language, 1031u);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.script, "s.txt");
    EXPECT_FALSE(host::HostOptions::Parse({"--profile"}, o, error));
    EXPECT_EQ(error, "--profile needs a value");
    EXPECT_FALSE(host::HostOptions::Parse({"--language", "12x"}, o, error));
    EXPECT_FALSE(host::HostOptions::Parse({"--folder", "x"}, o, error));
    EXPECT_FALSE(host::HostOptions::Parse({"-x"}, o, error));
    EXPECT_EQ(error, "unknown argument: -x");
}

TEST_F(HostFixture, VersionAndLanguageComeFromTheRegistry)
{
    EXPECT_EQ(host::ConfiguredVersion().text, host::kDefaultVersion);
    SetString(HKEY_LOCAL_MACHINE, host::kHostKey, "Version", "12.0.6423.1000");
    EXPECT_EQ(host::ConfiguredVersion().text, "12.0.6423.1000");
    SetString(HKEY_CURRENT_USER, host::kHostKey, "Version", "11.0.8169.0");
    EXPECT_EQ(host::ConfiguredVersion().text, "11.0.8169.0");
    SetString(HKEY_CURRENT_USER, host::kHostKey, "Version", "eleven");
    std::string problem;
    EXPECT_EQ(host::ConfiguredVersion(&problem).text, host::kDefaultVersion);
    EXPECT_NE(problem.find("\"eleven\" is no version"), std::string::npos);

    EXPECT_EQ(host::ConfiguredLanguage(), 1033u);
    SetDword(HKEY_LOCAL_MACHINE, host::kHostKey, "LanguageID", 1031);
    EXPECT_EQ(host::ConfiguredLanguage(), 1031u);

    // The command line wins.
    host::HostOptions options;
    options.version = "14.0.7015.1000";
    options.language = 1040;
    auto program = StartHost(options);
    EXPECT_EQ(program->Application()->Version(), u"14.0.7015.1000");
    EXPECT_EQ(program->Application()->LanguageId(), 1040);
}

TEST_F(HostFixture, UnknownProfileStopsTheStart)
{
    host::HostOptions options;
    options.profile = "Nobody";
    host::HostProgram program(options, out, err);
    EXPECT_FALSE(program.Start());
    EXPECT_NE(err.str().find("logon with the profile \"Nobody\" failed"), std::string::npos);
}

TEST_F(HostFixture, RegistrationWritesAppPathsAndTheAddinsFolder)
{
    EXPECT_TRUE(host::AddinsFolder().empty());
    const auto folder = root.path() / "Program Files" / "Mail Host";
    std::istringstream in;
    ASSERT_EQ(host::HostProgram::Main({"--register", "--folder", folder.string()}, in, out, err), 0) << err.str();
    EXPECT_EQ(host::RegisteredHostFolder(), folder);
    EXPECT_EQ(host::AddinsFolder(), folder / "Complts");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Complts"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, host::kAppPathsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    char text[4096];
    DWORD size = sizeof text, type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::filesystem::path(text).filename(), "platform_host_tests"); // this program's own path
}
