// The store object: its keys, name and provider, the store opened when first needed, and the
// Folders registry tree of reminder folders that it writes and reads.
#include "ReminderFixture.h"

#include "LVStore.h"
#include "LVStores.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "mapi/MapiGuids.h"

#include <cstring>

using namespace remindertest;

namespace {

class LVStoreTest : public ReminderFixture {
protected:
    void SetUp() override
    {
        ReminderFixture::SetUp();
        store = Store(u"Public Folders");
        ASSERT_TRUE(store);
        ComPtr<ILVStores> stores;
        ASSERT_EQ(engine->get_Stores(stores.put()), S_OK);
        ComBstr key;
        ASSERT_EQ(stores->get_ProfileKey(key.put()), S_OK);
        profileKey = Text(key);
        ASSERT_EQ(store->get_RecordKey(key.put()), S_OK);
        storeKey = Text(key);
        folder = NewFolder(Subtree(publicStore.get()).get(), "Projects", "IPF.Appointment");
        folderKey = Hex(GetBinary(folder.get(), PR_RECORD_KEY));
        folderEid = Hex(GetBinary(folder.get(), PR_ENTRYID));
    }
    void TearDown() override
    {
        store = nullptr;
        ReminderFixture::TearDown();
    }

    std::string ProfilePath() const { return std::string(kFoldersKey) + "\\" + profileKey; }
    std::string StorePath() const { return ProfilePath() + "\\" + storeKey; }
    std::string FolderPath() const { return StorePath() + "\\" + folderKey; }

    static bool KeyExists(const std::string& path)
    {
        CRegKeyEx key;
        return key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) == ERROR_SUCCESS;
    }
    static std::string StringValue(const std::string& path, const char* name)
    {
        CRegKeyEx key;
        std::string value;
        EXPECT_EQ(key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ), ERROR_SUCCESS);
        EXPECT_EQ(key.QueryStringValue(name, &value), ERROR_SUCCESS);
        return value;
    }
    static DWORD DwordValue(const std::string& path, const char* name)
    {
        CRegKeyEx key;
        DWORD value = 0;
        EXPECT_EQ(key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ), ERROR_SUCCESS);
        EXPECT_EQ(key.QueryDWORDValue(name, value), ERROR_SUCCESS);
        return value;
    }

    HRESULT Set(ReminderType type, std::string key = {})
    {
        if (key.empty())
            key = folderKey;
        std::string eid = folderEid, display = "Projects";
        return store->SetReminderFolder(key.data(), eid.data(), display.data(), type);
    }
    ReminderType Get(HRESULT* result = nullptr)
    {
        ReminderType type = RT_PUBLIC;
        const HRESULT hr = store->GetReminderType(folderKey.data(), &type);
        if (result)
            *result = hr;
        return type;
    }

    ComPtr<ILVStore> store;
    ComPtr<IMAPIFolder> folder;
    std::string profileKey, storeKey, folderKey, folderEid;
};

TEST_F(LVStoreTest, KeysNameAndProvider)
{
    ComBstr text;
    EXPECT_EQ(store->get_Name(text.put()), S_OK);
    EXPECT_EQ(Text(text), "Public Folders");
    EXPECT_EQ(storeKey, Hex(GetBinary(publicStore.get(), PR_RECORD_KEY)));
    EXPECT_EQ(store->get_MDBProvider(text.put()), S_OK);
    EXPECT_EQ(Text(text), Hex(Bytes(kPublicFoldersProvider.ab, kPublicFoldersProvider.ab + 16)));
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(store->get_MDB(unknown.put()), S_OK);
    ComPtr<IMsgStore> mdb;
    ASSERT_EQ(unknown.As(mdb), S_OK);
    EXPECT_EQ(Hex(GetBinary(mdb.get(), PR_RECORD_KEY)), storeKey);
    ComPtr<IUnknown> sessionOfStore;
    ASSERT_EQ(store->get_MapiSession(sessionOfStore.put()), S_OK);
    EXPECT_EQ(sessionOfStore.get(), static_cast<IUnknown*>(session.get()));
}

TEST_F(LVStoreTest, TheSupportMaskNeedsTheStoreOpen)
{
    ComPtr<ILVStore> fresh;
    ComPtr<ILVStores> stores;
    ASSERT_EQ(engine->get_Stores(stores.put()), S_OK);
    ASSERT_EQ(stores->get_Item(1, fresh.put()), S_OK);
    LONG mask = -1;
    EXPECT_EQ(fresh->get_StoreSupportMask(&mask), MAPI_E_NOT_FOUND);
    EXPECT_EQ(mask, 0);
    ComPtr<IUnknown> mdb;
    ASSERT_EQ(fresh->get_MDB(mdb.put()), S_OK);
    EXPECT_EQ(fresh->get_StoreSupportMask(&mask), S_OK);
    EXPECT_TRUE(static_cast<ULONG>(mask) & STORE_UNICODE_OK);
}

TEST_F(LVStoreTest, ARowWithoutRecordKeyReadsItFromTheStoreOnce)
{
    // A row as a store table without record keys would give it.
    ComBstr eidText;
    ASSERT_EQ(store->get_EntryID(eidText.put()), S_OK);
    Bytes eid(eidText.Length() / 2);
    for (std::size_t i = 0; i < eid.size(); ++i)
        eid[i] = static_cast<BYTE>(std::stoi(Text(eidText).substr(2 * i, 2), nullptr, 16));
    SPropValue values[STORE_COLUMN_COUNT]{};
    values[IDX_STORE_DISPLAY_NAME].ulPropTag = PR_DISPLAY_NAME_A;
    values[IDX_STORE_DISPLAY_NAME].Value.lpszA = const_cast<char*>("Public Folders");
    values[IDX_STORE_ENTRYID].ulPropTag = PR_ENTRYID;
    values[IDX_STORE_ENTRYID].Value.bin = {static_cast<ULONG>(eid.size()), eid.data()};
    values[IDX_STORE_RECORD_KEY].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_RECORD_KEY));
    values[IDX_STORE_RECORD_KEY].Value.err = MAPI_E_NOT_FOUND;
    values[IDX_STORE_MDB_PROVIDER].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_MDB_PROVIDER));
    values[IDX_STORE_DEFAULT_STORE].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_DEFAULT_STORE));
    values[IDX_STORE_INSTANCE_KEY].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_INSTANCE_KEY));
    SRow row{0, STORE_COLUMN_COUNT, values};

    ComPtr<ILVStores> stores;
    ASSERT_EQ(engine->get_Stores(stores.put()), S_OK);
    CLVStore* raw = nullptr;
    ASSERT_EQ(CLVStore::CreateObject(&raw), S_OK);
    ComPtr<ILVStore> bare;
    bare.Attach(raw);
    ASSERT_EQ(bare->Create(stores.get(), reinterpret_cast<LONG_PTR>(&row)), S_OK);
    std::memset(values, 0, sizeof values); // the store keeps a copy of its own

    ComBstr key;
    ASSERT_EQ(bare->get_RecordKey(key.put()), S_OK);
    EXPECT_EQ(Text(key), storeKey);
    // Kept: the second answer needs no store.
    ASSERT_EQ(bare->get_RecordKey(key.put()), S_OK);
    EXPECT_EQ(Text(key), storeKey);
    VARIANT_BOOL isDefault = VARIANT_TRUE;
    EXPECT_EQ(bare->get_DefaultStore(&isDefault), S_FALSE);
    EXPECT_EQ(isDefault, VARIANT_FALSE);
    EXPECT_EQ(bare->get_MDBProvider(key.put()), S_FALSE);
    EXPECT_FALSE(key);
}

TEST_F(LVStoreTest, APublicFolderThenPersonalRewritesItsType)
{
    ASSERT_EQ(Set(RT_PUBLIC), S_OK);
    EXPECT_EQ(StringValue(ProfilePath(), nullptr), "Work");
    EXPECT_EQ(StringValue(StorePath(), nullptr), "Public Folders");
    ComBstr storeEid;
    ASSERT_EQ(store->get_EntryID(storeEid.put()), S_OK);
    EXPECT_EQ(StringValue(StorePath(), "eid"), Text(storeEid));
    EXPECT_EQ(StringValue(FolderPath(), nullptr), "Projects");
    EXPECT_EQ(StringValue(FolderPath(), "eid"), folderEid);
    EXPECT_EQ(DwordValue(FolderPath(), "type"), 2u);
    EXPECT_EQ(Get(), RT_PUBLIC);

    ASSERT_EQ(Set(RT_PERSONAL), S_OK);
    EXPECT_EQ(DwordValue(FolderPath(), "type"), 1u);
    EXPECT_EQ(Get(), RT_PERSONAL);
}

TEST_F(LVStoreTest, ClearingTheLastFolderRemovesStoreAndProfileKeys)
{
    ASSERT_EQ(Set(RT_PUBLIC), S_OK);
    ASSERT_EQ(SaveUserTimestamp(profileKey.c_str()), S_OK); // values do not keep a key
    ASSERT_EQ(Set(RT_NONE), S_OK);
    EXPECT_FALSE(KeyExists(FolderPath()));
    EXPECT_FALSE(KeyExists(StorePath()));
    EXPECT_FALSE(KeyExists(ProfilePath()));
    EXPECT_TRUE(KeyExists(kFoldersKey));
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Get(&hr), RT_NONE);
    EXPECT_EQ(hr, S_OK);
}

TEST_F(LVStoreTest, ClearingOneOfTwoFoldersKeepsTheStoreKey)
{
    ASSERT_EQ(Set(RT_PUBLIC), S_OK);
    ASSERT_EQ(Set(RT_PERSONAL, "00aa"), S_OK);
    ASSERT_EQ(Set(RT_NONE), S_OK);
    EXPECT_FALSE(KeyExists(FolderPath()));
    EXPECT_TRUE(KeyExists(StorePath() + "\\00aa"));
}

TEST_F(LVStoreTest, ClearingAFolderThatWasNeverSetFails)
{
    EXPECT_EQ(Set(RT_NONE), HRESULT(0x80070002));
    // The store and profile keys were written before the failure and stay.
    EXPECT_TRUE(KeyExists(StorePath()));
    EXPECT_TRUE(KeyExists(ProfilePath()));
}

TEST_F(LVStoreTest, AFolderKeyWithoutTypeFailsToRead)
{
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, FolderPath().c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
    HRESULT hr = S_OK;
    EXPECT_EQ(Get(&hr), RT_NONE);
    EXPECT_EQ(hr, HRESULT(0x80070002));
    // Any stored type is passed on as it stands.
    ASSERT_EQ(key.SetDWORDValue("type", 7), ERROR_SUCCESS);
    EXPECT_EQ(Get(&hr), static_cast<ReminderType>(7));
    EXPECT_EQ(hr, S_OK);
}

TEST_F(LVStoreTest, KeysThatAreNoFolderKeysAreRefused)
{
    EXPECT_EQ(Set(RT_PUBLIC, "a\\b"), E_INVALIDARG);
    std::string empty;
    std::string eid = folderEid, display = "x";
    EXPECT_EQ(store->SetReminderFolder(empty.data(), eid.data(), display.data(), RT_NONE), E_INVALIDARG);
    EXPECT_FALSE(KeyExists(StorePath()));
}

TEST_F(LVStoreTest, FoldersByEntryIdAndByType)
{
    ComPtr<ILVFolder> byEid;
    ASSERT_EQ(store->GetFolderFromEID(ComBstr(folderEid), byEid.put()), S_OK);
    ComBstr name;
    ASSERT_EQ(byEid->get_Name(name.put()), S_OK);
    EXPECT_EQ(Text(name), "Projects");
    EXPECT_EQ(store->GetFolderFromEID(ComBstr(std::string_view("zz")), byEid.put()), E_INVALIDARG);
    EXPECT_FALSE(byEid);

    ComPtr<ILVFolder> root;
    ASSERT_EQ(store->get_DefaultFolder(DFT_ROOT, root.put()), S_OK);
    ComBstr rootKey;
    ASSERT_EQ(root->get_RecordKey(rootKey.put()), S_OK);
    ComPtr<IMAPIFolder> mapiRoot = Open(publicStore.get(), Bytes());
    EXPECT_EQ(Text(rootKey), Hex(GetBinary(mapiRoot.get(), PR_RECORD_KEY)));
    // A public store has no Calendar.
    ComPtr<ILVFolder> calendar;
    EXPECT_EQ(store->get_DefaultFolder(DFT_IPM_APPOINTMENT, calendar.put()), MAPI_E_NOT_FOUND);
    EXPECT_FALSE(calendar);
}

} // namespace
