// The host's reminder warning and the add-in's dialog hook: the German warning about an item in a
// reminder folder is answered with "Yes" before the user sees it, every other dialog is left
// alone, the diagnostic dump shows every dialog the hook sees, and the hook is there once and
// only while an enabled engine reminds.
#include "HostIntegrationFixture.h"

#include "OutlookDlgHook.h"
#include "ReminderEngine.h"
#include "Trace.h"
#include "base/DebugOutput.h"
#include "com/ComBstr.h"
#include "host/DialogHooks.h"

#include <algorithm>

using namespace addintest;

namespace {

constexpr char kVersion12[] = "12.0.6423.1000";
constexpr unsigned kGerman = 1031;
constexpr unsigned kEnglish = 1033;

class OutlookDlgHookTest : public HostIntegrationFixture {
protected:
    void SetUp() override
    {
        HostIntegrationFixture::SetUp();
        previousLevel = TraceSetLevel(0);
    }
    void TearDown() override
    {
        HostIntegrationFixture::TearDown();
        TraceSetLevel(previousLevel);
    }

    // German host 12 with the mailbox's "Team" a reminder folder and the engine enabled.
    void StartGerman(const char* version = kVersion12)
    {
        Restart(version, kGerman);
        // Folders of their own for each start.
        const std::string suffix = std::to_string(++starts);
        team = NewFolder("mailbox.store", ("Team" + suffix).c_str());
        notes = NewFolder("mailbox.store", ("Notizen" + suffix).c_str());
        HRESULT hr = E_FAIL;
        extensions.push_back(Extension(EECONTEXT_TASK, &hr));
        extensions.push_back(Extension(EECONTEXT_SESSION, &hr));
        MarkReminderFolder(team);
        InstallViewer();
        ASSERT_TRUE(EngineEnabled());
    }

    std::vector<std::string> Warn(const std::string& item) { return Run("warn " + item + " no"); }

    FolderIds team, notes;
    int previousLevel = 0;
    int starts = 0;
};

const std::string kAnswered = "warning answered by a hook: 6";

} // namespace

TEST_F(OutlookDlgHookTest, TheGermanWarningAboutAnItemInAReminderFolderIsAnsweredWithYes)
{
    StartGerman();
    EXPECT_TRUE(COutlookDlgHook::IsInstalled());
    EXPECT_EQ(host::DialogHookCount(), 1u);
    const std::string meeting = NewItem(team, "Besprechung über Ämter");
    EXPECT_EQ(Warn(meeting).back(), kAnswered);

    // Elsewhere the user is asked, and answers as the host has it.
    const std::string other = NewItem(notes, "Notiz");
    const auto lines = Warn(other);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "warning \"Microsoft Office Outlook\": Die Erinnerung für \"Notiz\" wird nicht angezeigt, weil "
                        "sich das Element in einem Ordner befindet, der Erinnerungen nicht unterstützt. Sind Sie damit "
                        "einverstanden?");
    EXPECT_EQ(lines[1], "answer 7");

    // Items in the folders the host reminds of get no warning at all.
    EXPECT_EQ(Warn(NewItem(DefaultFolder(olFolderTasks), "Aufgabe")).back(), "reminder set");
}

TEST_F(OutlookDlgHookTest, EachHostVersionHasItsTitleAndText)
{
    for (const char* version : {"9.0.0.2711", "10.0.6626.0", "11.0.8217.8221", "14.0.7015.1000"}) {
        StopExtension();
        StartGerman(version);
        EXPECT_EQ(Warn(NewItem(team, "Termin")).back(), kAnswered) << version;
        EXPECT_NE(Warn(NewItem(notes, "Termin")).back(), kAnswered) << version;
    }
    // Version 13 is no host the add-in knows the texts of.
    StopExtension();
    StartGerman("13.0.1000.1000");
    EXPECT_EQ(Warn(NewItem(team, "Termin")).back(), "answer 7");
}

TEST_F(OutlookDlgHookTest, AnEnglishHostKeepsTheHookInstalledButInert)
{
    platform::DebugOutputCapture capture;
    TraceSetLevel(2);
    Restart(kVersion12, kEnglish);
    team = NewFolder("mailbox.store", "Team");
    HRESULT hr = E_FAIL;
    extensions.push_back(Extension(EECONTEXT_TASK, &hr));
    extensions.push_back(Extension(EECONTEXT_SESSION, &hr));
    MarkReminderFolder(team);
    InstallViewer();
    EXPECT_NE(capture.joined().find("Outlook Version: 12.0.6423.1000, LanguageID: 1033, iVersion:12\n"),
              std::string::npos);
    EXPECT_NE(capture.joined().find("InitStrings() failed. hr=0x80004005\n"), std::string::npos);
    EXPECT_NE(capture.joined().find("hook installed\n"), std::string::npos);
    EXPECT_EQ(host::DialogHookCount(), 1u);
    const auto lines = Warn(NewItem(team, "Meeting"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("warning \"Microsoft Office Outlook\": The reminder for \"Meeting\"", 0), 0u);
}

TEST_F(OutlookDlgHookTest, TheDumpShowsEveryDialogAtDebugLevelZero)
{
    WriteIni("[CL]\nDumpDialogWindows=1\n");
    StartGerman();
    platform::DebugOutputCapture capture;
    Run("warn " + NewItem(notes, "Notiz") + " yes");
    const std::string expected = "--------------------------------------------\n"
                                 "Dump of Dialog Window:\n"
                                 "Class Name  : \"#32770\"\n"
                                 "Window Title: \"Microsoft Office Outlook\"\n"
                                 "\n"
                                 "Dump of Child Window 0:\n"
                                 "Class Name  : \"Button\"\n"
                                 "Window Title: \"&Ja\"\n"
                                 "Control ID  : 6\n"
                                 "\n"
                                 "Dump of Child Window 1:\n"
                                 "Class Name  : \"Button\"\n"
                                 "Window Title: \"&Nein\"\n"
                                 "Control ID  : 7\n"
                                 "\n"
                                 "Dump of Child Window 2:\n"
                                 "Class Name  : \"Static\"\n"
                                 "Window Title: \"\"\n"
                                 "Control ID  : 20\n"
                                 "\n"
                                 "Dump of Child Window 3:\n"
                                 "Class Name  : \"MSOUNISTAT\"\n"
                                 "Window Title: \"Die Erinnerung für \"Notiz\" wird nicht angezeigt, weil sich das "
                                 "Element in einem Ordner befindet, der Erinnerungen nicht unterstützt. Sind Sie damit "
                                 "einverstanden?\"\n"
                                 "Control ID  : -1\n"
                                 "\n"
                                 "Count of child windows: 4\n"
                                 "--------------------------------------------\n";
    EXPECT_EQ(capture.joined(), expected);

    // The host's other dialogs are offered too: Tools-Options and its reminders window.
    capture.clear();
    Run("options");
    EXPECT_NE(capture.joined().find("Window Title: \"Options\"\n"), std::string::npos) << capture.joined();
    capture.clear();
    Run("command ShowRemindersWindow");
    EXPECT_NE(capture.joined().find("Dump of Dialog Window:\n"), std::string::npos);
}

TEST_F(OutlookDlgHookTest, WithoutTheSwitchNothingIsDumped)
{
    StartGerman();
    platform::DebugOutputCapture capture;
    Run("warn " + NewItem(notes, "Notiz") + " yes");
    EXPECT_EQ(capture.joined(), "");
}

TEST_F(OutlookDlgHookTest, ADialogWithFewerThanFourChildrenEndsTheTestAtTheChildren)
{
    WriteIni("[CL]\nDumpDialogWindows=1\n");
    StartGerman();
    platform::DebugOutputCapture capture;
    TraceSetLevel(2);
    const std::vector<host::DialogChild> three = {{"Button", "&Ja", 6}, {"Button", "&Nein", 7}, {"Static", "", 20}};
    EXPECT_EQ(host::OfferDialogToHooks("#32770", "Microsoft Office Outlook", three, team.storeId, team.entryId), 0);
    EXPECT_NE(capture.joined().find("GetClassName(hwnd_child[3]) == 0\n"), std::string::npos) << capture.joined();
    EXPECT_NE(capture.joined().find("Count of child windows: 3\n"), std::string::npos);

    // Each check that does not match gives its reason.
    struct Case {
        const char* className;
        const char* title;
        std::vector<host::DialogChild> children;
        const char* reason;
    };
    const std::string message = "Die Erinnerung für \"X\" wird nicht angezeigt, weil sich das Element in einem Ordner "
                                "befindet, der Erinnerungen nicht unterstützt. Sind Sie damit einverstanden?";
    const std::vector<host::DialogChild> yesFirst = {{"Button", "&Ja", 6}, {"Button", "&Nein", 7}, {"Static", "", 20}};
    auto with = [&](const char* cls, const std::string& text) {
        auto c = yesFirst;
        c.push_back({cls, text, -1});
        return c;
    };
    const Case cases[] = {
        {"", "Microsoft Office Outlook", with("MSOUNISTAT", message), "GetClassName() == 0\n"},
        {"#32771", "Microsoft Office Outlook", with("MSOUNISTAT", message), "pBuffer != DialogClass\n"},
        {"#32770", "", with("MSOUNISTAT", message), "GetWindowText() == 0\n"},
        {"#32770", "Microsoft Outlook", with("MSOUNISTAT", message), "pBuffer != DialogTitle\n"},
        {"#32770", "Microsoft Office Outlook", {}, "hwnd_child[0]) != 6\n"},
        {"#32770", "Microsoft Office Outlook", with("Static", message), "pBuffer != DescriptionClass\n"},
        {"#32770", "Microsoft Office Outlook", with("MSOUNISTAT", ""), "GetWindowText(hwnd_child[3]) == 0\n"},
        {"#32770", "Microsoft Office Outlook", with("MSOUNISTAT", "Die Erinnerung"), "lenSubject < 0\n"},
        {"#32770", "Microsoft Office Outlook", with("MSOUNISTAT", "Eine " + message), "ret1 != 0\n"},
        {"#32770", "Microsoft Office Outlook", with("MSOUNISTAT", message + " "), "ret2 != 0\n"},
        // The subject may be empty; a cut umlaut is not "ü".
        {"#32770", "Microsoft Office Outlook", with("MSOUNISTAT", "Die Erinnerung fur" + message.substr(19)),
         "ret1 != 0\n"},
    };
    for (const Case& c : cases) {
        capture.clear();
        EXPECT_EQ(host::OfferDialogToHooks(c.className, c.title, c.children, team.storeId, team.entryId), 0);
        EXPECT_NE(capture.joined().find(c.reason), std::string::npos) << c.reason << capture.joined();
    }
    capture.clear();
    EXPECT_EQ(host::OfferDialogToHooks("#32770", "Microsoft Office Outlook", with("MSOUNISTAT", message), team.storeId,
                                       team.entryId),
              6);
    EXPECT_NE(capture.joined().find("IsReminderFolder == TRUE\n"), std::string::npos);
    EXPECT_NE(capture.joined().find("Reminder dialog suppressed\n"), std::string::npos);
}

TEST_F(OutlookDlgHookTest, TheFolderGivenWithTheDialogDecidesNotTheActiveExplorer)
{
    StartGerman();
    // The explorer shows the reminder folder, the item lies elsewhere: the warning stays.
    ASSERT_EQ(Run("folder id " + team.entryId + " " + team.storeId).back(), "folder \"Team1\"");
    const std::string other = NewItem(notes, "Notiz");
    EXPECT_EQ(Warn(other).back(), "answer 7");
    // The other way round: the explorer on an ordinary folder, the item in the reminder folder.
    Run("close");
    Run("explorer 16");
    EXPECT_EQ(Warn(NewItem(team, "Besprechung")).back(), kAnswered);
}

TEST_F(OutlookDlgHookTest, WithoutAFolderTheActiveWindowDecides)
{
    StartGerman();
    const std::string message = "Die Erinnerung für \"X\" wird nicht angezeigt, weil sich das Element in einem Ordner "
                                "befindet, der Erinnerungen nicht unterstützt. Sind Sie damit einverstanden?";
    const std::vector<host::DialogChild> children = {
        {"Button", "&Ja", 6}, {"Button", "&Nein", 7}, {"Static", "", 20}, {"MSOUNISTAT", message, -1}};
    auto offer = [&] { return host::OfferDialogToHooks("#32770", "Microsoft Office Outlook", children, "", ""); };

    // An explorer: its current folder.
    EXPECT_EQ(offer(), 0); // the Inbox
    Run("folder id " + team.entryId + " " + team.storeId);
    EXPECT_EQ(offer(), 6);
    ComPtr<MAPIFolder> folder;
    ASSERT_EQ(COutlookDlgHook::GetActiveFolder(folder.put()), S_OK);
    ComBstr id;
    folder->get_EntryID(id.put());
    EXPECT_EQ(id.Utf8(), team.entryId);

    // An inspector: the folder of its item, through the item's MAPI object.
    Run("display " + NewItem(notes, "Notiz"));
    EXPECT_EQ(offer(), 0);
    Run("display " + NewItem(team, "Termin"));
    EXPECT_EQ(offer(), 6);
    ASSERT_EQ(COutlookDlgHook::GetActiveFolder(folder.put()), S_OK);
    folder->get_EntryID(id.put());
    EXPECT_EQ(id.Utf8(), team.entryId);
}

TEST_F(OutlookDlgHookTest, TwoFailedEnablesLeaveOneHookThatTheDisableRemoves)
{
    Restart(kVersion12, kGerman);
    // Engines without a session fail to enable after installing the hook.
    for (int i = 0; i < 2; ++i) {
        ComPtr<IReminderEngine> engine;
        ASSERT_EQ(CReminderEngine::CreateInstance(engine.put()), S_OK);
        EXPECT_EQ(engine->put_Enabled(VARIANT_TRUE), MAPI_E_NOT_INITIALIZED);
    }
    EXPECT_EQ(host::DialogHookCount(), 1u);
    StartExtension();
    EXPECT_EQ(host::DialogHookCount(), 1u);
    StopExtension();
    EXPECT_EQ(host::DialogHookCount(), 0u);
    EXPECT_FALSE(COutlookDlgHook::IsInstalled());
}

TEST_F(OutlookDlgHookTest, OnlyAnEnabledEngineTakesTheWarningAway)
{
    StartGerman();
    const std::string meeting = NewItem(team, "Besprechung");
    // A hook left behind by an engine that is disabled now answers nothing.
    ASSERT_EQ(AddinCache::Engine()->put_Enabled(VARIANT_FALSE), S_OK);
    ASSERT_TRUE(COutlookDlgHook::InstallHook());
    EXPECT_EQ(Warn(meeting).back(), "answer 7");
    // Nor does one without any engine.
    StopExtension();
    ASSERT_EQ(AddinCache::Engine(), nullptr);
    ASSERT_TRUE(COutlookDlgHook::InstallHook());
    EXPECT_EQ(Warn(meeting).back(), "answer 7");
    COutlookDlgHook::RemoveHook();
    EXPECT_EQ(host::DialogHookCount(), 0u);
}

TEST_F(OutlookDlgHookTest, RemovingWithoutInstallingOnlyTraces)
{
    COutlookDlgHook::RemoveHook();
    EXPECT_FALSE(COutlookDlgHook::IsInstalled());
    EXPECT_EQ(host::DialogHookCount(), 0u);
    // No Application cached: the texts are unknown.
    EXPECT_EQ(COutlookDlgHook::InitStrings(), E_FAIL);
    ComPtr<MAPIFolder> folder;
    EXPECT_EQ(COutlookDlgHook::GetActiveFolder(folder.put()), E_FAIL);
}
