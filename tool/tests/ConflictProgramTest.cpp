// The conflicts dialogs from start to end on a virtual display: stores made with the store tool,
// the engine registered, a sync profile with its links made through the engine's COM interface,
// a first run; then one item changed on both sides and another deleted in the public folder with
// deletions confirmed. The second run opens both dialogs, which a script works as a user would
// (an item opened in its form holds Commit until it is closed); the chosen sides land in the
// stores, and the third run finds only the pair that keeping the local side of a deletion makes
// changed on both sides.
#include "ProgramFixture.h"

namespace {

using namespace programtest;

class ConflictProgram : public StoresProgram {
protected:
    void MakeStores()
    {
        MakeWork(personal, publicStore);
        for (const char* folder : {"Shared", "Shared/Projects"})
            Admin({"folder", "create", personal, folder});
        Admin({"folder", "create", publicStore, "Projects"});
        for (const char* subject : {"Kick-off meeting", "Project plan", "Budget"})
            Admin({"message", "create", publicStore, "Projects", "--subject", subject, "--body", "first text"});
        const auto setup = RunChild(SYNCSETUP_PROGRAM, {"create", "Public", "--source", "Public Folders",
                                                        "--destination", "Personal Folders", "--link",
                                                        "Shared/Projects=Projects"});
        ASSERT_EQ(setup.exitCode, 0) << setup.err;
    }

    // The entry ID of the folder's message with that subject ("" when there is none).
    static std::string EntryId(const std::string& file, const std::string& folder, const std::string& subject)
    {
        std::istringstream in(Subjects(file, folder));
        for (std::string line; std::getline(in, line);) {
            const auto tab = line.find('\t');
            if (tab != std::string::npos && line.compare(tab + 1, subject.size() + 1, subject + "\t") == 0)
                return line.substr(0, tab);
        }
        return {};
    }
    static std::string Body(const std::string& file, const std::string& folder, const std::string& subject)
    {
        const auto shown = RunChild(MAPIADMIN_PROGRAM, {"message", "show", file, EntryId(file, folder, subject)});
        const auto pos = shown.out.find("PR_BODY");
        return pos == std::string::npos ? std::string() : shown.out.substr(pos, shown.out.find('\n', pos) - pos);
    }
};

} // namespace

TEST_F(ConflictProgram, ASecondRunShowsBothDialogsAndTheChosenSidesLandInTheStores)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    MakeStores();
    const auto first = Run({"/autosync", "/profile:Public"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_NE(EntryId(personal, "Shared/Projects", "Budget"), "");

    Admin({"message", "change", personal, EntryId(personal, "Shared/Projects", "Kick-off meeting"), "--body",
           "local agenda"});
    Admin({"message", "change", publicStore, EntryId(publicStore, "Projects", "Kick-off meeting"), "--body",
           "global agenda"});
    Admin({"message", "delete", publicStore, EntryId(publicStore, "Projects", "Budget")});

    const auto second = Run({"/profile:Public"}, "sync\n"
                                                 "wait-idle 120\n"
                                                 "conflicts\n"
                                                 "screenshot e2e-deletions conflicts\n"
                                                 "tick 1 local\n"
                                                 "open 1 local\n"
                                                 "screenshot e2e-item form\n"
                                                 "commit\n"
                                                 "close\n"
                                                 "close-forms\n"
                                                 "commit\n"
                                                 "conflicts\n"
                                                 "close\n"
                                                 "conflicts\n"
                                                 "tick-all global\n"
                                                 "screenshot e2e-changes conflicts\n"
                                                 "commit\n"
                                                 "conflicts\n"
                                                 "close\n"
                                                 "profiles\n"
                                                 "quit\n");
    EXPECT_EQ(second.exitCode, 0) << second.err;
    const std::string& out = second.out;
    EXPECT_NE(out.find("conflicts \"Delete resolution - Public\" mode=0 rows=2 commit=0 close=0 cancel=1 forms=0\n"
                       "row 0 header \"*/Shared/Projects\" \"*/Projects\" tick=none\n"
                       "row 1 type=5 tick=none icon=open local=\"Budget\""),
              std::string::npos)
        << out;
    EXPECT_TRUE(HasLine(out, "tick 1 local ok")) << out;
    EXPECT_TRUE(HasLine(out, "open 1 local ok forms=1")) << out;
    EXPECT_TRUE(HasLine(out, "commit refused")) << out;
    EXPECT_TRUE(HasLine(out, "close refused")) << out;
    EXPECT_EQ(Count(second.err, "A form window is open. Close it and try again."), 2u) << second.err;
    EXPECT_TRUE(HasLine(out, "close-forms 1")) << out;
    EXPECT_TRUE(HasLine(out, "commit done")) << out;
    EXPECT_NE(out.find("conflicts \"Delete resolution - Public\" mode=0 rows=2 commit=0 close=1 cancel=0 forms=0\n"
                       "row 0 header \"*/Shared/Projects\" \"*/Projects\" tick=done\n"
                       "row 1 type=0 tick=done icon=resolved local=\"Budget\""),
              std::string::npos)
        << out;
    EXPECT_TRUE(HasLine(out, "close closed")) << out;
    EXPECT_NE(out.find("conflicts \"Conflict resolution - Public\" mode=1 rows=2 commit=0 close=0 cancel=1 forms=0\n"
                       "row 0 header \"*/Shared/Projects\" \"*/Projects\" tick=none\n"
                       "row 1 type=3 tick=none icon=open local=\"Kick-off meeting\""),
              std::string::npos)
        << out;
    EXPECT_TRUE(HasLine(out, "tick-all global ok")) << out;
    EXPECT_NE(out.find("row 1 type=0 tick=done icon=resolved"), std::string::npos) << out;
    EXPECT_EQ(Count(out, "close closed"), 2u) << out;
    EXPECT_TRUE(HasLine(out, "idle state=\"Synchronisation complete.\"")) << out;
    for (const char* picture : {"e2e-deletions.png", "e2e-item.png", "e2e-changes.png"})
        EXPECT_NE(out.find(picture), std::string::npos) << picture << "\n" << out;

    // The local Budget went back to the public folder; the public agenda replaced the local one.
    EXPECT_NE(EntryId(publicStore, "Projects", "Budget"), "");
    EXPECT_NE(Body(personal, "Shared/Projects", "Kick-off meeting").find("global agenda"), std::string::npos)
        << Body(personal, "Shared/Projects", "Kick-off meeting");
    EXPECT_NE(Body(publicStore, "Projects", "Kick-off meeting").find("global agenda"), std::string::npos);

    // The third run: only Budget, whose two copies the resolution saved after the run.
    const auto third = Run({"/profile:Public"}, "sync\nwait-idle 120\nconflicts\nclose\nconflicts\nquit\n");
    EXPECT_EQ(third.exitCode, 0) << third.err;
    EXPECT_EQ(Count(third.out, "conflicts \"Delete resolution"), 0u) << third.out;
    EXPECT_NE(third.out.find("conflicts \"Conflict resolution - Public\" mode=1 rows=2 "), std::string::npos)
        << third.out;
    EXPECT_NE(third.out.find("row 1 type=3 tick=none icon=open local=\"Budget\""), std::string::npos) << third.out;
    EXPECT_TRUE(HasLine(third.out, "close cancelled")) << third.out;
    EXPECT_TRUE(HasLine(third.out, "error: no conflicts dialog")) << "after the run: " << third.out;
}
