// The host's own reminders while the engine is enabled, seen through what the host itself finds
// due: off in the stores with reminder folders, on again in every store whose scope was saved.
#include "EngineFixture.h"

#include "MapiUtils.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "SuppressionRecord.h"
#include "base/Window.h"
#include "host/HostSession.h"

using namespace remindertest;

namespace {

class EngineSuppression : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        if (HasFatalFailure())
            return;
        team = NewFolder(Subtree(mailbox.get()).get(), "Team");
        HostReminderItem(mailbox.get(), 9, "Dentist");
        HostReminderItem(mailbox.get(), 13, "Tax");
        HostReminderItem(personal.get(), 9, "Birthday");
    }

    ComPtr<IMAPIFolder> Reminders(IMsgStore* store)
    {
        ULONG cb = 0;
        LPENTRYID inboxId = nullptr;
        EXPECT_EQ(store->GetReceiveFolder(nullptr, 0, &cb, &inboxId, nullptr), S_OK);
        ComPtr<IMAPIFolder> inbox =
            Open(store, Bytes(reinterpret_cast<BYTE*>(inboxId), reinterpret_cast<BYTE*>(inboxId) + cb));
        MAPIFreeBuffer(inboxId);
        return Open(store, GetBinary(inbox.get(), PR_REM_ONLINE_ENTRYID));
    }

    Bytes DefaultFolder(IMsgStore* store, LONG type)
    {
        host::HostSession hostSession;
        EXPECT_EQ(hostSession.Logon("Work"), S_OK);
        host::Binary id;
        EXPECT_EQ(hostSession.DefaultFolderId(store, type, id), S_OK);
        hostSession.Logoff();
        return id;
    }

    std::pair<std::vector<Bytes>, ULONG> Scope(IMsgStore* store)
    {
        LPSRestriction restriction = nullptr;
        LPENTRYLIST list = nullptr;
        ULONG state = 0;
        EXPECT_EQ(Reminders(store)->GetSearchCriteria(0, &restriction, &list, &state), S_OK);
        std::vector<Bytes> containers;
        for (ULONG i = 0; list && i < list->cValues; ++i)
            containers.emplace_back(list->lpbin[i].lpb, list->lpbin[i].lpb + list->lpbin[i].cb);
        MAPIFreeBuffer(restriction);
        MAPIFreeBuffer(list);
        return {containers, state};
    }

    const std::vector<std::string> mailboxDue = {"Dentist", "Tax"};
    ComPtr<IMAPIFolder> team;
};

} // namespace

TEST_F(EngineSuppression, TheDefaultStoreAndTheStoresWithReminderFoldersAreSilentWhileEnabled)
{
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    ASSERT_EQ(HostDue(u"Personal Folders"), std::vector<std::string>{"Birthday"});
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(HostDue(u"Personal Folders").empty());
    EXPECT_TRUE(HostDue(u"Mailbox - Ann").empty());
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_EQ(HostDue(u"Personal Folders"), std::vector<std::string>{"Birthday"});
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), mailboxDue);
    EXPECT_FALSE(CSuppressionRecord(StoreKey(u"Mailbox - Ann")).Exists());
    EXPECT_FALSE(CSuppressionRecord(StoreKey(u"Personal Folders")).Exists());
}

TEST_F(EngineSuppression, DisablingRestoresAStoreAnEarlierSessionLeftSilentWithoutFolderKeys)
{
    // An earlier session suppressed the mailbox and ended without disabling; its folder keys
    // are gone since (Enable walks only the Folders tree).
    ASSERT_EQ(DisableDefaultReminders(mailbox.get()), S_OK);
    ASSERT_TRUE(HostDue(u"Mailbox - Ann").empty());
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(HostDue(u"Mailbox - Ann").empty());
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), mailboxDue);
}

TEST_F(EngineSuppression, ANarrowedScopeComesBackExactlyAndAStoreIsSuppressedOncePerEnabling)
{
    // Calendar only, not recursive; two reminder folders in the store.
    const Bytes calendar = DefaultFolder(mailbox.get(), 9);
    SBinary entry{static_cast<ULONG>(calendar.size()), const_cast<BYTE*>(calendar.data())};
    ENTRYLIST list{1, &entry};
    ASSERT_EQ(Reminders(mailbox.get())->SetSearchCriteria(nullptr, &list, SHALLOW_SEARCH | RESTART_SEARCH), S_OK);
    ASSERT_EQ(HostDue(u"Mailbox - Ann"), std::vector<std::string>{"Dentist"});
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    MarkFolder(u"Mailbox - Ann", NewFolder(Subtree(mailbox.get()).get(), "Board").get(), RT_PERSONAL);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(HostDue(u"Mailbox - Ann").empty());
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    const auto [containers, state] = Scope(mailbox.get());
    EXPECT_EQ(containers, std::vector<Bytes>{calendar});
    EXPECT_FALSE(state & SEARCH_RECURSIVE);
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), std::vector<std::string>{"Dentist"});
}

TEST_F(EngineSuppression, TheResetOfOutdatedSettingsKeepsTheSavedScopes)
{
    ASSERT_EQ(DisableDefaultReminders(mailbox.get()), S_OK);
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    {
        CRegKeyEx user, install;
        ASSERT_EQ(user.Create(HKEY_CURRENT_USER, (std::string(kFoldersKey) + "\\" + ProfileKey()).c_str()),
                  ERROR_SUCCESS);
        ASSERT_EQ(user.SetStringValue(kTimeStampValue, "20070101000000"), ERROR_SUCCESS);
        ASSERT_EQ(install.Create(HKEY_LOCAL_MACHINE, kInstallKey), ERROR_SUCCESS);
        ASSERT_EQ(install.SetStringValue(kTimeStampValue, "20070102000000"), ERROR_SUCCESS);
    }
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(Engine()->WatchedFolderCount(), 0u); // the folder keys went with the reset
    EXPECT_TRUE(CSuppressionRecord(StoreKey(u"Mailbox - Ann")).Exists());
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), mailboxDue);
}

TEST_F(EngineSuppression, AFailingEnablingRestoresWhatItSuppressed)
{
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    // No timer window: the timer cannot start, after the folders' stores were suppressed.
    ASSERT_TRUE(DestroyWindow(Engine()->TimerWindow()));
    EXPECT_TRUE(FAILED(reminder->put_Enabled(VARIANT_TRUE)));
    VARIANT_BOOL enabled = VARIANT_TRUE;
    reminder->get_Enabled(&enabled);
    EXPECT_EQ(enabled, VARIANT_FALSE);
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), mailboxDue);
    EXPECT_EQ(HostDue(u"Personal Folders"), std::vector<std::string>{"Birthday"});
    EXPECT_FALSE(CSuppressionRecord(StoreKey(u"Mailbox - Ann")).Exists());
}
