// The host's own reminders from each store's Reminders search folder, and their silencing when
// that folder is pointed elsewhere.
#include "HostFixture.h"

#include "base/PlatformRoot.h"

#include <cstdlib>

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
