// The profile commands from start to end, only through the program's dialogs: stores made with
// the store tool, the engine registered, then in the window a profile created with the wizard,
// a pair of folders associated in the editor and a branch in the advanced editor; "/autosync"
// copies both ways; then the options, the About box, and the profile renamed and deleted (its
// registry key and key databases gone).
#include "ProgramFixture.h"
#include "ToolTestSupport.h"

#include <sstream>

namespace {

using namespace programtest;
namespace fs = std::filesystem;

// The subkeys of the sync profiles' key.
std::vector<std::string> ProfileKeys()
{
    std::vector<std::string> keys;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\profiles", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return keys;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD cch = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        keys.emplace_back(name, cch);
    }
    RegCloseKey(key);
    return keys;
}

class ProfileCommandsProgram : public Program {};

TEST_F(ProfileCommandsProgram, ProfileMadeAssociatedSyncedRenamedAndDeletedThroughTheDialogs)
{
    if (!StartDisplay())
        GTEST_SKIP() << "no virtual display";
    const std::string personal = (root.path() / "personal.store").string();
    const std::string publicStore = (root.path() / "public.store").string();
    MakeWork(personal, publicStore);
    for (const char* folder : {"Shared", "Shared/News"})
        Admin({"folder", "create", personal, folder});
    for (const char* folder : {"Projects", "Projects/Alpha", "News"})
        Admin({"folder", "create", publicStore, folder});
    Admin({"message", "create", publicStore, "Projects", "--subject", "Kick-off meeting"});
    Admin({"message", "create", publicStore, "Projects/Alpha", "--subject", "Alpha plan"});
    Admin({"message", "create", personal, "Shared/News", "--subject", "Press release draft"});

    // The profile, one pair of folders, and the branch Projects below Shared.
    const auto made = Run({}, "create-profile Public \"Personal Folders\" \"Public Folders\"\n"
                              "associate Public */Shared/News */News\n"
                              "answer ok\n"
                              "advanced Public global * */Shared */Projects\n"
                              "select Public\n"
                              "folders\n"
                              "quit\n");
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_TRUE(HasLine(made.out, "create-profile ok")) << made.out;
    EXPECT_TRUE(HasLine(made.out, "associate ok")) << made.out;
    EXPECT_TRUE(HasLine(made.out, "advanced ok")) << made.out;
    EXPECT_NE(made.out.find("folders 3 local=\"Personal Folders\" global=\"Public Folders\""), std::string::npos)
        << made.out;
    ASSERT_EQ(ProfileKeys().size(), 1u);
    const std::string key = ProfileKeys().front();

    // A run copies both ways along the three associations.
    const auto synced = Run({"/autosync", "/profile:Public"});
    EXPECT_EQ(synced.exitCode, 0) << synced.err;
    EXPECT_NE(Subjects(personal, "Shared/Projects").find("\tKick-off meeting\t"), std::string::npos);
    EXPECT_NE(Subjects(personal, "Shared/Projects/Alpha").find("\tAlpha plan\t"), std::string::npos);
    EXPECT_NE(Subjects(publicStore, "News").find("\tPress release draft\t"), std::string::npos);
    // The profile's key databases, named after its key.
    const auto databases = [&] {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(root.path() / "AppData" / "Dravenholt"))
            if (entry.path().filename().string().rfind(key, 0) == 0)
                files.push_back(entry.path().filename().string());
        return files;
    };
    EXPECT_FALSE(databases().empty()) << "the run keeps its keys";

    // Options, About, then the profile renamed and deleted.
    const auto changed = Run({}, "options start on delay 10 quit on confirm off\n"
                                 "about about\n"
                                 "rename Public Team\n"
                                 "profiles\n"
                                 "delete Team\n"
                                 "profiles\n"
                                 "quit\n");
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_TRUE(HasLine(changed.out, "options ok")) << changed.out;
    EXPECT_TRUE(HasLine(changed.out, "options start=1 delay=600 quit=1 confirm=0")) << changed.out;
    EXPECT_NE(changed.out.find("about \"Orvinta, Version 1.2\" info=\"http://www.example.com/orvinta/\""),
              std::string::npos)
        << changed.out;
    EXPECT_TRUE(HasLine(changed.out, "rename ok")) << changed.out;
    EXPECT_NE(changed.out.find("profile \"Team\""), std::string::npos) << changed.out;
    EXPECT_TRUE(HasLine(changed.out, "delete ok")) << changed.out;
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStart"), 1u);
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStartDelay"), 600u);
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookQuit"), 1u);
    EXPECT_EQ(tooltest::SettingDword("QueryDelete"), 0u);
    EXPECT_TRUE(ProfileKeys().empty()) << "the profile's registry key is gone";
    EXPECT_TRUE(databases().empty()) << "the key databases are gone";
}

} // namespace
