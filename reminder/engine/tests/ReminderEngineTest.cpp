// The engine object: its session, switching it on and off, the watched folders it restores from
// the Folders registry tree, outdated settings and resetting them.
#include "EngineFixture.h"

#include "MapiUtils.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "SuppressionRecord.h"
#include "base/AnswerQueue.h"
#include "base/MessageBox.h"
#include "base/UiLanguage.h"
#include "base/Window.h"
#include "com/ModuleLock.h"

#include <cstdlib>

using namespace remindertest;

#define EXPECT_FAILED(expr) EXPECT_TRUE(FAILED(expr))

namespace {

class ReminderEngineTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        if (HasFatalFailure())
            return;
        projects = NewFolder(Subtree(publicStore.get()).get(), "Projects");
        other = NewFolder(Subtree(publicStore.get()).get(), "Other");
        team = NewFolder(Subtree(mailbox.get()).get(), "Team");
    }

    bool Enabled(IReminderEngine* e = nullptr)
    {
        VARIANT_BOOL enabled = VARIANT_FALSE;
        EXPECT_EQ((e ? e : reminder.get())->get_Enabled(&enabled), S_OK);
        return enabled != VARIANT_FALSE;
    }

    bool IsReminderFolder(IMsgStore* store, IMAPIFolder* folder)
    {
        VARIANT_BOOL result = VARIANT_TRUE;
        ComBstr storeId(Hex(GetBinary(store, PR_ENTRYID)));
        ComBstr entryId(Hex(GetBinary(folder, PR_ENTRYID)));
        EXPECT_EQ(reminder->get_IsReminderFolder(storeId, entryId, &result), S_OK);
        return result != VARIANT_FALSE;
    }

    std::string UserTree() { return std::string(kAddInKey); }
    std::string FolderKeyPath(const std::u16string& storeName, IMAPIFolder* folder)
    {
        return std::string(kFoldersKey) + "\\" + ProfileKey() + "\\" + StoreKey(storeName) + "\\" + FolderKey(folder);
    }

    void WriteTimestamp(HKEY root, const std::string& path, const char* value)
    {
        CRegKeyEx key;
        ASSERT_EQ(key.Create(root, path.c_str()), ERROR_SUCCESS);
        ASSERT_EQ(key.SetStringValue(kTimeStampValue, value), ERROR_SUCCESS);
    }

    ComPtr<IMAPIFolder> projects, other, team;
};

VARIANT Variant(VARTYPE vt)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

} // namespace

TEST_F(ReminderEngineTest, InitializeTakesASessionAProfileNameOrTheSharedSession)
{
    ComPtr<IReminderEngine> engine;
    ASSERT_EQ(CReminderEngine::CreateInstance(engine.put()), S_OK);
    // Another type: refused, no session.
    VARIANT number = Variant(VT_I4);
    number.lVal = 7;
    EXPECT_EQ(engine->Initialize(number), E_INVALIDARG);
    ComPtr<IUnknown> held;
    EXPECT_EQ(engine->get_MapiSession(held.put()), S_OK);
    EXPECT_FALSE(held);
    ComBstr name;
    EXPECT_EQ(engine->get_ProfileName(name.put()), MAPI_E_NOT_INITIALIZED);

    // A profile by name, and the default profile for an empty name: new sessions each.
    VARIANT byName = Variant(VT_BSTR);
    byName.bstrVal = SysAllocString(u"Work");
    EXPECT_EQ(engine->Initialize(byName), S_OK);
    VariantClear(&byName);
    EXPECT_EQ(engine->get_ProfileName(name.put()), S_OK);
    EXPECT_EQ(Text(name), "Work");
    ComPtr<IUnknown> first;
    engine->get_MapiSession(first.put());
    ComPtr<ILVStores> firstStores;
    engine->get_Stores(firstStores.put());
    VARIANT empty = Variant(VT_BSTR);
    empty.bstrVal = SysAllocString(u"");
    EXPECT_EQ(engine->Initialize(empty), S_OK);
    VariantClear(&empty);
    ComPtr<IUnknown> second;
    engine->get_MapiSession(second.put());
    EXPECT_TRUE(second);
    EXPECT_NE(first.get(), second.get());
    // A second Initialize builds the store collection on the new session.
    ComPtr<ILVStores> secondStores;
    engine->get_Stores(secondStores.put());
    EXPECT_NE(firstStores.get(), secondStores.get());

    // The caller's session itself.
    VARIANT given = Variant(VT_UNKNOWN);
    given.punkVal = session.get();
    EXPECT_EQ(engine->Initialize(given), S_OK);
    ComPtr<IUnknown> third;
    engine->get_MapiSession(third.put());
    ComPtr<IUnknown> ours;
    session.As(ours);
    EXPECT_EQ(third.get(), ours.get());

    // Without a name: MAPI's shared session, when one is logged on; none here is shared.
    EXPECT_FAILED(engine->Initialize(Variant(VT_EMPTY)));
    VARIANT nothing = Variant(VT_DISPATCH);
    nothing.pdispVal = nullptr;
    EXPECT_FAILED(engine->Initialize(nothing));
    ComPtr<IMAPISession> shared;
    char profile[] = "Work";
    ASSERT_EQ(MAPILogonEx(0, profile, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, shared.put()), S_OK);
    EXPECT_EQ(engine->Initialize(Variant(VT_EMPTY)), S_OK);
    ComPtr<IUnknown> fourth, sharedUnknown;
    engine->get_MapiSession(fourth.put());
    shared.As(sharedUnknown);
    EXPECT_EQ(fourth.get(), sharedUnknown.get());
    engine = nullptr;
    shared->Logoff(0, 0, 0);
}

TEST_F(ReminderEngineTest, TheEngineAnswersItsInterfaceLateBoundAndItsErrorInfo)
{
    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(reminder.As(errorInfo), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IReminderEngine), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILVStores), S_FALSE);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(reminder.As(dispatch), S_OK);
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(Late(dispatch.get(), u"ProfileName", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(Text(result.bstrVal), "Work");
    VariantClear(&result);
    VARIANT interval = Variant(VT_I4);
    interval.lVal = 25;
    EXPECT_EQ(Late(dispatch.get(), u"UpdateInterval", DISPATCH_PROPERTYPUT, {interval}, nullptr), S_OK);
    LONG value = 0;
    reminder->get_UpdateInterval(&value);
    EXPECT_EQ(value, 25);
    // The member that carries an address is reached through the vtable only.
    DISPID dispid = 0;
    std::u16string member = u"SetNextReminder";
    LPOLESTR names[] = {member.data()};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid), DISP_E_UNKNOWNNAME);
}

TEST_F(ReminderEngineTest, EnablingWatchesTheRegistrysFoldersAndSuppressesTheirStores)
{
    MarkFolder(u"Public Folders", projects.get(), RT_PUBLIC);
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    NewItem(projects.get(), Plan("Review"));
    NewItem(team.get(), Plan("Standup"));
    HostReminderItem(mailbox.get(), 9, "Dentist");
    const std::vector<std::string> due = {"Dentist", "Standup"};
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), due);

    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(Enabled());
    EXPECT_EQ(Engine()->WatchedFolderCount(), 2u);
    EXPECT_NE(Engine()->TimerId(), 0u);
    Pump();
    const auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].subject, "Review");
    EXPECT_EQ(copies[1].subject, "Standup");
    EXPECT_TRUE(HostDue(u"Mailbox - Ann").empty());
    EXPECT_TRUE(IsReminderFolder(mailbox.get(), team.get()));
    EXPECT_TRUE(IsReminderFolder(publicStore.get(), projects.get()));
    EXPECT_FALSE(IsReminderFolder(publicStore.get(), other.get()));
    EXPECT_EQ(seam.calls, (std::vector<std::string>{"hook", "menu 1"}));

    // A second enabling does nothing.
    const UINT_PTR timer = Engine()->TimerId();
    EXPECT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(Engine()->TimerId(), timer);
    EXPECT_EQ(seam.calls.size(), 2u);

    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(Enabled());
    EXPECT_EQ(Engine()->WatchedFolderCount(), 0u);
    EXPECT_EQ(Engine()->TimerId(), 0u);
    EXPECT_EQ(Copies().size(), 2u); // the copies stay
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), due);
    EXPECT_EQ(seam.calls, (std::vector<std::string>{"hook", "menu 1", "menu 0", "unhook"}));
    // The user's time stamp was saved.
    std::string user, install;
    ReadTimestamps(ProfileKey().c_str(), &user, &install);
    EXPECT_EQ(user.size(), 14u);
}

TEST_F(ReminderEngineTest, AFolderKeyOfAnotherTypeIsNotWatchedButItsStoreIsSuppressed)
{
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    CRegKeyEx key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, FolderKeyPath(u"Mailbox - Ann", team.get()).c_str(), KEY_ALL_ACCESS),
              ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORDValue("type", 7), ERROR_SUCCESS);
    HostReminderItem(mailbox.get(), 9, "Dentist");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(Engine()->WatchedFolderCount(), 0u);
    EXPECT_TRUE(HostDue(u"Mailbox - Ann").empty());
}

TEST_F(ReminderEngineTest, RunDisabledReadsTheRegistryButWatchesNothingAndStartsNoTimer)
{
    WriteIni("RunDisabled", 1);
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    HostReminderItem(mailbox.get(), 9, "Dentist");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(Enabled());
    EXPECT_EQ(Engine()->WatchedFolderCount(), 0u);
    EXPECT_EQ(Engine()->TimerId(), 0u);
    EXPECT_TRUE(HostDue(u"Mailbox - Ann").empty()); // the store is still suppressed
    // EnableStore does not ask it.
    ComBstr key(StoreKey(u"Mailbox - Ann"));
    EXPECT_EQ(reminder->EnableStore(key), S_OK);
    EXPECT_EQ(Engine()->WatchedFolderCount(), 1u);
}

TEST_F(ReminderEngineTest, KeysOfAStoreThatLeftTheProfileOrThatCannotBeReadAreSkippedAndKept)
{
    MarkFolder(u"Public Folders", projects.get(), RT_PUBLIC);
    MarkFolder(u"Public Folders", other.get(), RT_PUBLIC);
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    // A store key of a store no longer in the profile (its folder keys are fine), first in order.
    const std::string gone = std::string(kFoldersKey) + "\\" + ProfileKey() + "\\00000000deadbeef\\0102";
    {
        CRegKeyEx key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, gone.c_str()), ERROR_SUCCESS);
        ASSERT_EQ(key.SetStringValue("eid", "0102"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDWORDValue("type", RT_PUBLIC), ERROR_SUCCESS);
    }
    // A folder key without "type", and one whose "eid" is no text.
    {
        CRegKeyEx key;
        ASSERT_EQ(key.Open(HKEY_CURRENT_USER, FolderKeyPath(u"Public Folders", projects.get()).c_str(),
                           KEY_ALL_ACCESS),
                  ERROR_SUCCESS);
        ASSERT_EQ(key.DeleteValue("type"), ERROR_SUCCESS);
        CRegKeyEx second;
        ASSERT_EQ(second.Open(HKEY_CURRENT_USER, FolderKeyPath(u"Public Folders", other.get()).c_str(), KEY_ALL_ACCESS),
                  ERROR_SUCCESS);
        ASSERT_EQ(second.SetDWORDValue("eid", 5), ERROR_SUCCESS);
    }
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    // The readable key of the store in the profile is watched all the same.
    EXPECT_EQ(Engine()->WatchedFolderCount(), 1u);
    EXPECT_TRUE(IsReminderFolder(mailbox.get(), team.get()));
    // Nothing was removed.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, gone));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, FolderKeyPath(u"Public Folders", projects.get())));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, FolderKeyPath(u"Public Folders", other.get())));
}

TEST_F(ReminderEngineTest, OutdatedSettingsAreResetOnEnablingButTheInstallationStampStays)
{
    MarkFolder(u"Public Folders", projects.get(), RT_PUBLIC);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    NewItem(projects.get(), Plan("Review"));
    Pump();
    ASSERT_EQ(Copies().size(), 1u);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    const std::string profileTree = std::string(kFoldersKey) + "\\" + ProfileKey();
    WriteTimestamp(HKEY_CURRENT_USER, profileTree, "20070101000000");
    WriteTimestamp(HKEY_LOCAL_MACHINE, kInstallKey, "20070102000000");
    SetSettingsDword("Sound", 1);

    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(Copies().empty());
    EXPECT_EQ(Engine()->WatchedFolderCount(), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, FolderKeyPath(u"Public Folders", projects.get())));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kInstallKey));
    // A new stamp: the next enabling resets nothing.
    std::string user, install;
    ReadTimestamps(ProfileKey().c_str(), &user, &install);
    EXPECT_EQ(user.size(), 14u);
    EXPECT_GT(user, install);
}

TEST_F(ReminderEngineTest, AStampOfThirteenDigitsIsNeverOutdated)
{
    MarkFolder(u"Public Folders", projects.get(), RT_PUBLIC);
    WriteTimestamp(HKEY_CURRENT_USER, std::string(kFoldersKey) + "\\" + ProfileKey(), "2007010100000");
    WriteTimestamp(HKEY_LOCAL_MACHINE, kInstallKey, "20070102000000");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(Engine()->WatchedFolderCount(), 1u);
}

TEST_F(ReminderEngineTest, ResetDeletesCopiesAndBothTreesAndEnablesOnlyAnEngineThatWasEnabled)
{
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    NewItem(team.get(), Plan("Standup"));
    WriteTimestamp(HKEY_LOCAL_MACHINE, kInstallKey, "20070102000000");
    HostReminderItem(mailbox.get(), 9, "Dentist");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Pump();
    ASSERT_EQ(Copies().size(), 1u);
    ASSERT_TRUE(CSuppressionRecord(StoreKey(u"Mailbox - Ann")).Exists());

    EXPECT_EQ(reminder->Reset(), S_OK);
    EXPECT_TRUE(Enabled());
    EXPECT_TRUE(Copies().empty());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, FolderKeyPath(u"Mailbox - Ann", team.get())));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAddInKey));
    EXPECT_EQ(Engine()->WatchedFolderCount(), 0u);
    // The store has no reminder folder any more: its reminders are the host's again.
    EXPECT_EQ(HostDue(u"Mailbox - Ann").size(), 2u);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);

    // A disabled engine stays disabled, and a saved scope (left by a session that ended without
    // disabling) outlives the reset of the settings.
    ASSERT_EQ(DisableDefaultReminders(mailbox.get()), S_OK);
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    EXPECT_EQ(reminder->Reset(), S_OK);
    EXPECT_FALSE(Enabled());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddInKey));
    EXPECT_TRUE(CSuppressionRecord(StoreKey(u"Mailbox - Ann")).Exists());
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_EQ(HostDue(u"Mailbox - Ann").size(), 2u);
    EXPECT_FALSE(CSuppressionRecord(StoreKey(u"Mailbox - Ann")).Exists());
}

TEST_F(ReminderEngineTest, AResetThatCannotDeleteTheMachinesSettingsSaysSoInTheUsersLanguage)
{
    WriteTimestamp(HKEY_LOCAL_MACHINE, kInstallKey, "20070102000000");
    platform::ClearAnswers();
    setenv("PLATFORM_REGISTRY_USER", "ordinary", 1);
    SetThreadUILanguage(1031);
    EXPECT_EQ(reminder->Reset(), S_OK);
    SetThreadUILanguage(1033);
    EXPECT_EQ(reminder->Reset(), S_OK);
    SetThreadUILanguage(0);
    unsetenv("PLATFORM_REGISTRY_USER");
    const auto boxes = platform::PromptRecords();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Lumivane Add-In");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(boxes[0].text.rfind("Die Einstellungen für den Computer konnten nicht gelöscht werden.\n", 0), 0u)
        << boxes[0].text;
    EXPECT_GT(boxes[0].text.size(), 70u); // followed by the system's text of the error
    EXPECT_EQ(boxes[1].text.rfind("The settings of this computer could not be deleted.\n", 0), 0u) << boxes[1].text;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kInstallKey));
    platform::ClearAnswers();
}

TEST_F(ReminderEngineTest, TheLastHolderLettingGoOfAnEnabledEngineDisablesIt)
{
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    HostReminderItem(mailbox.get(), 9, "Dentist");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(HostDue(u"Mailbox - Ann").empty());
    const HWND window = Engine()->TimerWindow();
    ASSERT_TRUE(IsWindow(window));
    // The sink and the watched folder hold no reference of the engine: this is its last.
    reminder = nullptr;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(HostDue(u"Mailbox - Ann"), std::vector<std::string>{"Dentist"});
    EXPECT_EQ(seam.calls.back(), "unhook");
}

TEST_F(ReminderEngineTest, StoresComingAndGoingSwitchTheirFolders)
{
    MarkFolder(u"Mailbox - Ann", team.get(), RT_PERSONAL);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    ASSERT_EQ(Engine()->WatchedFolderCount(), 1u);
    ComBstr key(StoreKey(u"Mailbox - Ann"));
    EXPECT_EQ(reminder->DisableStore(key), S_OK);
    EXPECT_EQ(Engine()->WatchedFolderCount(), 0u);
    EXPECT_EQ(reminder->EnableStore(key), S_OK);
    EXPECT_EQ(Engine()->WatchedFolderCount(), 1u);
    ComBstr unknown("00ff");
    EXPECT_EQ(reminder->EnableStore(unknown), S_OK);
    EXPECT_EQ(Engine()->WatchedFolderCount(), 1u);
}

TEST_F(ReminderEngineTest, WithoutACalendarInTheDefaultStoreEnablingFails)
{
    // Remove the Calendar's entry ID from the default store's Inbox: no default Calendar.
    ULONG cb = 0;
    LPENTRYID inboxId = nullptr;
    ASSERT_EQ(personal->GetReceiveFolder(nullptr, 0, &cb, &inboxId, nullptr), S_OK);
    ComPtr<IMAPIFolder> inbox = Open(personal.get(), Bytes(reinterpret_cast<BYTE*>(inboxId),
                                                           reinterpret_cast<BYTE*>(inboxId) + cb));
    MAPIFreeBuffer(inboxId);
    SizedSPropTagArray(1, tags) = {1, {PR_IPM_APPOINTMENT_ENTRYID}};
    ASSERT_EQ(inbox->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr), S_OK);
    ComPtr<IMAPIFolder> root = Open(personal.get(), Bytes{});
    if (root)
        root->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr);
    ComPtr<IReminderEngine> engine = NewEngine();
    EXPECT_FAILED(engine->put_Enabled(VARIANT_TRUE));
    EXPECT_FALSE(Enabled(engine.get()));
    ComPtr<ILVFolder> back;
    EXPECT_EQ(engine->get_BackFolder(back.put()), S_OK);
    EXPECT_FALSE(back);
}
