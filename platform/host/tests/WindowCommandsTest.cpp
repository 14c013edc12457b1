// The host's window and prompt commands against the test add-in's dialog: windows, typing,
// clicks, queued answers for a message box, a popup menu and a file dialog, waiting while the
// add-in's timer ticks; the UI language from --language and LanguageID; and the same with windows
// under a virtual display, with a screenshot.
#include "HostFixture.h"
#include "VirtualDisplay.h"

#include "base/AnswerQueue.h"
#include "base/UiLanguage.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

class WindowCommandsTest : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        platform::ClearAnswers();
        setenv("HOST_TEST_DIALOG", "1", 1);
    }
    void TearDown() override
    {
        unsetenv("HOST_TEST_DIALOG");
        unsetenv("HOST_TEST_TICKER");
        platform::ClearAnswers();
        HostFixture::TearDown();
    }
    std::vector<std::string> Run(host::HostProgram& program, const std::string& line)
    {
        out.str("");
        program.Execute(line);
        return Lines(out.str());
    }
};

} // namespace

TEST_F(WindowCommandsTest, WindowsListsTheTopLevelWindows)
{
    RegisterAddIn();
    auto program = StartHost();
    const auto lines = Run(*program, "windows");
    EXPECT_TRUE(HasLine(lines, "window \"Test Dialog\" class \"TestDialogClass\" shown")) << out.str();
    EXPECT_EQ(Run(*program, "windows now"), std::vector<std::string>{"error: windows takes nothing"});
}

TEST_F(WindowCommandsTest, TypingAndClickingReachTheDialogsControls)
{
    RegisterAddIn();
    auto program = StartHost();
    EXPECT_EQ(Run(*program, "settext \"Test Dialog\" 101 Quarterly reports"),
              std::vector<std::string>{"settext 101 \"Quarterly \""});
    EXPECT_EQ(AddInLogOf("edit"), std::vector<std::string>{"edit \"Quarterly \" modified=1"});
    EXPECT_EQ(Run(*program, "click-item \"Test Dialog\" 102"), std::vector<std::string>{"click-item 102 \"Remind me\""});
    Run(*program, "click-item \"Test Dialog\" 0x68"); // 104
    EXPECT_EQ(AddInLogOf("button 1"), (std::vector<std::string>{"button 102 checked=1", "button 104 checked=1"}));

    EXPECT_EQ(Run(*program, "click-item \"No Such Dialog\" 102"),
              std::vector<std::string>{"error: no window \"No Such Dialog\""});
    EXPECT_EQ(Run(*program, "click-item \"Test Dialog\" 999"),
              std::vector<std::string>{"error: the window \"Test Dialog\" has no control 999"});
    EXPECT_EQ(Run(*program, "click-item \"Test Dialog\" 10x"), std::vector<std::string>{"error: click-item needs WINDOW ID"});
    EXPECT_EQ(Run(*program, "settext \"Test Dialog\""), std::vector<std::string>{"error: settext needs WINDOW ID TEXT"});
}

TEST_F(WindowCommandsTest, QueuedAnswersAnswerTheBoxTheMenuAndTheFileDialog)
{
    RegisterAddIn();
    auto program = StartHost();
    EXPECT_EQ(Run(*program, "answer no"), std::vector<std::string>{"answer queued: no"});
    Run(*program, "click-item \"Test Dialog\" 105");
    Run(*program, "answer menu 302");
    Run(*program, "click-item \"Test Dialog\" 106");
    Run(*program, "answer file /tmp/alarm sound.wav");
    Run(*program, "click-item \"Test Dialog\" 107");
    Run(*program, "answer cancel");
    Run(*program, "click-item \"Test Dialog\" 107");
    EXPECT_EQ(AddInLogOf("box"), std::vector<std::string>{"box 7"});
    EXPECT_EQ(AddInLogOf("menu"), std::vector<std::string>{"menu 302"});
    EXPECT_EQ(AddInLogOf("file"), (std::vector<std::string>{"file /tmp/alarm sound.wav", "file cancelled"}));
    // A wrong kind of answer is an error of the prompt; the box then gets its default button.
    Run(*program, "answer menu 5");
    Run(*program, "click-item \"Test Dialog\" 105");
    EXPECT_EQ(AddInLogOf("box"), (std::vector<std::string>{"box 7", "box 6"}));
    EXPECT_EQ(platform::AnswerErrors().size(), 1u);
    EXPECT_EQ(Run(*program, "answer maybe").size(), 1u);
    EXPECT_EQ(Run(*program, "answer maybe")[0].rfind("error: answer: ", 0), 0u);
    EXPECT_EQ(platform::PendingAnswers(), 0u);
}

TEST_F(WindowCommandsTest, WaitRunsTheLoopSoTheAddInsTimerFiresAndItsPostsArrive)
{
    setenv("HOST_TEST_TICKER", "1", 1);
    RegisterAddIn();
    auto program = StartHost();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(*program, "wait 3"), std::vector<std::string>{"waited 3"});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    const auto ticks = AddInLogOf("tick");
    EXPECT_GE(ticks.size(), 2u);
    EXPECT_LE(ticks.size(), 4u);
    // Each tick's post arrived in the same wait (the last one may still be on its way).
    EXPECT_GE(AddInLogOf("post").size() + 1, ticks.size());
    EXPECT_EQ(Run(*program, "wait -1"), std::vector<std::string>{"error: wait needs SECONDS (0 to 3600)"});
    EXPECT_EQ(Run(*program, "wait soon"), std::vector<std::string>{"error: wait needs SECONDS (0 to 3600)"});
    EXPECT_EQ(Run(*program, "screenshot \"Test Dialog\" dialog"),
              std::vector<std::string>{"error: screenshots need the host with windows"});
}

TEST_F(WindowCommandsTest, TheUiLanguageComesFromTheOptionOrTheRegistry)
{
    SetThreadUILanguage(1033);
    host::HostOptions options;
    options.language = 1031;
    {
        auto program = StartHost(options);
        EXPECT_EQ(GetThreadUILanguage(), 1031);
    }
    SetDword(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\Outlook", "LanguageID", 1040);
    {
        auto program = StartHost();
        EXPECT_EQ(GetThreadUILanguage(), 1040);
    }
}

TEST_F(WindowCommandsTest, TheWindowedHostTakesTheSameCommandsAndTakesScreenshots)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    RegisterAddIn();
    const auto png = std::filesystem::path(MAILHOST_PROGRAM).parent_path().parent_path() / "artifacts" / "mailhost" /
                     "windowed-explorer.png";
    std::filesystem::remove(png);
    std::vector<std::string> lines;
    std::string text;
    ASSERT_EQ(RunWindowedHost("windows\n"
                              "answer yes\n"
                              "click-item \"Test Dialog\" 105\n"
                              "settext \"Test Dialog\" 101 Hello\n"
                              "wait 2.5\n"
                              "screenshot \"Inbox - Mail Host\" windowed-explorer\n"
                              "screenshot \"Test Dialog\" dialog\n"
                              "quit\n",
                              lines, &text, "HOST_TEST_DIALOG=1 HOST_TEST_TICKER=1"),
              0)
        << text;
    EXPECT_TRUE(HasLine(lines, "window \"Inbox - Mail Host\" class \"HostExplorer\" shown foreground") ||
                HasLine(lines, "window \"Inbox - Mail Host\" class \"HostExplorer\" shown"))
        << text;
    EXPECT_TRUE(HasLine(lines, "screenshot " + png.string())) << text;
    EXPECT_TRUE(HasLine(lines, "error: screenshot: the window has no view")) << text;
    EXPECT_TRUE(std::filesystem::exists(png));
    EXPECT_EQ(AddInLogOf("box"), std::vector<std::string>{"box 6"});
    EXPECT_EQ(AddInLogOf("edit"), std::vector<std::string>{"edit \"Hello\" modified=1"});
    EXPECT_GE(AddInLogOf("tick").size(), 2u);
    EXPECT_GE(AddInLogOf("post").size(), 1u);
}

TEST_F(WindowCommandsTest, SendDeliversAMessageByNameOrNumberAndPrintsTheResult)
{
    RegisterAddIn();
    auto program = StartHost();
    EXPECT_EQ(Run(*program, "send \"Test Dialog\" WM_APP+8 40 2"), std::vector<std::string>{"send WM_APP+8 result 42"});
    EXPECT_EQ(Run(*program, "send \"Test Dialog\" 0x8008 0x10 -1"), std::vector<std::string>{"send WM_APP+8 result 15"});
    EXPECT_EQ(Run(*program, "send \"Test Dialog\" 32776 7"), std::vector<std::string>{"send WM_APP+8 result 7"});
    EXPECT_EQ(AddInLogOf("sum"), (std::vector<std::string>{"sum 40 2", "sum 16 -1", "sum 7 0"}));

    // A command as a button would send it: the box of button 105, answered from the queue.
    Run(*program, "answer no");
    EXPECT_EQ(Run(*program, "send \"Test Dialog\" wm_command 105"), std::vector<std::string>{"send WM_COMMAND result 0"});
    EXPECT_EQ(AddInLogOf("box"), std::vector<std::string>{"box 7"});

    EXPECT_EQ(Run(*program, "send \"Test Dialog\" WM_CLOSE 0"), std::vector<std::string>{"send WM_CLOSE result 0"});
    EXPECT_FALSE(HasLine(Run(*program, "windows"), "window \"Test Dialog\" class \"TestDialogClass\" shown"));
    EXPECT_EQ(Run(*program, "send \"Test Dialog\" WM_CLOSE 0"), std::vector<std::string>{"error: no window \"Test Dialog\""});

    const std::string usage =
        "error: send needs WINDOW MSG WPARAM [LPARAM] (MSG a number or a WM_ name, the others numbers)";
    for (const char* bad : {"send \"Test Dialog\" WM_NOSUCH 0", "send \"Test Dialog\" WM_COMMAND", "send \"Test Dialog\"",
                            "send \"Test Dialog\" WM_COMMAND 1x", "send \"Test Dialog\" WM_COMMAND 1 2 3",
                            "send \"Test Dialog\" 0x10000 0", "send \"Test Dialog\" WM_APP+zz 0"})
        EXPECT_EQ(Run(*program, bad), std::vector<std::string>{usage}) << bad;
}
