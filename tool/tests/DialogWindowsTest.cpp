// The profile dialogs, the options and the About box on a virtual display, against the engine
// on real stores: the toolkit controls show what the dialogs decide, and pictures of every
// window go to build/artifacts/orvinta.
#include "DialogResource.h"
#include "DlgAppAbout.h"
#include "DlgAppAboutWnd.h"
#include "DlgOptions.h"
#include "DlgOptionsWnd.h"
#include "DlgProfileCreate.h"
#include "DlgProfileCreateWnd.h"
#include "DlgProfileDelete.h"
#include "DlgProfileDeleteWnd.h"
#include "DlgProfileEditAdv.h"
#include "DlgProfileEditAdvWnd.h"
#include "DlgProfileEdit.h"
#include "DlgProfileEditWnd.h"
#include "DlgProfileRename.h"
#include "DlgProfileRenameWnd.h"
#include "OrvApp.h"

#include "ProfileFixture.h"
#include "ToolkitTestEnvironment.h"
#include "WindowTestSupport.h"

#include "base/AnswerQueue.h"
#include "base/MessageLoop.h"
#include "base/UiLanguage.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/listctrl.h>
#include <wx/treectrl.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using namespace tooltest;

class DialogWindows : public ProfileFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOLKIT();
        ProfileFixture::SetUp();
        toolkit = std::make_unique<platform::ui::ToolkitPlatform>();
        language = GetThreadUILanguage();
    }
    void TearDown() override
    {
        SetThreadUILanguage(language);
        Settle();
        toolkit.reset();
        ProfileFixture::TearDown();
    }

    static int Row(const CCheckListCtrl& list, const std::string& name)
    {
        for (int row = 0; row < list.GetItemCount(); ++row)
            if (list.GetItemText(row, 0) == name)
                return row;
        return -1;
    }

    std::unique_ptr<platform::ui::ToolkitPlatform> toolkit;
    LANGID language = 0;
};

TEST_F(DialogWindows, WizardStepsShowInOneColumnWithTheirWarnings)
{
    ComPtr<IStore> destination;
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    ComBstr usedKey;
    destination->get_RecordKey(usedKey.put());
    std::string name;
    {
        CDlgProfileCreate dialog(engine.get(), {usedKey.Utf8()}, name);
        auto* window = new CDlgProfileCreateWnd(nullptr, dialog);
        window->Show();
        Settle(); // the stores load once the wizard shows
        auto* local = dynamic_cast<wxListCtrl*>(window->FindWindow(IDC_LOCAL_STORES));
        ASSERT_TRUE(local);
        ASSERT_EQ(local->GetItemCount(), dialog.m_lstLocal.GetItemCount());
        ASSERT_EQ(local->GetItemCount(), 2);
        EXPECT_EQ(local->GetItemText(Row(dialog.m_lstLocal, "Personal Folders")).utf8_string(), "Personal Folders");
        EXPECT_EQ(window->GetTitle().utf8_string(), "Create Profile");
        EXPECT_TRUE(Shown(window, IDC_LOCAL_STORES));
        EXPECT_FALSE(Shown(window, IDC_GLOBAL_STORES));
        EXPECT_FALSE(Shown(window, IDC_PROFILE_NAME));
        EXPECT_FALSE(window->FindWindow(IDOK)->IsEnabled());
        EXPECT_FALSE(window->FindWindow(IDC_BACK)->IsEnabled());

        // A store of another profile: greyed, with the warning and its icon.
        dialog.m_lstLocal.SelectItem(Row(dialog.m_lstLocal, "Personal Folders"));
        Settle();
        EXPECT_TRUE(Shown(window, IDC_WARNING_ICON));
        EXPECT_EQ(Label(window, IDC_STEP1_WARNING), "This store is not available because it is used by another profile.");
        EXPECT_FALSE(window->FindWindow(IDOK)->IsEnabled());
        Picture(window, "profile-create-step1");

        dialog.m_lstLocal.SelectItem(Row(dialog.m_lstLocal, "Archive"));
        Settle();
        EXPECT_TRUE(window->FindWindow(IDOK)->IsEnabled());
        EXPECT_FALSE(Shown(window, IDC_WARNING_ICON));
        dialog.ClickItem(IDOK);
        dialog.m_lstGlobal.SelectItem(Row(dialog.m_lstGlobal, "Archive"));
        Settle();
        EXPECT_FALSE(Shown(window, IDC_LOCAL_STORES));
        EXPECT_TRUE(Shown(window, IDC_GLOBAL_STORES));
        EXPECT_EQ(Label(window, IDC_STEP2_WARNING),
                  "This store has been chosen in the previous step. Please choose a different store.");
        EXPECT_EQ(Label(window, IDOK), "&Next >");
        Picture(window, "profile-create-step2");

        dialog.m_lstGlobal.SelectItem(Row(dialog.m_lstGlobal, "Public Folders"));
        dialog.ClickItem(IDOK);
        Settle();
        EXPECT_EQ(Label(window, IDOK), "&Finish");
        auto* edit = dynamic_cast<wxTextCtrl*>(window->FindWindow(IDC_PROFILE_NAME));
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->GetValue().utf8_string(), "Profile 1");
        // Typing into the toolkit's edit is typing into the dialog.
        edit->SetValue("Public");
        Settle();
        EXPECT_EQ(dialog.GetItemText(IDC_PROFILE_NAME), "Public");
        EXPECT_FALSE(window->FindWindow(IDOK)->IsEnabled());
        EXPECT_EQ(Label(window, IDC_STEP3_WARNING), "This name is already in use. Please choose a different name.");
        Picture(window, "profile-create-step3");

        // Bigger: the lists and texts follow.
        const wxSize before = window->FindWindow(IDC_STEP3_TEXT)->GetSize();
        window->SetSize(window->GetSize() + wxSize(120, 80));
        Settle();
        EXPECT_EQ(window->FindWindow(IDC_STEP3_TEXT)->GetSize(), before + wxSize(120, 80));
        edit->SetValue("Archive to public");
        Settle();
        dialog.ClickItem(IDOK);
        Settle();
        EXPECT_TRUE(dialog.IsEnded());
        EXPECT_FALSE(window->IsShown());
        window->Destroy();
        Settle();
    }
    EXPECT_EQ(name, "Archive to public");
}

TEST_F(DialogWindows, DeleteAndRenameInPictures)
{
    {
        CDlgProfileDelete dialog(engine.get(), "Public");
        auto* window = new CDlgProfileDeleteWnd(nullptr, dialog);
        window->Show();
        EXPECT_EQ(window->GetTitle().utf8_string(), "Delete Profile");
        EXPECT_EQ(dynamic_cast<wxTextCtrl*>(window->FindWindow(IDC_DELETE_NAME))->GetValue().utf8_string(), "Public");
        Picture(window, "profile-delete");
        window->Destroy();
        Settle(); // the window goes before its dialog
    }
    {
        CDlgProfileRename dialog({"Public"}, profiles.get(), profile.get());
        auto* window = new CDlgProfileRenameWnd(nullptr, dialog);
        window->Show();
        auto* edit = dynamic_cast<wxTextCtrl*>(window->FindWindow(IDC_RENAME_NAME));
        ASSERT_TRUE(edit);
        EXPECT_FALSE(window->FindWindow(IDOK)->IsEnabled());
        edit->SetValue("Team folders");
        Settle();
        EXPECT_TRUE(window->FindWindow(IDOK)->IsEnabled());
        Picture(window, "profile-rename");
        window->Destroy();
        Settle();
    }
}

TEST_F(DialogWindows, OptionsInFourLanguages)
{
    COrvApp app;
    app.SetRegistryKey("Tembrix");
    app.m_bSyncOnOutlookStart = true;
    app.m_nSyncOnOutlookStartDelay = 600;
    const struct {
        LANGID language;
        const char* name;
        const char* caption;
        const char* delay;
    } languages[] = {{1033, "en", "Options", "10 minutes"},
                     {1031, "de", "Optionen", "10 Minuten"},
                     {1036, "fr", "Options", "10 minutes"},
                     {1040, "it", "Opzioni", "10 minuti"}};
    for (const auto& language : languages) {
        SetThreadUILanguage(language.language);
        CDlgOptions dialog(app);
        auto* window = new CDlgOptionsWnd(nullptr, dialog);
        window->Show();
        EXPECT_EQ(window->GetTitle().utf8_string(), language.caption);
        auto* delay = dynamic_cast<wxChoice*>(window->FindWindow(IDC_START_DELAY));
        ASSERT_TRUE(delay);
        EXPECT_EQ(delay->GetCount(), 13u);
        EXPECT_EQ(delay->GetStringSelection().utf8_string(), language.delay);
        EXPECT_TRUE(delay->IsEnabled());
        Picture(window, std::string("options-") + language.name);
        window->Destroy();
        Settle();
    }

    // The user's changes reach the dialog.
    SetThreadUILanguage(1033);
    CDlgOptions dialog(app);
    auto* window = new CDlgOptionsWnd(nullptr, dialog);
    window->Show();
    auto* start = dynamic_cast<wxCheckBox*>(window->FindWindow(IDC_SYNC_ON_START));
    start->SetValue(false);
    wxCommandEvent click(wxEVT_CHECKBOX, IDC_SYNC_ON_START);
    click.SetEventObject(start);
    start->GetEventHandler()->ProcessEvent(click);
    Settle();
    EXPECT_FALSE(dialog.IsChecked(IDC_SYNC_ON_START));
    EXPECT_FALSE(window->FindWindow(IDC_START_DELAY)->IsEnabled());
    EXPECT_TRUE(window->FindWindow(IDC_ACCEPT)->IsEnabled());
    window->Destroy();
    Settle();
}

TEST_F(DialogWindows, EditorShowsTheListTheTreesAndTheStatus)
{
    ComPtr<IFolder> inbox = EngineFolder(true, {"Inbox"});
    ASSERT_EQ(inbox->put_Source(EngineFolder(false, {"Projects"}).get()), S_OK);
    inbox.Release();
    AddMessage(personal, {"Drafts"}, "Draft");
    AddMessage(publicStore, {"News"}, "Headline");
    {
        CDlgProfileEdit dialog(engine.get(), profiles.get(), 1, profile.get(), -1);
        auto* window = new CDlgProfileEditWnd(nullptr, dialog);
        window->Show();
        Settle();
        EXPECT_EQ(window->GetTitle().utf8_string(), "Edit Profile");
        auto* list = dynamic_cast<wxListCtrl*>(window->FindWindow(IDC_FOLDER_LINKS));
        ASSERT_TRUE(list);
        ASSERT_EQ(list->GetItemCount(), 1);
        EXPECT_EQ(list->GetItemText(0, 0).utf8_string(), "*/Inbox");
        auto* local = dynamic_cast<wxTreeCtrl*>(window->FindWindow(IDC_LOCAL_TREE));
        ASSERT_TRUE(local);
        EXPECT_EQ(local->GetItemText(local->GetFirstVisibleItem()).utf8_string(), "Personal Folders");
        ASSERT_TRUE(dialog.m_treeLocal.SelectItem(ItemAt(dialog.m_treeLocal, {"Drafts"})));
        ASSERT_TRUE(dialog.m_treeGlobal.SelectItem(ItemAt(dialog.m_treeGlobal, {"News"})));
        Settle();
        EXPECT_TRUE(window->FindWindow(IDC_ASSOCIATE)->IsEnabled());
        EXPECT_EQ(Label(window, IDC_STATUS_TEXT),
                  "The selected folders can be associated. Attention:\nBoth folders contain messages. Please clear "
                  "one folder before first synchronisation to avoid duplicates.");
        EXPECT_EQ(dialog.m_treeGlobal.GetItemStateImage(ItemAt(dialog.m_treeGlobal, {"Projects"})),
                  CFolderTreeCtrl::MARK_ASSOCIATED);
        dialog.m_treeGlobal.SetFocus();
        Settle();
        Picture(window, "profile-edit");
        dialog.ClickItem(IDC_ASSOCIATE);
        Settle();
        EXPECT_EQ(list->GetItemCount(), 2);
        window->Destroy();
        Settle();
    }
}

TEST_F(DialogWindows, AdvancedEditorAndAboutInPictures)
{
    {
        CDlgProfileEditAdv dialog(profiles.get(), profile.get());
        auto* window = new CDlgProfileEditAdvWnd(nullptr, dialog);
        window->Show();
        Settle();
        EXPECT_EQ(window->GetTitle().utf8_string(), "Edit Profile - Advanced - Public");
        auto* global = dynamic_cast<wxTreeCtrl*>(window->FindWindow(IDC_GLOBAL_TREE));
        ASSERT_TRUE(global);
        EXPECT_EQ(global->GetCount(), 1u + 6u) << "the store and its six folders";
        dialog.ClickItem(IDC_GLOBAL_DRIVES);
        CTreeCtrl& tree = dialog.m_treeGlobal;
        ASSERT_TRUE(tree.SelectItem(ItemAt(tree, {"Projects", "Alpha"})));
        tree.UserKeyDown(0x20, true);
        ASSERT_TRUE(tree.SelectItem(ItemAt(tree, {"Projects"})));
        ASSERT_TRUE(dialog.m_treeLocal.SelectItem(ItemAt(dialog.m_treeLocal, {"Inbox"})));
        Settle();
        EXPECT_TRUE(window->FindWindow(IDC_ASSOCIATE_SUBFOLDERS)->IsEnabled());
        Picture(window, "profile-edit-advanced");
        window->Destroy();
        Settle();
    }
    {
        CDlgAppAbout dialog;
        auto* window = new CDlgAppAboutWnd(nullptr, dialog);
        window->Show();
        EXPECT_EQ(window->GetTitle().utf8_string(), "About...");
        EXPECT_EQ(Label(window, IDC_ABOUT_PRODUCT), "Orvinta, Version 1.2");
        EXPECT_EQ(window->InfoLink()->GetShownText().utf8_string(), "www.example.com/orvinta");
        EXPECT_EQ(window->InfoLink()->GetToolTipText().utf8_string(), "http://www.example.com/orvinta/");
        Picture(window, "about");
        window->Destroy();
        Settle();
    }
}


} // namespace
