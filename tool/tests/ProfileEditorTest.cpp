// The profile editor without a display, on real stores: the status text of every pair of
// selections, associating two folders, a link the engine refuses, dissolving associations row
// by row, showing a row's folders, and profiles whose trees cannot be filled.
#include "DialogResource.h"
#include "DlgProfileEdit.h"
#include "ErrorText.h"
#include "ToolStrings.h"

#include "ProfileFixture.h"

#include "base/AnswerQueue.h"
#include "mapi/MapiCodes.h"

namespace {

using namespace tooltest;

class ProfileEditor : public ProfileFixture {
protected:
    void TearDown() override
    {
        dialog.reset();
        ProfileFixture::TearDown();
    }

    // The profile's 1-based index in the engine's collection.
    LONG IndexOf(const std::string& name)
    {
        LONG count = 0;
        profiles->get_Count(&count);
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<IProfile> candidate;
            profiles->get_Items(i, candidate.put());
            ComBstr text;
            candidate->get_Name(text.put());
            if (text.Utf8() == name)
                return i;
        }
        return -1;
    }

    CDlgProfileEdit& Open(int folderRow = -1)
    {
        dialog = std::make_unique<CDlgProfileEdit>(engine.get(), profiles.get(), IndexOf("Public"), profile.get(),
                                                   folderRow);
        EXPECT_TRUE(dialog->Create());
        return *dialog;
    }

    void Link(const std::vector<std::string>& local, const std::vector<std::string>& global)
    {
        ASSERT_EQ(EngineFolder(true, local)->put_Source(EngineFolder(false, global).get()), S_OK);
    }

    std::string Status() const { return dialog->GetItemText(IDC_STATUS_TEXT); }
    static std::string Text(UINT id) { return LoadResString(id); }

    std::unique_ptr<CDlgProfileEdit> dialog;
};

TEST_F(ProfileEditor, StatusTextFollowsBothSelections)
{
    Link({"Drafts"}, {"Projects"});
    AddMessage(personal, {"Inbox"}, "Local mail");
    AddMessage(publicStore, {"News"}, "Public mail");
    CDlgProfileEdit& editor = Open();
    EXPECT_EQ(editor.GetTitle(), "Edit Profile");
    CFolderTreeCtrl& local = editor.m_treeLocal;
    CFolderTreeCtrl& global = editor.m_treeGlobal;
    ASSERT_EQ(editor.m_lstLinks.GetItemCount(), 1);
    EXPECT_EQ(editor.m_lstLinks.GetRow(0).text[0], "*/Drafts");
    EXPECT_TRUE(editor.m_lstLinks.GetRow(0).selected) << "row 0 is selected at the start";
    EXPECT_FALSE(editor.IsItemEnabled(IDC_ASSOCIATE));
    EXPECT_TRUE(editor.IsItemEnabled(IDC_DELETE_ASSOCIATION));

    // A calendar chosen locally: the global mail folder is of another kind.
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Calendar"})));
    EXPECT_EQ(Status(), Text(IDS_STATUS_LOCAL_CHOOSE));
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"News"})));
    EXPECT_EQ(Status(), Text(IDS_STATUS_CANNOT));
    EXPECT_FALSE(editor.IsItemEnabled(IDC_ASSOCIATE));

    // Two mail folders: associable; both hold messages.
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Inbox"})));
    EXPECT_EQ(Status(), Text(IDS_STATUS_CAN_ASSOCIATE) + Text(IDS_STATUS_BOTH_FULL));
    EXPECT_TRUE(editor.IsItemEnabled(IDC_ASSOCIATE));
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Sent Items"})));
    EXPECT_EQ(Status(), Text(IDS_STATUS_CAN_ASSOCIATE)) << "only the global one holds messages";
    ASSERT_TRUE(global.SelectItem(global.GetRootItem()));
    EXPECT_EQ(Status(), Text(IDS_STATUS_CAN_ASSOCIATE));
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"News"})));

    // A global folder alone in state 2 asks for the local one; associated folders say so.
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Drafts"})));
    EXPECT_EQ(Status(), Text(IDS_STATUS_LOCAL_LINKED));
    EXPECT_EQ(global.GetItemStateImage(ItemAt(global, {"News"})), CFolderTreeCtrl::MARK_OTHER_KIND)
        << "an associated local folder makes no global folder associable";
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects"})));
    EXPECT_EQ(Status(), Text(IDS_STATUS_GLOBAL_LINKED));
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Inbox"})));
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"News"})));
    EXPECT_EQ(Status(), Text(IDS_STATUS_CAN_ASSOCIATE) + Text(IDS_STATUS_BOTH_FULL));
    local.SelectItem(nullptr);
    global.UserFocus(true);
    EXPECT_EQ(Status(), Text(IDS_STATUS_CANNOT)) << "nothing chosen locally: no kind is wanted";
    EXPECT_FALSE(editor.IsItemEnabled(IDC_DELETE_ASSOCIATION)) << "a tree has the focus";

    // The list's focus explains the list.
    global.UserFocus(false);
    EXPECT_EQ(Status(), "");
    editor.OnListFocus(true);
    EXPECT_EQ(Status(), Text(IDS_STATUS_LIST));
    EXPECT_TRUE(editor.IsItemEnabled(IDC_DELETE_ASSOCIATION));
    editor.OnListFocus(false);
    EXPECT_EQ(Status(), "");
}

TEST_F(ProfileEditor, AssociateWritesTheLinkAndAddsARow)
{
    CDlgProfileEdit& editor = Open();
    CFolderTreeCtrl& local = editor.m_treeLocal;
    CFolderTreeCtrl& global = editor.m_treeGlobal;
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Inbox"})));
    ASSERT_TRUE(global.Expand(ItemAt(global, {"Projects"}), TVE_EXPAND));
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects", "Beta"})));
    ASSERT_TRUE(editor.IsItemEnabled(IDC_ASSOCIATE));
    editor.ClickItem(IDC_ASSOCIATE);

    EXPECT_TRUE(editor.IsChanged());
    EXPECT_TRUE(tooltest::Boxes().empty());
    EXPECT_EQ(enginetest::SourceName(EngineFolder(true, {"Inbox"}).get()), "Beta");
    ASSERT_EQ(editor.m_lstLinks.GetItemCount(), 1);
    EXPECT_EQ(editor.m_lstLinks.FullLocalPath(editor.m_lstLinks.GetItemKey(0)), "*/Inbox");
    EXPECT_EQ(editor.m_lstLinks.FullGlobalPath(editor.m_lstLinks.GetItemKey(0)), "*/Projects/Beta");
    EXPECT_EQ(editor.m_lstLinks.KeyPairs().at(editor.m_lstLinks.GetItemKey(0)), KeyOf(EngineFolder(false, {"Projects", "Beta"}).get()));
    EXPECT_EQ(local.GetItemStateImage(ItemAt(local, {"Inbox"})), CFolderTreeCtrl::MARK_ASSOCIATED);
    EXPECT_EQ(global.GetItemStateImage(ItemAt(global, {"Projects", "Beta"})), CFolderTreeCtrl::MARK_ASSOCIATED);
    EXPECT_FALSE(editor.IsItemEnabled(IDC_ASSOCIATE));
}

TEST_F(ProfileEditor, SourceLinkedMeanwhileIsRefusedWithTheEnginesText)
{
    CDlgProfileEdit& editor = Open();
    CFolderTreeCtrl& local = editor.m_treeLocal;
    CFolderTreeCtrl& global = editor.m_treeGlobal;
    // The editor's own store links Drafts to News behind the trees' backs.
    HRESULT hr = S_OK;
    CEnginePtr<IFolder> drafts = FindFolderByKey(local.GetStore(), KeyOf(EngineFolder(true, {"Drafts"}).get()), hr);
    ASSERT_TRUE(drafts);
    ASSERT_EQ(drafts->put_Source(global.GetFolderData(ItemAt(global, {"News"}))->m_pFolder.get()), S_OK);

    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Inbox"})));
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"News"})));
    ASSERT_TRUE(editor.IsItemEnabled(IDC_ASSOCIATE));
    editor.ClickItem(IDC_ASSOCIATE);
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, FailureText(IDS_ASSOCIATE_FAILED, E_FAIL));
    EXPECT_FALSE(editor.IsChanged());
    EXPECT_EQ(editor.m_lstLinks.GetItemCount(), 0);
    EXPECT_EQ(local.GetItemStateImage(ItemAt(local, {"Inbox"})), CFolderTreeCtrl::MARK_ASSOCIABLE);
}

TEST_F(ProfileEditor, DeleteAssociationAsksPerRowAndStopsAtNo)
{
    Link({"Inbox"}, {"Projects"});
    Link({"Drafts"}, {"News"});
    CDlgProfileEdit& editor = Open();
    CFolderLinkListCtrl& list = editor.m_lstLinks;
    ASSERT_EQ(list.GetItemCount(), 2);
    for (int row = 0; row < 2; ++row)
        list.SetItemSelected(row, true);
    const std::string first = list.GetRow(0).text[0];
    platform::PushAnswer("yes");
    platform::PushAnswer("no");
    editor.ClickItem(IDC_DELETE_ASSOCIATION);

    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, Text(IDS_ASK_DISSOCIATE));
    EXPECT_EQ(shown[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(editor.IsChanged());
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_NE(list.GetRow(0).text[0], first);
    EXPECT_TRUE(list.GetRow(0).selected) << "the row at the same place, or the last";
    const std::vector<std::string> dissolved =
        first == "*/Inbox" ? std::vector<std::string>{"Inbox"} : std::vector<std::string>{"Drafts"};
    EXPECT_EQ(enginetest::SourceName(EngineFolder(true, dissolved).get()), "<none>");
    EXPECT_EQ(editor.m_treeLocal.GetItemStateImage(ItemAt(editor.m_treeLocal, dissolved)), CFolderTreeCtrl::MARK_NORMAL);
    EXPECT_EQ(editor.GetFocusItem(), IDC_FOLDER_LINKS);
}

TEST_F(ProfileEditor, RowShowsItsFoldersInBothTrees)
{
    CreateFolder(personal, {"Inbox"}, "Sub");
    Link({"Inbox", "Sub"}, {"Projects", "Alpha", "Deep"});
    CDlgProfileEdit& editor = Open(0);
    CFolderTreeCtrl& local = editor.m_treeLocal;
    CFolderTreeCtrl& global = editor.m_treeGlobal;
    EXPECT_EQ(local.GetSelectedItem(), ItemAt(local, {"Inbox", "Sub"})) << "the preselected row is shown";
    EXPECT_EQ(global.GetSelectedItem(), ItemAt(global, {"Projects", "Alpha", "Deep"}));
    EXPECT_TRUE(local.HasFocus());

    local.SelectItem(local.GetRootItem());
    global.SelectItem(global.GetRootItem());
    editor.OnListActivated(0);
    EXPECT_EQ(local.GetSelectedItem(), ItemAt(local, {"Inbox", "Sub"}));
    EXPECT_EQ(global.GetSelectedItem(), ItemAt(global, {"Projects", "Alpha", "Deep"}));
}

TEST_F(ProfileEditor, FolderRenamedMeanwhileGetsItsNewPathInTheList)
{
    Link({"Inbox"}, {"Projects", "Alpha", "Deep"});
    CDlgProfileEdit& editor = Open();
    const std::string key = editor.m_lstLinks.GetItemKey(0);
    EXPECT_EQ(editor.m_lstLinks.FullGlobalPath(key), "*/Projects/Alpha/Deep");
    // Another program renames Alpha before the global tree has loaded it.
    RenameFolder(publicStore, {"Projects", "Alpha"}, "Gamma");
    CFolderTreeCtrl& global = editor.m_treeGlobal;
    ASSERT_TRUE(global.Expand(ItemAt(global, {"Projects"}), TVE_EXPAND));
    ASSERT_TRUE(global.Expand(ItemAt(global, {"Projects", "Gamma"}), TVE_EXPAND));
    EXPECT_EQ(global.GetItemStateImage(ItemAt(global, {"Projects", "Gamma", "Deep"})), CFolderTreeCtrl::MARK_ASSOCIATED);
    EXPECT_EQ(editor.m_lstLinks.FullGlobalPath(key), "*/Projects/Gamma/Deep");
    EXPECT_EQ(editor.m_lstLinks.GetRow(0).text[CFolderLinkListCtrl::COL_GLOBAL], "*/Projects/Gamma/Deep");
    EXPECT_EQ(editor.m_lstLinks.FullLocalPath(key), "*/Inbox");
}

TEST_F(ProfileEditor, AdvancedEditorRunsAndEverythingIsReadAgain)
{
    CDlgProfileEdit& editor = Open();
    int runs = 0;
    editor.m_runAdvanced = [&](IProfiles*, IProfile*) {
        ++runs;
        Link({"Journal"}, {"News"});
        return true;
    };
    editor.ClickItem(IDC_ADVANCED);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(editor.IsChanged());
    ASSERT_EQ(editor.m_lstLinks.GetItemCount(), 1);
    EXPECT_EQ(editor.m_lstLinks.GetRow(0).text[0], "*/Journal");
    EXPECT_EQ(editor.m_treeLocal.GetItemStateImage(ItemAt(editor.m_treeLocal, {"Journal"})),
              CFolderTreeCtrl::MARK_ASSOCIATED);
}

TEST_F(ProfileEditor, ProfileNoProfileHasOrNoEngineSaysTheTreeCannotBeFilled)
{
    ComPtr<IProfile> ghost;
    ASSERT_EQ(profiles->get_Items(-1, ghost.put()), S_OK);
    ASSERT_EQ(ghost->put_Name(ComBstr(std::string("Ghost"))), S_OK);
    {
        CDlgProfileEdit editor(engine.get(), profiles.get(), 1, ghost.get(), -1);
        ASSERT_TRUE(editor.Create());
        EXPECT_FALSE(editor.m_treeLocal.GetRootItem());
    }
    {
        CDlgProfileEdit editor(nullptr, profiles.get(), 1, profile.get(), -1);
        ASSERT_TRUE(editor.Create());
    }
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, FailureText(IDS_TREE_NOT_FILLED, MAPI_E_NOT_FOUND));
    EXPECT_EQ(shown[1].text, FailureText(IDS_TREE_NOT_FILLED, E_POINTER));
}

} // namespace
