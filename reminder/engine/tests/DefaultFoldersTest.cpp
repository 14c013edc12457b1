// Default-folder recognition on each kind of store, with stores that mark fewer folders valid
// and Inboxes that name fewer special folders.
#include "DefaultFolders.h"

#include "MapiBuffer.h"
#include "TempRoot.h"
#include "base/PlatformRoot.h"
#include "com/ComPtr.h"
#include "mapi/StoreAccess.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

class DefaultFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        const auto path = platform::StoresDirectory() / "personal.store";
        ASSERT_EQ(mapi::CreateStoreFile(path, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
        const auto publicPath = platform::StoresDirectory() / "public.store";
        ASSERT_EQ(mapi::CreateStoreFile(publicPath, mapi::StoreKind::PublicFolders, u"Public Folders"), S_OK);
        ASSERT_EQ(mapi::OpenStoreFile(publicPath, MDB_WRITE, publicStore.put()), S_OK);
    }
    void TearDown() override
    {
        store = nullptr;
        publicStore = nullptr;
        MAPIUninitialize();
    }

    static Bytes Binary(IMAPIProp* object, ULONG tag)
    {
        CMapiBuffer<SPropValue> v;
        if (FAILED(HrGetOneProp(object, tag, v.put())))
            return {};
        return Bytes(v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
    }
    static ComPtr<IMAPIFolder> Open(IMsgStore* in, const Bytes& id)
    {
        ULONG type = 0;
        ComPtr<IUnknown> unknown;
        ComPtr<IMAPIFolder> folder;
        EXPECT_EQ(in->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())),
                                nullptr, MAPI_MODIFY, &type, unknown.put()),
                  S_OK);
        if (unknown) {
            EXPECT_EQ(unknown.As(folder), S_OK);
        }
        return folder;
    }
    ComPtr<IMAPIFolder> Inbox()
    {
        ULONG cb = 0;
        CMapiBuffer<ENTRYID> id;
        EXPECT_EQ(store->GetReceiveFolder(nullptr, 0, &cb, id.put(), nullptr), S_OK);
        return Open(store.get(), Bytes(reinterpret_cast<BYTE*>(id.get()), reinterpret_cast<BYTE*>(id.get()) + cb));
    }
    Bytes NewFolderId(const char* name)
    {
        ComPtr<IMAPIFolder> subtree = Open(store.get(), Binary(store.get(), PR_IPM_SUBTREE_ENTRYID));
        ComPtr<IMAPIFolder> folder;
        EXPECT_EQ(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name), nullptr, nullptr, 0, folder.put()),
                  S_OK);
        return Binary(folder.get(), PR_ENTRYID);
    }
    static void SetLong(IMAPIProp* object, ULONG tag, LONG value)
    {
        SPropValue v{};
        v.ulPropTag = tag;
        v.Value.l = value;
        EXPECT_EQ(HrSetOneProp(object, &v), S_OK);
    }
    static void SetBinary(IMAPIProp* object, ULONG tag, const Bytes& value)
    {
        SPropValue v{};
        v.ulPropTag = tag;
        v.Value.bin = {static_cast<ULONG>(value.size()), const_cast<BYTE*>(value.data())};
        EXPECT_EQ(HrSetOneProp(object, &v), S_OK);
    }

    // The record key of the folder with this entry ID in the store.
    static Bytes KeyOf(IMsgStore* in, const Bytes& id) { return Binary(Open(in, id).get(), PR_RECORD_KEY); }

    static DefaultFolderType TypeOf(const CDefaultFolders& folders, const Bytes& key)
    {
        DefaultFolderType type = DFT_ROOT;
        EXPECT_EQ(folders.IsDefaultFolder(static_cast<ULONG>(key.size()), key.data(), &type), S_OK);
        return type;
    }
    static HRESULT Find(const CDefaultFolders& folders, DefaultFolderType type, Bytes& id)
    {
        ULONG cb = 0;
        CMapiBuffer<ENTRYID> eid;
        const HRESULT hr = folders.GetDefaultFolder(type, &cb, eid.put());
        id.clear();
        if (SUCCEEDED(hr))
            id.assign(reinterpret_cast<BYTE*>(eid.get()), reinterpret_cast<BYTE*>(eid.get()) + cb);
        return hr;
    }

    TempRoot root;
    ComPtr<IMsgStore> store, publicStore;
};

TEST_F(DefaultFoldersTest, APersonalStoreKnowsItsSpecialFolders)
{
    auto inbox = Inbox();
    CDefaultFolders folders;
    ASSERT_EQ(folders.Init(store.get()), S_OK);
    struct Expected {
        DefaultFolderType type;
        Bytes id;
    };
    const std::vector<Expected> expected = {
        {DFT_IPM_SUBTREE, Binary(store.get(), PR_IPM_SUBTREE_ENTRYID)},
        {DFT_IPM_OUTBOX, Binary(store.get(), PR_IPM_OUTBOX_ENTRYID)},
        {DFT_IPM_WASTEBASKET, Binary(store.get(), PR_IPM_WASTEBASKET_ENTRYID)},
        {DFT_IPM_SENTMAIL, Binary(store.get(), PR_IPM_SENTMAIL_ENTRYID)},
        {DFT_VIEWS, Binary(store.get(), PR_VIEWS_ENTRYID)},
        {DFT_COMMON_VIEWS, Binary(store.get(), PR_COMMON_VIEWS_ENTRYID)},
        {DFT_FINDER, Binary(store.get(), PR_FINDER_ENTRYID)},
        {DFT_IPM_INBOX, Binary(inbox.get(), PR_ENTRYID)},
        {DFT_IPM_APPOINTMENT, Binary(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID)},
        {DFT_IPM_CONTACT, Binary(inbox.get(), PR_IPM_CONTACT_ENTRYID)},
        {DFT_IPM_JOURNAL, Binary(inbox.get(), PR_IPM_JOURNAL_ENTRYID)},
        {DFT_IPM_NOTE, Binary(inbox.get(), PR_IPM_NOTE_ENTRYID)},
        {DFT_IPM_TASK, Binary(inbox.get(), PR_IPM_TASK_ENTRYID)},
        {DFT_IPM_DRAFTS, Binary(inbox.get(), PR_IPM_DRAFTS_ENTRYID)},
    };
    for (const auto& e : expected) {
        Bytes id;
        ASSERT_EQ(Find(folders, e.type, id), S_OK) << e.type;
        EXPECT_EQ(KeyOf(store.get(), id), KeyOf(store.get(), e.id)) << e.type;
        EXPECT_EQ(TypeOf(folders, KeyOf(store.get(), e.id)), e.type);
    }
    // One search folder serves online and offline; the offline entry comes first.
    Bytes reminders;
    ASSERT_EQ(Find(folders, DFT_REM_ONLINE, reminders), S_OK);
    EXPECT_EQ(TypeOf(folders, KeyOf(store.get(), reminders)), DFT_REM_OFFLINE);
    // The fifth additional entry is the junk folder; the first four are empty.
    Bytes junk;
    ASSERT_EQ(Find(folders, DFT_IPM_JUNK_EMAIL, junk), S_OK);
    EXPECT_EQ(TypeOf(folders, KeyOf(store.get(), junk)), DFT_IPM_JUNK_EMAIL);
    Bytes none;
    EXPECT_EQ(Find(folders, DFT_IPM_CONFLICTS, none), MAPI_E_NOT_FOUND);
    EXPECT_EQ(Find(folders, DFT_IPM_FAVORITES, none), MAPI_E_NOT_FOUND);
    // The root: the empty entry ID.
    Bytes rootId{1, 2, 3};
    ASSERT_EQ(Find(folders, DFT_ROOT, rootId), S_OK);
    EXPECT_TRUE(rootId.empty());
    EXPECT_EQ(TypeOf(folders, KeyOf(store.get(), Bytes())), DFT_ROOT);
    // An ordinary folder.
    EXPECT_EQ(TypeOf(folders, KeyOf(store.get(), NewFolderId("Projects"))), DFT_NONE);
    EXPECT_EQ(TypeOf(folders, Bytes{1, 2, 3}), DFT_NONE);
}

TEST_F(DefaultFoldersTest, APublicStoreHasNoInboxAndNoCalendar)
{
    CDefaultFolders folders;
    ASSERT_EQ(folders.Init(publicStore.get()), S_OK);
    Bytes id;
    ASSERT_EQ(Find(folders, DFT_IPM_SUBTREE, id), S_OK);
    EXPECT_EQ(TypeOf(folders, KeyOf(publicStore.get(), id)), DFT_IPM_SUBTREE);
    ASSERT_EQ(Find(folders, DFT_FINDER, id), S_OK);
    ASSERT_EQ(Find(folders, DFT_IPM_FAVORITES, id), S_OK);
    EXPECT_EQ(TypeOf(folders, KeyOf(publicStore.get(), id)), DFT_IPM_FAVORITES);
    EXPECT_EQ(Find(folders, DFT_IPM_INBOX, id), MAPI_E_NOT_FOUND);
    EXPECT_EQ(Find(folders, DFT_IPM_APPOINTMENT, id), MAPI_E_NOT_FOUND);
    EXPECT_EQ(Find(folders, DFT_IPM_WASTEBASKET, id), MAPI_E_NOT_FOUND);
}

TEST_F(DefaultFoldersTest, AFolderTheStoreDoesNotMarkValidIsNotRecognised)
{
    SetLong(store.get(), PR_VALID_FOLDER_MASK, FOLDER_IPM_SUBTREE_VALID | FOLDER_IPM_INBOX_VALID);
    CDefaultFolders folders;
    ASSERT_EQ(folders.Init(store.get()), S_OK);
    Bytes id;
    EXPECT_EQ(Find(folders, DFT_FINDER, id), MAPI_E_NOT_FOUND);
    EXPECT_EQ(TypeOf(folders, KeyOf(store.get(), Binary(store.get(), PR_FINDER_ENTRYID))), DFT_NONE);
    EXPECT_EQ(Find(folders, DFT_IPM_OUTBOX, id), MAPI_E_NOT_FOUND);
    EXPECT_EQ(Find(folders, DFT_IPM_SUBTREE, id), S_OK);
    EXPECT_EQ(Find(folders, DFT_IPM_APPOINTMENT, id), S_OK);
}

TEST_F(DefaultFoldersTest, WithoutAMaskOnlyTheRootAndTheFavoritesCount)
{
    const Bytes favorites = NewFolderId("Favorites");
    SetBinary(store.get(), PR_IPM_FAVORITES_ENTRYID, favorites);
    SizedSPropTagArray(1, mask) = {1, {PR_VALID_FOLDER_MASK}};
    ASSERT_EQ(store->DeleteProps(reinterpret_cast<LPSPropTagArray>(&mask), nullptr), S_OK);
    CDefaultFolders folders;
    ASSERT_EQ(folders.Init(store.get()), S_OK);
    Bytes id;
    EXPECT_EQ(Find(folders, DFT_ROOT, id), S_OK);
    ASSERT_EQ(Find(folders, DFT_IPM_FAVORITES, id), S_OK);
    EXPECT_EQ(id, favorites);
    for (DefaultFolderType type : {DFT_IPM_SUBTREE, DFT_IPM_INBOX, DFT_IPM_APPOINTMENT, DFT_IPM_WASTEBASKET, DFT_FINDER})
        EXPECT_EQ(Find(folders, type, id), MAPI_E_NOT_FOUND) << type;
}

TEST_F(DefaultFoldersTest, AdditionalEntriesByPositionFiveAtMost)
{
    std::vector<Bytes> ids = {NewFolderId("Conflicts"), NewFolderId("Sync Issues"), Bytes(),
                              NewFolderId("Server Failures"), NewFolderId("Junk"), NewFolderId("Sixth")};
    std::vector<SBinary> values;
    for (auto& id : ids)
        values.push_back({static_cast<ULONG>(id.size()), id.data()});
    SPropValue additional{};
    additional.ulPropTag = PR_ADDITIONAL_REN_ENTRYIDS;
    additional.Value.MVbin = {static_cast<ULONG>(values.size()), values.data()};
    ASSERT_EQ(HrSetOneProp(Inbox().get(), &additional), S_OK);
    CDefaultFolders folders;
    ASSERT_EQ(folders.Init(store.get()), S_OK);
    Bytes id;
    ASSERT_EQ(Find(folders, DFT_IPM_CONFLICTS, id), S_OK);
    EXPECT_EQ(id, ids[0]);
    ASSERT_EQ(Find(folders, DFT_IPM_SYNC_ISSUS, id), S_OK);
    EXPECT_EQ(id, ids[1]);
    EXPECT_EQ(Find(folders, DFT_IPM_LOCAL_FAILURES, id), MAPI_E_NOT_FOUND);
    ASSERT_EQ(Find(folders, DFT_IPM_SERVER_FAILURES, id), S_OK);
    EXPECT_EQ(id, ids[3]);
    ASSERT_EQ(Find(folders, DFT_IPM_JUNK_EMAIL, id), S_OK);
    EXPECT_EQ(id, ids[4]);
    EXPECT_EQ(TypeOf(folders, KeyOf(store.get(), ids[5])), DFT_NONE);
}

TEST_F(DefaultFoldersTest, InitRunsOnceAndAFolderThatCannotBeOpenedIsNotRecognised)
{
    CDefaultFolders folders;
    Bytes id;
    EXPECT_EQ(Find(folders, DFT_IPM_APPOINTMENT, id), MAPI_E_NOT_FOUND);
    // The Calendar named on the Inbox is gone.
    auto inbox = Inbox();
    const Bytes calendar = Binary(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID);
    const Bytes calendarKey = KeyOf(store.get(), calendar);
    ComPtr<IMAPIFolder> subtree = Open(store.get(), Binary(store.get(), PR_IPM_SUBTREE_ENTRYID));
    ASSERT_EQ(subtree->DeleteFolder(static_cast<ULONG>(calendar.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(calendar.data())), 0, nullptr,
                                    DEL_FOLDERS | DEL_MESSAGES),
              S_OK);
    ASSERT_EQ(folders.Init(store.get()), S_OK);
    EXPECT_EQ(TypeOf(folders, calendarKey), DFT_NONE);
    // Its entry ID is still handed out: the table knows it from the Inbox.
    EXPECT_EQ(Find(folders, DFT_IPM_APPOINTMENT, id), S_OK);
    ASSERT_EQ(folders.Init(nullptr), S_OK); // once only
    EXPECT_EQ(Find(folders, DFT_IPM_TASK, id), S_OK);
}

} // namespace
