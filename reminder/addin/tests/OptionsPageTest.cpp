// The options page in the add-in's own sheet (the ribbon's ConfigureReminders), driven as the
// user does it: clicks and typing on its dialog items, the sheet's OK and Apply. Its Settings
// values in the real registry; the folder tree over the profile's real stores and the real engine,
// or over stand-ins where a failure is needed.
#include "OptionsFixture.h"
#include "TestDoubles.h"

#include "AddinCache.h"
#include "COMAddin.h"
#include "ExtPropertySheets.h"
#include "FolderTreeViewCtrl.h"
#include "OptionsResource.h"
#include "PropPageOptionsMain.h"
#include "ReminderEngine.h"
#include "RegKeyEx.h"
#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/MessageBox.h"
#include "base/MessageLoop.h"
#include "base/Profile.h"
#include "base/Process.h"
#include "base/Sound.h"
#include "base/UiLanguage.h"
#include "base/Window.h"
#include "host/PropertySheet.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "mapi/StoreFile.h"
#include "base/PlatformRoot.h"

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <functional>

using namespace addintest;

namespace {

class OptionsPageTest : public OptionsFixture {
protected:
    void PrepareProfile() override
    {
        const auto pub = platform::StoresDirectory() / "public.store";
        ASSERT_EQ(mapi::CreateStoreFile(pub, mapi::StoreKind::PublicFolders, u"Public Folders"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", pub), S_OK);
        AddDeletedFolder(platform::StoresDirectory() / "mailbox.store", "Old Tasks", "IPF.Task");
        AddReminderTask(platform::StoresDirectory() / "mailbox.store", "Projects", "Send the report");
    }
    static HWND Item(CPropPageOptionsMain& page, int id) { return GetDlgItem(page.m_hWnd, id); }
    static void Click(CPropPageOptionsMain& page, int id) { SendMessageA(Item(page, id), BM_CLICK, 0, 0); }
    static bool Checked(CPropPageOptionsMain& page, int id)
    {
        return IsDlgButtonChecked(page.m_hWnd, id) == BST_CHECKED;
    }
    static bool Enabled(CPropPageOptionsMain& page, int id) { return IsWindowEnabled(Item(page, id)) != FALSE; }
    static std::string Text(CPropPageOptionsMain& page, int id)
    {
        char text[1100] = {};
        GetDlgItemTextA(page.m_hWnd, id, text, sizeof text);
        return text;
    }

    static std::optional<DWORD> Dword(const char* name)
    {
        CRegKeyEx key;
        DWORD value = 0;
        if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS ||
            key.QueryDWORDValue(name, value) != ERROR_SUCCESS)
            return std::nullopt;
        return value;
    }
    static std::optional<std::string> String(const char* name)
    {
        CRegKeyEx key;
        std::string text;
        if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS ||
            key.QueryStringValue(name, &text) != ERROR_SUCCESS)
            return std::nullopt;
        return text;
    }
    static void Write(const char* name, DWORD value)
    {
        CRegKeyEx key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDWORDValue(name, value), ERROR_SUCCESS);
    }
    static void Write(const char* name, const char* value)
    {
        CRegKeyEx key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
        ASSERT_EQ(key.SetStringValue(name, value), ERROR_SUCCESS);
    }

    // The root of a store by its name, and a child by its name (the parent expanded first).
    static HTREEITEM Root(CFolderTreeViewCtrl& tree, const std::string& name) { return tree.FindChild(TVI_ROOT, name); }
    static HTREEITEM Child(CFolderTreeViewCtrl& tree, HTREEITEM parent, const std::string& name)
    {
        tree.Expand(parent, TVE_EXPAND);
        return tree.FindChild(parent, name);
    }

};

TEST_F(OptionsPageTest, WithoutSettingsOnlyTheWindowIsCheckedAndOkWritesAllFiveValues)
{
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        EXPECT_TRUE(Checked(page, IDC_RAD_ALL));
        EXPECT_TRUE(Checked(page, IDC_CHK_REMINDERWINDOW));
        // A missing Sound is off, as the engine reads it.
        EXPECT_FALSE(Checked(page, IDC_CHK_SOUND));
        EXPECT_FALSE(Checked(page, IDC_CHK_MAIL));
        for (int id : {IDC_EDIT_SOUND, IDC_BTN_PLAY, IDC_BTN_OPEN, IDC_EDIT_MAIL})
            EXPECT_FALSE(Enabled(page, id)) << id;
        EXPECT_EQ(Text(page, IDC_EDIT_SOUND), "");
        // The hidden controls stay hidden; the test-mail button exists only in German.
        EXPECT_FALSE(page.IsItemShown(IDC_RAD_ALL));
        EXPECT_FALSE(page.IsItemShown(IDC_BTN_USER));
        EXPECT_FALSE(page.IsItemShown(IDC_TREE_PLACEHOLDER));
        EXPECT_EQ(Item(page, IDC_BTN_TESTMAIL), nullptr);
        EXPECT_FALSE(sheet.ApplyEnabled());

        Click(page, IDC_CHK_SOUND);
        for (int id : {IDC_EDIT_SOUND, IDC_BTN_PLAY, IDC_BTN_OPEN})
            EXPECT_TRUE(Enabled(page, id)) << id;
        EXPECT_TRUE(sheet.ApplyEnabled());
        EXPECT_TRUE(platform::TypeDialogItemText(Item(page, IDC_EDIT_SOUND), "/sounds/bell.wav"));
        Click(page, IDC_CHK_MAIL);
        EXPECT_TRUE(Enabled(page, IDC_EDIT_MAIL));
        EXPECT_TRUE(platform::TypeDialogItemText(Item(page, IDC_EDIT_MAIL), "ann@example.org"));
        EXPECT_TRUE(sheet.Ok());
    });
    EXPECT_EQ(Dword("ReminderWindow"), 1u);
    EXPECT_EQ(Dword("Sound"), 1u);
    EXPECT_EQ(String("SoundFile"), "/sounds/bell.wav");
    EXPECT_EQ(Dword("Mail"), 1u);
    EXPECT_EQ(String("MailAddress"), "ann@example.org");
}

TEST_F(OptionsPageTest, StoredValuesAreShownAndUncheckingSoundKeepsItsFile)
{
    Write("ReminderWindow", 0u);
    Write("Sound", 1u);
    Write("SoundFile", "/sounds/gong.wav");
    Write("Mail", 0u);
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        EXPECT_FALSE(Checked(page, IDC_CHK_REMINDERWINDOW));
        EXPECT_TRUE(Checked(page, IDC_CHK_SOUND));
        EXPECT_EQ(Text(page, IDC_EDIT_SOUND), "/sounds/gong.wav");
        EXPECT_TRUE(Enabled(page, IDC_BTN_PLAY));
        EXPECT_FALSE(sheet.ApplyEnabled());

        Click(page, IDC_CHK_SOUND);
        EXPECT_FALSE(Enabled(page, IDC_EDIT_SOUND));
        EXPECT_FALSE(Enabled(page, IDC_BTN_PLAY));
        EXPECT_FALSE(Enabled(page, IDC_BTN_OPEN));
        EXPECT_TRUE(sheet.ApplyEnabled());
        EXPECT_TRUE(sheet.Apply());
        EXPECT_FALSE(sheet.ApplyEnabled());
        // Setting the text from the program marks nothing; typing does.
        SetDlgItemTextA(page.m_hWnd, IDC_EDIT_MAIL, "x");
        EXPECT_TRUE(sheet.ApplyEnabled()); // the mail address changes on any EN_CHANGE
        EXPECT_TRUE(sheet.Cancel());
    });
    EXPECT_EQ(Dword("Sound"), 0u);
    EXPECT_EQ(String("SoundFile"), "/sounds/gong.wav");
    EXPECT_EQ(String("MailAddress"), ""); // applied before the cancelled change
}

TEST_F(OptionsPageTest, SettingsThatCannotBeWrittenKeepTheSheetOpenWithOneBox)
{
    RunSheet([&](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        Click(page, IDC_CHK_MAIL);
        // Another writer holds the registry: the write waits for it, then fails.
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open((root.path() / "registry.db").c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_FALSE(sheet.Ok());
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        EXPECT_TRUE(sheet.IsOpen());
        EXPECT_TRUE(sheet.ApplyEnabled());
        const auto boxes = platform::PromptRecords();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.starts_with("The settings could not be saved (0x")) << boxes[0].text;
        EXPECT_EQ(boxes[0].caption, "Lumivane Add-In");
        // The change was kept: OK now writes it.
        EXPECT_TRUE(sheet.Ok());
    });
    EXPECT_EQ(Dword("Mail"), 1u);
}

TEST_F(OptionsPageTest, PlayIsAsynchronousAndOpenTakesTheChosenFileOnly)
{
    Write("Sound", 1u);
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        EXPECT_TRUE(platform::TypeDialogItemText(Item(page, IDC_EDIT_SOUND), "/no/such.wav"));
        EXPECT_EQ(SendMessageA(Item(page, IDC_EDIT_SOUND), EM_GETMODIFY, 0, 0), TRUE);
        Click(page, IDC_BTN_PLAY);
        const auto sounds = platform::SoundRecords();
        ASSERT_EQ(sounds.size(), 1u);
        EXPECT_EQ(sounds[0].sound, "/no/such.wav");
        EXPECT_EQ(sounds[0].file, ""); // a missing file plays nothing
        EXPECT_EQ(sounds[0].flags, static_cast<DWORD>(SND_FILENAME | SND_NODEFAULT | SND_ASYNC));
        EXPECT_EQ(SendMessageA(Item(page, IDC_EDIT_SOUND), EM_GETMODIFY, 0, 0), FALSE);

        ASSERT_TRUE(platform::PushAnswer("cancel"));
        Click(page, IDC_BTN_OPEN);
        EXPECT_EQ(Text(page, IDC_EDIT_SOUND), "/no/such.wav");
        const std::string chime = (platform::RootDirectory() / "chime.wav").string();
        std::ofstream(chime) << "RIFF";
        ASSERT_TRUE(platform::PushAnswer("file " + chime));
        Click(page, IDC_BTN_OPEN);
        EXPECT_EQ(Text(page, IDC_EDIT_SOUND), chime);
        const auto prompts = platform::PromptRecords();
        ASSERT_EQ(prompts.size(), 2u);
        EXPECT_EQ(prompts[0].kind, platform::PromptKind::FileDialog);
        EXPECT_EQ(prompts[0].text, "/no/such.wav");
        EXPECT_TRUE(sheet.Ok());
    });
    EXPECT_EQ(String("SoundFile"), (platform::RootDirectory() / "chime.wav").string());
}

TEST_F(OptionsPageTest, HelpOpensTheManualBesideTheAddin)
{
    namespace fs = std::filesystem;
    const fs::path record = root.path() / "opened.txt";
    const fs::path opener = root.path() / "opener";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record.string() << "'\n";
    fs::permissions(opener, fs::perms::owner_all);
    setenv(platform::kShellOpenVariable, opener.c_str(), 1);
    RunSheet([](host::PropertySheet&, CPropPageOptionsMain& page) { Click(page, IDC_BTN_HELP); });
    std::string opened;
    for (int i = 0; i < 500 && opened.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record);
        std::getline(in, opened);
    }
    unsetenv(platform::kShellOpenVariable);
    const fs::path page(opened);
    EXPECT_EQ(page.filename(), "index.html");
    EXPECT_EQ(page.parent_path().filename(), "Lumivane Add-In");
    EXPECT_TRUE(fs::exists(page));
}

TEST_F(OptionsPageTest, TheTestMailButtonFollowsItsSwitchInGerman)
{
    const LANGID before = GetThreadUILanguage();
    SetThreadUILanguage(1031);
    RunSheet([](host::PropertySheet&, CPropPageOptionsMain& page) {
        ASSERT_NE(Item(page, IDC_BTN_TESTMAIL), nullptr);
        EXPECT_FALSE(page.IsItemShown(IDC_BTN_TESTMAIL));
    });
    ASSERT_TRUE(WritePrivateProfileStringA(kIniSection, "TestMail", "1", kIniFile));
    RunSheet([](host::PropertySheet&, CPropPageOptionsMain& page) {
        EXPECT_TRUE(page.IsItemShown(IDC_BTN_TESTMAIL));
        // No engine: nothing is sent, and nothing breaks.
        Click(page, IDC_BTN_TESTMAIL);
        EXPECT_EQ(page.Tree().GetCount(), 0u);
    });
    SetThreadUILanguage(before);
}

TEST_F(OptionsPageTest, TheTreeListsTheStoresAndApplyWritesOnlyTheFolders)
{
    UseRealEngine();
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        CFolderTreeViewCtrl& tree = page.Tree();
        ASSERT_EQ(tree.GetChildren(TVI_ROOT).size(), 3u);
        const HTREEITEM personal = Root(tree, "Personal Folders");
        const HTREEITEM mailbox = Root(tree, "Mailbox - Ann");
        const HTREEITEM pub = Root(tree, "Public Folders");
        ASSERT_TRUE(personal && mailbox && pub);
        // The default store, another one, and public folders.
        EXPECT_EQ(tree.GetItemImage(personal) + tree.GetItemImage(mailbox) + tree.GetItemImage(pub), 3);
        EXPECT_EQ(tree.GetItemImage(pub), 1);
        EXPECT_EQ(tree.GetItemStateImage(personal), FCS_STORE);

        // Lazily listed, once.
        EXPECT_TRUE(tree.GetChildren(mailbox).empty());
        const HTREEITEM calendar = Child(tree, mailbox, "Calendar");
        ASSERT_NE(calendar, nullptr);
        const std::size_t listed = tree.GetChildren(mailbox).size();
        tree.Expand(mailbox, TVE_COLLAPSE);
        tree.Expand(mailbox, TVE_EXPAND);
        EXPECT_EQ(tree.GetChildren(mailbox).size(), listed);
        // Images by default-folder type.
        EXPECT_EQ(tree.GetItemImage(calendar), 10);
        EXPECT_EQ(tree.GetItemImage(Child(tree, mailbox, "Inbox")), 9);
        EXPECT_EQ(tree.GetItemImage(Child(tree, mailbox, "Deleted Items")), 6);

        // Grey boxes ignore the user.
        const HTREEITEM deleted = Child(tree, mailbox, "Deleted Items");
        EXPECT_EQ(tree.GetItemStateImage(deleted), FCS_IMPOSSIBLE);
        tree.UserClickStateIcon(deleted);
        EXPECT_EQ(tree.GetItemStateImage(deleted), FCS_IMPOSSIBLE);

        // Checking and unchecking again leaves nothing to apply.
        EXPECT_EQ(tree.GetItemStateImage(calendar), FCS_UNCHECKED);
        tree.UserClickStateIcon(calendar);
        EXPECT_EQ(tree.GetItemStateImage(calendar), FCS_CHECKED);
        EXPECT_TRUE(sheet.ApplyEnabled());
        tree.SelectItem(calendar);
        tree.UserKeyDown(VK_SPACE, false);
        EXPECT_EQ(tree.GetItemStateImage(calendar), FCS_UNCHECKED);
        EXPECT_FALSE(sheet.ApplyEnabled());

        tree.UserKeyDown(VK_SPACE, false);
        EXPECT_TRUE(sheet.ApplyEnabled());

        // In the deleted items a reminder folder shows the red box.
        const HTREEITEM old = Child(tree, deleted, "Old Tasks");
        ASSERT_NE(old, nullptr);
        EXPECT_EQ(tree.GetItemImage(old), 16);
        tree.UserClickStateIcon(old);
        EXPECT_EQ(tree.GetItemStateImage(old), FCS_WASTEBASKET);
        EXPECT_EQ(tree.Cache().size(), 2u);
        EXPECT_TRUE(sheet.Ok());
    });
    // Only the folder changed: no Settings value was written.
    for (const char* name : {"ReminderWindow", "Sound", "SoundFile", "Mail", "MailAddress"})
        EXPECT_FALSE(Dword(name).has_value() || String(name).has_value()) << name;
    // The folder is a reminder folder now, in a new page too.
    RunSheet([](host::PropertySheet&, CPropPageOptionsMain& page) {
        CFolderTreeViewCtrl& tree = page.Tree();
        const HTREEITEM mailbox = Root(tree, "Mailbox - Ann");
        const HTREEITEM calendar = Child(tree, mailbox, "Calendar");
        ASSERT_NE(calendar, nullptr);
        EXPECT_EQ(tree.GetItemStateImage(calendar), FCS_CHECKED);
        EXPECT_EQ(tree.GetItemStateImage(Child(tree, Child(tree, mailbox, "Deleted Items"), "Old Tasks")),
                  FCS_WASTEBASKET);
    });
}

TEST_F(OptionsPageTest, AMarkedFolderHasItsRemindersCopiedIntoTheBackFolder)
{
    UseRealEngine();
    ComPtr<IExchExt> viewer = Extension(EECONTEXT_VIEWER);
    ASSERT_TRUE(EngineEnabled());
    const auto copies = [] {
        ComPtr<ILVFolder> back;
        ComPtr<IUnknown> unknown;
        ComPtr<IMAPIFolder> folder;
        ComPtr<IMAPITable> table;
        ULONG rows = 0;
        if (FAILED(AddinCache::Engine()->get_BackFolder(back.put())) || FAILED(back->get_MAPIFolder(unknown.put())) ||
            FAILED(unknown.As(folder)) || FAILED(folder->GetContentsTable(MAPI_ASSOCIATED, table.put())) ||
            FAILED(table->GetRowCount(0, &rows)))
            return -1;
        return static_cast<int>(rows);
    };
    const int before = copies();
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        CFolderTreeViewCtrl& tree = page.Tree();
        const HTREEITEM projects = Child(tree, Root(tree, "Mailbox - Ann"), "Projects");
        ASSERT_NE(projects, nullptr);
        tree.UserClickStateIcon(projects);
        EXPECT_TRUE(sheet.Ok());
    });
    for (int i = 0; i < 50 && copies() == before; ++i) {
        platform::MessageLoop::Current().RunPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(copies(), before + 1);
    viewer = nullptr;
}

TEST_F(OptionsPageTest, WithoutAnEngineThePageOpensWithAnEmptyTree)
{
    RunSheet([](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        EXPECT_EQ(page.Tree().GetCount(), 0u);
        EXPECT_EQ(page.ConfiguringEngine(), nullptr);
        EXPECT_EQ(page.Tree().Init(nullptr), E_POINTER);
        EXPECT_TRUE(sheet.Ok());
    });
}

TEST_F(OptionsPageTest, AFolderThatCannotBeChangedKeepsTheSheetOpenWithOneBox)
{
    std::vector<std::string> log;
    CStubEngine* engine = nullptr;
    ASSERT_EQ(CStubEngine::CreateObject(&engine), S_OK);
    engine->log = &log;
    AddinCache::SetEngine(engine);
    engine->Release();
    CStubFolder* folder = nullptr;
    ASSERT_EQ(CStubFolder::CreateObject(&folder), S_OK);
    ComPtr<CStubFolder> stuck;
    stuck.Attach(folder);
    stuck->putResult = E_ACCESSDENIED;

    RunSheet([&](host::PropertySheet& sheet, CPropPageOptionsMain& page) {
        EXPECT_EQ(page.ConfiguringEngine(), engine);
        page.Tree().UpdateCache(stuck.get(), RT_PUBLIC);
        EXPECT_TRUE(sheet.ApplyEnabled());
        EXPECT_FALSE(sheet.Ok());
        EXPECT_TRUE(sheet.IsOpen());
        EXPECT_TRUE(sheet.ApplyEnabled());
        const auto boxes = platform::PromptRecords();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, platform::PromptKind::MessageBox);
        EXPECT_EQ(boxes[0].caption, "Lumivane Add-In");
        EXPECT_EQ(boxes[0].text, "Some reminder folders could not be changed.");
        EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
        // Once the folder can be written, Apply goes through.
        stuck->putResult = S_OK;
        EXPECT_TRUE(sheet.Ok());
    });
    EXPECT_EQ(stuck->stored, RT_PUBLIC);
    ASSERT_EQ(engine->folders.size(), 1u);
    EXPECT_EQ(engine->folders[0].second, RT_PUBLIC);
    AddinCache::ClearEngine(); // before its log goes
}

TEST_F(OptionsPageTest, ConfiguringEndsOnTheEngineItBeganOn)
{
    std::vector<std::string> first, second;
    CStubEngine* a = nullptr;
    CStubEngine* b = nullptr;
    ASSERT_EQ(CStubEngine::CreateObject(&a), S_OK);
    ASSERT_EQ(CStubEngine::CreateObject(&b), S_OK);
    a->log = &first;
    b->log = &second;
    ComPtr<CStubEngine> keepA;
    keepA.Attach(a);
    ComPtr<CStubEngine> keepB;
    keepB.Attach(b);
    AddinCache::SetEngine(a);
    RunSheet([&](host::PropertySheet&, CPropPageOptionsMain&) {
        EXPECT_EQ(a->configuring, 1);
        AddinCache::SetEngine(b);
    });
    EXPECT_EQ(first, (std::vector<std::string>{"configuring", "configured"}));
    EXPECT_TRUE(second.empty());
    AddinCache::ClearEngine();
}

TEST_F(OptionsPageTest, ThePropertySheetsObjectGivesThePageToOneSheetAtATime)
{
    IUnknown* made = nullptr;
    ASSERT_EQ(CreateExtPropertySheets(nullptr, &made), S_OK);
    ComPtr<IUnknown> unknown;
    unknown.Attach(made);
    ComPtr<IExchExtPropertySheets> sheets;
    ASSERT_EQ(unknown.As(sheets), S_OK);
    // It answers its own interface and IUnknown only.
    ComPtr<IUnknown> other;
    EXPECT_EQ(sheets->QueryInterface(uuidof<IExchExtSessionEvents>(), other.put_void()), E_NOINTERFACE);
    EXPECT_EQ(sheets->QueryInterface(IID_IExchExtCommands, other.put_void()), E_NOINTERFACE);

    EXPECT_EQ(sheets->GetMaxPageCount(EEPS_TOOLSOPTIONS), 1u);
    for (ULONG flags : std::initializer_list<ULONG>{EEPS_MESSAGE, EEPS_FOLDER, EEPS_STORE, 0, 9})
        EXPECT_EQ(sheets->GetMaxPageCount(flags), 0u) << flags;

    PROPSHEETPAGEA pages[2]{};
    ULONG count = 0;
    ASSERT_EQ(sheets->GetPages(nullptr, EEPS_TOOLSOPTIONS, &pages[0], &count), S_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(pages[0].dwSize, 52u);
    EXPECT_EQ(pages[0].dwFlags, static_cast<DWORD>(PSP_USETITLE | PSP_USECALLBACK));
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(pages[0].pszTemplate), 107u);
    EXPECT_STREQ(pages[0].pszTitle, "Lumivane Add-In");
    EXPECT_NE(pages[0].pfnCreateWindow, nullptr);
    // A second sheet gets nothing until the first lets go; the message sheets never get one.
    count = 0;
    EXPECT_EQ(sheets->GetPages(nullptr, EEPS_TOOLSOPTIONS, &pages[1], &count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(sheets->GetPages(nullptr, EEPS_MESSAGE, &pages[1], &count), S_OK);
    EXPECT_EQ(count, 0u);
    sheets->FreePages(&pages[0], 0, 1); // not the Options dialog's: the page stays given
    EXPECT_TRUE(CExtPropertySheets::PagesGiven());
    sheets->FreePages(&pages[0], EEPS_TOOLSOPTIONS, 1);
    EXPECT_FALSE(CExtPropertySheets::PagesGiven());
    pages[0].pfnCallback(nullptr, PSPCB_RELEASE, &pages[0]);
    ASSERT_EQ(sheets->GetPages(nullptr, EEPS_TOOLSOPTIONS, &pages[1], &count), S_OK);
    EXPECT_EQ(count, 1u);
    sheets->FreePages(&pages[1], EEPS_TOOLSOPTIONS, 1);
    pages[1].pfnCallback(nullptr, PSPCB_RELEASE, &pages[1]);

    // The session events leave new mail to the host.
    ASSERT_EQ(CreateExtSessionEvents(nullptr, &made), S_OK);
    ComPtr<IUnknown> eventsUnknown;
    eventsUnknown.Attach(made);
    ComPtr<IExchExtSessionEvents> events;
    ASSERT_EQ(eventsUnknown.As(events), S_OK);
    EXPECT_EQ(events->OnDelivery(nullptr), S_FALSE);
    EXPECT_EQ(events->QueryInterface(uuidof<IExchExtPropertySheets>(), other.put_void()), E_NOINTERFACE);
}

} // namespace
