// The advanced profile editor without a display, on real stores: its trees with the existing
// associations checked on the driving side, whole branches created and associated, single
// associations removed, and a command whose steps partly fail.
#include "DialogResource.h"
#include "DlgProfileEditAdv.h"
#include "ErrorText.h"
#include "ToolStrings.h"

#include "ProfileFixture.h"

#include "base/AnswerQueue.h"
#include "mapi/MapiCodes.h"

namespace {

using namespace tooltest;

constexpr int kSpace = 0x20;

class AdvancedEditor : public ProfileFixture {
protected:
    void TearDown() override
    {
        dialog.reset();
        ProfileFixture::TearDown();
    }

    CDlgProfileEditAdv& Open()
    {
        dialog = std::make_unique<CDlgProfileEditAdv>(profiles.get(), profile.get());
        EXPECT_TRUE(dialog->Create());
        return *dialog;
    }

    // What the engine says a destination folder is linked to ("<none>" when nothing).
    std::string LinkOf(const std::vector<std::string>& local)
    {
        ComPtr<IFolder> folder = EngineFolder(true, local);
        if (!folder)
            return "<missing>";
        ComPtr<IFolder> source;
        folder->get_Source(source.put());
        if (!source)
            return "<none>";
        ComBstr key;
        source->get_RecordKey(key.put());
        return key.Utf8();
    }
    std::string SourceKey(const std::vector<std::string>& global) { return KeyOf(EngineFolder(false, global).get()); }

    std::unique_ptr<CDlgProfileEditAdv> dialog;
};

TEST_F(AdvancedEditor, TreesShowTheAssociationsOnTheDrivingSide)
{
    ComPtr<IFolder> inbox = EngineFolder(true, {"Inbox"});
    ASSERT_EQ(inbox->put_Source(EngineFolder(false, {"Projects"}).get()), S_OK);
    inbox.Release();
    AddMessage(publicStore, {"News"}, "Headline");

    CDlgProfileEditAdv& editor = Open();
    EXPECT_EQ(editor.GetTitle(), "Edit Profile - Advanced - Public");
    EXPECT_TRUE(editor.IsChecked(IDC_LOCAL_DRIVES));
    EXPECT_TRUE(editor.m_treeLocal.HasCheckBoxes());
    EXPECT_FALSE(editor.m_treeGlobal.HasCheckBoxes());
    CTreeCtrl& local = editor.m_treeLocal;
    CTreeCtrl& global = editor.m_treeGlobal;
    EXPECT_EQ(local.GetItemText(local.GetRootItem()), "Personal Folders");
    EXPECT_EQ(global.GetItemText(global.GetRootItem()), "Public Folders");
    EXPECT_TRUE(local.IsExpanded(local.GetRootItem()));
    EXPECT_EQ(ChildTexts(global, ItemAt(global, {"Projects"})), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(CountItems(global, global.GetRootItem()), 6) << "each folder once, under its parent";
    EXPECT_TRUE(local.GetCheck(ItemAt(local, {"Inbox"})));
    EXPECT_FALSE(local.GetCheck(ItemAt(local, {"Calendar"})));
    EXPECT_TRUE(global.IsBold(ItemAt(global, {"News"})));
    EXPECT_FALSE(global.IsBold(ItemAt(global, {"Projects"})));
    EXPECT_FALSE(editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS));

    editor.ClickItem(IDC_GLOBAL_DRIVES);
    EXPECT_FALSE(editor.m_treeLocal.HasCheckBoxes());
    EXPECT_TRUE(editor.m_treeGlobal.HasCheckBoxes());
    EXPECT_TRUE(global.GetCheck(ItemAt(global, {"Projects"}))) << "the counterpart of the linked Inbox";
    EXPECT_FALSE(global.GetCheck(ItemAt(global, {"News"})));
    EXPECT_TRUE(tooltest::Boxes().empty());
}

TEST_F(AdvancedEditor, CheckedBranchIsCreatedBelowTheTargetAndAssociated)
{
    // A deeper folder of the target has the name too: the new folder is the one linked.
    CreateFolder(personal, {"Inbox"}, "Other");
    CreateFolder(personal, {"Inbox", "Other"}, "Alpha");
    ComPtr<IMAPIFolder> alpha = OpenFolder(OpenFile(publicStore).get(), {"Projects", "Alpha"});
    SPropValue cls{};
    cls.ulPropTag = PR_CONTAINER_CLASS_A;
    cls.Value.lpszA = const_cast<char*>("IPF.Task");
    ASSERT_EQ(alpha->SetProps(1, &cls, nullptr), S_OK);
    alpha.Release();

    CDlgProfileEditAdv& editor = Open();
    editor.ClickItem(IDC_GLOBAL_DRIVES);
    CTreeCtrl& local = editor.m_treeLocal;
    CTreeCtrl& global = editor.m_treeGlobal;
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects"})));
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Inbox"})));
    EXPECT_FALSE(editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS)) << "nothing changed yet";

    // Shift+Space on Alpha checks Alpha and Deep.
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects", "Alpha"})));
    global.UserKeyDown(kSpace, true);
    EXPECT_TRUE(global.GetCheck(ItemAt(global, {"Projects", "Alpha"})));
    EXPECT_TRUE(global.GetCheck(ItemAt(global, {"Projects", "Alpha", "Deep"})));
    EXPECT_FALSE(global.GetCheck(ItemAt(global, {"Projects", "Beta"})));
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects"})));
    EXPECT_TRUE(editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS));

    platform::PushAnswer("ok");
    editor.ClickItem(IDC_ASSOCIATE_SUBFOLDERS);
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, CDlgProfileEditAdv::ConfirmationText("Personal Folders\\Inbox"));
    EXPECT_EQ(shown[0].type, UINT(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(shown[0].text.rfind("Im Ordner \"Personal Folders\\Inbox\" werden die Unterordner", 0), 0u);

    EXPECT_EQ(LinkOf({"Inbox", "Alpha"}), SourceKey({"Projects", "Alpha"}));
    EXPECT_EQ(LinkOf({"Inbox", "Alpha", "Deep"}), SourceKey({"Projects", "Alpha", "Deep"}));
    EXPECT_EQ(LinkOf({"Inbox", "Other", "Alpha"}), "<none>");
    EXPECT_EQ(LinkOf({"Inbox", "Beta"}), "<missing>") << "an unchecked branch is not created";
    ComBstr type;
    EngineFolder(true, {"Inbox", "Alpha"})->get_Type(type.put());
    EXPECT_EQ(type.Utf8(), "IPF.Task") << "the container class of its model";
    EXPECT_TRUE(ItemAt(local, {"Inbox", "Alpha", "Deep"})) << "the new folders show in the other tree";
    EXPECT_FALSE(editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS));
    EXPECT_TRUE(editor.HasAssociated());

    // Unchecking Deep and running again removes that link only.
    global.UserClickStateIcon(ItemAt(global, {"Projects", "Alpha", "Deep"}));
    EXPECT_FALSE(global.GetCheck(ItemAt(global, {"Projects", "Alpha", "Deep"})));
    EXPECT_TRUE(editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS));
    platform::PushAnswer("ok");
    editor.ClickItem(IDC_ASSOCIATE_SUBFOLDERS);
    EXPECT_EQ(LinkOf({"Inbox", "Alpha", "Deep"}), "<none>");
    EXPECT_EQ(LinkOf({"Inbox", "Alpha"}), SourceKey({"Projects", "Alpha"}));
    EXPECT_EQ(tooltest::Boxes().size(), 2u) << "the confirmation only";
}

TEST_F(AdvancedEditor, BranchesOfAnEarlierCommandAreNotCreatedAgain)
{
    CDlgProfileEditAdv& editor = Open();
    editor.ClickItem(IDC_GLOBAL_DRIVES);
    CTreeCtrl& local = editor.m_treeLocal;
    CTreeCtrl& global = editor.m_treeGlobal;
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects", "Alpha"})));
    global.UserKeyDown(kSpace, true);
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects"})));
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Inbox"})));
    platform::PushAnswer("ok");
    editor.ClickItem(IDC_ASSOCIATE_SUBFOLDERS);
    ASSERT_EQ(LinkOf({"Inbox", "Alpha", "Deep"}), SourceKey({"Projects", "Alpha", "Deep"}));

    // The next command: Alpha's branch unchecked, Beta checked, another target.
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects", "Alpha"})));
    global.UserKeyDown(kSpace, true);
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects", "Beta"})));
    global.UserKeyDown(kSpace, false);
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects"})));
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Drafts"})));
    platform::PushAnswer("ok");
    editor.ClickItem(IDC_ASSOCIATE_SUBFOLDERS);
    EXPECT_EQ(LinkOf({"Drafts", "Beta"}), SourceKey({"Projects", "Beta"}));
    EXPECT_EQ(LinkOf({"Drafts", "Alpha"}), "<missing>") << "Alpha's branch is no longer checked";
    EXPECT_EQ(tooltest::Boxes().size(), 2u) << "two confirmations and nothing else";
}

TEST_F(AdvancedEditor, CancelledConfirmationChangesNothing)
{
    CDlgProfileEditAdv& editor = Open();
    CTreeCtrl& local = editor.m_treeLocal;
    CTreeCtrl& global = editor.m_treeGlobal;
    ASSERT_TRUE(local.SelectItem(local.GetRootItem()));
    ASSERT_TRUE(global.SelectItem(global.GetRootItem()));
    local.UserClickStateIcon(ItemAt(local, {"Calendar"}));
    platform::PushAnswer("cancel");
    editor.ClickItem(IDC_ASSOCIATE_SUBFOLDERS);
    EXPECT_TRUE(editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS));
    EXPECT_FALSE(EngineFolder(false, {"Calendar"})) << "nothing created in the global store";
}

TEST_F(AdvancedEditor, RefusedCreationEndsItsBranchAndTheOthersAreAssociated)
{
    // The target holds "alpha": the store refuses "Alpha" beside it.
    CreateFolder(personal, {"Inbox"}, "alpha");

    CDlgProfileEditAdv& editor = Open();
    editor.ClickItem(IDC_GLOBAL_DRIVES);
    CTreeCtrl& local = editor.m_treeLocal;
    CTreeCtrl& global = editor.m_treeGlobal;
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects", "Alpha"})));
    global.UserKeyDown(kSpace, true);
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects", "Beta"})));
    global.UserKeyDown(kSpace, false);
    ASSERT_TRUE(global.SelectItem(ItemAt(global, {"Projects"})));
    ASSERT_TRUE(local.SelectItem(ItemAt(local, {"Inbox"})));
    platform::PushAnswer("ok");
    editor.ClickItem(IDC_ASSOCIATE_SUBFOLDERS);

    EXPECT_EQ(LinkOf({"Inbox", "Beta"}), SourceKey({"Projects", "Beta"}));
    EXPECT_EQ(LinkOf({"Inbox", "alpha"}), "<none>") << "names are matched exactly";
    EXPECT_FALSE(EngineFolder(true, {"Inbox", "alpha", "Deep"})) << "the refused branch ends";
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, LoadResString(IDS_FOLDERS_FAILED) + "\r\n\r\n\"Personal Folders\\Inbox\\Alpha\" could not be created.\r\n" +
                                 GetErrorText(MAPI_E_COLLISION));
}

TEST_F(AdvancedEditor, ProfileWithoutStoresSaysTheTreeCannotBeFilled)
{
    ComPtr<IProfile> unsaved;
    ASSERT_EQ(profiles->get_Items(-1, unsaved.put()), S_OK);
    CDlgProfileEditAdv editor(profiles.get(), unsaved.get());
    ASSERT_TRUE(editor.Create());
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, FailureText(IDS_TREE_NOT_FILLED, E_POINTER));
    EXPECT_FALSE(editor.m_treeGlobal.GetRootItem());
    EXPECT_FALSE(editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS));
}

} // namespace
