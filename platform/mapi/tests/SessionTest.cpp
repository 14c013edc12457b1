// Profiles in the registry, logon, the stores table, and opening entries through a session.
#include "MapiTestUtil.h"

#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"

#include <thread>

using namespace mapitest;

namespace {

class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        ASSERT_EQ(MAPIAdminProfiles(0, admin.put()), S_OK);
        personal = platform::StoresDirectory() / "personal.store";
        mailbox = platform::StoresDirectory() / "mailbox.store";
        ASSERT_EQ(mapi::CreateStoreFile(personal, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::CreateStoreFile(mailbox, mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
        ASSERT_EQ(admin->CreateProfile(const_cast<char*>("Work"), nullptr, 0, 0), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", personal), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", mailbox), S_OK);
    }
    void TearDown() override { MAPIUninitialize(); }

    ComPtr<IMAPISession> Logon(const char* profile, ULONG flags = MAPI_EXTENDED | MAPI_NEW_SESSION)
    {
        ComPtr<IMAPISession> s;
        EXPECT_EQ(MAPILogonEx(0, const_cast<char*>(profile), nullptr, flags, s.put()), S_OK);
        return s;
    }

    TempRoot root;
    ComPtr<IProfAdmin> admin;
    std::filesystem::path personal, mailbox;
};

LPSRowSet StoreRows(IMAPISession* s)
{
    ComPtr<IMAPITable> table;
    EXPECT_EQ(s->GetMsgStoresTable(0, table.put()), S_OK);
    SizedSPropTagArray(6, cols) = {6, {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_MDB_PROVIDER, PR_RECORD_KEY, PR_DEFAULT_STORE,
                                       PR_RESOURCE_FLAGS}};
    LPSRowSet rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    return rows;
}

} // namespace

TEST_F(SessionFixture, ProfilesAreListedCreatedAndDeleted)
{
    EXPECT_EQ(admin->CreateProfile(const_cast<char*>("work"), nullptr, 0, 0), MAPI_E_NO_ACCESS);
    ASSERT_EQ(admin->CreateProfile(reinterpret_cast<LPTSTR>(const_cast<char16_t*>(u"Privat")), nullptr, 0,
                                   MAPI_UNICODE),
              S_OK);
    ASSERT_EQ(admin->SetDefaultProfile(const_cast<char*>("privat"), 0), S_OK);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(admin->GetProfileTable(0, table.put()), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    std::map<std::string, bool> seen;
    for (ULONG i = 0; i < rows->cRows; ++i)
        seen[rows->aRow[i].lpProps[0].Value.lpszA] = rows->aRow[i].lpProps[1].Value.b != 0;
    FreeProws(rows);
    EXPECT_EQ(seen, (std::map<std::string, bool>{{"Privat", true}, {"Work", false}}));

    // The default profile is used when asked for.
    ComPtr<IMAPISession> s;
    EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, s.put()), MAPI_E_LOGON_FAILED);
    EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION, s.put()), S_OK);
    ComPtr<IProfSect> sect;
    MAPIUID uid = MUID_PROFILE_INSTANCE;
    ASSERT_EQ(s->OpenProfileSection(&uid, nullptr, 0, sect.put()), S_OK);
    EXPECT_EQ(GetText(sect.get(), PR_PROFILE_NAME), "Privat");
    EXPECT_EQ(GetBin(sect.get(), PR_SEARCH_KEY).size(), 16u);

    ASSERT_EQ(admin->DeleteProfile(const_cast<char*>("PRIVAT"), 0), S_OK);
    EXPECT_EQ(admin->DeleteProfile(const_cast<char*>("Privat"), 0), MAPI_E_NOT_FOUND);
    ComPtr<IMAPISession> gone;
    EXPECT_EQ(MAPILogonEx(0, const_cast<char*>("Privat"), nullptr, MAPI_EXTENDED, gone.put()), MAPI_E_LOGON_FAILED);
}

TEST_F(SessionFixture, LogonNeedsInitialisationOnTheCallingThread)
{
    HRESULT hr = S_OK;
    std::thread([&] {
        ComPtr<IMAPISession> s;
        hr = MAPILogonEx(0, const_cast<char*>("Work"), nullptr, MAPI_EXTENDED, s.put());
    }).join();
    EXPECT_EQ(hr, MAPI_E_NOT_INITIALIZED);
    MAPIINIT_0 init{1, 0};
    EXPECT_EQ(MAPIInitialize(&init), MAPI_E_VERSION);
}

TEST_F(SessionFixture, StoresTableDescribesEveryStore)
{
    auto s = Logon("Work");
    LPSRowSet rows = StoreRows(s.get());
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Personal Folders");
    EXPECT_STREQ(rows->aRow[1].lpProps[0].Value.lpszA, "Mailbox - Ann");
    EXPECT_EQ(Bytes((char*)rows->aRow[1].lpProps[2].Value.bin.lpb, 16),
              Bytes((const char*)kPrivateMailboxProvider.ab, 16));
    EXPECT_EQ(rows->aRow[0].lpProps[4].Value.b, 1);
    EXPECT_EQ(rows->aRow[1].lpProps[4].Value.b, 0);
    EXPECT_TRUE(rows->aRow[0].lpProps[5].Value.l & STATUS_DEFAULT_STORE);

    // The store opened from the table's entry ID has the same record key.
    const SBinary& eid = rows->aRow[1].lpProps[1].Value.bin;
    ComPtr<IMsgStore> mdb;
    ASSERT_EQ(s->OpenMsgStore(0, eid.cb, (LPENTRYID)eid.lpb, nullptr, MDB_NO_DIALOG | MDB_WRITE | MDB_NO_MAIL,
                              mdb.put()),
              S_OK);
    EXPECT_EQ(GetBin(mdb.get(), PR_RECORD_KEY),
              Bytes((char*)rows->aRow[1].lpProps[3].Value.bin.lpb, rows->aRow[1].lpProps[3].Value.bin.cb));
    EXPECT_EQ(GetBin(mdb.get(), PR_RECORD_KEY), GetBin(mdb.get(), PR_STORE_RECORD_KEY));
    FreeProws(rows);
}

TEST_F(SessionFixture, EntriesOpenThroughAnySessionAndThread)
{
    Bytes folderEid, msgEid;
    {
        auto s = Logon("Work");
        LPSRowSet rows = StoreRows(s.get());
        const SBinary& eid = rows->aRow[0].lpProps[1].Value.bin;
        ComPtr<IMsgStore> mdb;
        ASSERT_EQ(s->OpenMsgStore(0, eid.cb, (LPENTRYID)eid.lpb, nullptr, MDB_WRITE, mdb.put()), S_OK);
        FreeProws(rows);
        auto subtree = OpenAs<IMAPIFolder>(mdb.get(), GetBin(mdb.get(), PR_IPM_SUBTREE_ENTRYID));
        ComPtr<IMAPIFolder> folder;
        ASSERT_EQ(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Shared"), nullptr, nullptr, 0, folder.put()),
                  S_OK);
        ComPtr<IMessage> msg;
        ASSERT_EQ(folder->CreateMessage(nullptr, 0, msg.put()), S_OK);
        ASSERT_EQ(SetText(msg.get(), PR_SUBJECT, "across sessions"), S_OK);
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
        folderEid = GetBin(folder.get(), PR_ENTRYID);
        msgEid = GetBin(msg.get(), PR_ENTRYID);
        ASSERT_EQ(s->Logoff(0, 0, 0), S_OK);
        ComPtr<IMAPITable> t;
        EXPECT_EQ(s->GetMsgStoresTable(0, t.put()), MAPI_E_END_OF_SESSION);
    }
    auto s2 = Logon("Work");
    std::string subject;
    std::thread([&] {
        ComPtr<IUnknown> unk;
        ULONG type = 0;
        ASSERT_EQ(s2->OpenEntry(ULONG(msgEid.size()), (LPENTRYID)msgEid.data(), nullptr, MAPI_MODIFY, &type,
                                unk.put()),
                  S_OK);
        EXPECT_EQ(type, MAPI_MESSAGE);
        subject = GetText(static_cast<IMessage*>(unk.get()), PR_SUBJECT);
    }).join();
    EXPECT_EQ(subject, "across sessions");
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    ASSERT_EQ(s2->OpenEntry(ULONG(folderEid.size()), (LPENTRYID)folderEid.data(), &IID_IMAPIFolder, 0, &type,
                            unk.put()),
              S_OK);
    EXPECT_EQ(type, MAPI_FOLDER);
    ULONG same = 0;
    ASSERT_EQ(s2->CompareEntryIDs(ULONG(folderEid.size()), (LPENTRYID)folderEid.data(), ULONG(folderEid.size()),
                                  (LPENTRYID)folderEid.data(), 0, &same),
              S_OK);
    EXPECT_TRUE(same);

    // A store that is not in the profile: its objects are unknown to the session.
    auto other = platform::StoresDirectory() / "other.store";
    ASSERT_EQ(mapi::CreateStoreFile(other, mapi::StoreKind::Personal, u"Other"), S_OK);
    ComPtr<IMsgStore> otherStore;
    ASSERT_EQ(mapi::OpenStoreFile(other, 0, otherStore.put()), S_OK);
    const Bytes foreign = GetBin(otherStore.get(), PR_IPM_SUBTREE_ENTRYID);
    EXPECT_EQ(s2->OpenEntry(ULONG(foreign.size()), (LPENTRYID)foreign.data(), nullptr, 0, &type, unk.put()),
              MAPI_E_UNKNOWN_ENTRYID);
}

TEST_F(SessionFixture, SharedSessionsAreReusedUnlessANewOneIsAsked)
{
    auto a = Logon("Work", MAPI_EXTENDED);
    auto b = Logon("work", MAPI_EXTENDED);
    auto c = Logon("Work", MAPI_EXTENDED | MAPI_NEW_SESSION);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), c.get());
    // No profile name and no new session: the shared session.
    auto d = Logon(nullptr, MAPI_EXTENDED | MAPI_NO_MAIL);
    EXPECT_EQ(d.get(), a.get());
    // Once every user released it, a shared session is gone and a new one is made.
    a = nullptr;
    b = nullptr;
    d = nullptr;
    ComPtr<IMAPISession> none;
    EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, none.put()), MAPI_E_LOGON_FAILED);
    auto e = Logon("Work", MAPI_EXTENDED);
    EXPECT_NE(e.get(), nullptr);
}

TEST_F(SessionFixture, StoresAreAddedOnceAndRemoved)
{
    EXPECT_EQ(mapi::ProfileRegistry::AddStore("Work", personal), MAPI_E_COLLISION);
    EXPECT_EQ(mapi::ProfileRegistry::AddStore("Nobody", personal), MAPI_E_NOT_FOUND);
    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Work", personal), S_OK);
    auto s = Logon("Work");
    LPSRowSet rows = StoreRows(s.get());
    ASSERT_EQ(rows->cRows, 1u);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Mailbox - Ann");
    // Setting the default store through the session.
    const SBinary& eid = rows->aRow[0].lpProps[1].Value.bin;
    ASSERT_EQ(s->SetDefaultStore(1, eid.cb, (LPENTRYID)eid.lpb), S_OK);
    FreeProws(rows);
    rows = StoreRows(s.get());
    EXPECT_EQ(rows->aRow[0].lpProps[4].Value.b, 1);
    FreeProws(rows);
}

TEST_F(SessionFixture, StoresTableTakesRestrictionsAndSorts)
{
    auto s = Logon("Work");
    ComPtr<IMAPITable> table;
    ASSERT_EQ(s->GetMsgStoresTable(MAPI_UNICODE, table.put()), S_OK);
    SPropValue v{};
    v.ulPropTag = PR_MDB_PROVIDER;
    v.Value.bin = {16, const_cast<BYTE*>(kPersonalStoreProvider.ab)};
    SRestriction r{};
    r.rt = RES_PROPERTY;
    r.res.resProperty = {RELOP_EQ, PR_MDB_PROVIDER, &v};
    SSortOrderSet sort{1, 0, 0, {{PR_DISPLAY_NAME_W, TABLE_SORT_DESCEND}}};
    SizedSPropTagArray(1, cols) = {1, {PR_DISPLAY_NAME_W}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), &r, &sort, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    EXPECT_EQ(std::u16string(rows->aRow[0].lpProps[0].Value.lpszW), u"Personal Folders");
    FreeProws(rows);
    ASSERT_EQ(table->Restrict(nullptr, 0), S_OK);
    ASSERT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, &sort, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(std::u16string(rows->aRow[0].lpProps[0].Value.lpszW), u"Personal Folders");
    FreeProws(rows);
}
