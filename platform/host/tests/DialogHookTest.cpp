// The host's reminder warning and the dialog hooks that may answer it.
#include "HostFixture.h"

#include "com/ComBstr.h"
#include "host/ReminderWarning.h"

#include <thread>

namespace {

struct HookState {
    int answer = host::kIdYes;
    int calls = 0;
    std::string className;
    std::vector<std::string> children;
    std::string folderId;
};

int RecordingHook(const HOSTDIALOG* dialog, void* context)
{
    auto& s = *static_cast<HookState*>(context);
    ++s.calls;
    s.className = dialog->className;
    s.children.clear();
    for (UINT i = 0; i < dialog->childCount; ++i)
        s.children.push_back(std::string(dialog->children[i].className) + "|" + dialog->children[i].text + "|" +
                             std::to_string(dialog->children[i].controlId));
    s.folderId = dialog->folderId;
    return s.answer;
}

class ReminderWarnings : public HostFixture {
protected:
    std::unique_ptr<host::HostProgram> Start(const char* version, unsigned language)
    {
        host::HostOptions options;
        options.version = version;
        options.language = language;
        return StartHost(options);
    }
};

} // namespace

TEST_F(ReminderWarnings, ItemsInRemindedFoldersGetNoWarning)
{
    const std::string inboxItem = CreateInboxMessage("In the Inbox");
    auto program = Start("12.0.6423.1000", 1031);
    out.str("");
    program->Execute("warn " + inboxItem);
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"reminder set"}));
}

TEST_F(ReminderWarnings, AHookSeesTheGermanDialogAndAnswersIt)
{
    const std::string draft = CreateMessageIn(olFolderDrafts, "Besprechung");
    auto program = Start("12.0.6423.1000", 1031);
    HookState state;
    HDIALOGHOOK hook = HostInstallDialogHook(RecordingHook, &state);
    ASSERT_NE(hook, nullptr);
    out.str("");
    program->Execute("warn " + draft + " no");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"warning answered by a hook: 6"}));
    ASSERT_EQ(state.calls, 1);
    EXPECT_EQ(state.className, "#32770");
    EXPECT_EQ(state.children, (std::vector<std::string>{
                                  "Button|&Ja|6",
                                  "Button|&Nein|7",
                                  "Static||20",
                                  "MSOUNISTAT|Die Erinnerung für \"Besprechung\" wird nicht angezeigt, weil sich das "
                                  "Element in einem Ordner befindet, der Erinnerungen nicht unterstützt. Sind Sie "
                                  "damit einverstanden?|-1",
                              }));
    // The folder the hook sees is the item's: the active inspector's item lies in Drafts.
    ComPtr<_NameSpace> ns;
    ComPtr<MAPIFolder> drafts;
    program->Application()->get_Session(ns.put());
    ASSERT_EQ(ns->GetDefaultFolder(olFolderDrafts, drafts.put()), S_OK);
    ComBstr draftsId;
    drafts->get_EntryID(draftsId.put());
    EXPECT_EQ(state.folderId, draftsId.Utf8());

    // A hook that leaves the dialog: the user answers.
    state.answer = 0;
    out.str("");
    program->Execute("warn no");
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("warning \"Microsoft Office Outlook\": Die Erinnerung für \"Besprechung\"", 0), 0u);
    EXPECT_EQ(lines[1], "answer 7");
    EXPECT_EQ(HostRemoveDialogHook(hook), TRUE);
    EXPECT_EQ(HostRemoveDialogHook(hook), FALSE);
    EXPECT_EQ(host::DialogHookCount(), 0u);
}

TEST_F(ReminderWarnings, WithoutAnOpenItemThereIsNothingToWarnAbout)
{
    auto program = Start("14.0.7015.1000", 1033);
    out.str("");
    program->Execute("warn");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"error: no item is open"});
}

TEST(ReminderWarning, TextsFollowTheHostVersionAndLanguage)
{
    const host::ReminderWarning v9(9, 1031, "S"), v10(10, 1031, "S"), v11(11, 1031, "S"), v14(14, 1031, "S"),
        english(14, 1033, "S");
    EXPECT_EQ(v9.Title(), "Microsoft Outlook");
    EXPECT_EQ(v9.Message(), "Die Erinnerung für \"S\" wird nicht angezeigt werden, weil das Element nicht in Ihre "
                            "Ordner \"Kalender\" oder \"Aufgaben\" eingetragen ist. Sind Sie damit einverstanden");
    EXPECT_EQ(v10.Message(), v9.Message() + "?");
    EXPECT_EQ(v11.Title(), "Microsoft Office Outlook");
    EXPECT_EQ(v11.Message(), v9.Message() + "?");
    EXPECT_EQ(v14.Title(), "Microsoft Outlook");
    EXPECT_EQ(english.Children()[0].text, "&Yes");
    EXPECT_EQ(english.Message().rfind("The reminder for \"S\" will not be shown", 0), 0u);
}

TEST(DialogHooks, OnlyTheInstallingThreadsHooksAreAsked)
{
    HookState state;
    HDIALOGHOOK hook = nullptr;
    std::thread other([&] { hook = HostInstallDialogHook(RecordingHook, &state); });
    other.join();
    const host::ReminderWarning warning(12, 1031, "S");
    EXPECT_EQ(warning.OfferToHooks("", ""), 0);
    EXPECT_EQ(state.calls, 0);
    EXPECT_EQ(HostRemoveDialogHook(hook), TRUE);
    EXPECT_EQ(HostInstallDialogHook(nullptr, nullptr), nullptr);
}
