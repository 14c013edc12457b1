// The host's own reminders from each store's Reminders search folder, and their silencing when
// that folder is pointed elsewhere.
#include "HostFixture.h"

#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "VirtualDisplay.h"
#include "host/RemindersWindow.h"
#include "base/WinTime.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <thread>

namespace {

class HostReminder : public HostFixture {
protected:
    void CreateAppointment(const std::string& subject, const std::string& signalTime)
    {
        const std::string command = std::string(MAPIADMIN_PROGRAM) + " message create '" +
                                    (platform::StoresDirectory() / "mailbox.store").string() + "' Calendar --subject '" +
                                    subject + "' --class IPM.Appointment --named PSETID_Common/#0x8503/bool=true" +
                                    " --named PSETID_Common/#0x8560/time=" + signalTime + " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    // What an add-in does to switch the store's reminders off: the Reminders folder searches
    // only the Outbox.
    void PointRemindersAtOutbox(host::HostProgram& program)
    {
        const host::HostSession& session = program.Application()->Session();
        ComPtr<IMsgStore> store;
        host::Binary storeId, inboxId;
        ASSERT_EQ(session.OpenDefaultStore(store, storeId), S_OK);
        ASSERT_EQ(session.DefaultFolderId(store.get(), olFolderInbox, inboxId), S_OK);
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ASSERT_EQ(session.OpenEntry(inboxId, &storeId, type, object), S_OK);
        ComPtr<IMAPIProp> inbox;
        ASSERT_EQ(object.As(inbox), S_OK);
        host::Binary remindersId = host::GetBinaryProp(inbox.get(), PR_REM_ONLINE_ENTRYID);
        object = nullptr;
        ASSERT_EQ(session.OpenEntry(remindersId, &storeId, type, object), S_OK);
        ComPtr<IMAPIFolder> reminders;
        ASSERT_EQ(object.As(reminders), S_OK);
        LPSRestriction restriction = nullptr;
        LPENTRYLIST containers = nullptr;
        ULONG state = 0;
        ASSERT_EQ(reminders->GetSearchCriteria(0, &restriction, &containers, &state), S_OK);
        host::Binary outboxId = host::GetBinaryProp(store.get(), PR_IPM_OUTBOX_ENTRYID);
        SBinary entry{static_cast<ULONG>(outboxId.size()), outboxId.data()};
        ENTRYLIST list{1, &entry};
        EXPECT_EQ(reminders->SetSearchCriteria(restriction, &list, RESTART_SEARCH), S_OK);
        MAPIFreeBuffer(restriction);
        MAPIFreeBuffer(containers);
    }
};

} // namespace

TEST_F(HostReminder, DueItemsAreRaisedOnceWithTheReminderEvent)
{
    CreateAppointment("Meeting", "2020-01-01T00:00:00Z");
    CreateAppointment("Later", "2099-01-01T00:00:00Z");
    RegisterAddIn();
    auto program = StartHost();
    out.str("");
    program->Execute("tick");
    program->Execute("tick");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"reminder \"Meeting\""});
    EXPECT_EQ(AddInLog().back(), "app f004");
    out.str("");
    program->Execute("command ShowRemindersWindow");
    EXPECT_EQ(Lines(out.str()),
              (std::vector<std::string>{"command ShowRemindersWindow", "reminders window: 1 due", "  \"Meeting\""}));
}

TEST_F(HostReminder, AStoreWhoseRemindersFolderSearchesTheOutboxRemindsOfNothing)
{
    CreateAppointment("Meeting", "2020-01-01T00:00:00Z");
    auto program = StartHost();
    PointRemindersAtOutbox(*program);
    out.str("");
    program->Execute("tick");
    program->Execute("command ShowRemindersWindow");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"command ShowRemindersWindow", "reminders window: 0 due"}));
}

namespace {

// Runs the test thread's message loop, as the host's window loop would, until `line` was
// written or five seconds have passed; no tick.
bool RunLoopUntilLine(const std::ostringstream& out, const std::string& line)
{
    auto& loop = platform::MessageLoop::Current();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        loop.RunPending();
        if (out.str().find(line) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string UtcInSeconds(int seconds)
{
    const std::time_t t = std::time(nullptr) + seconds;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

} // namespace

TEST_F(HostReminder, AnItemAnotherProcessMakesDueIsRaisedFromTheLoopWithoutATick)
{
    RegisterAddIn();
    auto program = StartHost();
    EXPECT_EQ(program->Reminders()->WatchedStores(), 1u);
    platform::MessageLoop::Current().RunPending();
    out.str("");
    CreateAppointment("Overdue", "2020-01-01T00:00:00Z"); // a mapiadmin process
    ASSERT_TRUE(RunLoopUntilLine(out, "reminder \"Overdue\"")) << out.str();
    EXPECT_EQ(AddInLog().back(), "app f004");
    // Raised once: the next change of the folder does not raise it again.
    CreateAppointment("Later", "2099-01-01T00:00:00Z");
    ASSERT_FALSE(RunLoopUntilLine(out, "reminder \"Later\""));
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"reminder \"Overdue\""});
}

TEST_F(HostReminder, TheReminderTimerRaisesAnItemAtItsTime)
{
    auto program = StartHost();
    CreateAppointment("Soon", UtcInSeconds(2));
    platform::MessageLoop::Current().RunPending();
    EXPECT_EQ(out.str().find("reminder \"Soon\""), std::string::npos);
    // Found through the table's notification, then raised by the timer when its time comes.
    ASSERT_TRUE(RunLoopUntilLine(out, "reminder \"Soon\"")) << out.str();
}

TEST_F(HostReminder, SwitchingTheStoresRemindersOffIsNoticedWithoutATick)
{
    CreateAppointment("Meeting", "2020-01-01T00:00:00Z");
    auto program = StartHost();
    ASSERT_TRUE(RunLoopUntilLine(out, "reminder \"Meeting\"")); // due at start
    PointRemindersAtOutbox(*program);
    platform::MessageLoop::Current().RunPending();
    // The rows the host keeps follow the folder: nothing is due any more, and items that
    // another process makes due are not raised.
    CreateAppointment("Overdue", "2020-01-01T00:00:00Z");
    EXPECT_FALSE(RunLoopUntilLine(out, "reminder \"Overdue\""));
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    EXPECT_TRUE(program->Reminders()->Due((ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime).empty());
}

TEST_F(HostReminder, TheRemindersWindowListsDismissesAndSnoozes)
{
    CreateAppointment("First", "2020-01-01T00:00:00Z");
    CreateAppointment("Second", "2020-01-02T00:00:00Z");
    CreateAppointment("Later", "2099-01-01T00:00:00Z");
    auto program = StartHost();
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    const ULONGLONG now = (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    host::RemindersWindow window(program->Session(), *program->Reminders());
    window.Refresh(now);
    ASSERT_EQ(window.Rows().size(), 2u);
    EXPECT_EQ(window.Rows()[0].reminder.subject, u"First");
    EXPECT_EQ(window.Rows()[0].folder, u"Calendar");
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    EXPECT_EQ(host::RemindersWindow::DueText(window.Rows()[1]), "2020-01-02 01:00"); // local time
    if (oldTz)
        setenv("TZ", savedTz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(window.Dismiss(2), E_INVALIDARG);
    EXPECT_EQ(window.Snooze(0, 0, now), E_INVALIDARG);

    ASSERT_EQ(window.Dismiss(0), S_OK);
    ASSERT_EQ(window.Rows().size(), 1u);
    ASSERT_EQ(window.Snooze(0, 5, now), S_OK);
    EXPECT_TRUE(window.Rows().empty());
    program->Execute("tick"); // the host takes in the changes of the Reminders folder
    window.Refresh(now);
    EXPECT_TRUE(window.Rows().empty());
    // Dismissed: out of the Reminders folder; snoozed: due five minutes on.
    EXPECT_EQ(program->Reminders()->NextDue(now), now + 5 * 600000000ull);
    window.Refresh(now + 5 * 600000000ull);
    ASSERT_EQ(window.Rows().size(), 1u);
    EXPECT_EQ(window.Rows()[0].reminder.subject, u"Second");
}

TEST_F(HostReminder, TheWindowedHostShowsItsRemindersWindow)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    CreateAppointment("Meeting", "2020-01-01T00:00:00Z");
    std::vector<std::string> lines;
    std::string text;
    ASSERT_EQ(RunWindowedHost("command ShowRemindersWindow\nquit\n", lines, &text), 0) << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "reminders window shown: 1 due"), lines.end()) << text;
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "reminders window: 1 due"), lines.end()) << text;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "host stopped");
}
