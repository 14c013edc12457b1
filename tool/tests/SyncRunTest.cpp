// Runs of the real engine on the worker thread, with the engine objects the document made on
// this (the window) thread, over real store files and key databases: a profile that fails after
// the view saw both of its stores, the conflicts the user leaves alone, and the end sound's file.
#include "ConflictHandler.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvView.h"

#include "SyncFixture.h"
#include "ToolTestSupport.h"
#include "ViewHarness.h"

#include "base/AnswerQueue.h"
#include "base/MessageLoop.h"
#include "base/Module.h"
#include "base/Sound.h"
#include "base/Window.h"

#include <filesystem>

namespace {

using namespace enginetest;

// The types of the conflicts each profile run left, read on the worker.
class TypesPerRun : public IConflictHandler {
public:
    void HandleConflicts(COrvView&, IProfile*, IConflicts* conflicts, const std::string& name, const std::string&,
                         const std::string&) override
    {
        std::vector<SHORT> types;
        LONG count = 0;
        conflicts->get_Count(&count);
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<IConflict> conflict;
            SHORT type = -1;
            if (SUCCEEDED(conflicts->get_Items(i, conflict.put())))
                conflict->get_Type(&type);
            types.push_back(type);
        }
        runs.push_back(name + ":" + ::testing::PrintToString(types));
    }
    std::vector<std::string> runs;
};

class SyncRun : public SyncFixture {
protected:
    void SetUp() override
    {
        SyncFixture::SetUp();
        if (HasFatalFailure())
            return;
        platform::ClearSoundRecords();
        // A second profile over other stores: the mailbox's Inbox into the archive's Inbox.
        home = NewProfile("Home", "Mailbox - Ann", "Archive");
        ASSERT_TRUE(home);
        ComPtr<IStore> mailbox, archive;
        ASSERT_EQ(home->get_Source(mailbox.put()), S_OK);
        ASSERT_EQ(home->get_Destination(archive.put()), S_OK);
        ComPtr<IFolders> from = SubtreeFolders(mailbox.get());
        ComPtr<IFolders> to = SubtreeFolders(archive.get());
        ASSERT_EQ(FolderNamed(to.get(), "Inbox")->put_Source(FolderNamed(from.get(), "Inbox").get()), S_OK);
    }
    void TearDown() override
    {
        harness.Destroy();
        home.Release();
        SyncFixture::TearDown();
    }

    ComPtr<IProfile> NewProfile(const char* name, const char* source, const char* destination)
    {
        ComPtr<IProfile> created;
        EXPECT_EQ(profiles->get_Items(-1, created.put()), S_OK);
        ComPtr<IStores> sources, destinations;
        engine->get_Sources(sources.put());
        engine->get_Destinations(destinations.put());
        ComBstr text(std::string_view{name});
        created->put_Name(text);
        EXPECT_EQ(created->put_Source(StoreNamed(sources.get(), source).get()), S_OK);
        EXPECT_EQ(created->put_Destination(StoreNamed(destinations.get(), destination).get()), S_OK);
        EXPECT_EQ(profiles->Add(created.get()), S_OK);
        GUID wanted{};
        created->GetGUID(&wanted);
        LONG count = 0;
        profiles->get_Count(&count);
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<IProfile> loaded;
            profiles->get_Items(i, loaded.put());
            GUID guid{};
            loaded->GetGUID(&guid);
            if (guid == wanted)
                return loaded;
        }
        return {};
    }

    // The program's objects on this thread: the document connects the engine itself.
    void MakeView()
    {
        harness.Make();
        ASSERT_TRUE(harness.doc->m_pEngine);
        ASSERT_TRUE(view);
        view->SetConflictHandler(&handler);
        view->OnInitialUpdate();
    }
    int Row(const std::string& name) const { return view->m_wndProfiles.FindItem(name); }
    void RunNow()
    {
        view->StartSync();
        ASSERT_TRUE(view->IsRunning());
        platform::MessageLoop::Current().RunUntil([this] { return !view->IsRunning(); });
    }

    tooltest::ConsoleBoxes boxes;
    ComPtr<IProfile> home;
    CViewHarness harness;
    std::unique_ptr<COrvApp>& app = harness.app;
    std::unique_ptr<COrvView>& view = harness.view;
    TypesPerRun handler;
};

TEST_F(SyncRun, AProfileFailingAfterTheViewSawItsStoresIsReportedAndTheOtherRuns)
{
    Add(Src("Projects").get(), "From the public folder");
    MakeView();
    ASSERT_EQ(view->m_wndProfiles.GetItemCount(), 2);
    ASSERT_TRUE(view->m_wndProfiles.SetCheck(Row("Public"), true));
    ASSERT_TRUE(view->m_wndProfiles.SetCheck(Row("Home"), true));
    ASSERT_TRUE(view->CountsAsChecked(Row("Home"))) << "both of its stores are there";
    // A folder where its run keeps its key database: the run fails before any folder.
    GUID guid{};
    ASSERT_EQ(home->GetGUID(&guid), S_OK);
    char key[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(key + 2 * i, 3, "%02x", reinterpret_cast<const BYTE*>(&guid)[i]);
    std::filesystem::create_directories(platform::AppDataDirectory() / "Dravenholt" / (std::string(key) + ".new"));

    RunNow();
    EXPECT_EQ(view->m_wndProfiles.GetRow(Row("Public")).mark, "D");
    EXPECT_EQ(view->m_wndProfiles.GetRow(Row("Home")).mark, "F");
    EXPECT_FALSE(view->m_wndProfiles.GetRow(Row("Home")).failure.empty());
    EXPECT_TRUE(view->m_wndProfiles.GetRow(Row("Public")).failure.empty());
    EXPECT_EQ(view->m_strState, "Synchronisation completed with errors.");
    EXPECT_TRUE(platform::SoundRecords().empty()) << "no end sound for a failed run";
    EXPECT_TRUE(tooltest::Boxes().empty()) << "and no box";
    EXPECT_TRUE(Find(Dst("Inbox").get(), "From the public folder")) << "the other profile ran";
}

TEST_F(SyncRun, AChangedCopyWhoseSourceWentIsAskedAboutAgainInsteadOfDeleted)
{
    Add(Src("Projects").get(), "Minutes");
    MakeView();
    ASSERT_TRUE(view->m_wndProfiles.SetCheck(Row("Public"), true));
    app->m_bQueryDelete = false;
    RunNow();
    ASSERT_TRUE(Find(Dst("Inbox").get(), "Minutes"));

    // Changed on the local side, deleted on the public one: conflict 1.
    SetBody(Dst("Inbox").get(), "Minutes", "local notes");
    Delete(Src("Projects").get(), "Minutes");
    RunNow();
    RunNow();
    EXPECT_EQ(handler.runs, (std::vector<std::string>{"Public:{ 1 }", "Public:{ 1 }"}))
        << "left alone, it comes back";
    const auto copy = Find(Dst("Inbox").get(), "Minutes");
    ASSERT_TRUE(copy) << "the local changes are not deleted";
    EXPECT_EQ(copy->body, "local notes");
}

TEST_F(SyncRun, TheEndSoundIsTheProgramsOwnEventWithItsBuiltFile)
{
    char program[4096] = "";
    GetModuleFileNameA(nullptr, program, sizeof(program));
    const std::string programName = std::filesystem::path(program).stem().string();
    const std::string key = "AppEvents\\Schemes\\Apps\\" + programName + "\\OrvintaDone\\.Default";
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    const std::string file = ORVINTA_DONE_SOUND;
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()), static_cast<DWORD>(file.size() + 1));
    RegCloseKey(h);
    ASSERT_TRUE(std::filesystem::is_regular_file(file));

    Add(Src("Projects").get(), "Agenda");
    MakeView();
    ASSERT_TRUE(view->m_wndProfiles.SetCheck(Row("Public"), true));
    RunNow();
    const auto sounds = platform::SoundRecords();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].sound, "OrvintaDone");
    EXPECT_EQ(sounds[0].file, file);
    EXPECT_EQ(sounds[0].flags, 0x12081u);
    EXPECT_EQ(view->m_strState, "Synchronisation complete.");
}

} // namespace
