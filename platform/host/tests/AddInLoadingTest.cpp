// The host loading the test add-in: the order of the add-in calls, events reaching the
// add-in's sinks, its command-bar button, and shutdown.
#include "HostFixture.h"

#include "base/Process.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class AddInLoading : public HostFixture, public ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(AddInLoading, ConnectsStartsAndDisconnectsInOrder)
{
    RegisterAddIn();
    host::HostOptions options;
    options.version = GetParam();
    {
        auto host = StartHost(options);
        std::vector<std::string> expected{
            std::string("OnConnection mode=1 version=") + GetParam() + " progid=HostTest.AddIn",
            "session ok",
            "language 1033",
            "OnAddInsUpdate",
            "explorers f001", // the first explorer opens after the connection
            "OnStartupComplete",
            "button added at 3",
            "app f006", // Startup
        };
        // Explorers have a ribbon from major version 14 on: its markup is asked for before they open.
        if (std::string(GetParam()).rfind("14.", 0) == 0)
            expected.insert(expected.begin() + 4, "GetCustomUI MailHost.Explorer");
        EXPECT_EQ(AddInLog(), expected);
        host->Stop();
    }
    const auto log = AddInLog();
    ASSERT_GE(log.size(), 3u);
    // Quit reaches the add-in before OnBeginShutdown and OnDisconnection.
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"app f007", "OnBeginShutdown", "OnDisconnection mode=0"}));
    EXPECT_TRUE(Contains(Lines(out.str()), "add-in HostTest.AddIn connected"));
    EXPECT_TRUE(Contains(Lines(out.str()), "add-in HostTest.AddIn disconnected"));
}

INSTANTIATE_TEST_SUITE_P(Versions, AddInLoading, ::testing::Values("12.0.6423.1000", "14.0.7015.1000"));

TEST_F(HostFixture, OnlyAddInsThatLoadAtStartupAreLoaded)
{
    RegisterAddIn(HKEY_LOCAL_MACHINE, 2);
    auto host = StartHost();
    EXPECT_TRUE(host->Loader().AddIns().empty());
    EXPECT_TRUE(AddInLog().empty());
}

TEST_F(HostFixture, PerUserRegistrationWinsOverTheMachine)
{
    RegisterAddIn(HKEY_LOCAL_MACHINE, 2);
    RegisterAddIn(HKEY_CURRENT_USER, 3);
    auto host = StartHost();
    ASSERT_EQ(host->Loader().AddIns().size(), 1u);
    EXPECT_EQ(host->Loader().AddIns()[0].progId, "HostTest.AddIn");
}

TEST_F(HostFixture, AnAddInWithoutClassIsReportedAndSkipped)
{
    SetDword(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office\\Outlook\\Addins\\Nobody.AddIn", "LoadBehavior", 3);
    RegisterAddIn();
    auto host = StartHost();
    EXPECT_EQ(host->Loader().AddIns().size(), 1u);
    const auto lines = Lines(out.str());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("add-in Nobody.AddIn not loaded: 0x", 0) == 0; }));
}

TEST_F(HostFixture, TheAddInButtonReplacesTheRemindersCommand)
{
    RegisterAddIn();
    auto host = StartHost();
    out.str("");
    host->Execute("controls");
    const auto lines = Lines(out.str());
    EXPECT_TRUE(Contains(lines, "    3 id=1 type=1 visible=1 enabled=1 tag=\"Host Test Button\" caption=\"Test Add-In\""));
    EXPECT_TRUE(Contains(lines, "    4 id=6894 type=1 visible=0 enabled=1 tag=\"\" caption=\"Re&minders Window\""));

    out.str("");
    host->Execute("click id 6894");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"error: the control is not visible and enabled"});

    host->Execute("click tag Host Test Button");
    EXPECT_EQ(AddInLog().back(), "click 1 id=1");
}

TEST_F(HostFixture, ClickSinksRunBeforeTheCommandAndMayCancelIt)
{
    RegisterAddIn();
    {
        auto host = StartHost();
        out.str("");
        host->Execute("click id 7095");
        EXPECT_EQ(AddInLog().back(), "send 1 id=7095");
        EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"click \"Send/Re&ceive All\"", "command SendReceiveAll",
                                                              "send/receive: 0 sent, 0 held back, 0 failed"}));
    }
    SetDword(HKEY_CURRENT_USER, "Software\\HostTestAddIn", "CancelClicks", 1);
    auto host = StartHost();
    out.str("");
    host->Execute("click id 7095");
    EXPECT_EQ(AddInLog().back(), "send 1 id=7095 cancelled");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"click \"Send/Re&ceive All\""});
}

TEST_F(HostFixture, ExplorerEventsReachTheAddIn)
{
    RegisterAddIn();
    auto host = StartHost();
    host->Execute("explorer 9");
    host->Execute("activate 1");
    host->Execute("folder 13");
    host->Execute("close");
    const auto log = AddInLog();
    const std::vector<std::string> tail(log.end() - 6, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "explorers f001", // the second explorer
                        "explorer f006",  // the first one deactivates
                        "explorer f001",  // and comes back
                        "explorer f002",  // folder switch
                        "explorer f006",  // closing: deactivated, then closed
                        "explorer f008",
                    }));
    EXPECT_EQ(host->Application()->ExplorerList()->List().size(), 1u);
}

TEST_F(HostFixture, ExitCommandEndsTheCommandLoop)
{
    auto host = StartHost();
    EXPECT_TRUE(host->Execute("explorer"));
    EXPECT_FALSE(host->Execute("click id 752"));
    EXPECT_TRUE(host->Application()->QuitRequested());
}

TEST_F(HostFixture, BadCommandsAreReportedAndChangeNothing)
{
    auto host = StartHost();
    out.str("");
    EXPECT_TRUE(host->Execute("frobnicate"));
    EXPECT_TRUE(host->Execute("explorer x"));
    EXPECT_TRUE(host->Execute("folder id 12zz"));
    EXPECT_TRUE(host->Execute("display abc"));
    EXPECT_TRUE(host->Execute("activate 7"));
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 5u);
    for (const auto& l : lines)
        EXPECT_EQ(l.rfind("error: ", 0), 0u) << l;
    EXPECT_EQ(host->Application()->ExplorerList()->List().size(), 1u);
}

TEST_F(HostFixture, HeadlessProgramRunsAScript)
{
    RegisterAddIn();
    const auto script = root.path() / "script.txt";
    std::ofstream(script) << "# a comment\nclick tag Host Test Button\ncontrols\nquit\nclick id 7095\n";
    const auto output = root.path() / "out.txt";
    const std::string command = std::string(MAILHOST_PROGRAM) + " --headless --version 12.0.6423.1000 --script '" +
                                script.string() + "' > '" + output.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(output);
    std::stringstream text;
    text << in.rdbuf();
    const auto lines = Lines(text.str());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "host 12.0.6423.1000 profile \"Work\"");
    EXPECT_EQ(lines.back(), "host stopped");
    EXPECT_FALSE(Contains(lines, "command SendReceiveAll")); // after quit
    const auto log = AddInLog();
    EXPECT_TRUE(Contains(log, "click 1 id=1"));
    EXPECT_EQ(log.back(), "OnDisconnection mode=0");
}

TEST_F(HostFixture, ProgramRejectsABadCommandLine)
{
    std::istringstream in;
    EXPECT_EQ(host::HostProgram::Main({"--version", "14.0"}, in, out, err), 2);
    EXPECT_NE(err.str().find("--version needs four numbers"), std::string::npos);
}
