// Store discovery, the folder model and folder association, through COM on real stores.
#include "StoreFixture.h"

#include "base/DebugOutput.h"
#include "com/Variant.h"

#include <algorithm>
#include <fstream>

using namespace enginetest;

namespace {

using EngineStores = StoreFixture;

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::string> StoreNames(IStores* stores)
{
    std::vector<std::string> names;
    LONG count = 0;
    stores->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IStore> store;
        EXPECT_EQ(stores->get_Items(i, store.put()), S_OK);
        ComBstr name, session;
        store->get_StoreName(name.put());
        store->get_SessionName(session.put());
        names.push_back(session.Utf8() + "/" + name.Utf8());
    }
    return names;
}

} // namespace

TEST_F(EngineStores, ProvidersDecideWhichListAStoreIsIn)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ASSERT_TRUE(engine);
    ComPtr<IStores> sources, destinations;
    ASSERT_EQ(engine->get_Sources(sources.put()), S_OK);
    ASSERT_EQ(engine->get_Destinations(destinations.put()), S_OK);
    // Profiles in table order, stores in profile order.
    EXPECT_EQ(StoreNames(sources.get()), (std::vector<std::string>{"Home/Archive", "Home/Mailbox - Ann",
                                                                   "Work/Personal Folders", "Work/Public Folders"}));
    EXPECT_EQ(StoreNames(destinations.get()), (std::vector<std::string>{"Home/Archive", "Work/Personal Folders"}));

    ComPtr<IStore> store;
    EXPECT_EQ(sources->get_Items(0, store.put()), E_INVALIDARG);
    EXPECT_EQ(sources->get_Items(5, store.put()), E_INVALIDARG);
    ASSERT_EQ(destinations->get_Items(1, store.put()), S_OK);
    LONG isDest = 0;
    EXPECT_EQ(store->get_IsDestination(&isDest), S_OK);
    EXPECT_EQ(isDest, 1);

    // The same collection again, with one more reference.
    ComPtr<IStores> again;
    ASSERT_EQ(engine->get_Sources(again.put()), S_OK);
    EXPECT_EQ(again.get(), sources.get());

    // The record key and entry ID are lowercase hex of the store's own values.
    ComPtr<IMsgStore> file = OpenFile(publicStore);
    LPSPropValue recordKey = nullptr;
    ASSERT_EQ(HrGetOneProp(file.get(), PR_RECORD_KEY, &recordKey), S_OK);
    std::string expected;
    for (ULONG i = 0; i < recordKey->Value.bin.cb; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof(pair), "%02x", recordKey->Value.bin.lpb[i]);
        expected += pair;
    }
    MAPIFreeBuffer(recordKey);
    ComPtr<IStore> pub = StoreNamed(sources.get(), "Public Folders");
    ASSERT_TRUE(pub);
    ComBstr key;
    ASSERT_EQ(pub->get_RecordKey(key.put()), S_OK);
    EXPECT_EQ(key.Utf8(), expected);
}

TEST_F(EngineStores, StoreNeedsAProfileForItsMessageStoreFoldersAndSession)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IStores> sources;
    ASSERT_EQ(engine->get_Sources(sources.put()), S_OK);
    ComPtr<IStore> store = StoreNamed(sources.get(), "Public Folders");
    ASSERT_TRUE(store);
    ComPtr<IUnknown> unknown;
    ComPtr<IFolders> folders;
    EXPECT_EQ(store->get_MDB(unknown.put()), E_INVALIDARG);
    EXPECT_EQ(store->get_Folders(folders.put()), E_INVALIDARG);
    EXPECT_EQ(store->get_Session(unknown.put()), E_INVALIDARG);
    // Open alone does not attach a profile.
    EXPECT_EQ(store->Open(), S_OK);
    EXPECT_EQ(store->Open(), S_OK);
    EXPECT_EQ(store->get_MDB(unknown.put()), E_INVALIDARG);
}

TEST_F(EngineStores, FolderListsShowTheSubtreeWithoutOutboxDeletedItemsAndSearchFolders)
{
    CreateFolder(personal, {}, "Found", FOLDER_SEARCH);
    CreateFolder(personal, {"Inbox"}, "Receipts");
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
    ASSERT_TRUE(profile);
    for (bool dest : {false, true}) {
        ComPtr<IStore> store;
        ASSERT_EQ(dest ? profile->get_Destination(store.put()) : profile->get_Source(store.put()), S_OK);
        ComPtr<IFolders> top;
        ASSERT_EQ(store->get_Folders(top.put()), S_OK);
        LONG count = 0;
        EXPECT_EQ(top->get_Count(&count), S_OK);
        EXPECT_EQ(count, 1);
        EXPECT_EQ(FolderNames(top.get()), std::vector<std::string>{"/"});
        ComPtr<IFolder> root;
        ASSERT_EQ(top->get_Items(1, root.put()), S_OK);
        LONG isDest = -1;
        root->get_IsDestination(&isDest);
        EXPECT_EQ(isDest, dest ? 1 : 0);
    }
    ComPtr<IStore> destination;
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    ComPtr<IFolders> folders = SubtreeFolders(destination.get());
    ASSERT_TRUE(folders);
    const auto names = FolderNames(folders.get());
    EXPECT_TRUE(Has(names, "Inbox"));
    EXPECT_TRUE(Has(names, "Receipts")) << "descendants are listed too";
    EXPECT_TRUE(Has(names, "Calendar"));
    EXPECT_FALSE(Has(names, "Outbox"));
    EXPECT_FALSE(Has(names, "Deleted Items"));
    EXPECT_FALSE(Has(names, "Found"));
    ComPtr<IFolder> folder;
    EXPECT_EQ(folders->get_Items(0, folder.put()), E_INVALIDARG);
    LONG count = 0;
    folders->get_Count(&count);
    EXPECT_EQ(folders->get_Items(count + 1, folder.put()), E_INVALIDARG);

    ComPtr<IFolder> calendar = FolderNamed(folders.get(), "Calendar");
    ASSERT_TRUE(calendar);
    ComBstr type;
    EXPECT_EQ(calendar->get_Type(type.put()), S_OK);
    EXPECT_EQ(type.Utf8(), "IPF.Appointment");
    LONG value = -1;
    EXPECT_EQ(calendar->get_IsEmpty(&value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(calendar->get_IsValid(&value), S_OK);
    EXPECT_EQ(value, 1);
    ComPtr<IFolder> inbox = FolderNamed(folders.get(), "Inbox");
    EXPECT_EQ(inbox->get_HasFolders(&value), S_OK);
    EXPECT_EQ(value, 1);
    ComPtr<IUnknown> mapiFolder;
    ASSERT_EQ(inbox->get_MAPIFolder(mapiFolder.put()), S_OK);
    ComPtr<IMAPIFolder> asFolder;
    EXPECT_EQ(mapiFolder.As(asFolder), S_OK);

    // A source folder has no link of its own.
    ComPtr<IStore> source;
    ASSERT_EQ(profile->get_Source(source.put()), S_OK);
    ComPtr<IFolder> projects = FolderNamed(SubtreeFolders(source.get()).get(), "Projects");
    ASSERT_TRUE(projects);
    ComPtr<IFolder> none;
    EXPECT_EQ(projects->get_Source(none.put()), E_INVALIDARG);
    EXPECT_EQ(projects->put_Source(nullptr), E_INVALIDARG);
}

TEST_F(EngineStores, AssociationAllowsOneDestinationPerSourceAndMovesLinks)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
    ASSERT_TRUE(profile);
    ComPtr<IStore> source, destination;
    ASSERT_EQ(profile->get_Source(source.put()), S_OK);
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    ComPtr<IFolders> srcFolders = SubtreeFolders(source.get());
    ComPtr<IFolders> dstFolders = SubtreeFolders(destination.get());
    ComPtr<IFolder> projects = FolderNamed(srcFolders.get(), "Projects");
    ComPtr<IFolder> alpha = FolderNamed(srcFolders.get(), "Alpha");
    ComPtr<IFolder> inbox = FolderNamed(dstFolders.get(), "Inbox");
    ComPtr<IFolder> calendar = FolderNamed(dstFolders.get(), "Calendar");
    ASSERT_TRUE(projects && alpha && inbox && calendar);

    ComPtr<IFolder> first;
    EXPECT_EQ(destination->get_FirstSyncFolder(first.put()), S_OK);
    EXPECT_FALSE(first) << "no links yet";
    EXPECT_EQ(inbox->put_Source(nullptr), S_OK) << "unlinking an unlinked folder";

    ASSERT_EQ(inbox->put_Source(projects.get()), S_OK);
    EXPECT_EQ(SourceName(inbox.get()), "Projects");
    std::string projectsKey = Key(projects.get());
    EXPECT_EQ(destination->FindSrcKey(projectsKey.data()), S_OK);

    // A second destination for the same source is refused; the first link stays.
    EXPECT_EQ(calendar->put_Source(projects.get()), E_FAIL);
    EXPECT_EQ(SourceName(calendar.get()), "<none>");
    EXPECT_EQ(SourceName(inbox.get()), "Projects");
    LONG count = 0;
    EXPECT_EQ(destination->get_SyncFolderCount(&count), S_OK);
    EXPECT_EQ(count, 1);

    // Relinking removes the old key first, which frees the old source for another folder.
    ASSERT_EQ(inbox->put_Source(alpha.get()), S_OK);
    EXPECT_EQ(destination->FindSrcKey(projectsKey.data()), E_FAIL);
    EXPECT_EQ(calendar->put_Source(projects.get()), S_OK);
    EXPECT_EQ(destination->get_SyncFolderCount(&count), S_OK);
    EXPECT_EQ(count, 2);

    // The walk goes in ascending order of the source keys.
    std::vector<std::string> walk;
    ComPtr<IFolder> folder;
    ASSERT_EQ(destination->get_FirstSyncFolder(folder.put()), S_OK);
    while (folder) {
        walk.push_back(SourceName(folder.get()));
        ComPtr<IFolder> next;
        ASSERT_EQ(destination->get_NextSyncFolder(next.put()), S_OK);
        folder = next;
    }
    std::vector<std::string> expected = {"Projects", "Alpha"};
    if (Key(alpha.get()) < projectsKey)
        std::swap(expected[0], expected[1]);
    EXPECT_EQ(walk, expected);

    // Unlinking removes the key.
    EXPECT_EQ(calendar->put_Source(nullptr), S_OK);
    EXPECT_EQ(SourceName(calendar.get()), "<none>");
    EXPECT_EQ(destination->FindSrcKey(projectsKey.data()), E_FAIL);

    // Key map members of a source store.
    EXPECT_EQ(source->AddSrcKey(projectsKey.data(), inbox.get()), E_INVALIDARG);
    EXPECT_EQ(source->DelSrcKey(projectsKey.data()), E_INVALIDARG);
    EXPECT_EQ(destination->DelSrcKey(const_cast<char*>("00")), S_OK);
}

TEST_F(EngineStores, LinkToADeletedSourceFolderGivesNoSource)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
    ComPtr<IStore> source, destination;
    ASSERT_EQ(profile->get_Source(source.put()), S_OK);
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    ComPtr<IFolder> news = FolderNamed(SubtreeFolders(source.get()).get(), "News");
    ComPtr<IFolder> inbox = FolderNamed(SubtreeFolders(destination.get()).get(), "Inbox");
    ASSERT_TRUE(news && inbox);
    ASSERT_EQ(inbox->put_Source(news.get()), S_OK);

    ComBstr eidText;
    ASSERT_EQ(news->get_EntryID(eidText.put()), S_OK);
    news.Release();
    {
        ComPtr<IMsgStore> file = OpenFile(publicStore);
        ComPtr<IMAPIFolder> subtree = OpenFolder(file.get(), {});
        std::string hex = eidText.Utf8();
        std::vector<BYTE> eid(hex.size() / 2);
        ASSERT_TRUE(FBinFromHex(hex.data(), eid.data()));
        ASSERT_EQ(subtree->DeleteFolder(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()), 0,
                                        nullptr, DEL_FOLDERS | DEL_MESSAGES),
                  S_OK);
    }
    ComPtr<IFolder> gone;
    EXPECT_EQ(inbox->get_Source(gone.put()), S_OK);
    EXPECT_FALSE(gone);
}

TEST_F(EngineStores, KeyMapKeepsTheFirstOfTwoFoldersLinkedToOneSource)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
    GUID guid{};
    ASSERT_EQ(profile->GetGUID(&guid), S_OK);
    std::string projectsEid;
    {
        ComPtr<IStore> source;
        ASSERT_EQ(profile->get_Source(source.put()), S_OK);
        ComPtr<IFolder> projects = FolderNamed(SubtreeFolders(source.get()).get(), "Projects");
        ComBstr eid;
        ASSERT_EQ(projects->get_EntryID(eid.put()), S_OK);
        projectsEid = eid.Utf8();
    }
    // Two destination folders carry a link to the same source, written behind the engine's back.
    {
        ComPtr<IMsgStore> file = OpenFile(personal);
        MAPINAMEID name{&guid, MNID_STRING, {}};
        name.Kind.lpwstrName = const_cast<LPWSTR>(u"PRS_SOURCE_FOLDER");
        LPMAPINAMEID names[] = {&name};
        LPSPropTagArray tags = nullptr;
        ASSERT_EQ(file->GetIDsFromNames(1, names, MAPI_CREATE, &tags), S_OK);
        std::vector<BYTE> eid(projectsEid.size() / 2);
        ASSERT_TRUE(FBinFromHex(projectsEid.data(), eid.data()));
        SPropValue link{};
        link.ulPropTag = CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_BINARY);
        link.Value.bin.cb = static_cast<ULONG>(eid.size());
        link.Value.bin.lpb = eid.data();
        MAPIFreeBuffer(tags);
        for (const char* folder : {"Inbox", "Calendar"})
            ASSERT_EQ(HrSetOneProp(OpenFolder(file.get(), {folder}).get(), &link), S_OK);
    }
    // A profile object of its own builds the map from the store.
    LONG count = 0;
    ASSERT_EQ(profiles->get_Count(&count), S_OK);
    ASSERT_EQ(count, 1);
    ComPtr<IProfile> loaded;
    ASSERT_EQ(profiles->get_Items(1, loaded.put()), S_OK);
    ComPtr<IStore> destination;
    ASSERT_EQ(loaded->get_Destination(destination.put()), S_OK);
    ASSERT_EQ(destination->get_SyncFolderCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    ComPtr<IFolders> folders = SubtreeFolders(destination.get());
    EXPECT_EQ(SourceName(FolderNamed(folders.get(), "Inbox").get()), "Projects");
    EXPECT_EQ(SourceName(FolderNamed(folders.get(), "Calendar").get()), "<none>");
    ComPtr<IFolder> first;
    ASSERT_EQ(destination->get_FirstSyncFolder(first.put()), S_OK);
    ASSERT_TRUE(first);
    ComBstr name;
    first->get_Name(name.put());
    EXPECT_EQ(name.Utf8(), "Inbox");
    ComPtr<IFolder> next;
    EXPECT_EQ(destination->get_NextSyncFolder(next.put()), S_OK);
    EXPECT_FALSE(next);
}

TEST_F(EngineStores, LastSyncTimeLivesInTheProfilesPropertySet)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
    ComPtr<IStore> destination;
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    FILETIME time{1, 1};
    EXPECT_EQ(destination->GetLastSyncTime(&time), S_OK);
    EXPECT_EQ(time.dwLowDateTime, 0u);
    EXPECT_EQ(time.dwHighDateTime, 0u);
    FILETIME stamp{0x89ABCDEF, 0x01D00000};
    ASSERT_EQ(destination->SetLastSyncTime(&stamp), S_OK);
    EXPECT_EQ(destination->GetLastSyncTime(&time), S_OK);
    EXPECT_EQ(time.dwLowDateTime, stamp.dwLowDateTime);
    EXPECT_EQ(time.dwHighDateTime, stamp.dwHighDateTime);

    // The property set's GUID is the profile key's bytes.
    GUID guid{};
    ASSERT_EQ(profile->GetGUID(&guid), S_OK);
    ComPtr<IMsgStore> file = OpenFile(personal);
    MAPINAMEID name{&guid, MNID_STRING, {}};
    name.Kind.lpwstrName = const_cast<LPWSTR>(u"PRS_LAST_SYNC");
    LPMAPINAMEID names[] = {&name};
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(file->GetIDsFromNames(1, names, 0, &tags), S_OK);
    LPSPropValue value = nullptr;
    ASSERT_EQ(HrGetOneProp(file.get(), CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_SYSTIME), &value), S_OK);
    EXPECT_EQ(value->Value.ft.dwLowDateTime, stamp.dwLowDateTime);
    MAPIFreeBuffer(value);
    MAPIFreeBuffer(tags);
}

TEST_F(EngineStores, LateBoundThroughIDispatch)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(engine.As(dispatch), S_OK);
    auto id = [](IDispatch* d, const char16_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID dispid = DISPID_UNKNOWN;
        EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid), S_OK) << platform::Utf16ToUtf8(name);
        return dispid;
    };
    auto get = [&](IDispatch* d, const char16_t* name, VARIANT* args, UINT cArgs, VARIANT& result) {
        DISPPARAMS params{args, nullptr, cArgs, 0};
        VariantInit(&result);
        return d->Invoke(id(d, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &params,
                         &result, nullptr, nullptr);
    };
    VARIANT none{};
    VARIANT sources;
    ASSERT_EQ(get(dispatch.get(), u"sources", nullptr, 0, sources), S_OK);
    ASSERT_EQ(sources.vt, VT_DISPATCH);
    VARIANT count;
    ASSERT_EQ(get(sources.pdispVal, u"Count", nullptr, 0, count), S_OK);
    EXPECT_EQ(count.vt, VT_I4);
    EXPECT_EQ(count.lVal, 4);
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 4;
    VARIANT store;
    ASSERT_EQ(get(sources.pdispVal, u"Items", &index, 1, store), S_OK);
    ASSERT_EQ(store.vt, VT_DISPATCH);
    VARIANT name;
    ASSERT_EQ(get(store.pdispVal, u"StoreName", nullptr, 0, name), S_OK);
    ASSERT_EQ(name.vt, VT_BSTR);
    EXPECT_EQ(Text(name.bstrVal), "Public Folders");
    VARIANT init;
    EXPECT_EQ(get(dispatch.get(), u"Init", nullptr, 0, init), S_OK);
    // Members that take addresses are not offered to scripts.
    LPOLESTR storeList[] = {const_cast<LPOLESTR>(u"GetStoreList")};
    DISPID unknownId = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, storeList, 1, LOCALE_USER_DEFAULT, &unknownId), DISP_E_UNKNOWNNAME);

    // A new profile's name, put and read back late-bound.
    VARIANT profiles;
    ASSERT_EQ(get(dispatch.get(), u"Profiles", nullptr, 0, profiles), S_OK);
    index.lVal = -1;
    VARIANT profile;
    ASSERT_EQ(get(profiles.pdispVal, u"Items", &index, 1, profile), S_OK);
    ASSERT_EQ(profile.vt, VT_DISPATCH);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"Late");
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &putId, 1, 1};
    EXPECT_EQ(profile.pdispVal->Invoke(id(profile.pdispVal, u"Name"), IID_NULL, LOCALE_USER_DEFAULT,
                                       DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
              S_OK);
    VARIANT back;
    ASSERT_EQ(get(profile.pdispVal, u"Name", nullptr, 0, back), S_OK);
    EXPECT_EQ(Text(back.bstrVal), "Late");
    for (VARIANT* v : {&sources, &count, &store, &name, &init, &profiles, &profile, &value, &back})
        VariantClear(v);
    (void)none;
}

TEST_F(EngineStores, TraceSettingsAreReadWhenTheLibraryLoads)
{
    {
        std::filesystem::create_directories(platform::WindowsDirectory());
        std::ofstream ini(platform::WindowsDirectory() / "tembrix.ini");
        ini << "[CL]\nDebugLevel=3\n";
    }
    platform::DebugOutputCapture debugger;
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IStores> sources;
    ASSERT_EQ(engine->get_Sources(sources.put()), S_OK);
    ComPtr<IStore> store;
    ASSERT_EQ(sources->get_Items(1, store.put()), S_OK);
    ComPtr<IUnknown> mdb;
    EXPECT_EQ(store->get_MDB(mdb.put()), E_INVALIDARG);
    const std::string text = debugger.joined();
    for (const char* line : {"-->CSyncEngine::Init()\n", "<--CSyncEngine::Init(), ret = 0\n", "add profile:Work\n",
                             "add profile:Home\n", "store does not belong to a profile.\n",
                             "<--CStore::get_MDB(), ret = 80070057\n", "-->CStore::CStore("})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(EngineStores, StoreGivenAProfileThroughItsInterfaceKeepsIt)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IStore> store;
    {
        ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
        ComPtr<IStores> destinations;
        ASSERT_EQ(engine->get_Destinations(destinations.put()), S_OK);
        store = StoreNamed(destinations.get(), "Archive");
        ASSERT_TRUE(store);
        ASSERT_EQ(store->SetProfile(profile.get()), S_OK);
    }
    profiles.Release();
    engine.Release();
    ComPtr<IFolders> folders;
    ASSERT_EQ(store->get_Folders(folders.put()), S_OK);
    EXPECT_EQ(FolderNames(folders.get()), std::vector<std::string>{"/"});
    ComPtr<IUnknown> session;
    EXPECT_EQ(store->get_Session(session.put()), S_OK);
    ComPtr<IMAPISession> asSession;
    EXPECT_EQ(session.As(asSession), S_OK);
}

TEST_F(EngineStores, StoreOutlivingItsOwningProfileLetsGoOfIt)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IStore> destination;
    {
        ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
        ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
        ComPtr<IFolders> folders;
        EXPECT_EQ(destination->get_Folders(folders.put()), S_OK);
    }
    ComPtr<IFolders> folders;
    EXPECT_EQ(destination->get_Folders(folders.put()), E_INVALIDARG);
    ComBstr name;
    EXPECT_EQ(destination->get_StoreName(name.put()), S_OK);
    EXPECT_EQ(name.Utf8(), "Personal Folders");
}
