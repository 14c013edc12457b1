// The reminders window in the headless host program, with the library installed as the host's
// client extension by its setup entry: a due item of a reminder folder raises the window on the
// engine's timer, once, and the host's script drives its buttons.
#include "TempRoot.h"
#include "ReminderFolderKey.h"
#include "RunChild.h"
#include "VirtualDisplay.h"
#include "base/PlatformRoot.h"
#include "base/WinTime.h"
#include "host/HostSession.h"
#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>

namespace {

using Bytes = std::vector<BYTE>;

constexpr ULONGLONG kMinute = 600000000ULL;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::size_t Count(const std::vector<std::string>& lines, const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

ULONG Named(IMAPIProp* object, const GUID& set, LONG id, ULONG type)
{
    MAPINAMEID name{const_cast<LPGUID>(&set), MNID_ID, {id}};
    LPMAPINAMEID names[] = {&name};
    LPSPropTagArray tags = nullptr;
    if (FAILED(object->GetIDsFromNames(1, names, MAPI_CREATE, &tags)))
        return PR_NULL;
    const ULONG tag = CHANGE_PROP_TYPE(tags->aulPropTag[0], type);
    MAPIFreeBuffer(tags);
    return tag;
}

ULONGLONG Now()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

class RemindersWindowEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
        const auto dir = platform::StoresDirectory();
        ASSERT_EQ(mapi::CreateStoreFile(dir / "personal.store", mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::CreateStoreFile(dir / "mailbox.store", mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
        for (const char* name : {"personal.store", "mailbox.store"})
            ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", dir / name), S_OK);
        ASSERT_EQ(RunChild(MAILHOST_PROGRAM, {"--register"}).exitCode, 0);
        const ChildResult installed = RunChild(RUNDLL_PROGRAM, {std::string(LUMIVANE_LIBRARY) + ",RunDLLRegisterExtension"});
        ASSERT_EQ(installed.exitCode, 0) << installed.err;
        MakeItem();
    }

    std::vector<std::string> Host(const std::string& version, const std::string& script, const ChildOptions& options = {})
    {
        const auto file = root.path() / "script.txt";
        std::ofstream(file) << script << "quit\n";
        const ChildResult run =
            RunChild(MAILHOST_PROGRAM, {"--headless", "--version", version, "--script", file.string()}, options);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return Lines(run.out);
    }

    // A folder of the mailbox marked a reminder folder, with an item whose reminder is due.
    void MakeItem()
    {
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        {
            ComPtr<IMsgStore> mailbox;
            ASSERT_EQ(mapi::OpenStoreFile(platform::StoresDirectory() / "mailbox.store", MDB_WRITE, mailbox.put()), S_OK);
            const host::Binary top = host::GetBinaryProp(mailbox.get(), PR_IPM_SUBTREE_ENTRYID);
            ULONG type = 0;
            ComPtr<IMAPIFolder> parent, team;
            ASSERT_EQ(mailbox->OpenEntry(static_cast<ULONG>(top.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(top.data())),
                                         nullptr, MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(parent.put())),
                      S_OK);
            ASSERT_EQ(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Team"), nullptr, nullptr, 0, team.put()), S_OK);
            ComPtr<IMessage> message;
            ASSERT_EQ(team->CreateMessage(nullptr, 0, message.put()), S_OK);
            SPropValue p[4]{};
            p[0].ulPropTag = PR_SUBJECT_A;
            p[0].Value.lpszA = const_cast<char*>("Standup");
            p[1].ulPropTag = PR_MESSAGE_CLASS_A;
            p[1].Value.lpszA = const_cast<char*>("IPM.Appointment");
            p[2].ulPropTag = Named(message.get(), PSETID_Common, 0x8503, PT_BOOLEAN);
            p[2].Value.b = 1;
            const ULONGLONG due = Now() - 60 * kMinute;
            p[3].ulPropTag = Named(message.get(), PSETID_Common, 0x8560, PT_SYSTIME);
            p[3].Value.ft = {static_cast<DWORD>(due), static_cast<DWORD>(due >> 32)};
            ASSERT_EQ(message->SetProps(4, p, nullptr), S_OK);
            ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
            item = host::GetBinaryProp(message.get(), PR_ENTRYID);

            MarkReminderFolder("Work", mailbox.get(), team.get());
        }
        MAPIUninitialize();
    }

    // The item's reminder, and its copy's signal time in the back folder.
    std::optional<bool> ReminderSet()
    {
        std::optional<bool> set;
        EXPECT_EQ(MAPIInitialize(nullptr), S_OK);
        {
            ComPtr<IMsgStore> mailbox;
            EXPECT_EQ(mapi::OpenStoreFile(platform::StoresDirectory() / "mailbox.store", 0, mailbox.put()), S_OK);
            ULONG type = 0;
            ComPtr<IMessage> message;
            if (SUCCEEDED(mailbox->OpenEntry(static_cast<ULONG>(item.size()), reinterpret_cast<LPENTRYID>(item.data()), nullptr, 0,
                                             &type, reinterpret_cast<LPUNKNOWN*>(message.put())))) {
                LPSPropValue value = nullptr;
                if (SUCCEEDED(HrGetOneProp(message.get(), Named(message.get(), PSETID_Common, 0x8503, PT_BOOLEAN), &value))) {
                    set = value->Value.b != 0;
                    MAPIFreeBuffer(value);
                }
            }
        }
        MAPIUninitialize();
        return set;
    }
    std::optional<ULONGLONG> CopySignalTime()
    {
        std::optional<ULONGLONG> signal;
        EXPECT_EQ(MAPIInitialize(nullptr), S_OK);
        {
            ComPtr<IMsgStore> personal;
            EXPECT_EQ(mapi::OpenStoreFile(platform::StoresDirectory() / "personal.store", 0, personal.put()), S_OK);
            ULONG cb = 0;
            LPENTRYID inboxId = nullptr;
            EXPECT_EQ(personal->GetReceiveFolder(nullptr, 0, &cb, &inboxId, nullptr), S_OK);
            ULONG type = 0;
            ComPtr<IMAPIFolder> inbox, calendar;
            EXPECT_EQ(personal->OpenEntry(cb, inboxId, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(inbox.put())), S_OK);
            MAPIFreeBuffer(inboxId);
            const host::Binary calendarId = host::GetBinaryProp(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID);
            EXPECT_EQ(personal->OpenEntry(static_cast<ULONG>(calendarId.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(calendarId.data())),
                                          nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(calendar.put())),
                      S_OK);
            ComPtr<IMAPITable> table;
            EXPECT_EQ(calendar->GetContentsTable(MAPI_ASSOCIATED, table.put()), S_OK);
            SizedSPropTagArray(1, columns) = {1, {Named(calendar.get(), PSETID_Common, 0x8560, PT_SYSTIME)}};
            LPSRowSet rows = nullptr;
            EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows), S_OK);
            for (ULONG i = 0; rows && i < rows->cRows; ++i)
                if (PROP_TYPE(rows->aRow[i].lpProps[0].ulPropTag) == PT_SYSTIME) {
                    const FILETIME& ft = rows->aRow[i].lpProps[0].Value.ft;
                    signal = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
                }
            FreeProws(rows);
        }
        MAPIUninitialize();
        return signal;
    }

    TempRoot root;
    host::Binary item;
};

} // namespace

TEST_F(RemindersWindowEndToEnd, AtVersion12TheDueItemRaisesOneWindowWhichSnoozes)
{
    // The reminder's sound, played by a player that notes each file it is given.
    const auto sound = root.path() / "chime.wav";
    std::ofstream(sound) << "RIFF";
    const auto played = root.path() / "played.txt";
    const auto player = root.path() / "player.sh";
    std::ofstream(player) << "#!/bin/sh\necho \"$1\" >> '" << played.string() << "'\n";
    std::filesystem::permissions(player, std::filesystem::perms::owner_all);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Halvesta\\Lumivane Add-In\\Settings", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD on = 1;
    RegSetValueExA(key, "Sound", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    RegSetValueExA(key, "SoundFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(sound.c_str()),
                   static_cast<DWORD>(sound.string().size() + 1));
    RegCloseKey(key);
    ChildOptions options;
    options.environment["PLATFORM_SOUND_PLAYER"] = player.string();

    const ULONGLONG before = Now();
    const auto lines = Host("12.0.6423.1000", "wait 15\nwindows\nclick tag Show Lumivane Window\nwait 15\nwindows\n"
                                              "send \"Lumivane Add-In\" WM_COMMAND 242\nwindows\n", options);
    // One sound: the ticks while the window is open play none.
    std::ifstream in(played);
    std::vector<std::string> sounds;
    for (std::string line; std::getline(in, line);)
        sounds.push_back(line);
    EXPECT_EQ(sounds, std::vector<std::string>{sound.string()});
    // Raised within the first wait; the menu command's window and the next tick open no second
    // one; gone after snoozing every row.
    EXPECT_EQ(Count(lines, "window \"Lumivane Add-In\" class \"#32770\""), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(Count(lines, "click \"Lumivane Add-In\""), 1u) << ::testing::PrintToString(lines);
    const std::optional<ULONGLONG> signal = CopySignalTime();
    ASSERT_TRUE(signal);
    EXPECT_GE(*signal, before + 5 * kMinute);
    EXPECT_LE(*signal, Now() + 5 * kMinute + 10000000ULL);
    EXPECT_EQ(ReminderSet(), true);
}

TEST_F(RemindersWindowEndToEnd, AtVersion14CleaningAllIsAskedAndCleaningOneSwitchesTheItemOff)
{
    const auto lines = Host("14.0.4760.1000", "wait 15\nanswer cancel\nsend \"Lumivane Add-In\" WM_COMMAND 243\nwindows\n"
                                              "send \"Lumivane Add-In\" WM_COMMAND 241\nwait 1\nwindows\n");
    EXPECT_EQ(Count(lines, "window \"Lumivane Add-In\" class \"#32770\""), 1u) << ::testing::PrintToString(lines);
    EXPECT_EQ(ReminderSet(), false);
}

TEST_F(RemindersWindowEndToEnd, OnADisplayTheRaisedWindowShowsAndCloses)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    VirtualDisplay display;
    ASSERT_TRUE(display.ok()) << display.error();
    const auto script = root.path() / "script.txt";
    std::ofstream(script) << "wait 15\nscreenshot \"Lumivane Add-In\" reminders-window-host-12\n"
                             "send \"Lumivane Add-In\" WM_COMMAND 1\nwindows\nquit\n";
    ChildOptions options;
    options.environment["DISPLAY"] = display.name();
    // Under the sanitizers the toolkit's own libraries keep memory to the end; that is not ours.
    options.environment["LSAN_OPTIONS"] = "print_suppressions=0:suppressions=" + std::string(TOOLKIT_LEAKS);
    const ChildResult run = RunChild(MAILHOST_PROGRAM, {"--version", "12.0.6423.1000", "--script", script.string()}, options);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const auto lines = Lines(run.out);
    EXPECT_EQ(Count(lines, "screenshot "), 1u) << run.out;
    // Closed: no reminders window is left.
    EXPECT_EQ(Count(lines, "window \"Lumivane Add-In\""), 0u) << run.out;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(MAILHOST_PROGRAM).parent_path().parent_path() / "artifacts" /
                                        "mailhost" / "reminders-window-host-12.png"));
    // The due copy comes back five minutes later.
    const std::optional<ULONGLONG> signal = CopySignalTime();
    ASSERT_TRUE(signal);
    EXPECT_GT(*signal, Now());
}
