// Switching the host's own reminders off and on in a store, seen through what the host itself
// finds due, and the saved scope that brings back what the Reminders folder searched before.
#include "MapiUtils.h"
#include "RegKeyEx.h"
#include "SuppressionRecord.h"

#include "TempRoot.h"
#include "base/PlatformRoot.h"
#include "host/HostReminders.h"
#include "host/HostSession.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using host::Binary;

constexpr ULONGLONG kFarFuture = 0x7000000000000000ULL;

class Suppression : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
        const auto mailbox = platform::StoresDirectory() / "mailbox.store";
        ASSERT_EQ(mapi::CreateStoreFile(mailbox, mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", mailbox), S_OK);
        const auto publicStore = platform::StoresDirectory() / "public.store";
        ASSERT_EQ(mapi::CreateStoreFile(publicStore, mapi::StoreKind::PublicFolders, u"Public Folders"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", publicStore), S_OK);
        Logon();
    }

    void TearDown() override
    {
        Logoff();
        MAPIUninitialize();
    }

    void Logon()
    {
        ASSERT_EQ(session.Logon("Work"), S_OK);
        ASSERT_EQ(session.OpenDefaultStore(store, storeId), S_OK);
    }

    void Logoff()
    {
        store = nullptr;
        session.Logoff();
    }

    Binary FolderId(LONG type)
    {
        Binary id;
        EXPECT_EQ(session.DefaultFolderId(store.get(), type, id), S_OK);
        return id;
    }

    template <class T>
    ComPtr<T> Open(const Binary& id, ULONG flags = MAPI_MODIFY)
    {
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ComPtr<T> out;
        EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())),
                                   nullptr, flags, &type, object.put()),
                  S_OK);
        if (object) {
            EXPECT_EQ(object.As(out), S_OK);
        }
        return out;
    }

    ComPtr<IMAPIFolder> Inbox() { return Open<IMAPIFolder>(FolderId(6)); }
    ComPtr<IMAPIFolder> Reminders() { return Open<IMAPIFolder>(host::GetBinaryProp(Inbox().get(), PR_REM_ONLINE_ENTRYID)); }

    // An item with its reminder set, due long ago.
    void CreateReminder(IMAPIFolder* folder, const char* subject)
    {
        ComPtr<IMessage> message;
        ASSERT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
        GUID common = PSETID_Common;
        MAPINAMEID ids[2] = {{&common, MNID_ID, {0x8503}}, {&common, MNID_ID, {0x8560}}};
        LPMAPINAMEID names[2] = {&ids[0], &ids[1]};
        LPSPropTagArray tags = nullptr;
        ASSERT_EQ(message->GetIDsFromNames(2, names, MAPI_CREATE, &tags), S_OK);
        SPropValue props[3]{};
        props[0].ulPropTag = CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_BOOLEAN);
        props[0].Value.b = 1;
        props[1].ulPropTag = CHANGE_PROP_TYPE(tags->aulPropTag[1], PT_SYSTIME);
        props[1].Value.ft = {0, 0x01D00000};
        props[2].ulPropTag = PR_SUBJECT_A;
        props[2].Value.lpszA = const_cast<char*>(subject);
        MAPIFreeBuffer(tags);
        ASSERT_EQ(message->SetProps(3, props, nullptr), S_OK);
        ASSERT_EQ(message->SaveChanges(0), S_OK);
    }

    ComPtr<IMAPIFolder> CreateSubfolder(const char* name)
    {
        ComPtr<IMAPIFolder> subtree = Open<IMAPIFolder>(host::GetBinaryProp(store.get(), PR_IPM_SUBTREE_ENTRYID));
        ComPtr<IMAPIFolder> folder;
        EXPECT_EQ(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name), nullptr, nullptr, 0, folder.put()),
                  S_OK);
        return folder;
    }

    // What the host itself finds due, by subject.
    std::vector<std::string> Due()
    {
        std::vector<std::string> subjects;
        for (const auto& r : host::HostReminders::Due(session, kFarFuture))
            subjects.emplace_back(r.subject.begin(), r.subject.end());
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }

    struct Scope {
        std::vector<Binary> containers;
        ULONG state = 0;
    };
    Scope SearchScope(ComPtr<IMAPIFolder> folder = nullptr)
    {
        Scope scope;
        LPSRestriction restriction = nullptr;
        LPENTRYLIST list = nullptr;
        if (!folder)
            folder = Reminders();
        EXPECT_EQ(folder->GetSearchCriteria(0, &restriction, &list, &scope.state), S_OK);
        for (ULONG i = 0; list && i < list->cValues; ++i)
            scope.containers.emplace_back(list->lpbin[i].lpb, list->lpbin[i].lpb + list->lpbin[i].cb);
        MAPIFreeBuffer(restriction);
        MAPIFreeBuffer(list);
        return scope;
    }

    void SetScope(const std::vector<Binary>& containers, ULONG flags)
    {
        std::vector<SBinary> entries;
        for (const auto& c : containers)
            entries.push_back(SBinary{static_cast<ULONG>(c.size()), const_cast<BYTE*>(c.data())});
        ENTRYLIST list{static_cast<ULONG>(entries.size()), entries.data()};
        ASSERT_EQ(Reminders()->SetSearchCriteria(nullptr, &list, flags | RESTART_SEARCH), S_OK);
    }

    Binary Outbox() { return host::GetBinaryProp(store.get(), PR_IPM_OUTBOX_ENTRYID); }
    Binary Subtree() { return host::GetBinaryProp(store.get(), PR_IPM_SUBTREE_ENTRYID); }
    Binary RecordKey() { return host::GetBinaryProp(store.get(), PR_RECORD_KEY); }
    bool HasRecord()
    {
        const Binary key = RecordKey();
        SBinary bin{static_cast<ULONG>(key.size()), const_cast<BYTE*>(key.data())};
        return HasSuppressionRecord(&bin);
    }

    void FillFolders()
    {
        CreateReminder(Open<IMAPIFolder>(FolderId(9)).get(), "Appointment");
        CreateReminder(Open<IMAPIFolder>(FolderId(13)).get(), "Task");
        CreateReminder(Inbox().get(), "Mail");
        CreateReminder(CreateSubfolder("Projects").get(), "Project");
    }

    TempRoot root;
    host::HostSession session;
    ComPtr<IMsgStore> store;
    Binary storeId;
};

const std::vector<std::string> kAll = {"Appointment", "Mail", "Project", "Task"};

} // namespace

TEST_F(Suppression, TheHostRemindsAgainOfEverythingItDidBefore)
{
    FillFolders();
    EXPECT_EQ(Due(), kAll);
    const Scope before = SearchScope();
    EXPECT_EQ(before.containers, std::vector<Binary>{Subtree()});
    EXPECT_TRUE(before.state & SEARCH_RECURSIVE);

    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    EXPECT_TRUE(Due().empty());
    EXPECT_EQ(SearchScope().containers, std::vector<Binary>{Outbox()});
    EXPECT_TRUE(HasRecord());
    // Found by the record key the profile's store table gives, as the engine looks stores up.
    LPMAPITABLE table = nullptr;
    ASSERT_EQ(session.Session()->GetMsgStoresTable(0, &table), S_OK);
    SizedSPropTagArray(2, columns) = {2, {PR_RECORD_KEY, PR_DEFAULT_STORE}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows), S_OK);
    table->Release();
    int suppressed = 0;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* p = rows->aRow[i].lpProps;
        if (HasSuppressionRecord(HexString(p[0].Value.bin.cb, p[0].Value.bin.lpb))) {
            ++suppressed;
            EXPECT_TRUE(p[1].ulPropTag == PR_DEFAULT_STORE && p[1].Value.b);
        }
    }
    FreeProws(rows);
    EXPECT_EQ(suppressed, 1);

    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(Due(), kAll);
    const Scope after = SearchScope();
    EXPECT_EQ(after.containers, before.containers);
    EXPECT_EQ(after.state & SEARCH_RECURSIVE, before.state & SEARCH_RECURSIVE);
    EXPECT_FALSE(HasRecord());
    // The last record gone, its parent key goes too.
    CRegKeyEx key;
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, CSuppressionRecord::RootKey(), KEY_READ), ERROR_FILE_NOT_FOUND);
}

TEST_F(Suppression, ANarrowedScopeComesBackExactly)
{
    FillFolders();
    const Binary calendar = FolderId(9);
    SetScope({calendar}, SHALLOW_SEARCH);
    EXPECT_EQ(Due(), std::vector<std::string>{"Appointment"});

    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    EXPECT_TRUE(Due().empty());
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(Due(), std::vector<std::string>{"Appointment"});
    const Scope after = SearchScope();
    EXPECT_EQ(after.containers, std::vector<Binary>{calendar});
    EXPECT_FALSE(after.state & SEARCH_RECURSIVE);
}

TEST_F(Suppression, SuppressingTwiceKeepsTheFirstScope)
{
    FillFolders();
    const Binary calendar = FolderId(9), tasks = FolderId(13);
    SetScope({calendar, tasks}, SHALLOW_SEARCH);
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    EXPECT_TRUE(Due().empty());
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(SearchScope().containers, (std::vector<Binary>{calendar, tasks}));
    EXPECT_EQ(Due(), (std::vector<std::string>{"Appointment", "Task"}));
}

TEST_F(Suppression, ARecordLeftByAnEarlierSessionIsKept)
{
    FillFolders();
    const Binary calendar = FolderId(9);
    SetScope({calendar}, SHALLOW_SEARCH);
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    // The session ends without restoring; in the next one the folder still searches the Outbox.
    Logoff();
    Logon();
    ASSERT_TRUE(HasRecord());
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    // Meanwhile something else gave the folder another scope: the first one still comes back.
    SetScope({FolderId(13)}, SHALLOW_SEARCH);
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(SearchScope().containers, std::vector<Binary>{calendar});
    EXPECT_EQ(Due(), std::vector<std::string>{"Appointment"});
}

TEST_F(Suppression, ResettingTheSettingsLeavesTheRecord)
{
    FillFolders();
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    CRegKeyEx halvesta;
    ASSERT_EQ(halvesta.Open(HKEY_CURRENT_USER, "Software\\Halvesta", KEY_ALL_ACCESS), ERROR_SUCCESS);
    halvesta.RecurseDeleteKey("Lumivane Add-In");
    EXPECT_TRUE(HasRecord());
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(Due(), kAll);
}

TEST_F(Suppression, WithoutARecordTheDefaultScopes)
{
    FillFolders();
    // Pointed at the Outbox by an earlier version, recursively: the IPM subtree comes back.
    SetScope({Outbox()}, RECURSIVE_SEARCH);
    ASSERT_FALSE(HasRecord());
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    EXPECT_FALSE(HasRecord()); // nothing worth keeping
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(SearchScope().containers, std::vector<Binary>{Subtree()});
    EXPECT_EQ(Due(), kAll);

    // Not recursively: Calendar, Tasks, Inbox, Contacts.
    SetScope({Outbox()}, SHALLOW_SEARCH);
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(SearchScope().containers, (std::vector<Binary>{FolderId(9), FolderId(13), FolderId(6), FolderId(10)}));
    EXPECT_EQ(Due(), (std::vector<std::string>{"Appointment", "Mail", "Task"}));

    // A folder the Inbox does not name is left out.
    SizedSPropTagArray(1, tasks) = {1, {PR_IPM_TASK_ENTRYID}};
    ASSERT_EQ(Inbox()->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tasks), nullptr), S_OK);
    SetScope({Outbox()}, SHALLOW_SEARCH);
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(SearchScope().containers, (std::vector<Binary>{FolderId(9), FolderId(6), FolderId(10)}));
}

TEST_F(Suppression, SavedFoldersThatAreGoneAreLeftOut)
{
    FillFolders();
    ComPtr<IMAPIFolder> archive = CreateSubfolder("Archive");
    const Binary archiveId = host::GetBinaryProp(archive.get(), PR_ENTRYID);
    archive = nullptr;
    SetScope({FolderId(9), archiveId}, SHALLOW_SEARCH);
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    ComPtr<IMAPIFolder> subtree = Open<IMAPIFolder>(Subtree());
    ASSERT_EQ(subtree->DeleteFolder(static_cast<ULONG>(archiveId.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(archiveId.data())), 0, nullptr, 0),
              S_OK);
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(SearchScope().containers, std::vector<Binary>{FolderId(9)});
    EXPECT_FALSE(HasRecord());
}

TEST_F(Suppression, ADamagedRecordGivesTheDefaultScope)
{
    FillFolders();
    ASSERT_EQ(DisableDefaultReminders(store.get()), S_OK);
    const Binary key = RecordKey();
    CRegKeyEx record;
    ASSERT_EQ(record.Open(HKEY_CURRENT_USER,
                          (std::string(CSuppressionRecord::RootKey()) + "\\" +
                           HexString(static_cast<ULONG>(key.size()), key.data()))
                              .c_str()),
              ERROR_SUCCESS);
    ASSERT_EQ(record.SetStringValue("Containers", "not hex"), ERROR_SUCCESS);
    record.Close();
    ASSERT_EQ(EnableDefaultReminders(store.get()), S_OK);
    EXPECT_EQ(SearchScope().containers, std::vector<Binary>{Subtree()}); // the search stayed recursive
    EXPECT_EQ(Due(), kAll);
    EXPECT_FALSE(HasRecord());
}

TEST_F(Suppression, StoresWithoutTheFoldersAreLeftAlone)
{
    FillFolders();
    // A store without an Inbox (the public folders).
    std::vector<host::HostSession::StoreInfo> stores;
    ASSERT_EQ(session.Stores(stores), S_OK);
    auto pub = std::find_if(stores.begin(), stores.end(), [](const auto& s) { return !s.isDefault; });
    ASSERT_NE(pub, stores.end());
    ComPtr<IMsgStore> publicStore;
    ASSERT_EQ(session.OpenStore(pub->entryId, publicStore), S_OK);
    EXPECT_TRUE(FAILED(DisableDefaultReminders(publicStore.get())));
    EXPECT_TRUE(FAILED(EnableDefaultReminders(publicStore.get())));
    EXPECT_FALSE(HasSuppressionRecord(std::string_view(
        HexString(static_cast<ULONG>(host::GetBinaryProp(publicStore.get(), PR_RECORD_KEY).size()),
                  host::GetBinaryProp(publicStore.get(), PR_RECORD_KEY).data()))));

    // A store without an Outbox: nothing changes, nothing is kept.
    SizedSPropTagArray(1, outbox) = {1, {PR_IPM_OUTBOX_ENTRYID}};
    ASSERT_EQ(store->DeleteProps(reinterpret_cast<LPSPropTagArray>(&outbox), nullptr), S_OK);
    EXPECT_EQ(DisableDefaultReminders(store.get()), E_FAIL);
    EXPECT_EQ(Due(), kAll);
    EXPECT_FALSE(HasRecord());

    // An Inbox that does not name the Reminders folder: both leave the store as it is.
    ComPtr<IMAPIFolder> reminders = Reminders();
    SetScope({FolderId(9)}, SHALLOW_SEARCH);
    SizedSPropTagArray(2, rem) = {2, {PR_REM_ONLINE_ENTRYID, PR_REM_OFFLINE_ENTRYID}};
    ASSERT_EQ(Inbox()->DeleteProps(reinterpret_cast<LPSPropTagArray>(&rem), nullptr), S_OK);
    EXPECT_TRUE(SUCCEEDED(DisableDefaultReminders(store.get())));
    EXPECT_EQ(SearchScope(reminders).containers, std::vector<Binary>{FolderId(9)});
    EXPECT_TRUE(SUCCEEDED(EnableDefaultReminders(store.get())));
    EXPECT_EQ(SearchScope(reminders).containers, std::vector<Binary>{FolderId(9)});
    EXPECT_FALSE(HasRecord());
}

TEST_F(Suppression, AnOfflineStoreUsesTheOfflineEntry)
{
    FillFolders();
    EXPECT_FALSE(IsOnline(store.get()));
    SPropValue offline{};
    offline.ulPropTag = PR_STORE_OFFLINE;
    offline.Value.b = 1;
    ASSERT_EQ(HrSetOneProp(store.get(), &offline), S_OK);
    EXPECT_TRUE(IsOnline(store.get()));
    // Only the online entry left: an offline store finds no Reminders folder.
    SizedSPropTagArray(1, rem) = {1, {PR_REM_OFFLINE_ENTRYID}};
    ASSERT_EQ(Inbox()->DeleteProps(reinterpret_cast<LPSPropTagArray>(&rem), nullptr), S_OK);
    EXPECT_TRUE(SUCCEEDED(DisableDefaultReminders(store.get())));
    EXPECT_EQ(Due(), kAll);
    EXPECT_FALSE(HasRecord());
}
