// The main view without a display: reading the profiles and their stores, the selected
// profile's stores, the checked selection kept from one start to the next, the commands' rules,
// the profile commands through their dialogs, the row-icon memory, and what the view shows of a
// run's progress.
#include "ViewFixture.h"

#include "ProfileDialogs.h"

namespace {

using namespace tooltest;

class ViewTest : public ViewFixture {};

TEST_F(ViewTest, EveryProfileIsReadAndAnUnavailableStoreMarksItsRow)
{
    auto missing = Profile("B");
    missing.destination = nullptr;
    MakeView({Profile("A"), missing, Profile("C")});
    EXPECT_FALSE(view->LoadProfileInfo());
    ASSERT_EQ(view->m_wndProfiles.GetItemCount(), 3);
    EXPECT_EQ(view->m_wndProfiles.GetProfileState(Row("A")), 3);
    EXPECT_EQ(view->m_wndProfiles.GetProfileState(Row("B")), 2) << "only its global store";
    EXPECT_EQ(view->m_wndProfiles.GetProfileState(Row("C")), 3) << "read although an earlier store failed";
    EXPECT_EQ(view->m_wndProfiles.FindRecord("C")->strDestKey, "d-C");
    EXPECT_EQ(view->m_wndProfiles.FindRecord("C")->strSrcKey, "s-C");
    // Row 0 is selected and shown.
    EXPECT_EQ(view->m_wndProfiles.GetSelectedRow(), 0);
    EXPECT_EQ(view->m_wndLocalStore.GetFullText(), "Local A");
    EXPECT_EQ(view->m_wndLocalStore.GetStaticColour(), 0x000000u);
    EXPECT_EQ(view->m_wndGlobalStore.GetFullText(), "Global A");
    EXPECT_TRUE(view->m_bUsable);
    EXPECT_TRUE(view->m_bRowSelected);

    // The unavailable profile: "Not available" in red, not usable, never counts as checked.
    ASSERT_TRUE(view->m_wndProfiles.SetItemSelected(Row("B"), true));
    EXPECT_EQ(view->m_wndLocalStore.GetFullText(), "Not available");
    EXPECT_EQ(view->m_wndLocalStore.GetStaticColour(), 0x0000FFu);
    EXPECT_EQ(view->m_wndGlobalStore.GetFullText(), "Global B");
    EXPECT_FALSE(view->m_bUsable);
    EXPECT_FALSE(view->m_bUsableEdit);
    Check("B");
    EXPECT_FALSE(view->CountsAsChecked(Row("B")));
    EXPECT_FALSE(view->m_bAnyChecked);
    EXPECT_FALSE(view->m_bSyncButtonEnabled);
    Check("C");
    EXPECT_TRUE(view->m_bAnyChecked);
    EXPECT_TRUE(view->m_bSyncButtonEnabled);

    // Deselected: nothing shown.
    view->m_wndProfiles.SetItemSelected(Row("B"), false);
    EXPECT_EQ(view->m_wndLocalStore.GetFullText(), "");
    EXPECT_EQ(view->m_wndGlobalStore.GetFullText(), "");
    EXPECT_FALSE(view->m_bRowSelected);
}

TEST_F(ViewTest, MailClientStartWithAnUnavailableStoreClosesWithoutSaving)
{
    auto missing = Profile("B");
    missing.source = nullptr;
    MakeView({Profile("A"), missing, Profile("C")});
    WriteValue("CheckedProfiles", REG_MULTI_SZ, std::string("A\0\0", 3));
    app->m_bSyncOnOutlookStart = true;
    app->ScheduleSync(SYNC_OLSTART);
    view->OnInitialUpdate();
    EXPECT_TRUE(view->m_bCloseSilently);
    // The loop stopped at the unavailable profile.
    EXPECT_EQ(view->m_wndProfiles.FindRecord("C")->strDestKey, "");
    Pump();
    EXPECT_EQ(closes, 1);
    view->m_wndProfiles.SetCheck(Row("C"), true);
    view.reset();
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue("CheckedProfiles", type, data));
    EXPECT_EQ(data, std::string("A\0\0", 3)) << "the selection was not saved";
}

TEST_F(ViewTest, WithoutProfilesTheListIsEmptyAndNothingCanRun)
{
    MakeView({});
    doc->m_pProfiles.Release();
    view->OnInitialUpdate();
    EXPECT_EQ(view->m_wndProfiles.GetItemCount(), 0);
    EXPECT_EQ(view->m_wndFolderLinks.GetItemCount(), 0);
    EXPECT_FALSE(view->m_bSyncButtonEnabled);
    for (UINT id : {ID_PROFILE_CREATE, ID_PROFILE_EDIT, ID_PROFILE_RENAME, ID_PROFILE_DELETE, ID_SYNCHRONIZE,
                    ID_SYNCHRONIZE2, ID_PROFILE_EDIT_ALTERNATIVE})
        EXPECT_FALSE(view->IsCommandEnabled(id)) << id;
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ViewTest, TheCheckedSelectionIsKeptFromOneStartToTheNext)
{
    MakeView({Profile("A"), Profile("B"), Profile("C")});
    view->OnInitialUpdate();
    Check("C");
    Check("A");
    EXPECT_TRUE(view->m_bChecksChanged);
    view.reset();
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue("CheckedProfiles", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(data, std::string("A\0C\0\0", 5)) << "in list order";

    NewView();
    view->OnInitialUpdate();
    EXPECT_TRUE(view->m_wndProfiles.GetCheck(Row("A")));
    EXPECT_FALSE(view->m_wndProfiles.GetCheck(Row("B")));
    EXPECT_TRUE(view->m_wndProfiles.GetCheck(Row("C")));
}

TEST_F(ViewTest, TheSavedNamesEndWhereTheValueEnds)
{
    MakeView({Profile("A"), Profile("B"), Profile("Bx")});
    // No terminating zeros, and a longer value beside it in the key.
    WriteValue("CheckedProfiles", REG_MULTI_SZ, std::string("A\0B", 3));
    WriteValue("Other", REG_BINARY, std::string(64, 'x'));
    view->OnInitialUpdate();
    EXPECT_TRUE(view->m_wndProfiles.GetCheck(Row("A")));
    EXPECT_TRUE(view->m_wndProfiles.GetCheck(Row("B")));
    EXPECT_FALSE(view->m_wndProfiles.GetCheck(Row("Bx")));

    WriteValue("CheckedProfiles", REG_SZ, std::string("Bx\0", 3));
    view->m_wndProfiles.SetCheck(Row("A"), false);
    EXPECT_EQ(view->LoadCheckedProfiles(), ERROR_INVALID_DATA) << "a text of another type is no selection";
    EXPECT_FALSE(view->m_wndProfiles.GetCheck(Row("Bx")));
}

TEST_F(ViewTest, ACommandLineProfileReplacesTheSavedSelection)
{
    MakeView({Profile("A"), Profile("B")});
    WriteValue("CheckedProfiles", REG_MULTI_SZ, std::string("A\0\0", 3));
    app->m_strCmdLineProfile = "B";
    view->OnInitialUpdate();
    EXPECT_FALSE(view->m_wndProfiles.GetCheck(Row("A")));
    EXPECT_TRUE(view->m_wndProfiles.GetCheck(Row("B")));
    EXPECT_FALSE(view->m_bChecksChanged);
    view.reset();
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue("CheckedProfiles", type, data));
    EXPECT_EQ(data, std::string("A\0\0", 3)) << "unchanged checks are not saved";

    // A name that no profile has: nothing checked, nothing loaded; the user's change is saved.
    app->m_strCmdLineProfile = "Nobody";
    NewView();
    view->OnInitialUpdate();
    EXPECT_FALSE(view->m_wndProfiles.GetCheck(Row("A")));
    EXPECT_FALSE(view->m_wndProfiles.GetCheck(Row("B")));
    Check("B");
    view.reset();
    ASSERT_TRUE(ReadValue("CheckedProfiles", type, data));
    EXPECT_EQ(data, std::string("B\0\0", 3));
}

TEST_F(ViewTest, TheFramesBarsAndPlacementComeFromTheSettings)
{
    MakeView({Profile("A")});
    struct Site : COrvViewSite {
        void ShowToolBar(bool show) override { toolBar = show ? 1 : 0; }
        void ShowStatusBar(bool show) override { statusBar = show ? 1 : 0; }
        void SetFrameTitle(const std::string& text) override { title = text; }
        int toolBar = -1;
        int statusBar = -1;
        std::string title;
    } site;
    view->SetSite(&site);
    DWORD zero = 0;
    WriteValue("ToolBar", REG_DWORD, std::string(reinterpret_cast<const char*>(&zero), 4));
    WriteValue("StatusBar", REG_DWORD, std::string(reinterpret_cast<const char*>(&zero), 4));
    WINDOWPLACEMENT stored{};
    stored.length = sizeof(stored);
    stored.showCmd = SW_SHOWNORMAL;
    stored.rcNormalPosition = {100, 120, 600, 520};
    WriteValue("MainFramePos", REG_BINARY, std::string(reinterpret_cast<const char*>(&stored), sizeof(stored)));
    view->OnInitialUpdate();
    EXPECT_EQ(site.toolBar, 0);
    EXPECT_EQ(site.statusBar, 0);
    EXPECT_EQ(site.title, "Orvinta - Version 1.2");
    WINDOWPLACEMENT now{};
    now.length = sizeof(now);
    ASSERT_TRUE(GetWindowPlacement(frame, &now));
    EXPECT_EQ(now.rcNormalPosition.left, 100);
    EXPECT_EQ(now.rcNormalPosition.bottom, 520);

    // Off every display's work area, or not 44 bytes: not applied.
    for (const std::string& value :
         {std::string(reinterpret_cast<const char*>(&stored), sizeof(stored) - 4),
          [&] {
              WINDOWPLACEMENT far = stored;
              far.rcNormalPosition = {3000, 3000, 3400, 3300};
              return std::string(reinterpret_cast<const char*>(&far), sizeof(far));
          }()}) {
        WINDOWPLACEMENT reset = stored;
        reset.rcNormalPosition = {10, 10, 300, 200};
        SetWindowPlacement(frame, &reset);
        WriteValue("MainFramePos", REG_BINARY, value);
        NewView();
        view->OnInitialUpdate();
        ASSERT_TRUE(GetWindowPlacement(frame, &now));
        EXPECT_EQ(now.rcNormalPosition.left, 10);
    }
}

TEST_F(ViewTest, CommandsFollowTheirRules)
{
    MakeView({Profile("A"), Profile("B")});
    view->OnInitialUpdate();
    Check("A");
    // No engine: nothing that reaches it.
    EXPECT_FALSE(view->IsCommandEnabled(ID_SYNCHRONIZE));
    doc->m_pEngine = Make<FakeSyncEngine>().get();
    EXPECT_TRUE(view->IsCommandEnabled(ID_SYNCHRONIZE));
    EXPECT_TRUE(view->IsCommandEnabled(ID_SYNCHRONIZE2));
    // No dialogs in the program yet: the profile commands stay off.
    EXPECT_FALSE(view->IsCommandEnabled(ID_PROFILE_CREATE));
    EXPECT_FALSE(view->IsCommandEnabled(ID_OPTIONS));
    EXPECT_FALSE(view->IsCommandEnabled(0));
    EXPECT_FALSE(view->OnCommand(57665)) << "not one of the view's";
    view->m_bProfileDialogOpen = true;
    EXPECT_FALSE(view->IsCommandEnabled(ID_SYNCHRONIZE)) << "a profile dialog is open";
}

// Profile dialogs that change the fake collection as the real ones change the engine's.
class FakeDialogs : public IProfileDialogs {
public:
    FakeDialogs(COrvView& view, FakeProfiles& profiles) : m_view(view), m_profiles(profiles) {}

    bool CreateProfile(COrvDoc&, std::string& newName) override
    {
        sawDialogOpen = m_view.m_bProfileDialogOpen && !m_view.IsCommandEnabled(ID_SYNCHRONIZE);
        m_profiles.AddProfile(Profile("New"));
        newName = "New";
        return answer;
    }
    bool DeleteProfile(COrvDoc&, const std::string& name) override
    {
        m_profiles.RemoveProfile(name);
        return answer;
    }
    bool RenameProfile(COrvDoc&, LONG index, const std::string& oldName, std::string& newName) override
    {
        renamedIndex = index;
        newName = oldName + "2";
        m_profiles.RenameProfile(oldName, newName);
        return answer;
    }
    bool EditProfile(COrvDoc&, LONG index, IProfile*, int folderRow) override
    {
        edits.push_back("edit " + std::to_string(index) + " " + std::to_string(folderRow));
        return answer;
    }
    bool EditProfileAdvanced(COrvDoc&, IProfile*) override
    {
        edits.push_back("advanced");
        return answer;
    }
    void Options(COrvDoc&) override { edits.push_back("options"); }

    bool answer = true;
    bool sawDialogOpen = false;
    LONG renamedIndex = 0;
    std::vector<std::string> edits;

private:
    COrvView& m_view;
    FakeProfiles& m_profiles;
};

TEST_F(ViewTest, ProfileCommandsReloadTheListKeepingChecksMarksAndImages)
{
    MakeView({Profile("A"), Profile("B"), Profile("C")});
    doc->m_pEngine = Make<FakeSyncEngine>().get();
    FakeDialogs dialogs(*view, *profiles);
    view->SetProfileDialogs(&dialogs);
    view->OnInitialUpdate();
    Check("C");
    view->m_wndProfiles.SetItemText(Row("C"), CProfileListCtrl::COL_MARK, "D");
    EXPECT_TRUE(view->IsCommandEnabled(ID_PROFILE_CREATE));

    ASSERT_TRUE(view->OnCommand(ID_PROFILE_CREATE));
    EXPECT_TRUE(dialogs.sawDialogOpen);
    EXPECT_FALSE(view->m_bProfileDialogOpen);
    ASSERT_EQ(view->m_wndProfiles.GetItemCount(), 4);
    EXPECT_EQ(view->m_wndProfiles.GetSelectedRow(), Row("New"));
    EXPECT_EQ(view->m_wndLocalStore.GetFullText(), "Local New");
    EXPECT_TRUE(view->m_wndProfiles.GetCheck(Row("C")));
    EXPECT_EQ(view->m_wndProfiles.GetRow(Row("C")).mark, "D");

    // Rename keeps the profile's remembered images.
    view->m_wndProfiles.SetItemSelected(Row("C"), true);
    view->m_strNextProfileName = "C";
    view->m_wndFolderLinks.AddFolderLinks("*/X", Make<FakeFolder>(u"X", u"k1").get(), "*/Y",
                                          Make<FakeFolder>(u"Y", u"k2").get());
    view->RememberRowIcon(0, CFolderLinkListCtrl::IMG_DONE);
    ASSERT_TRUE(view->OnCommand(ID_PROFILE_RENAME));
    EXPECT_EQ(dialogs.renamedIndex, 3);
    EXPECT_EQ(view->m_wndProfiles.GetSelectedRow(), Row("C2"));
    EXPECT_TRUE(view->m_wndProfiles.GetCheck(Row("C2")));
    EXPECT_EQ(view->RowIcons().count("C||k1"), 0u);
    EXPECT_EQ(view->RowIcons().at("C2||k1"), CFolderLinkListCtrl::IMG_DONE);

    // Delete selects the row above and forgets the images.
    ASSERT_TRUE(view->OnCommand(ID_PROFILE_DELETE));
    EXPECT_EQ(Row("C2"), -1);
    EXPECT_EQ(view->m_wndProfiles.GetSelectedRow(), Row("B"));
    EXPECT_TRUE(view->RowIcons().empty());

    // Edit opens the editor, or the advanced one when that is the default.
    ASSERT_TRUE(view->OnCommand(ID_PROFILE_EDIT));
    app->m_bAdvancedEditIsDefault = true;
    ASSERT_TRUE(view->OnCommand(ID_PROFILE_EDIT));
    ASSERT_TRUE(view->OnCommand(ID_PROFILE_EDIT_ALTERNATIVE));
    ASSERT_TRUE(view->OnCommand(ID_OPTIONS));
    EXPECT_EQ(dialogs.edits, (std::vector<std::string>{"edit 2 -1", "advanced", "edit 2 -1", "options"}));

    // Deleting the only rows one by one ends with an empty folder list.
    for (const char* name : {"A", "B", "New"}) {
        view->m_wndProfiles.SetItemSelected(Row(name), true);
        ASSERT_TRUE(view->OnCommand(ID_PROFILE_DELETE)) << name;
    }
    EXPECT_EQ(view->m_wndProfiles.GetItemCount(), 0);
    EXPECT_EQ(view->m_wndFolderLinks.GetItemCount(), 0);
}

TEST_F(ViewTest, TheRowIconMemoryIsKeptPerProfile)
{
    MakeView({Profile("A")});
    auto inbox = Make<FakeFolder>(u"Inbox", u"k1");
    auto news = Make<FakeFolder>(u"News", u"k2");
    view->m_wndFolderLinks.AddFolderLinks("*/Inbox", inbox.get(), "*/P", news.get());
    view->m_wndFolderLinks.AddFolderLinks("*/News", news.get(), "*/Q", inbox.get());
    view->m_strNextProfileName = "Work";
    view->RememberRowIcon(0, CFolderLinkListCtrl::IMG_DONE);
    view->RememberRowIcon(1, CFolderLinkListCtrl::IMG_PENDING);
    view->RememberRowIcon(1, CFolderLinkListCtrl::IMG_SECOND_PASS);
    view->m_strNextProfileName = "Workshop";
    view->RememberRowIcon(0, CFolderLinkListCtrl::IMG_CURRENT);
    EXPECT_EQ(view->RowIcons().size(), 3u);
    EXPECT_EQ(view->RowIcons().at("Work||k2"), CFolderLinkListCtrl::IMG_SECOND_PASS);

    view->RenameProfileIcons("Work", "Home");
    EXPECT_EQ(view->RowIcons().count("Work||k1"), 0u);
    EXPECT_EQ(view->RowIcons().at("Home||k1"), CFolderLinkListCtrl::IMG_DONE);
    EXPECT_EQ(view->RowIcons().at("Workshop||k1"), CFolderLinkListCtrl::IMG_CURRENT) << "another profile's";

    view->ForgetProfileIcons("Home");
    EXPECT_EQ(view->RowIcons().size(), 1u);
    EXPECT_EQ(view->RowIcons().count("Workshop||k1"), 1u);
}

TEST_F(ViewTest, AfterARunAnotherProfileAndBackShowsTheRunsImages)
{
    MakeView({Profile("A"), Profile("B")});
    view->OnInitialUpdate();
    view->m_wndFolderLinks.AddFolderLinks("*/Inbox", Make<FakeFolder>(u"Inbox", u"k1").get(), "*/P",
                                          Make<FakeFolder>(u"P", u"k2").get());
    view->m_strNextProfileName = "A";
    view->RememberRowIcon(0, CFolderLinkListCtrl::IMG_DONE);
    // The fakes' stores have no folders: put the row back as a fill from the engine would.
    view->RestoreRowIcons(Row("A"));
    EXPECT_EQ(view->m_wndFolderLinks.GetItemImage(0, CFolderLinkListCtrl::COL_LINK), CFolderLinkListCtrl::IMG_DONE);
    view->m_wndFolderLinks.SetItemImage(0, CFolderLinkListCtrl::COL_LINK, CFolderLinkListCtrl::IMG_LINK);
    view->RestoreRowIcons(Row("B"));
    EXPECT_EQ(view->m_wndFolderLinks.GetItemImage(0, CFolderLinkListCtrl::COL_LINK), CFolderLinkListCtrl::IMG_LINK);
}

// --- Progress ---------------------------------------------------------------------------------

class ProgressTest : public ViewFixture {
protected:
    void SetUp() override
    {
        MakeView({Profile("A")});
        view->m_strNextProfileName = "A";
        view->m_wndFolderLinks.AddFolderLinks("*/Inbox", Make<FakeFolder>(u"Inbox", u"k1").get(), "*/P",
                                              Make<FakeFolder>(u"P", u"s1").get());
        view->m_wndFolderLinks.AddFolderLinks("*/News", Make<FakeFolder>(u"News", u"k2").get(), "*/Q",
                                              Make<FakeFolder>(u"Q", u"s2").get());
        ASSERT_EQ(CreateStatusSink(sink.put()), S_OK);
        static_cast<CSyncStatusSink*>(sink.get())->m_hWndView = view->GetSafeHwnd();
    }
    void TearDown() override
    {
        sink.Release();
        ViewFixture::TearDown();
    }
    void Info(const char16_t* text)
    {
        BSTR b = SysAllocString(text);
        sink->Information(b);
        SysFreeString(b);
        Pump();
    }
    void Folder(const char16_t* key)
    {
        sink->CurrentFolder(Make<FakeFolder>(u"F", key).Detach());
        Pump();
    }
    void Messages(LONG current, LONG total)
    {
        sink->MessagesProgress(current, total);
        Pump();
    }
    int Image(int row) const { return view->m_wndFolderLinks.GetItemImage(row, CFolderLinkListCtrl::COL_LINK); }

    ComPtr<IStatus> sink;
};

TEST_F(ProgressTest, StatusTextsShowByTheirBeginnings)
{
    Info(u"Initializing..");
    EXPECT_EQ(view->m_strState, "Initialising profile...");
    Info(u"preparing folder...");
    EXPECT_EQ(view->m_strState, "Analysing folder...");
    Info(u"processing folder...");
    EXPECT_EQ(view->m_strState, "Synchronising folder...");
    Info(u"done.");
    EXPECT_EQ(view->m_strState, "Releasing profile...");
    Info(u"initializing");
    EXPECT_EQ(view->m_strState, "initializing") << "compared with letter case";
    Info(u"Something else");
    EXPECT_EQ(view->m_strState, "Something else");
    EXPECT_EQ(CSyncStatusSink::StatusText(), "Something else");
}

TEST_F(ProgressTest, EachFolderGoesThroughItsTwoPasses)
{
    sink->FoldersProgress(0, 2);
    Pump();
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_PENDING);
    EXPECT_EQ(Image(1), CFolderLinkListCtrl::IMG_PENDING);
    sink->FoldersProgress(1, 2);
    Pump();
    Folder(u"k1");
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_CURRENT);
    EXPECT_EQ(view->m_nCurFolderRow, 0);

    Messages(0, 3);
    EXPECT_EQ(view->m_progress.background, 0x800000u);
    EXPECT_EQ(view->m_progress.bar, 0xC0C0C0u);
    EXPECT_EQ(view->m_progress.upper, 3);
    EXPECT_EQ(view->m_progress.pos, 0);
    Messages(2, 3);
    EXPECT_EQ(view->m_progress.pos, 2);
    Messages(3, 3);
    EXPECT_EQ(view->m_nPhase, 1);
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_CURRENT);

    Messages(0, 4);
    EXPECT_EQ(view->m_progress.background, 0xC0C0C0u) << "the second pass swaps the colours";
    EXPECT_EQ(view->m_progress.bar, 0x800000u);
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_SECOND_PASS);
    Messages(4, 4);
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_DONE);
    EXPECT_EQ(view->m_nPhase, 0);

    // A folder whose passes have nothing: a full bar, and straight to done in its second pass.
    Folder(u"k2");
    Messages(0, 0);
    EXPECT_EQ(view->m_progress.upper, 1);
    EXPECT_EQ(view->m_progress.pos, 1);
    EXPECT_EQ(view->m_nPhase, 1);
    Messages(0, 0);
    EXPECT_EQ(Image(1), CFolderLinkListCtrl::IMG_DONE);
    EXPECT_EQ(view->m_nPhase, 0);

    // Remembered for the profile.
    EXPECT_EQ(view->RowIcons().at("A||k1"), CFolderLinkListCtrl::IMG_DONE);
    EXPECT_EQ(view->RowIcons().at("A||k2"), CFolderLinkListCtrl::IMG_DONE);
}

TEST_F(ProgressTest, AFolderStartsWithItsFirstPassAfterAnEarlyStop)
{
    Folder(u"k1");
    Messages(0, 2);
    Messages(2, 2);
    Messages(0, 2);
    Messages(1, 2); // the second pass stops here
    EXPECT_EQ(view->m_nPhase, 1);
    Folder(u"k2");
    EXPECT_EQ(view->m_nPhase, 0);
    Messages(0, 5);
    EXPECT_EQ(view->m_progress.background, 0x800000u) << "the first pass's colours";
    EXPECT_EQ(Image(1), CFolderLinkListCtrl::IMG_CURRENT) << "not yet in its second pass";
    Messages(5, 5);
    EXPECT_EQ(Image(1), CFolderLinkListCtrl::IMG_CURRENT) << "not done after one pass";
}

TEST_F(ProgressTest, AFolderWithoutARowLeavesTheEarlierRowToTheProgress)
{
    Folder(u"k1");
    Messages(0, 1);
    Messages(1, 1);
    Folder(u"unknown");
    EXPECT_EQ(view->m_nCurFolderRow, 0);
    EXPECT_EQ(view->m_nPhase, 0);
    Messages(0, 1);
    EXPECT_EQ(view->m_progress.background, 0x800000u);
    Messages(1, 1);
    Messages(0, 1);
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_SECOND_PASS);
    Messages(1, 1);
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_DONE);
}

TEST_F(ProgressTest, OtherFolderCountsChangeNothing)
{
    view->m_wndFolderLinks.SetItemImage(0, CFolderLinkListCtrl::COL_LINK, CFolderLinkListCtrl::IMG_DONE);
    sink->FoldersProgress(1, 2);
    Pump();
    EXPECT_EQ(Image(0), CFolderLinkListCtrl::IMG_DONE);
    EXPECT_TRUE(view->RowIcons().empty());
}

} // namespace
