// The program's frame on a virtual display: its pictures in English and German, help, a second
// start that brings a minimised window back, and a tray that the display lacks at first, then
// gains, loses and gains again.
#include "FakeTrayManager.h"
#include "ProgramFixture.h"

#include <chrono>
#include <thread>

namespace {

using namespace programtest;
namespace fs = std::filesystem;

class FrameProgram : public Program {};

} // namespace

TEST_F(FrameProgram, TheFrameInEnglishAndGermanMinimisedAndRestoredWithoutATray)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    const auto english = Run({}, "screenshot frame-english\nstate\nminimize\nrestore\nquit\n");
    EXPECT_EQ(english.exitCode, 0) << english.err;
    EXPECT_NE(english.out.find("frame-english.png"), std::string::npos) << english.out;
    EXPECT_NE(english.out.find(" tray=none"), std::string::npos) << "a bare display has no tray: " << english.out;
    EXPECT_TRUE(HasLine(english.out, "minimize window=minimized")) << english.out;
    EXPECT_TRUE(HasLine(english.out, "restore window=normal")) << english.out;
    const auto german = Run({"/LCID1031"}, "screenshot frame-german\nquit\n");
    EXPECT_EQ(german.exitCode, 0) << german.err;
    EXPECT_NE(german.out.find("frame-german.png"), std::string::npos) << german.out;
}

TEST_F(FrameProgram, HelpTopicsOpenTheMainWindowsPage)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    const fs::path record = root.path() / "opened.txt";
    const fs::path opener = root.path() / "opener";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record.string() << "'\n";
    fs::permissions(opener, fs::perms::owner_all);
    ChildOptions options;
    options.environment["PLATFORM_SHELL_OPEN"] = opener.string();
    const auto result = Run({}, "help\nquit\n", options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(HasLine(result.out, "help window=normal")) << result.out;
    std::string page;
    for (int i = 0; i < 300 && page.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record);
        std::getline(in, page);
    }
    EXPECT_EQ(page, (fs::path(ORVINTA_PROGRAM).parent_path() / "Manual" / "101.html").string());
}

TEST_F(FrameProgram, ASecondOlstartShowsAndRaisesAMinimisedWindow)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    SetDword(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", "SyncOnOutlookStart", 1);
    SetDword(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", "SyncOnOutlookStartDelay", 300);
    {
        // Without a tray the window starts minimised.
        FirstInstance first(Script("first.txt", "state\nwait-activate 60\nstate\nquit\n"), {"/olstart"});
        const std::string before = first.child->readLine();
        EXPECT_NE(before.find("state window=minimized pending=1 "), std::string::npos) << before;
        const auto second = Run({"/olstart"});
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_EQ(second.err, "");
        EXPECT_EQ(first.child->readLine(), "activate 1");
        const std::string after = first.child->readLine();
        EXPECT_NE(after.find("state window=normal pending=1 "), std::string::npos) << after;
        EXPECT_EQ(first.child->wait(), 0);
    }
    {
        // With a tray it starts in the tray, and the message reaches the tray's window.
        FakeTrayManager tray;
        ASSERT_TRUE(tray.ok());
        FirstInstance first(Script("first.txt", "state\nwait-activate 60\nstate\nquit\n"), {"/olstart"});
        const std::string before = first.child->readLine();
        EXPECT_NE(before.find("state window=tray pending=1 "), std::string::npos) << before;
        EXPECT_NE(before.find(" tray=shown"), std::string::npos) << before;
        const auto second = Run({"/olstart"});
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_EQ(first.child->readLine(), "activate 1");
        const std::string after = first.child->readLine();
        EXPECT_NE(after.find("state window=normal pending=1 "), std::string::npos) << after;
        EXPECT_EQ(first.child->wait(), 0);
    }
}

TEST_F(FrameProgram, ATrayThatComesLaterGetsTheIconGoesAndComesBack)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    FirstInstance first(Script("first.txt", "tray\n"
                                            "minimize\n"
                                            "wait-tray 30\n"
                                            "minimize\n"
                                            "tray-click double\n"
                                            "tray\n"
                                            "wait-tray 30 gone\n"
                                            "wait-tray 30\n"
                                            "tray-click double\n"
                                            "answer menu 32780\n"
                                            "tray-click right\n"
                                            "quit\n"),
                        {});
    EXPECT_EQ(first.child->readLine(), "tray icon=wanted state=- default=32781 window=normal");
    EXPECT_EQ(first.child->readLine(), "minimize window=minimized") << "no tray: an ordinary minimised window";

    // A tray appears: the icon goes there with the idle picture.
    auto tray = std::make_unique<FakeTrayManager>();
    ASSERT_TRUE(tray->ok());
    EXPECT_EQ(first.child->readLine(), "tray icon=shown state=idle default=32780 window=minimized");
    EXPECT_EQ(first.child->readLine(), "minimize window=tray") << "from now on into the tray";
    EXPECT_EQ(first.child->readLine(), "tray-click double window=normal");
    EXPECT_EQ(first.child->readLine(), "tray icon=shown state=idle default=32781 window=normal");

    // The taskbar goes and comes back: the icon with it.
    tray.reset();
    EXPECT_EQ(first.child->readLine(), "tray icon=none state=- default=32781 window=normal");
    tray = std::make_unique<FakeTrayManager>();
    ASSERT_TRUE(tray->ok());
    EXPECT_EQ(first.child->readLine(), "tray icon=shown state=idle default=32781 window=normal");
    EXPECT_EQ(first.child->readLine(), "tray-click double window=tray");
    EXPECT_EQ(first.child->readLine(), "answer menu 32780");
    EXPECT_EQ(first.child->readLine(), "tray-click right window=normal") << "Restore from the icon's menu";
    EXPECT_EQ(first.child->wait(), 0);
}
