// Client extensions in the host: the list from .ecf files and the registry, the contexts the
// maps enable, the callbacks, delivery, and the Tools-Options pages.
#include "HostFixture.h"
#include "base/MessageBox.h"

#include "com/ModuleLock.h"
#include "host/ExtensionCallback.h"
#include "host/ExtensionList.h"
#include "host/PropertyPages.h"
#include "host/HostRegistration.h"
#include "VirtualDisplay.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

class Extensions : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        std::string error;
        ASSERT_TRUE(host::RegisterHost("/usr/bin/mailhost", root.path() / "Host", error)) << error;
    }

    void WriteEcf(const std::string& name, const std::string& contexts, const std::string& interfaces,
                  const std::string& path = HOST_TEST_EXTENSION)
    {
        std::ofstream(host::AddinsFolder() / (name + ".ecf"))
            << "[General]\nDisplay Name=" << name << "\nEntry Point=5\nClient Version=4.0\nPath=" << path
            << "\n[Exchange Client Compatibility]\nExchange Registry=0\nExchange Context Map=" << contexts
            << "\nExchange Interface Map=" << interfaces << "\n";
    }

    void SetMarker()
    {
        SetString(HKEY_LOCAL_MACHINE, host::kExtensionsKey, host::kReloadMarker,
                  "4.0;Outxxx.dll;7;000000000000000;0000000000;OutXXX");
    }

    std::vector<std::string> Matching(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const auto& l : AddInLog())
            if (l.rfind(prefix, 0) == 0)
                lines.push_back(l);
        return lines;
    }
};

} // namespace

TEST_F(Extensions, EcfExtensionIsInstalledInTheContextsOfItsMap)
{
    WriteEcf("Test Extension", "11000000000101", "0010010");
    host::HostOptions options;
    options.version = "12.0.6423.1000";
    auto program = StartHost(options);
    EXPECT_EQ(Matching("ext "), (std::vector<std::string>{
                                    "ext install 14 version=000d1917",
                                    "ext app 12.0.6423.1000",
                                    "ext install 1 version=000d1917",
                                    "ext session ok",
                                    "ext explorers f001", // the sink the task context advised
                                    "ext install 2 version=000d1917",
                                    "ext viewer 12.0.6423.1000",
                                }));
    program->Execute("explorer 9");
    EXPECT_EQ(AddInLog().back(), "ext viewer 12.0.6423.1000");
    program->Execute("close"); // the second explorer's viewer object goes with it
    EXPECT_EQ(AddInLog().back(), "ext release 2");

    program->Execute("newmail");
    EXPECT_EQ(AddInLog().back(), "ext delivery");

    out.str("");
    program->Execute("options");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"page \"General\"", "page \"Test Page\""}));
    auto log = AddInLog();
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"page addref", "page create", "page initdialog Test Page"}));
    program->Execute("options ok");
    log = AddInLog();
    EXPECT_EQ(std::vector<std::string>(log.end() - 5, log.end()),
              (std::vector<std::string>{"page apply 1", "page destroy", "page release", "ext freepages 4 1",
                                        "ext release 12"}));

    program->Stop();
    EXPECT_EQ(Matching("ext release").size(), 5u); // viewer x2, property sheets, session, task
    EXPECT_EQ(AddInLog().back(), "ext release 14");
}

TEST_F(Extensions, RegistryValueWithASessionOnlyMap)
{
    SetString(HKEY_LOCAL_MACHINE, host::kExtensionsKey, "Test",
              std::string("4.0;") + HOST_TEST_EXTENSION + ";ExchEntryPoint;1");
    auto program = StartHost();
    EXPECT_EQ(Matching("ext install"), std::vector<std::string>{"ext install 1 version=000d1b67"});
    out.str("");
    program->Execute("options");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"page \"General\""});
}

TEST_F(Extensions, WithoutSessionEventsInTheMapNoDeliveryIsReported)
{
    WriteEcf("Test Extension", "1", "0000010");
    auto program = StartHost();
    program->Execute("newmail");
    EXPECT_TRUE(Matching("ext delivery").empty());
}

TEST_F(Extensions, TheListIsReadAgainOnlyAfterTheMarker)
{
    {
        auto program = StartHost(); // nothing yet: an empty list is kept
        EXPECT_EQ(program->Extensions()->LoadedCount(), 0u);
    }
    WriteEcf("Test Extension", "1", "");
    {
        auto program = StartHost();
        EXPECT_EQ(program->Extensions()->LoadedCount(), 0u);
    }
    SetMarker();
    {
        auto program = StartHost();
        EXPECT_EQ(program->Extensions()->LoadedCount(), 1u);
    }
    // The marker is consumed and the new list kept.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, host::kExtensionsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, host::kReloadMarker, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    auto program = StartHost();
    EXPECT_EQ(program->Extensions()->LoadedCount(), 1u);
}

TEST_F(Extensions, UnusableSourcesAreReportedAndSkipped)
{
    std::ofstream(host::AddinsFolder() / "broken.ecf") << "[General]\nDisplay Name=Broken\n";
    WriteEcf("Missing Library", "1", "", (root.path() / "nothing.so").string());
    WriteEcf("Bad Map", "12", "");
    SetString(HKEY_LOCAL_MACHINE, host::kExtensionsKey, "Short", "4.0;lib.so");
    WriteEcf("Test Extension", "1", "");
    SetMarker();
    auto program = StartHost();
    EXPECT_EQ(program->Extensions()->LoadedCount(), 1u);
    const std::string text = out.str();
    EXPECT_NE(text.find("broken.ecf names no Path or Entry Point in [General]"), std::string::npos);
    EXPECT_NE(text.find("Bad Map.ecf has a map of other digits than 0 and 1"), std::string::npos);
    EXPECT_NE(text.find("extension value \"Short\" is not"), std::string::npos);
    EXPECT_NE(text.find("extension Missing Library not loaded: "), std::string::npos);
}

TEST_F(Extensions, ADamagedCacheIsReadAgainFromTheSources)
{
    WriteEcf("Test Extension", "1", "");
    std::filesystem::create_directories(host::ExtensionList::CacheFile().parent_path());
    std::ofstream(host::ExtensionList::CacheFile()) << "{ not json";
    auto program = StartHost();
    EXPECT_EQ(program->Extensions()->LoadedCount(), 1u);
    EXPECT_NE(out.str().find("is damaged"), std::string::npos);
}

// Objects of the host library made from another module (here the test program) count in the
// host library's module lock alone: creating and releasing them leaves this module's count as
// it was, so this module's DllCanUnloadNow is not held up by them.
TEST(HostModuleLocks, HostObjectsMadeElsewhereCountInTheHostLibrary)
{
    const LONG before = platform::com::ModuleLockCount();
    CExtensionCallback* callback = nullptr;
    ASSERT_EQ(CExtensionCallback::CreateObject(&callback, *host::HostVersion::Parse("14.0.7015.1000"), nullptr, nullptr),
              S_OK);
    CPropertyPages* pages = nullptr;
    ASSERT_EQ(CPropertyPages::CreateObject(&pages), S_OK);
    EXPECT_EQ(platform::com::ModuleLockCount(), before);
    ULONG version = 0;
    EXPECT_EQ(callback->GetVersion(&version, EECBGV_GETBUILDVERSION), S_OK);
    EXPECT_EQ(version, 0x000D0000u | 7015u);
    callback->Release();
    pages->Release();
    EXPECT_EQ(platform::com::ModuleLockCount(), before);
}

TEST(ExtensionEntry, MapsEnableByPosition)
{
    host::ExtensionEntry e;
    std::string problem;
    ASSERT_TRUE(host::ExtensionList::ParseRegistryValue("x", "4.0;lib.so;5;11000000000101;0010010", e, problem));
    for (ULONG c : {1u, 2u, 12u, 14u})
        EXPECT_TRUE(e.ContextEnabled(c)) << c;
    for (ULONG c : {0u, 3u, 4u, 11u, 13u, 15u})
        EXPECT_FALSE(e.ContextEnabled(c)) << c;
    EXPECT_TRUE(e.InterfaceEnabled(3));
    EXPECT_TRUE(e.InterfaceEnabled(6));
    EXPECT_FALSE(e.InterfaceEnabled(1));
    ASSERT_TRUE(host::ExtensionList::ParseRegistryValue("x", "4.0;lib.so;5", e, problem));
    EXPECT_TRUE(e.ContextEnabled(7));
    EXPECT_FALSE(host::ExtensionList::ParseRegistryValue("x", "5.0;lib.so;5", e, problem));
}

namespace {

class OptionsPages : public Extensions {
protected:
    std::unique_ptr<host::HostProgram> OpenOptions()
    {
        WriteEcf("Test Extension", "11000000000101", "0010010");
        auto program = StartHost();
        program->Execute("options");
        logStart = AddInLog().size();
        out.str("");
        return program;
    }
    // The add-in's log lines since the dialog opened.
    std::vector<std::string> PageLog() const
    {
        const auto log = AddInLog();
        return std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(logStart), log.end());
    }
    void TearDown() override
    {
        unsetenv("HOST_TEST_PAGE_INVALID");
        unsetenv("HOST_TEST_PAGE_STAY");
        Extensions::TearDown();
    }
    std::size_t logStart = 0;
};

} // namespace

TEST_F(OptionsPages, SelectApplyAndCancelReachThePageInTheSheetsOrder)
{
    auto program = OpenOptions();
    program->Execute("options select 1");
    program->Execute("options apply");
    program->Execute("options select 0");
    program->Execute("options select 1");
    program->Execute("options cancel");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"page 1", "options applied", "page 0", "page 1",
                                                           "options closed"}));
    EXPECT_EQ(PageLog(), (std::vector<std::string>{"page setactive", "page killactive", "page apply 0",
                                                   "page killactive", "page setactive", "page querycancel",
                                                   "page reset", "page destroy", "page release",
                                                   "ext freepages 4 1", "ext release 12"}));
    EXPECT_FALSE(program->Options()->IsOpen());
}

TEST_F(OptionsPages, APageWithInvalidDataKeepsTheDialogOpenAndBecomesActive)
{
    auto program = OpenOptions();
    setenv("HOST_TEST_PAGE_INVALID", "1", 1);
    program->Execute("options ok");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"options stay open"});
    EXPECT_EQ(PageLog(), (std::vector<std::string>{"page apply 1", "page setactive"}));
    EXPECT_TRUE(program->Options()->IsOpen());
    EXPECT_EQ(program->Options()->Active(), 1u);
    unsetenv("HOST_TEST_PAGE_INVALID");
    program->Execute("options ok");
    EXPECT_FALSE(program->Options()->IsOpen());
    const auto log = PageLog();
    EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.begin() + 5),
              (std::vector<std::string>{"page killactive", "page apply 1", "page destroy"}));
}

TEST_F(OptionsPages, APageMayRefuseCancelAndTheHostClosingTheDialogResetsIt)
{
    auto program = OpenOptions();
    program->Execute("options select 1");
    setenv("HOST_TEST_PAGE_STAY", "1", 1);
    program->Execute("options cancel");
    EXPECT_TRUE(program->Options()->IsOpen());
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"page 1", "options stay open"}));
    program->Execute("options select 9");
    EXPECT_NE(out.str().find("error: no options page 9"), std::string::npos);
    program->Stop(); // the open dialog goes as if cancelled, without asking
    const auto log = PageLog();
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 6),
              (std::vector<std::string>{"page setactive", "page querycancel", "page reset", "page destroy",
                                        "page release", "ext freepages 4 1"}));
}

TEST_F(OptionsPages, TheWindowedOptionsDialogShowsTheExtensionsPageViewAndClosesWithOk)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    WriteEcf("Test Extension", "11000000000101", "0010010");
    std::vector<std::string> lines;
    std::string text;
    ASSERT_EQ(RunWindowedHost("options\noptions select 1\noptions ok\nquit\n", lines, &text), 0) << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "options window shown: 2 pages, 1 page views"), lines.end())
        << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "options closed"), lines.end()) << text;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "host stopped");
    const auto log = AddInLog();
    const auto view = std::find(log.begin(), log.end(), "page view Test Page");
    ASSERT_NE(view, log.end());
    EXPECT_EQ(std::vector<std::string>(view - 1, view + 6),
              (std::vector<std::string>{"page initdialog Test Page", "page view Test Page", "page setactive",
                                        "page killactive", "page apply 1", "page destroy", "page release"}));
}

TEST_F(OptionsPages, TheApplyButtonFollowsWhatThePagesSay)
{
    auto program = OpenOptions();
    program->Execute("options");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"page \"General\" (active)", "page \"Test Page\"",
                                                           "apply disabled"}));
    // The page says it holds changes, as after the user changed a control.
    out.str("");
    program->Execute("send \"Options/Test Page\" WM_COMMAND 1");
    program->Execute("options select 1");
    program->Execute("options");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"send WM_COMMAND result 0", "page 1", "page \"General\"",
                                                           "page \"Test Page\" (active)", "apply enabled"}));
    EXPECT_TRUE(program->Options()->ApplyEnabled());
    // It takes that back; says it again; a successful Apply disables the button.
    program->Execute("send \"Options/Test Page\" WM_COMMAND 2");
    EXPECT_FALSE(program->Options()->ApplyEnabled());
    program->Execute("send \"Options/Test Page\" WM_COMMAND 1");
    setenv("HOST_TEST_PAGE_INVALID", "1", 1);
    program->Execute("options apply");
    EXPECT_TRUE(program->Options()->ApplyEnabled()); // a refused Apply keeps the changes pending
    unsetenv("HOST_TEST_PAGE_INVALID");
    out.str("");
    program->Execute("options apply");
    program->Execute("options");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"options applied", "page \"General\"",
                                                           "page \"Test Page\" (active)", "apply disabled"}));
}

namespace {

struct SeenDialog {
    std::string title;
    std::vector<std::string> children;
    int answer = 0;
};

int SeeDialog(const HOSTDIALOG* dialog, void* context)
{
    auto& seen = *static_cast<std::vector<SeenDialog>*>(context);
    SeenDialog s;
    s.title = std::string(dialog->className) + " " + dialog->title;
    for (UINT i = 0; i < dialog->childCount; ++i)
        s.children.push_back(std::string(dialog->children[i].className) + "|" + dialog->children[i].text + "|" +
                             std::to_string(dialog->children[i].controlId));
    seen.push_back(s);
    return seen.size() == 1 ? 0 : IDCANCEL; // the first dialog stays, the next ones are ended
}

} // namespace

TEST_F(OptionsPages, TheHostsOwnDialogsAreOfferedToDialogHooks)
{
    WriteEcf("Test Extension", "11000000000101", "0010010");
    auto program = StartHost();
    std::vector<SeenDialog> seen;
    HDIALOGHOOK hook = HostInstallDialogHook(SeeDialog, &seen);
    out.str("");
    program->Execute("options");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "#32770 Options");
    EXPECT_EQ(seen[0].children, (std::vector<std::string>{"SysTabControl32||12320", "Button|OK|1", "Button|Cancel|2",
                                                           "Button|&Apply|12321", "#32770|General|0",
                                                           "#32770|Test Page|0"}));
    EXPECT_TRUE(program->Options()->IsOpen());
    program->Execute("options cancel");

    // A hook that answers ends the dialog at once, as if the user had pressed that button.
    program->Execute("options");
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_FALSE(program->Options()->IsOpen());
    EXPECT_NE(out.str().find("options ended by a hook: 2\n"), std::string::npos) << out.str();

    program->Execute("command ShowRemindersWindow");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].title, "#32770 Reminders");
    EXPECT_EQ(seen[2].children, (std::vector<std::string>{"SysListView32||100", "Button|&Dismiss|101",
                                                           "Button|&Snooze|102"}));
    EXPECT_NE(out.str().find("reminders window ended by a hook: 2\n"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("reminders window: "), std::string::npos);
    EXPECT_TRUE(HostRemoveDialogHook(hook));
    program->Execute("command ShowRemindersWindow");
    EXPECT_NE(out.str().find("reminders window: 0 due"), std::string::npos);
}

TEST_F(OptionsPages, TheOptionsWindowFollowsTheScriptsSelectionAndTheApplyState)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    WriteEcf("Test Extension", "11000000000101", "0010010");
    std::vector<std::string> lines;
    std::string text;
    const std::string script = "options\n"
                               "screenshot Options options-opened\n"
                               "options select 1\n"
                               "send \"Options/Test Page\" WM_COMMAND 1\n"
                               "options\n"
                               "screenshot Options options-page-changed\n"
                               "click-item Options 12321\n"
                               "options\n"
                               "click-item Options 2\n"
                               "windows\n"
                               "quit\n";
    ASSERT_EQ(RunWindowedHost(script, lines, &text), 0) << text;
    EXPECT_TRUE(HasLine(lines, "apply enabled")) << text;
    EXPECT_TRUE(HasLine(lines, "apply disabled")) << text;
    EXPECT_TRUE(HasLine(lines, "page \"Test Page\" (active)")) << text;
    EXPECT_TRUE(HasLine(lines, "click-item 2 \"Cancel\"")) << text;
    EXPECT_EQ(text.find("window \"Options\""), std::string::npos) << text; // closed by Cancel
    const auto log = AddInLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "page apply 0"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "page reset"), log.end());
}
