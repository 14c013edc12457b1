// Stores in two MAPI profiles: "Work" holds a personal store and a public-folder store with a
// few folders, "Home" holds a second personal store and a mailbox.
#pragma once

#include "EngineTestSupport.h"
#include "mapi/MapiUtil.h"

namespace enginetest {

class StoreFixture : public RegisteredEngine {
protected:
    void SetUp() override
    {
        RegisteredEngine::SetUp();
        personal = NewStore("personal.store", mapi::StoreKind::Personal, u"Personal Folders");
        publicStore = NewStore("public.store", mapi::StoreKind::PublicFolders, u"Public Folders");
        archive = NewStore("archive.store", mapi::StoreKind::Personal, u"Archive");
        mailbox = NewStore("mailbox.store", mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann");
        NewProfile("Work", {personal, publicStore});
        NewProfile("Home", {archive, mailbox});
        ComPtr<IMAPIFolder> projects = CreateFolder(publicStore, {}, "Projects");
        ASSERT_TRUE(projects);
        CreateFolder(publicStore, {"Projects"}, "Alpha");
        CreateFolder(publicStore, {}, "News");
    }

    // Opens a store file directly (beside the engine's own sessions).
    static ComPtr<IMsgStore> OpenFile(const std::filesystem::path& path)
    {
        ComPtr<IMsgStore> store;
        EXPECT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
        return store;
    }

    // The folder at a path of names below the IPM subtree.
    static ComPtr<IMAPIFolder> OpenFolder(IMsgStore* store, const std::vector<std::string>& names)
    {
        LPSPropValue subtree = nullptr;
        EXPECT_EQ(HrGetOneProp(store, PR_IPM_SUBTREE_ENTRYID, &subtree), S_OK);
        ComPtr<IUnknown> unknown;
        ULONG type = 0;
        EXPECT_EQ(store->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb),
                                   nullptr, MAPI_MODIFY, &type, unknown.put()),
                  S_OK);
        MAPIFreeBuffer(subtree);
        ComPtr<IMAPIFolder> folder;
        unknown.As(folder);
        for (const std::string& name : names) {
            ComPtr<IMAPIFolder> child;
            EXPECT_EQ(folder->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name.c_str()), nullptr, nullptr,
                                           OPEN_IF_EXISTS, child.put()),
                      S_OK);
            folder = child;
        }
        return folder;
    }

    static ComPtr<IMAPIFolder> CreateFolder(const std::filesystem::path& path, const std::vector<std::string>& parent,
                                            const std::string& name, ULONG type = FOLDER_GENERIC)
    {
        ComPtr<IMsgStore> store = OpenFile(path);
        ComPtr<IMAPIFolder> folder = OpenFolder(store.get(), parent);
        ComPtr<IMAPIFolder> child;
        EXPECT_EQ(folder->CreateFolder(type, const_cast<char*>(name.c_str()), nullptr, nullptr, 0, child.put()), S_OK);
        return child;
    }

    // A saved sync profile from the public store to the personal store, loaded anew.
    ComPtr<IProfile> SavedProfile(IProfiles* profiles, ISyncEngine* engine, const char* name = "Public")
    {
        ComPtr<IProfile> profile;
        EXPECT_EQ(profiles->get_Items(-1, profile.put()), S_OK);
        ComPtr<IStores> sources, destinations;
        EXPECT_EQ(engine->get_Sources(sources.put()), S_OK);
        EXPECT_EQ(engine->get_Destinations(destinations.put()), S_OK);
        ComBstr text(platform::Utf8ToUtf16(name));
        EXPECT_EQ(profile->put_Name(text), S_OK);
        EXPECT_EQ(profile->put_Source(StoreNamed(sources.get(), "Public Folders").get()), S_OK);
        EXPECT_EQ(profile->put_Destination(StoreNamed(destinations.get(), "Personal Folders").get()), S_OK);
        EXPECT_EQ(profiles->Add(profile.get()), S_OK);
        LONG count = 0;
        profiles->get_Count(&count);
        GUID wanted{};
        profile->GetGUID(&wanted);
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<IProfile> loaded;
            EXPECT_EQ(profiles->get_Items(i, loaded.put()), S_OK);
            GUID guid{};
            loaded->GetGUID(&guid);
            if (guid == wanted)
                return loaded;
        }
        ADD_FAILURE() << "saved profile not found";
        return {};
    }

    std::filesystem::path personal, publicStore, archive, mailbox;
};

// The folders of a store's IPM subtree ("/" and its descendants).
inline ComPtr<IFolders> SubtreeFolders(IStore* store)
{
    ComPtr<IFolders> top;
    EXPECT_EQ(store->get_Folders(top.put()), S_OK);
    ComPtr<IFolder> root;
    EXPECT_EQ(top->get_Items(1, root.put()), S_OK);
    ComPtr<IFolders> folders;
    if (root) {
        EXPECT_EQ(root->get_Folders(folders.put()), S_OK);
    }
    return folders;
}

inline std::string Key(IFolder* folder)
{
    ComBstr key;
    EXPECT_EQ(folder->get_RecordKey(key.put()), S_OK);
    return key.Utf8();
}

inline std::string SourceName(IFolder* destination)
{
    ComPtr<IFolder> source;
    EXPECT_EQ(destination->get_Source(source.put()), S_OK);
    if (!source)
        return "<none>";
    ComBstr name;
    source->get_Name(name.put());
    return name.Utf8();
}

} // namespace enginetest
