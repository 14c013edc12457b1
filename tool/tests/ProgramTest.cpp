// The program as users and the mail client's add-in start it: start-up decisions, one instance
// per user with the hand-over of a second start, the engine connection and its failure, the
// user-interface language, and the start by the host when the mail client starts.
#include "ProgramFixture.h"

#include "base/PlatformRoot.h"

namespace {

using namespace programtest;
namespace fs = std::filesystem;

TEST_F(Program, MailClientStartWithTheSettingOffEndsAtOnceWithoutAWindow)
{
    ChildOptions noDisplay;
    noDisplay.environment["DISPLAY"] = std::nullopt;
    const auto result = Run({"/olstart"}, "state\nquit\n", noDisplay);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    const auto stop = Run({"-OLSTOP"}, "state\nquit\n", noDisplay);
    EXPECT_EQ(stop.exitCode, 0);
    EXPECT_EQ(stop.out, "");
}

TEST_F(Program, WordWithoutSwitchSignEndsStartUp)
{
    const auto result = Run({"olstart"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("Unknown command line word: olstart"), std::string::npos) << result.err;
}

TEST_F(Program, UnregisteredEngineIsReportedOnceAndTheWindowStillOpens)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    const auto result = Run({}, "state\nquit\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Count(result.err, "The engine could not be loaded."), 1u) << result.err;
    EXPECT_NE(result.out.find("state window=normal pending=0 due=none engine=none profiles=none running=0"),
              std::string::npos)
        << result.out;
}

TEST_F(Program, RegisteredEngineConnectsAndTheFrameShowsInFourLanguages)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    Register();
    for (const auto& [lcid, name] : std::vector<std::pair<std::string, std::string>>{
             {"1033", "frame-en"}, {"1031", "frame-de"}, {"1036", "frame-fr"}, {"1040", "frame-it"}}) {
        const auto result = Run({"/LCID0", "/LCID" + lcid, "/LCID1031"}, "state\nscreenshot " + name + "\nquit\n");
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_NE(result.out.find("engine=connected profiles=0 running=0 lcid=" + lcid), std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("screenshot "), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(name + ".png"), std::string::npos) << result.out;
    }
}

TEST_F(Program, SecondAutosyncStartHandsItsRunOverAndEndsSilently)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    const std::string script = Script("first.txt", "state\nwait-activate 60\nstate\nquit\n");
    FirstInstance first(script, {});
    const std::string before = first.child->readLine();
    EXPECT_NE(before.find("state window=normal pending=0 due=none"), std::string::npos) << before;

    const auto second = Run({"/autosync"});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(first.child->readLine(), "activate 3");
    const std::string after = first.child->readLine();
    EXPECT_NE(after.find("state window=normal pending=3 due="), std::string::npos) << after;
    EXPECT_LE(Field(after, "due"), 0) << "due at once: " << after;
    EXPECT_EQ(first.child->wait(), 0);
}

TEST_F(Program, PlainSecondStartShowsItsMessageAndCancelsTheScheduledRun)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    SetDword(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", "SyncOnOutlookStart", 1);
    SetDword(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", "SyncOnOutlookStartDelay", 300);
    const std::string script = Script("first.txt", "state\nwait-activate 60\nstate\nquit\n");
    FirstInstance first(script, {"/olstart"});
    const std::string before = first.child->readLine();
    EXPECT_NE(before.find("state window=minimized pending=1 due="), std::string::npos) << before;
    EXPECT_GE(Field(before, "due"), 295) << before;
    EXPECT_LE(Field(before, "due"), 300) << before;

    const auto second = Run({});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.err.find("The Orvinta is already running."), std::string::npos) << second.err;
    EXPECT_EQ(first.child->readLine(), "activate 0");
    const std::string after = first.child->readLine();
    EXPECT_NE(after.find("pending=0 due=none "), std::string::npos) << after;
    EXPECT_EQ(first.child->wait(), 0);
}

// The mail client starts with the engine's add-in, which runs "orvinta /olstart".
class MailClientStart : public Program {
protected:
    void Prepare(DWORD syncOnStart)
    {
        Register();
        const std::string personal = (root.path() / "personal.store").string();
        const std::string publicStore = (root.path() / "public.store").string();
        ASSERT_EQ(RunChild(MAPIADMIN_PROGRAM, {"profile", "create", "Work"}).exitCode, 0);
        ASSERT_EQ(RunChild(MAPIADMIN_PROGRAM, {"store", "create", personal, "--name", "Personal Folders", "--profile",
                                               "Work"})
                      .exitCode,
                  0);
        ASSERT_EQ(RunChild(MAPIADMIN_PROGRAM,
                           {"store", "create", publicStore, "--kind", "public", "--name", "Public Folders"})
                      .exitCode,
                  0);
        ASSERT_EQ(RunChild(MAPIADMIN_PROGRAM, {"store", "attach", "Work", publicStore}).exitCode, 0);
        SetString(HKEY_LOCAL_MACHINE, "Software\\Tembrix", "StartCmd", "orvinta /olstart");
        SetDword(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", "SyncOnOutlookStart", syncOnStart);
        SetDword(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", "SyncOnOutlookStartDelay", 300);
    }

    // The host, headless, with nothing to do: what it and the program it started wrote, once
    // both have ended (the program writes to the host's output, which it inherits).
    std::string StartMailClient(int* exitCode)
    {
        ChildProcess host(MAILHOST_PROGRAM, {"--headless", "--profile", "Work"},
                          {{"ORVINTA_SCRIPT", Script("started.txt", "state\nquit\n")}});
        host.closeInput();
        std::string out;
        for (std::string line = host.readLine(); !line.empty(); line = host.readLine())
            out += line + "\n";
        *exitCode = host.wait();
        return out;
    }
};

TEST_F(MailClientStart, WithTheSettingOffTheProgramEndsWithoutAWindow)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    Prepare(0);
    int exitCode = -1;
    const std::string out = StartMailClient(&exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(out.find("add-in Tembrix.ComAddIn connected"), std::string::npos) << out;
    EXPECT_EQ(out.find("state window="), std::string::npos) << out;
}

TEST_F(MailClientStart, WithTheSettingOnItOpensMinimisedWithTheRunDueAfterTheDelay)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    Prepare(1);
    int exitCode = -1;
    const std::string out = StartMailClient(&exitCode);
    EXPECT_EQ(exitCode, 0);
    const auto pos = out.find("state window=minimized pending=1 due=");
    ASSERT_NE(pos, std::string::npos) << out;
    const std::string line = out.substr(pos, out.find('\n', pos) - pos);
    EXPECT_GE(Field(line, "due"), 295) << line;
    EXPECT_NE(line.find(" engine=connected profiles=0 "), std::string::npos) << line;
}

} // namespace
