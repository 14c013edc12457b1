// A new store's folder set and properties, entry IDs and record keys, and files that are not stores.
#include "MapiTestUtil.h"

#include <sqlite3.h>

#include <fstream>

using namespace mapitest;

namespace {

std::vector<std::string> HierarchyNames(IMAPIFolder* folder, ULONG flags, std::vector<LONG>* depths = nullptr)
{
    ComPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetHierarchyTable(flags, table.put()), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_DISPLAY_NAME_A, PR_DEPTH}};
    LPSRowSet rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    std::vector<std::string> names;
    for (ULONG i = 0; rows && i < rows->cRows; ++i) {
        names.push_back(rows->aRow[i].lpProps[0].Value.lpszA);
        if (depths)
            depths->push_back(rows->aRow[i].lpProps[1].Value.l);
    }
    FreeProws(rows);
    return names;
}

} // namespace

TEST_F(StoreTest, NewPersonalStoreHasTheClientFolderSet)
{
    EXPECT_EQ(GetText(store.get(), PR_DISPLAY_NAME), "Personal Folders");
    EXPECT_EQ(GetBin(store.get(), PR_MDB_PROVIDER),
              Bytes(reinterpret_cast<const char*>(kPersonalStoreProvider.ab), 16));
    EXPECT_TRUE(GetLong(store.get(), PR_STORE_SUPPORT_MASK) & STORE_UNICODE_OK);
    EXPECT_EQ(GetLong(store.get(), PR_VALID_FOLDER_MASK), 0xFF);

    auto subtree = Subtree();
    EXPECT_EQ(HierarchyNames(subtree.get(), 0),
              (std::vector<std::string>{"Inbox", "Outbox", "Sent Items", "Deleted Items", "Calendar", "Contacts",
                                        "Tasks", "Notes", "Journal", "Drafts", "Junk E-mail"}));

    // The receive folder is the Inbox, and it names the other special folders.
    ULONG cb = 0;
    LPENTRYID eid = nullptr;
    ASSERT_EQ(store->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr), S_OK);
    auto inbox = OpenAs<IMAPIFolder>(store.get(), Bytes(reinterpret_cast<char*>(eid), cb), 0);
    MAPIFreeBuffer(eid);
    EXPECT_EQ(GetText(inbox.get(), PR_DISPLAY_NAME), "Inbox");
    auto calendar = OpenAs<IMAPIFolder>(store.get(), GetBin(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID), 0);
    EXPECT_EQ(GetText(calendar.get(), PR_CONTAINER_CLASS), "IPF.Appointment");
    auto reminders = OpenAs<IMAPIFolder>(store.get(), GetBin(inbox.get(), PR_REM_ONLINE_ENTRYID), 0);
    EXPECT_EQ(GetText(reminders.get(), PR_DISPLAY_NAME), "Reminders");
    EXPECT_EQ(GetLong(reminders.get(), PR_FOLDER_TYPE), static_cast<LONG>(FOLDER_SEARCH));
    auto outbox = OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_OUTBOX_ENTRYID), 0);
    EXPECT_EQ(GetText(outbox.get(), PR_DISPLAY_NAME), "Outbox");

    LPSPropValue ren = nullptr;
    ASSERT_EQ(HrGetOneProp(inbox.get(), PR_ADDITIONAL_REN_ENTRYIDS, &ren), S_OK);
    ASSERT_EQ(ren->Value.MVbin.cValues, 5u);
    auto junk = OpenAs<IMAPIFolder>(
        store.get(), Bytes(reinterpret_cast<char*>(ren->Value.MVbin.lpbin[4].lpb), ren->Value.MVbin.lpbin[4].cb), 0);
    MAPIFreeBuffer(ren);
    EXPECT_EQ(GetText(junk.get(), PR_DISPLAY_NAME), "Junk E-mail");
}

TEST_F(StoreTest, ConvenientDepthListsAllDescendantsInPreOrder)
{
    auto subtree = Subtree();
    auto a = NewFolder(subtree.get(), "A");
    auto a1 = NewFolder(a.get(), "A1");
    NewFolder(a1.get(), "A1x");
    NewFolder(a.get(), "A2");
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    ASSERT_EQ(store->OpenEntry(0, nullptr, nullptr, 0, &type, unk.put()), S_OK); // no entry ID: the root
    EXPECT_EQ(type, MAPI_FOLDER);
    std::vector<LONG> depths;
    auto names = HierarchyNames(a.get(), CONVENIENT_DEPTH, &depths);
    EXPECT_EQ(names, (std::vector<std::string>{"A1", "A1x", "A2"}));
    EXPECT_EQ(depths, (std::vector<LONG>{1, 2, 1}));
    EXPECT_EQ(HierarchyNames(a.get(), 0), (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(GetLong(a.get(), PR_SUBFOLDERS), 1);
    EXPECT_EQ(GetLong(a1.get(), PR_SUBFOLDERS), 1);
}

TEST_F(StoreTest, PublicFolderStoreHasItsOwnTop)
{
    auto pubPath = platform::StoresDirectory() / "public.store";
    ASSERT_EQ(mapi::CreateStoreFile(pubPath, mapi::StoreKind::PublicFolders, u"Public Folders"), S_OK);
    ComPtr<IMsgStore> pub;
    ASSERT_EQ(mapi::OpenStoreFile(pubPath, 0, pub.put()), S_OK);
    EXPECT_TRUE(GetLong(pub.get(), PR_STORE_SUPPORT_MASK) & STORE_PUBLIC_FOLDERS);
    auto top = OpenAs<IMAPIFolder>(pub.get(), GetBin(pub.get(), PR_IPM_SUBTREE_ENTRYID), 0);
    EXPECT_EQ(GetText(top.get(), PR_DISPLAY_NAME), "IPM_SUBTREE");
    EXPECT_EQ(GetBin(pub.get(), PR_IPM_PUBLIC_FOLDERS_ENTRYID), GetBin(pub.get(), PR_IPM_SUBTREE_ENTRYID));
    ULONG cb = 0;
    LPENTRYID eid = nullptr;
    EXPECT_EQ(pub->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr), MAPI_E_NOT_FOUND);
    // Opened without MDB_WRITE: nothing can be changed.
    EXPECT_EQ(SetText(pub.get(), PR_DISPLAY_NAME, "x"), MAPI_E_NO_ACCESS);
}

TEST_F(StoreTest, EntryIdsRecordKeysAndStoreKeysAgree)
{
    auto subtree = Subtree();
    auto folder = NewFolder(subtree.get(), "Keys");
    auto msg = NewMessage(folder.get(), "hello");
    const Bytes storeKey = GetBin(store.get(), PR_RECORD_KEY);
    EXPECT_EQ(storeKey.size(), 16u);
    for (IMAPIProp* obj : {static_cast<IMAPIProp*>(folder.get()), static_cast<IMAPIProp*>(msg.get())}) {
        EXPECT_EQ(GetBin(obj, PR_STORE_RECORD_KEY), storeKey);
        EXPECT_EQ(GetBin(obj, PR_RECORD_KEY).size(), 16u);
        EXPECT_EQ(GetBin(obj, PR_STORE_ENTRYID), GetBin(store.get(), PR_ENTRYID));
    }
    EXPECT_NE(GetBin(folder.get(), PR_RECORD_KEY), GetBin(msg.get(), PR_RECORD_KEY));
    EXPECT_EQ(GetBin(msg.get(), PR_PARENT_ENTRYID), GetBin(folder.get(), PR_ENTRYID));

    // The message opens again from its entry ID, and the two entry IDs compare equal.
    const Bytes eid = GetBin(msg.get(), PR_ENTRYID);
    auto again = OpenAs<IMessage>(store.get(), eid, 0);
    EXPECT_EQ(GetText(again.get(), PR_SUBJECT), "hello");
    EXPECT_EQ(GetBin(again.get(), PR_RECORD_KEY), GetBin(msg.get(), PR_RECORD_KEY));
    const Bytes other = GetBin(folder.get(), PR_ENTRYID);
    ULONG same = 2;
    ASSERT_EQ(store->CompareEntryIDs(ULONG(eid.size()), (LPENTRYID)eid.data(), ULONG(eid.size()), (LPENTRYID)eid.data(),
                                     0, &same),
              S_OK);
    EXPECT_EQ(same, static_cast<ULONG>(TRUE));
    ASSERT_EQ(store->CompareEntryIDs(ULONG(eid.size()), (LPENTRYID)eid.data(), ULONG(other.size()),
                                     (LPENTRYID)other.data(), 0, &same),
              S_OK);
    EXPECT_EQ(same, static_cast<ULONG>(FALSE));

    // A store opens from its entry ID alone.
    const Bytes storeEid = GetBin(store.get(), PR_ENTRYID);
    ComPtr<IMsgStore> byEid;
    ASSERT_EQ(mapi::OpenStoreByEntryId(storeEid.data(), storeEid.size(), 0, byEid.put()), S_OK);
    EXPECT_EQ(GetBin(byEid.get(), PR_RECORD_KEY), storeKey);
}

TEST_F(StoreTest, PersonalStoreEntryIdCarriesTheFilePathWhereTheToolLooks)
{
    const std::string hex = Hex(GetBin(store.get(), PR_ENTRYID));
    std::string lower = platform::ToLowerAscii(hex);
    ASSERT_EQ(lower.find("4e495441"), 80u);
    ASSERT_EQ(lower.find("000000", 86), 108u);
    const std::string pathHex = lower.substr(114);
    std::string decoded;
    for (size_t i = 0; i + 1 < pathHex.size(); i += 2)
        decoded.push_back(static_cast<char>(std::stoi(pathHex.substr(i, 2), nullptr, 16)));
    EXPECT_EQ(decoded, path.string());
}

TEST_F(StoreTest, EntryIdsOfOtherStoresAndGarbageAreRejected)
{
    auto otherPath = platform::StoresDirectory() / "other.store";
    ASSERT_EQ(mapi::CreateStoreFile(otherPath, mapi::StoreKind::PrivateMailbox, u"Mailbox"), S_OK);
    ComPtr<IMsgStore> other;
    ASSERT_EQ(mapi::OpenStoreFile(otherPath, 0, other.put()), S_OK);
    const Bytes foreign = GetBin(other.get(), PR_IPM_SUBTREE_ENTRYID);
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    EXPECT_EQ(store->OpenEntry(ULONG(foreign.size()), (LPENTRYID)foreign.data(), nullptr, 0, &type, unk.put()),
              MAPI_E_INVALID_ENTRYID);
    BYTE junk[48] = {1, 2, 3};
    EXPECT_EQ(store->OpenEntry(sizeof junk, (LPENTRYID)junk, nullptr, 0, &type, unk.put()), MAPI_E_INVALID_ENTRYID);
    // A deleted message's entry ID no longer opens.
    auto folder = NewFolder(Subtree().get(), "Gone");
    auto msg = NewMessage(folder.get(), "bye");
    Bytes eid = GetBin(msg.get(), PR_ENTRYID);
    SBinary bin{ULONG(eid.size()), (LPBYTE)eid.data()};
    ENTRYLIST list{1, &bin};
    ASSERT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    EXPECT_EQ(store->OpenEntry(ULONG(eid.size()), (LPENTRYID)eid.data(), nullptr, 0, &type, unk.put()),
              MAPI_E_NOT_FOUND);
    // Nor does it open a message made after it, or after the store was reopened.
    NewMessage(folder.get(), "newer");
    folder = nullptr;
    msg = nullptr;
    store = nullptr;
    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    auto again = Subtree();
    NewMessage(again.get(), "newest");
    EXPECT_EQ(store->OpenEntry(ULONG(eid.size()), (LPENTRYID)eid.data(), nullptr, 0, &type, unk.put()),
              MAPI_E_NOT_FOUND);
}

namespace {

std::string ReadAll(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(StoreFiles, CorruptOrForeignFilesAreRefusedAndLeftAlone)
{
    TempRoot root;
    const auto dir = platform::StoresDirectory();
    const auto garbage = dir / "garbage.store";
    {
        std::ofstream out(garbage, std::ios::binary);
        out << "this is not a message store at all, just some text that is long enough";
    }
    const auto foreign = dir / "foreign.store";
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const auto truncated = dir / "truncated.store";
    ASSERT_EQ(mapi::CreateStoreFile(dir / "good.store", mapi::StoreKind::Personal, u"Good"), S_OK);
    {
        std::string bytes = ReadAll(dir / "good.store");
        std::ofstream out(truncated, std::ios::binary);
        out << bytes.substr(0, 100) << std::string(4000, '\x5A');
    }
    for (const auto& p : {garbage, foreign, truncated}) {
        const std::string before = ReadAll(p);
        ComPtr<IMsgStore> s;
        HRESULT hr = mapi::OpenStoreFile(p, MDB_WRITE, s.put());
        EXPECT_EQ(hr, MAPI_E_CORRUPT_STORE) << p;
        EXPECT_EQ(ReadAll(p), before) << p;
        EXPECT_FALSE(std::filesystem::exists(p.string() + "-wal")) << p;
    }
    ComPtr<IMsgStore> s;
    EXPECT_EQ(mapi::OpenStoreFile(dir / "missing.store", 0, s.put()), MAPI_E_NOT_FOUND);
    EXPECT_EQ(mapi::CreateStoreFile(dir / "good.store", mapi::StoreKind::Personal, u"Again"), MAPI_E_COLLISION);
}
