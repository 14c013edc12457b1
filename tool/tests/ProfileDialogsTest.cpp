// The Create Profile wizard, the delete and rename dialogs, without a display, against the
// engine on real store files: their controls as dialog items, their lists, the boxes they show
// and the profiles they leave in the registry.
#include "DialogResource.h"
#include "DlgProfileCreate.h"
#include "DlgProfileDelete.h"
#include "DlgProfileRename.h"
#include "ErrorText.h"
#include "ToolStrings.h"

#include "StoreFixture.h"
#include "ToolTestSupport.h"

#include "base/Locale.h"
#include "base/MessageLoop.h"
#include "base/UiLanguage.h"

namespace {

using namespace enginetest;

const char* const kProfilesKey = "Software\\Tembrix\\profiles";

class ProfileDialogs : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        engine = CreateEngine();
        ASSERT_TRUE(engine);
    }
    void TearDown() override
    {
        engine.Release();
        StoreFixture::TearDown();
    }

    // A wizard that has shown and loaded its stores.
    std::unique_ptr<CDlgProfileCreate> Wizard(std::set<std::string> usedKeys = {})
    {
        auto wizard = std::make_unique<CDlgProfileCreate>(engine.get(), std::move(usedKeys), newName);
        EXPECT_TRUE(wizard->Create());
        platform::MessageLoop::Current().RunPending();
        return wizard;
    }

    static int Row(const CCheckListCtrl& list, const std::string& name)
    {
        for (int row = 0; row < list.GetItemCount(); ++row)
            if (list.GetItemText(row, 0) == name)
                return row;
        return -1;
    }

    std::vector<std::string> ProfileNames()
    {
        ComPtr<IProfiles> profiles;
        EXPECT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        LONG count = 0;
        profiles->get_Count(&count);
        std::vector<std::string> names;
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<IProfile> profile;
            profiles->get_Items(i, profile.put());
            ComBstr name;
            profile->get_Name(name.put());
            names.push_back(name.Utf8());
        }
        return names;
    }

    std::string StoreKey(const char* storeName, bool destination)
    {
        ComPtr<IStores> stores;
        if (destination)
            engine->get_Destinations(stores.put());
        else
            engine->get_Sources(stores.put());
        ComPtr<IStore> store = StoreNamed(stores.get(), storeName);
        ComBstr key;
        store->get_RecordKey(key.put());
        return key.Utf8();
    }

    tooltest::ConsoleBoxes boxes;
    ComPtr<ISyncEngine> engine;
    std::string newName;
};

TEST_F(ProfileDialogs, WizardWalksItsThreeStepsAndCreatesTheProfile)
{
    auto wizard = Wizard();
    CCheckListCtrl& local = wizard->m_lstLocal;
    CCheckListCtrl& global = wizard->m_lstGlobal;
    ASSERT_EQ(local.GetItemCount(), 2) << "the personal stores";
    ASSERT_EQ(global.GetItemCount(), 4);
    EXPECT_EQ(local.GetColumn(0).text, "Name");
    EXPECT_EQ(local.GetColumn(1).text, "File");
    const int personalRow = Row(local, "Personal Folders");
    ASSERT_GE(personalRow, 0);
    EXPECT_EQ(local.GetItemText(personalRow, 1), personal.string()) << "the file read out of the entry ID";
    EXPECT_EQ(global.GetItemText(Row(global, "Public Folders"), 1), "no filename available");

    // Step 1: nothing chosen yet.
    EXPECT_EQ(wizard->GetStep(), 1);
    EXPECT_EQ(wizard->GetItemText(IDC_STEP), "1");
    EXPECT_EQ(wizard->GetItemText(IDOK), "&Next >");
    EXPECT_FALSE(wizard->IsItemEnabled(IDC_BACK));
    EXPECT_FALSE(wizard->IsItemEnabled(IDOK));
    for (int id : CDlgProfileCreate::StepControls(1))
        EXPECT_TRUE(wizard->IsItemShown(id)) << id;
    for (int id : CDlgProfileCreate::StepControls(2))
        EXPECT_FALSE(wizard->IsItemShown(id)) << id;
    EXPECT_FALSE(wizard->IsItemShown(IDC_WARNING_ICON));
    local.SelectItem(personalRow);
    EXPECT_TRUE(wizard->IsItemEnabled(IDOK));

    // Step 2: the store of step 1 is marked and may not be chosen.
    wizard->ClickItem(IDOK);
    EXPECT_EQ(wizard->GetStep(), 2);
    EXPECT_EQ(wizard->GetItemText(IDC_STEP), "2");
    EXPECT_TRUE(wizard->IsItemEnabled(IDC_BACK));
    EXPECT_FALSE(wizard->IsItemEnabled(IDOK));
    EXPECT_FALSE(wizard->IsItemShown(IDC_LOCAL_STORES));
    EXPECT_TRUE(wizard->IsItemShown(IDC_GLOBAL_STORES));
    const int same = Row(global, "Personal Folders");
    EXPECT_EQ(global.GetCheckImage(same), 2);
    global.SelectItem(same);
    EXPECT_FALSE(wizard->IsItemEnabled(IDOK));
    EXPECT_EQ(wizard->GetItemText(IDC_STEP2_WARNING), LoadResString(IDS_STORE_CHOSEN));
    EXPECT_TRUE(wizard->IsItemShown(IDC_WARNING_ICON));
    EXPECT_EQ(global.GetRowLook(same), CCheckListCtrl::RowLook::MarkedSelected);
    global.SelectItem(Row(global, "Public Folders"));
    EXPECT_TRUE(wizard->IsItemEnabled(IDOK));
    EXPECT_EQ(wizard->GetItemText(IDC_STEP2_WARNING), "");
    EXPECT_FALSE(wizard->IsItemShown(IDC_WARNING_ICON));

    // Step 3: the proposed name; Back and Next again.
    wizard->ClickItem(IDOK);
    EXPECT_EQ(wizard->GetStep(), 3);
    EXPECT_EQ(wizard->GetItemText(IDOK), "&Finish");
    EXPECT_EQ(wizard->GetItemText(IDC_PROFILE_NAME), "Profile 1");
    EXPECT_TRUE(wizard->IsItemEnabled(IDOK));
    EXPECT_EQ(wizard->GetFocusItem(), IDOK);
    wizard->ClickItem(IDC_BACK);
    EXPECT_EQ(wizard->GetStep(), 2);
    EXPECT_EQ(wizard->GetItemText(IDOK), "&Next >");
    EXPECT_TRUE(wizard->IsItemEnabled(IDOK)) << "the global choice stands";
    wizard->ClickItem(IDOK);
    wizard->TypeItemText(IDC_PROFILE_NAME, "Public");
    wizard->ClickItem(IDOK);

    EXPECT_TRUE(wizard->IsEnded());
    EXPECT_EQ(wizard->GetResult(), IDOK);
    EXPECT_EQ(newName, "Public");
    EXPECT_TRUE(tooltest::Boxes().empty());
    EXPECT_EQ(ProfileNames(), std::vector<std::string>{"Public"});
    ComPtr<IProfiles> profiles;
    engine->get_Profiles(profiles.put());
    ComPtr<IProfile> profile;
    ASSERT_EQ(profiles->get_Items(1, profile.put()), S_OK);
    ComPtr<IStore> source, destination;
    ASSERT_EQ(profile->get_Source(source.put()), S_OK);
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    ComBstr sourceName, destinationName;
    source->get_StoreName(sourceName.put());
    destination->get_StoreName(destinationName.put());
    EXPECT_EQ(sourceName.Utf8(), "Public Folders");
    EXPECT_EQ(destinationName.Utf8(), "Personal Folders");
}

TEST_F(ProfileDialogs, StoresOfOtherProfilesAreMarkedWithTheirWarning)
{
    auto wizard = Wizard({StoreKey("Personal Folders", true)});
    CCheckListCtrl& local = wizard->m_lstLocal;
    const int personal = Row(local, "Personal Folders");
    EXPECT_EQ(local.GetCheckImage(personal), 1);
    EXPECT_EQ(local.GetCheckImage(Row(local, "Archive")), 0);
    local.SelectItem(personal);
    EXPECT_FALSE(wizard->IsItemEnabled(IDOK));
    EXPECT_FALSE(local.IsSelectedFree());
    EXPECT_EQ(wizard->GetItemText(IDC_STEP1_WARNING), LoadResString(IDS_STORE_IN_USE));
    EXPECT_TRUE(wizard->IsItemShown(IDC_WARNING_ICON));

    local.SelectItem(Row(local, "Archive"));
    EXPECT_TRUE(wizard->IsItemEnabled(IDOK));
    EXPECT_EQ(wizard->GetItemText(IDC_STEP1_WARNING), "");
    wizard->ClickItem(IDOK);
    CCheckListCtrl& global = wizard->m_lstGlobal;
    EXPECT_EQ(global.GetCheckImage(Row(global, "Personal Folders")), 1) << "used by another profile";
    EXPECT_EQ(global.GetCheckImage(Row(global, "Archive")), 2) << "chosen in step 1";
    EXPECT_EQ(global.GetCheckImage(Row(global, "Public Folders")), 0);
    global.SelectItem(Row(global, "Personal Folders"));
    EXPECT_EQ(wizard->GetItemText(IDC_STEP2_WARNING), LoadResString(IDS_STORE_IN_USE));
    EXPECT_FALSE(wizard->IsItemEnabled(IDOK));
}

TEST_F(ProfileDialogs, ProposalTakesTheFirstFreeNumberInTheUiLanguage)
{
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    SavedProfile(profiles.get(), engine.get(), "Profile 1");
    SavedProfile(profiles.get(), engine.get(), "Profile 3");
    SavedProfile(profiles.get(), engine.get(), "Profil 1");
    profiles.Release();

    auto wizard = Wizard();
    EXPECT_EQ(wizard->ExistingNames().size(), 3u);
    wizard->m_lstLocal.SelectItem(Row(wizard->m_lstLocal, "Archive"));
    wizard->ClickItem(IDOK);
    wizard->m_lstGlobal.SelectItem(Row(wizard->m_lstGlobal, "Public Folders"));
    wizard->ClickItem(IDOK);
    EXPECT_EQ(wizard->GetItemText(IDC_PROFILE_NAME), "Profile 2");

    // Names are compared exactly: another letter case is a new name.
    wizard->TypeItemText(IDC_PROFILE_NAME, "profile 1");
    EXPECT_TRUE(wizard->IsItemEnabled(IDOK));
    EXPECT_EQ(wizard->GetItemText(IDC_STEP3_WARNING), "");
    EXPECT_FALSE(wizard->IsItemShown(IDC_WARNING_ICON));
    wizard->TypeItemText(IDC_PROFILE_NAME, "Profile 1");
    EXPECT_FALSE(wizard->IsItemEnabled(IDOK));
    EXPECT_EQ(wizard->GetItemText(IDC_STEP3_WARNING), LoadResString(IDS_NAME_IN_USE));
    EXPECT_TRUE(wizard->IsItemShown(IDC_WARNING_ICON));
    wizard->TypeItemText(IDC_PROFILE_NAME, "");
    EXPECT_FALSE(wizard->IsItemEnabled(IDOK));
    EXPECT_EQ(wizard->GetItemText(IDC_STEP3_WARNING), LoadResString(IDS_NAME_EMPTY));
    wizard.reset();

    const LANGID before = GetThreadUILanguage();
    SetThreadUILanguage(1031);
    auto german = Wizard();
    german->m_lstLocal.SelectItem(Row(german->m_lstLocal, "Archive"));
    german->ClickItem(IDOK);
    german->m_lstGlobal.SelectItem(Row(german->m_lstGlobal, "Public Folders"));
    german->ClickItem(IDOK);
    EXPECT_EQ(german->GetItemText(IDC_PROFILE_NAME), "Profil 2");
    EXPECT_EQ(german->GetItemText(IDOK), "&Fertig stellen");
    SetThreadUILanguage(before);
}

TEST_F(ProfileDialogs, StoreListedTwiceByTheEngineIsShownOnce)
{
    // The personal store belongs to both MAPI profiles: the engine lists it twice.
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Home", personal), S_OK);
    engine.Release();
    engine = CreateEngine();
    ComPtr<IStores> destinations;
    engine->get_Destinations(destinations.put());
    LONG count = 0;
    destinations->get_Count(&count);
    EXPECT_EQ(count, 3);
    destinations.Release();

    auto wizard = Wizard();
    EXPECT_EQ(wizard->m_lstLocal.GetItemCount(), 2);
    EXPECT_EQ(wizard->m_lstGlobal.GetItemCount(), 4);
}

TEST_F(ProfileDialogs, FailedCreationKeepsTheWizardOpen)
{
    // The engine keeps its profiles collection, with the key it opened, while anyone holds it.
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    auto wizard = Wizard();
    wizard->m_lstLocal.SelectItem(Row(wizard->m_lstLocal, "Personal Folders"));
    wizard->ClickItem(IDOK);
    wizard->m_lstGlobal.SelectItem(Row(wizard->m_lstGlobal, "Public Folders"));
    wizard->ClickItem(IDOK);
    // The profiles key goes while the collection holds it open: saving the profile fails.
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kProfilesKey), ERROR_SUCCESS);
    wizard->ClickItem(IDOK);
    EXPECT_FALSE(wizard->IsEnded());
    EXPECT_EQ(wizard->GetStep(), 3);
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, FailureText(IDS_CREATE_FAILED, HRESULT_FROM_WIN32(ERROR_KEY_DELETED)));
}

TEST_F(ProfileDialogs, WizardWithoutEngineSaysTheStoresCannotBeLoaded)
{
    std::string name;
    CDlgProfileCreate wizard(nullptr, {}, name);
    ASSERT_TRUE(wizard.Create());
    platform::MessageLoop::Current().RunPending();
    EXPECT_TRUE(wizard.IsEnded());
    EXPECT_EQ(wizard.GetResult(), IDCANCEL);
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, FailureText(IDS_STORE_NOT_LOADED, E_POINTER));
}

TEST_F(ProfileDialogs, DeleteRemovesTheFirstProfileOfThatName)
{
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> first = SavedProfile(profiles.get(), engine.get(), "Twice");
    ComPtr<IProfile> second = SavedProfile(profiles.get(), engine.get(), "Twice");
    GUID firstGuid{}, secondGuid{};
    first->GetGUID(&firstGuid);
    second->GetGUID(&secondGuid);
    // The registry lists keys in its own order: "first" is the one the engine lists first.
    ComPtr<IProfile> listedFirst;
    profiles->get_Items(1, listedFirst.put());
    GUID listedGuid{};
    listedFirst->GetGUID(&listedGuid);
    const GUID remaining = listedGuid == firstGuid ? secondGuid : firstGuid;
    first.Release();
    second.Release();
    listedFirst.Release();

    CDlgProfileDelete dialog(engine.get(), "Twice");
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetItemText(IDC_DELETE_NAME), "Twice");
    dialog.ClickItem(IDOK);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResult(), IDOK);
    EXPECT_TRUE(tooltest::Boxes().empty());
    LONG count = 0;
    profiles->get_Count(&count);
    ASSERT_EQ(count, 1);
    ComPtr<IProfile> left;
    profiles->get_Items(1, left.put());
    GUID leftGuid{};
    left->GetGUID(&leftGuid);
    EXPECT_TRUE(leftGuid == remaining);
}

TEST_F(ProfileDialogs, DeleteWithoutMatchOrEngineShowsTheSentenceAlone)
{
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    SavedProfile(profiles.get(), engine.get(), "Public");

    CDlgProfileDelete dialog(engine.get(), "public");
    ASSERT_TRUE(dialog.Create());
    dialog.ClickItem(IDOK);
    EXPECT_FALSE(dialog.IsEnded());
    CDlgProfileDelete noEngine(nullptr, "Public");
    ASSERT_TRUE(noEngine.Create());
    noEngine.ClickItem(IDOK);
    EXPECT_FALSE(noEngine.IsEnded());
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "The profile could not be deleted.");
    EXPECT_EQ(shown[1].text, "The profile could not be deleted.");
    EXPECT_EQ(ProfileNames(), std::vector<std::string>{"Public"});

    noEngine.ClickItem(IDCANCEL);
    EXPECT_EQ(noEngine.GetResult(), IDCANCEL);
}

TEST_F(ProfileDialogs, RenameRefusesNamesOfTheListAndSavesTheNewOne)
{
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get(), "Public");
    ComPtr<IStore> source;
    ASSERT_EQ(profile->get_Source(source.put()), S_OK) << "a saved profile holds its stores";

    CDlgProfileRename dialog({"Public", "Archive"}, profiles.get(), profile.get());
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetFocusItem(), IDC_RENAME_NAME);
    EXPECT_FALSE(dialog.IsItemEnabled(IDOK)) << "an empty name";
    dialog.TypeItemText(IDC_RENAME_NAME, "Archive");
    EXPECT_TRUE(dialog.IsItemEnabled(IDOK));
    dialog.ClickItem(IDOK);
    EXPECT_FALSE(dialog.IsEnded());
    ASSERT_EQ(tooltest::Boxes().size(), 1u);
    EXPECT_EQ(tooltest::Boxes()[0].text, "A profile with this name already exists.");
    dialog.TypeItemText(IDC_RENAME_NAME, "");
    EXPECT_FALSE(dialog.IsItemEnabled(IDOK));

    dialog.TypeItemText(IDC_RENAME_NAME, std::string(70, 'x'));
    EXPECT_EQ(dialog.GetItemText(IDC_RENAME_NAME), std::string(64, 'x')) << "at most 64 characters";
    dialog.TypeItemText(IDC_RENAME_NAME, "Public folders of the team");
    dialog.ClickItem(IDOK);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetNewName(), "Public folders of the team");
    EXPECT_EQ(ProfileNames(), std::vector<std::string>{"Public folders of the team"});
    EXPECT_EQ(tooltest::Boxes().size(), 1u);
}

TEST_F(ProfileDialogs, RenameThatCannotBeSavedSaysSo)
{
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get(), "Public");
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, kProfilesKey), ERROR_SUCCESS);

    CDlgProfileRename dialog({"Public"}, profiles.get(), profile.get());
    ASSERT_TRUE(dialog.Create());
    dialog.TypeItemText(IDC_RENAME_NAME, "Team");
    dialog.ClickItem(IDOK);
    EXPECT_FALSE(dialog.IsEnded());
    ASSERT_EQ(tooltest::Boxes().size(), 1u);
    EXPECT_EQ(tooltest::Boxes()[0].text, "The profile could not be renamed.");
}

} // namespace
