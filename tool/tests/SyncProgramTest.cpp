// The program's runs from start to end: stores made with the store tool, the engine registered,
// a sync profile and its associations made through the engine's COM interface, then
// "orvinta /autosync" (the run ends, the program quits, items are copied both ways and the end
// sound plays), a run from the window with its pictures, and the suite's run script on a fresh
// root, twice.
#include "ProgramFixture.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace {

using namespace programtest;
namespace fs = std::filesystem;

class SyncProgram : public StoresProgram {
protected:
    // Work: Personal Folders with Shared/Projects and Shared/News, Public Folders with Projects
    // (two items) and News; Shared/News holds one item. The profile "Public" associates the pairs.
    void MakeStores()
    {
        MakeWork(personal, publicStore);
        for (const char* folder : {"Shared", "Shared/Projects", "Shared/News"})
            Admin({"folder", "create", personal, folder});
        for (const char* folder : {"Projects", "News"})
            Admin({"folder", "create", publicStore, folder});
        Admin({"message", "create", publicStore, "Projects", "--subject", "Kick-off meeting"});
        Admin({"message", "create", publicStore, "Projects", "--subject", "Project plan"});
        Admin({"message", "create", personal, "Shared/News", "--subject", "Press release draft"});
        const auto setup = RunChild(SYNCSETUP_PROGRAM, {"create", "Public", "--source", "Public Folders",
                                                        "--destination", "Personal Folders", "--link",
                                                        "Shared/Projects=Projects", "--link", "Shared/News=News"});
        ASSERT_EQ(setup.exitCode, 0) << setup.err;
        EXPECT_NE(setup.out.find("link Shared/News = News made"), std::string::npos) << setup.out;
    }

    // A second profile whose global store is gone: a mailbox that was in the MAPI profile "Home"
    // until it was taken out.
    void MakeProfileWithoutItsStore()
    {
        const std::string archive = (root.path() / "archive.store").string();
        const std::string mailbox = (root.path() / "mailbox.store").string();
        Admin({"profile", "create", "Home"});
        Admin({"store", "create", archive, "--name", "Archive", "--profile", "Home"});
        Admin({"store", "create", mailbox, "--kind", "mailbox", "--name", "Mailbox - Ann", "--profile", "Home"});
        const auto setup = RunChild(SYNCSETUP_PROGRAM, {"create", "Mailbox", "--source", "Mailbox - Ann",
                                                        "--destination", "Archive", "--link", "Inbox=Inbox"});
        ASSERT_EQ(setup.exitCode, 0) << setup.err;
        Admin({"store", "detach", "Home", mailbox});
    }
};

TEST_F(SyncProgram, AutosyncCopiesBothWaysQuitsAndPlaysTheEndSound)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    MakeStores();
    // The end sound's event names the built file; the player writes down what it was given.
    SetString(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\orvinta\\OrvintaDone\\.Default", "",
              ORVINTA_DONE_SOUND);
    const fs::path played = root.path() / "played.txt";
    const fs::path player = root.path() / "player.sh";
    std::ofstream(player) << "#!/bin/sh\necho \"$1\" >> '" << played.string() << "'\n";
    fs::permissions(player, fs::perms::owner_all);
    ChildOptions options;
    options.environment["PLATFORM_SOUND_PLAYER"] = player.string();

    const auto started = std::chrono::steady_clock::now();
    const auto result = Run({"/autosync", "/profile:Public"}, "", options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60)) << "it quit after the run";

    const std::string local = Subjects(personal, "Shared/Projects");
    EXPECT_NE(local.find("\tKick-off meeting\t"), std::string::npos) << local;
    EXPECT_NE(local.find("\tProject plan\t"), std::string::npos) << local;
    const std::string global = Subjects(publicStore, "News");
    EXPECT_NE(global.find("\tPress release draft\t"), std::string::npos) << global;

    // The player runs on its own; it has written its line within moments.
    std::string sound;
    for (int i = 0; i < 50 && sound.empty(); ++i) {
        std::ifstream in(played);
        std::getline(in, sound);
        if (sound.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(sound, ORVINTA_DONE_SOUND);
}

TEST_F(SyncProgram, TheWindowShowsTheProfilesARunAndTheImagesItLeft)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    MakeStores();
    MakeProfileWithoutItsStore();
    const auto result = Run({}, "profiles\n"
                                "select Mailbox\n"
                                "folders\n"
                                "screenshot view-unavailable\n"
                                "check Public\n"
                                "check Mailbox\n"
                                "select Public\n"
                                "screenshot view-profiles\n"
                                "sync\n"
                                "screenshot view-running\n"
                                "select Mailbox\n"
                                "wait-idle 60\n"
                                "profiles\n"
                                "folders\n"
                                "screenshot view-done\n"
                                "select Mailbox\n"
                                "select Public\n"
                                "folders\n"
                                "quit\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string& out = result.out;
    EXPECT_NE(out.find("profile \"Public\" checked=0 stores=3 deactivated=0 "), std::string::npos) << out;
    EXPECT_NE(out.find("profile \"Mailbox\" checked=0 stores=1 "), std::string::npos) << out;
    EXPECT_TRUE(HasLine(out, "folders 0 local=\"Archive\" global=\"Not available\"")) << out;
    EXPECT_TRUE(HasLine(out, "sync started")) << out;
    EXPECT_TRUE(HasLine(out, "select refused")) << "no other profile while the run is active: " << out;
    EXPECT_TRUE(HasLine(out, "idle state=\"Synchronisation complete.\"")) << out;
    EXPECT_TRUE(HasLine(out, "profile \"Public\" checked=1 stores=3 deactivated=0 selected=1 mark=D")) << out;
    EXPECT_NE(out.find("profile \"Mailbox\" checked=1 stores=1 deactivated=0 selected=0 mark=-"),
              std::string::npos)
        << "an unavailable profile never runs: " << out;
    // After the run, and again after another profile was shown: the run's images.
    EXPECT_EQ(Count(out, "folder \"*/Shared/Projects\" \"*/Projects\" image=done"), 2u) << out;
    EXPECT_EQ(Count(out, "folder \"*/Shared/News\" \"*/News\" image=done"), 2u) << out;
    for (const char* picture : {"view-unavailable", "view-profiles", "view-running", "view-done"})
        EXPECT_NE(out.find(std::string(picture) + ".png"), std::string::npos) << out;
}

TEST_F(SyncProgram, ARunOfAnUnregisteredEngineHasNothingToDo)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    const auto result = Run({"/autosync"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Count(result.err, "The engine could not be loaded."), 1u) << result.err;
}

TEST_F(SyncProgram, TheRunScriptSetsUpRunsAndChecksTheDemoTwice)
{
    const fs::path demoRoot = root.path() / "run-root";
    ChildOptions options;
    options.environment["PLATFORM_ROOT"] = demoRoot.string();
    options.environment["DISPLAY"] = std::nullopt;
    options.environment["BUILD_DIR"] = SUITE_BUILD_DIR;
    options.environment["SUITE_SANITIZE"] = SUITE_SANITIZE_SETTING;
    for (int round = 1; round <= 2; ++round) {
        const auto result = RunChild(SUITE_RUN_SCRIPT, {}, options);
        ASSERT_EQ(result.exitCode, 0) << "round " << round << "\n" << result.out << result.err;
        EXPECT_EQ(result.out.find("Making the demo set-up") != std::string::npos, round == 1) << result.out;
        EXPECT_NE(result.out.find("Shared/Projects (Personal Folders) <-> Projects (Public Folders): 2 and 2 items"),
                  std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("    global: Press release draft"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("Every sample item is in both stores."), std::string::npos) << result.out;
    }
}

} // namespace
