// The store collection: its order and items, the profile's key and name, stores found by record
// key, and stores attached to and detached from the running profile.
#include "ReminderFixture.h"

#include "LVStores.h"
#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "base/Profile.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/Registry.h"

using namespace remindertest;

namespace {

class LVStoresTest : public ReminderFixture {
protected:
    ComPtr<ILVStores> Stores()
    {
        ComPtr<ILVStores> stores;
        EXPECT_EQ(engine->get_Stores(stores.put()), S_OK);
        return stores;
    }

    std::u16string NameOf(ILVStore* store)
    {
        ComBstr name;
        EXPECT_EQ(store->get_Name(name.put()), S_OK);
        return std::u16string(name.get(), name.Length());
    }

    std::string Key(ILVStore* store)
    {
        ComBstr key;
        EXPECT_EQ(store->get_RecordKey(key.put()), S_OK);
        return Text(key);
    }

    std::vector<std::u16string> Names()
    {
        std::vector<std::u16string> names;
        auto stores = Stores();
        LONG count = 0;
        EXPECT_EQ(stores->get_Count(&count), S_OK);
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<ILVStore> store;
            EXPECT_EQ(stores->get_Item(i, store.put()), S_OK);
            names.push_back(NameOf(store.get()));
        }
        return names;
    }

    std::filesystem::path NewStoreFile(const char* file, const char16_t* name)
    {
        const auto path = platform::StoresDirectory() / file;
        EXPECT_EQ(mapi::CreateStoreFile(path, mapi::StoreKind::DelegateMailbox, name), S_OK);
        return path;
    }

    std::string RecordKeyOf(const std::filesystem::path& path)
    {
        ComPtr<IMsgStore> store;
        EXPECT_EQ(mapi::OpenStoreFile(path, 0, store.put()), S_OK);
        return Hex(GetBinary(store.get(), PR_RECORD_KEY));
    }
};

TEST_F(LVStoresTest, StoresAreListedByDisplayName)
{
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Mailbox - Ann", u"Personal Folders", u"Public Folders"}));
    auto stores = Stores();
    ComPtr<ILVStore> store;
    EXPECT_EQ(stores->get_Item(4, store.put()), E_INVALIDARG);
    EXPECT_FALSE(store);
    EXPECT_EQ(stores->get_Item(-1, store.put()), E_INVALIDARG);
    EXPECT_FALSE(store);
}

TEST_F(LVStoresTest, ItemZeroIsTheDefaultStoreAsANewObjectEachTime)
{
    auto stores = Stores();
    ComPtr<ILVStore> byZero, byIndex;
    ASSERT_EQ(stores->get_Item(0, byZero.put()), S_OK);
    ASSERT_EQ(stores->get_Item(2, byIndex.put()), S_OK);
    EXPECT_NE(byZero.get(), byIndex.get());
    EXPECT_EQ(NameOf(byZero.get()), u"Personal Folders");
    ComBstr a, b;
    EXPECT_EQ(byZero->get_EntryID(a.put()), S_OK);
    EXPECT_EQ(byIndex->get_EntryID(b.put()), S_OK);
    EXPECT_EQ(Text(a), Text(b));
    VARIANT_BOOL isDefault = VARIANT_FALSE;
    EXPECT_EQ(byZero->get_DefaultStore(&isDefault), S_OK);
    EXPECT_EQ(isDefault, VARIANT_TRUE);
    ComPtr<ILVStore> mailbox;
    ASSERT_EQ(stores->get_Item(1, mailbox.put()), S_OK);
    EXPECT_EQ(mailbox->get_DefaultStore(&isDefault), S_OK);
    EXPECT_EQ(isDefault, VARIANT_FALSE);
}

TEST_F(LVStoresTest, ProfileKeyAndName)
{
    auto stores = Stores();
    ComBstr key, name;
    ASSERT_EQ(stores->get_ProfileKey(key.put()), S_OK);
    mapi::Bytes searchKey;
    ASSERT_EQ(mapi::ProfileRegistry::SearchKey("Work", searchKey), S_OK);
    EXPECT_EQ(Text(key), Hex(Bytes(searchKey.begin(), searchKey.end())));
    EXPECT_EQ(Text(key).size(), searchKey.size() * 2);
    ASSERT_EQ(stores->get_ProfileName(name.put()), S_OK);
    EXPECT_EQ(Text(name), "Work");
    ComPtr<IReminderEngine> owner;
    ASSERT_EQ(stores->get_ReminderEngine(owner.put()), S_OK);
    EXPECT_EQ(owner.get(), static_cast<IReminderEngine*>(engine.get()));
}

TEST_F(LVStoresTest, GetStoreFromKeyFindsByRecordKeyAndOtherwiseGivesNone)
{
    auto stores = Stores();
    ComPtr<ILVStore> store;
    const std::string publicKey = RecordKeyOf(publicPath);
    ASSERT_EQ(stores->GetStoreFromKey(ComBstr(publicKey), store.put()), S_OK);
    ASSERT_TRUE(store);
    EXPECT_EQ(NameOf(store.get()), u"Public Folders");

    EXPECT_EQ(stores->GetStoreFromKey(ComBstr(std::string_view("not hex at all")), store.put()), S_OK);
    EXPECT_FALSE(store);
    EXPECT_EQ(stores->GetStoreFromKey(ComBstr(std::string_view("00112233445566778899aabbccddeeff")), store.put()),
              S_OK);
    EXPECT_FALSE(store);
    EXPECT_EQ(stores->GetStoreFromKey(nullptr, store.put()), S_OK);
    EXPECT_FALSE(store);
}

TEST_F(LVStoresTest, LateBoundMembersAndErrorInfo)
{
    auto stores = Stores();
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Late(stores.get(), u"Count", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 3);
    VariantClear(&result);
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 3;
    ASSERT_EQ(Late(stores.get(), u"Item", DISPATCH_PROPERTYGET, {index}, &result), S_OK);
    ASSERT_EQ(result.vt, VT_DISPATCH);
    ComPtr<ILVStore> store;
    ASSERT_EQ(result.pdispVal->QueryInterface(IID_ILVStore, store.put_void()), S_OK);
    VariantClear(&result);
    EXPECT_EQ(NameOf(store.get()), u"Public Folders");
    // The store's Create takes an address: not offered late-bound.
    EXPECT_EQ(Late(store.get(), u"Create", DISPATCH_METHOD, {}, &result), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(Late(store.get(), u"GetReminderType", DISPATCH_METHOD, {}, &result), DISP_E_UNKNOWNNAME);
    ASSERT_EQ(Late(store.get(), u"DefaultStore", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_FALSE);

    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(stores->QueryInterface(uuidof<ISupportErrorInfo>(), errorInfo.put_void()), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILVStores), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILVStore), S_FALSE);
    ASSERT_EQ(store->QueryInterface(uuidof<ISupportErrorInfo>(), errorInfo.put_void()), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILVStore), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILVStores), S_FALSE);
}

TEST_F(LVStoresTest, AStoreAttachedWhileRunningIsAppendedAndReportedToTheOwningEngine)
{
    engine->put_Enabled(VARIANT_TRUE);
    auto stores = Stores();
    const auto path = NewStoreFile("another.store", u"Another Mailbox");
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", path), S_OK);
    Pump();
    // Appended as the last row, not in sorted place.
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Mailbox - Ann", u"Personal Folders", u"Public Folders",
                                                    u"Another Mailbox"}));
    EXPECT_EQ(engine->enabledStores, std::vector<std::string>{RecordKeyOf(path)});
    EXPECT_TRUE(engine->disabledStores.empty());

    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Work", publicPath), S_OK);
    Pump();
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Mailbox - Ann", u"Personal Folders", u"Another Mailbox"}));
    EXPECT_EQ(engine->disabledStores, std::vector<std::string>{RecordKeyOf(publicPath)});
}

TEST_F(LVStoresTest, ADisabledEngineIsNotToldButTheListFollows)
{
    const auto path = NewStoreFile("another.store", u"Another Mailbox");
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", path), S_OK);
    Pump();
    EXPECT_EQ(Names().size(), 4u);
    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Work", path), S_OK);
    Pump();
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_TRUE(engine->enabledStores.empty());
    EXPECT_TRUE(engine->disabledStores.empty());
}

TEST_F(LVStoresTest, AnotherEngineOfTheProcessIsLeftAlone)
{
    // A second engine with a collection of its own: only the owner of a collection hears of it.
    ComPtr<CTestEngine> second;
    ASSERT_EQ(CTestEngine::Start(session.get(), second), S_OK);
    second->put_Enabled(VARIANT_TRUE);
    const auto path = NewStoreFile("another.store", u"Another Mailbox");
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", path), S_OK);
    Pump();
    EXPECT_TRUE(engine->enabledStores.empty());
    EXPECT_EQ(second->enabledStores, std::vector<std::string>{RecordKeyOf(path)});
}

TEST_F(LVStoresTest, NoStoresSinkSilencesTheCollection)
{
    ASSERT_TRUE(WritePrivateProfileStringA("CL", "NoStoresSink", "1", "Lumivane.ini"));
    ComPtr<CTestEngine> silent;
    ASSERT_EQ(CTestEngine::Start(session.get(), silent), S_OK);
    silent->put_Enabled(VARIANT_TRUE);
    const auto path = NewStoreFile("another.store", u"Another Mailbox");
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", path), S_OK);
    Pump();
    LONG count = 0;
    EXPECT_EQ(silent->StoresObject()->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(silent->enabledStores.empty());
}

TEST_F(LVStoresTest, ItemZeroWithoutADefaultStoreFails)
{
    HKEY profile = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles\\Work", 0,
                            KEY_ALL_ACCESS, &profile),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(profile, "DefaultStore"), ERROR_SUCCESS);
    RegCloseKey(profile);
    ComPtr<CTestEngine> other;
    ASSERT_EQ(CTestEngine::Start(session.get(), other), S_OK);
    ComPtr<ILVStore> store;
    EXPECT_EQ(other->StoresObject()->get_Item(0, store.put()), MAPI_E_NOT_FOUND);
    EXPECT_FALSE(store);
    EXPECT_EQ(other->StoresObject()->get_Item(3, store.put()), S_OK);
}

TEST_F(LVStoresTest, AModifiedStoreRowChangesNothing)
{
    engine->put_Enabled(VARIANT_TRUE);
    HKEY profile = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles\\Work\\Store0002", 0,
                            KEY_ALL_ACCESS, &profile),
              ERROR_SUCCESS);
    const char name[] = "Renamed Mailbox";
    ASSERT_EQ(RegSetValueExA(profile, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name),
              ERROR_SUCCESS);
    RegCloseKey(profile);
    Pump();
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Mailbox - Ann", u"Personal Folders", u"Public Folders"}));
    EXPECT_TRUE(engine->enabledStores.empty());
    EXPECT_TRUE(engine->disabledStores.empty());
}

TEST_F(LVStoresTest, StoreObjectsKeepTheirOwnRowWhileStoresComeAndGo)
{
    auto stores = Stores();
    std::vector<ComPtr<ILVStore>> before(3);
    for (LONG i = 1; i <= 3; ++i)
        ASSERT_EQ(stores->get_Item(i, before[i - 1].put()), S_OK);
    std::vector<std::string> entryIds, providers;
    for (auto& store : before) {
        ComBstr eid, provider;
        ASSERT_EQ(store->get_EntryID(eid.put()), S_OK);
        ASSERT_EQ(store->get_MDBProvider(provider.put()), S_OK);
        entryIds.push_back(Text(eid));
        providers.push_back(Text(provider));
    }
    // The first row goes (the rows behind it move), two come (the row set is rebuilt each time).
    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Work", mailboxPath), S_OK);
    Pump();
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", NewStoreFile("a.store", u"A")), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", NewStoreFile("b.store", u"B")), S_OK);
    Pump();
    for (std::size_t i = 0; i < before.size(); ++i) {
        ComBstr eid, provider;
        EXPECT_EQ(before[i]->get_EntryID(eid.put()), S_OK);
        EXPECT_EQ(before[i]->get_MDBProvider(provider.put()), S_OK);
        EXPECT_EQ(Text(eid), entryIds[i]);
        EXPECT_EQ(Text(provider), providers[i]);
    }
    EXPECT_EQ(NameOf(before[0].get()), u"Mailbox - Ann");
    EXPECT_EQ(Key(before[2].get()), RecordKeyOf(publicPath));
}

} // namespace
