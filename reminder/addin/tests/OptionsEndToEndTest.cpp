// The options page and the COM add-in's commands in the host program: the client extension
// installed by its setup entry (and at version 14 the COM add-in registered too), the page driven
// by a script in Tools-Options, its values read back with the registry tool; the ribbon's
// commands open the add-in's reminders window once and its options sheet.
#include "RunChild.h"
#include "TempRoot.h"
#include "VirtualDisplay.h"
#include "base/PlatformRoot.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class OptionsEndToEnd : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
        const auto store = platform::StoresDirectory() / "personal.store";
        ASSERT_EQ(mapi::CreateStoreFile(store, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", store), S_OK);
        ASSERT_EQ(RunChild(MAILHOST_PROGRAM, {"--register"}).exitCode, 0);
        const ChildResult installed = RunChild(RUNDLL_PROGRAM, {std::string(LUMIVANE_LIBRARY) + ",RunDLLRegisterExtension"});
        ASSERT_EQ(installed.exitCode, 0) << installed.err;
        if (std::string(GetParam()).starts_with("14.")) {
            const ChildResult registered = RunChild(REGSVR_PROGRAM, {LUMIVANE_LIBRARY});
            ASSERT_EQ(registered.exitCode, 0) << registered.err;
        }
    }

    // The headless host at the test's version running the script; its output.
    std::string Host(const std::string& script)
    {
        const auto file = root.path() / "script.txt";
        std::ofstream(file) << script << "quit\n";
        const ChildResult run = RunChild(MAILHOST_PROGRAM, {"--headless", "--version", GetParam(), "--script", file.string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }

    static std::string Settings()
    {
        const ChildResult query =
            RunChild(REGTOOL_PROGRAM, {"query", "HKCU\\Software\\Halvesta\\Lumivane Add-In\\Settings"});
        return query.out;
    }

    TempRoot root;
};

TEST_P(OptionsEndToEnd, ThePageInToolsOptionsWritesItsFiveValues)
{
    const std::string page = "\"Options/Lumivane Add-In\"";
    const std::string out = Host("options\n"
                                 "click-item " + page + " 213\n"
                                 "settext " + page + " 214 /sounds/bell.wav\n"
                                 "click-item " + page + " 217\n"
                                 "settext " + page + " 218 ann@example.org\n"
                                 "options\n"
                                 "options ok\n");
    EXPECT_NE(out.find("page \"Lumivane Add-In\""), std::string::npos) << out;
    EXPECT_NE(out.find("apply enabled"), std::string::npos) << out;
    const std::string values = Settings();
    for (const char* line : {"ReminderWindow    REG_DWORD    0x1", "Sound    REG_DWORD    0x1",
                             "SoundFile    REG_SZ    /sounds/bell.wav", "Mail    REG_DWORD    0x1",
                             "MailAddress    REG_SZ    ann@example.org"})
        EXPECT_NE(values.find(line), std::string::npos) << line << "\n" << values;
}

TEST_P(OptionsEndToEnd, ToolsOptionsShowsThePageOnTheScreenInEnglishAndGerman)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    VirtualDisplay display;
    ASSERT_TRUE(display.ok()) << display.error();
    const std::string version = std::string(GetParam()).substr(0, 2);
    for (const auto& [language, name] : {std::pair<const char*, const char*>{"1033", "en"}, {"1031", "de"}}) {
        const auto script = root.path() / "script.txt";
        const std::string picture = "tools-options-" + version + "-" + name;
        std::ofstream(script) << "options\noptions select 1\nclick-item \"Options/Lumivane Add-In\" 213\n"
                              << "screenshot Options " << picture << "\noptions cancel\nquit\n";
        ChildOptions options;
        options.environment["DISPLAY"] = display.name();
        // Under the sanitizers the toolkit's own libraries keep memory to the end; that is not ours.
        options.environment["LSAN_OPTIONS"] = "print_suppressions=0:suppressions=" + std::string(TOOLKIT_LEAKS);
        const ChildResult run = RunChild(
            MAILHOST_PROGRAM, {"--version", GetParam(), "--language", language, "--script", script.string()}, options);
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("1 page views"), std::string::npos) << run.out;
        EXPECT_TRUE(fs::exists(fs::path(MAILHOST_PROGRAM).parent_path().parent_path() / "artifacts" / "mailhost" /
                               (picture + ".png")));
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, OptionsEndToEnd, ::testing::Values("12.0.6423.1000", "14.0.4760.1000"));

using RibbonEndToEnd = OptionsEndToEnd;

TEST_P(RibbonEndToEnd, TheRibbonOpensTheRemindersWindowOnceAndTheOptionsSheet)
{
    const fs::path log = root.path() / "lumivane.txt";
    std::ofstream(platform::WindowsDirectory() / "Lumivane.ini")
        << "[CL]\nDebugLevel=3\nDebugFile=" << log.string() << "\n";
    const std::string out = Host("press ShowRemindersWindow\n"
                                 "command ShowRemindersWindow\n"
                                 "windows\n"
                                 "answer cancel\n"
                                 "press ConfigureReminders\n");
    EXPECT_NE(out.find("add-in Lumivane.COMAddin connected"), std::string::npos) << out;
    std::size_t windows = 0;
    for (std::size_t at = out.find("window \"Lumivane Add-In\""); at != std::string::npos;
         at = out.find("window \"Lumivane Add-In\"", at + 1))
        ++windows;
    EXPECT_EQ(windows, 1u) << out;
    // The host's own reminders window ran too.
    EXPECT_NE(out.find("reminders window:"), std::string::npos) << out;
    // The sheet took the queued answer, with the page in it.
    std::string traced;
    for (const auto& entry : fs::directory_iterator(root.path()))
        if (entry.path().filename().string().starts_with("lumivane")) {
            std::ifstream in(entry.path());
            traced.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    EXPECT_NE(traced.find("CPropPageOptionsMain::OnInitDialog"), std::string::npos);
    EXPECT_NE(out.find("answer queued: cancel"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Version14, RibbonEndToEnd, ::testing::Values("14.0.4760.1000"));

} // namespace
