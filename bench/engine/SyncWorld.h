// The world of the engine's sync benchmarks: a platform root with the engine registered, a
// public store whose folder "Projects" holds the source messages, a personal store, and a saved
// profile linking Inbox to Projects, on a clock that moves with every reading (so the run's
// fixed one-second pause costs no real time).
#pragma once

#include "ChildProcess.h"
#include "TembrixLib.h"
#include "base/Clock.h"
#include "base/ManualClock.h"
#include "base/PlatformRoot.h"
#include "base/Utf.h"
#include "base/WinTime.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace syncbench {

class SteppingClock : public platform::ManualClock {
public:
    explicit SteppingClock(ULONGLONG utc) : ManualClock(utc, 0) {}
    ULONGLONG utcNow() override
    {
        advance(1);
        return ManualClock::utcNow();
    }
};

inline void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + " failed");
}

// A platform root with the engine registered, a public store whose folder "Projects" holds
// `count` messages, a personal store, and a saved profile linking Inbox to Projects.
class World {
public:
    // prepaired: the destination holds a paired copy of every message and the store the time of
    // a run after them (as a first run leaves it), built directly to spare the first run.
    explicit World(int count, bool prepaired = false)
        : m_clock(std::make_shared<SteppingClock>(133000000000000000ULL)), m_scoped(m_clock)
    {
        {
            ChildProcess regsvr(REGSVR_PROGRAM, {"/s", TEMBRIX_LIBRARY});
            while (!regsvr.readLine().empty()) {
            }
            if (regsvr.wait() != 0)
                throw std::runtime_error("registration failed");
        }
        Check(CoInitialize(nullptr), "CoInitialize");
        Check(MAPIInitialize(nullptr), "MAPIInitialize");
        const auto personal = platform::StoresDirectory() / "personal.store";
        const auto pub = SourcePath();
        Check(mapi::CreateStoreFile(personal, mapi::StoreKind::Personal, u"Personal Folders"), "CreateStoreFile");
        Check(mapi::CreateStoreFile(pub, mapi::StoreKind::PublicFolders, u"Public Folders"), "CreateStoreFile");
        {
            ComPtr<IProfAdmin> admin;
            Check(MAPIAdminProfiles(0, admin.put()), "MAPIAdminProfiles");
            Check(admin->CreateProfile(const_cast<char*>("Work"), nullptr, 0, 0), "CreateProfile");
            Check(mapi::ProfileRegistry::AddStore("Work", personal), "AddStore");
            Check(mapi::ProfileRegistry::AddStore("Work", pub), "AddStore");
        }
        Check(mapi::OpenStoreFile(pub, MDB_WRITE, m_srcStore.put()), "OpenStoreFile");
        Check(mapi::OpenStoreFile(personal, MDB_WRITE, m_dstStore.put()), "OpenStoreFile");
        m_src = Folder(m_srcStore.get(), "Projects");
        m_dst = Folder(m_dstStore.get(), "Inbox");

        CLSID clsid{};
        Check(CLSIDFromProgID(u"Tembrix.SyncEngine", &clsid), "CLSIDFromProgID");
        Check(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_ISyncEngine, m_engine.put_void()), "CoCreateInstance");
        Check(m_engine->Init(), "Init");
        ComPtr<IProfiles> profiles;
        Check(m_engine->get_Profiles(profiles.put()), "get_Profiles");
        ComPtr<IStores> sources, destinations;
        Check(m_engine->get_Sources(sources.put()), "get_Sources");
        Check(m_engine->get_Destinations(destinations.put()), "get_Destinations");
        ComPtr<IStore> source = Named(sources.get(), "Public Folders");
        ComPtr<IStore> destination = Named(destinations.get(), "Personal Folders");
        ComPtr<IProfile> created;
        Check(profiles->get_Items(-1, created.put()), "Items");
        Check(created->put_Source(source.get()), "put_Source");
        Check(created->put_Destination(destination.get()), "put_Destination");
        Check(profiles->Add(created.get()), "Add");
        created.Release();
        Check(profiles->get_Items(1, m_profile.put()), "Items");
        source.Release();
        destination.Release();
        Check(m_profile->get_Source(source.put()), "get_Source");
        Check(m_profile->get_Destination(destination.put()), "get_Destination");
        Link(source.get(), destination.get());

        ULONG tagSearch = 0, tagFolder = 0, tagLast = 0;
        LPSPropValue folderKey = nullptr;
        if (prepaired) {
            GUID guid{};
            Check(m_profile->GetGUID(&guid), "GetGUID");
            tagSearch = Named(m_dstStore.get(), guid, u"PRS_SEARCH_KEY", PT_BINARY);
            tagFolder = Named(m_dstStore.get(), guid, u"PRS_FOLDER_KEY", PT_BINARY);
            tagLast = Named(m_dstStore.get(), guid, u"PRS_LAST_SYNC", PT_SYSTIME);
            Check(HrGetOneProp(m_dst.get(), PR_RECORD_KEY, &folderKey), "HrGetOneProp");
        }
        for (int i = 0; i < count; ++i) {
            ComPtr<IMessage> src = AddMessage(m_src.get(), i);
            if (!prepaired)
                continue;
            LPSPropValue key = nullptr;
            Check(HrGetOneProp(src.get(), PR_RECORD_KEY, &key), "HrGetOneProp");
            ComPtr<IMessage> dst = AddMessage(m_dst.get(), i, false);
            SPropValue pair[2]{};
            pair[0].ulPropTag = tagSearch;
            pair[0].Value.bin = key->Value.bin;
            pair[1].ulPropTag = tagFolder;
            pair[1].Value.bin = folderKey->Value.bin;
            Check(dst->SetProps(2, pair, nullptr), "SetProps");
            Check(dst->SaveChanges(0), "SaveChanges");
            MAPIFreeBuffer(key);
        }
        if (prepaired) {
            MAPIFreeBuffer(folderKey);
            SPropValue last{};
            last.ulPropTag = tagLast;
            GetSystemTimeAsFileTime(&last.Value.ft);
            Check(HrSetOneProp(m_dstStore.get(), &last), "HrSetOneProp");
        }
    }
    ~World()
    {
        m_profile.Release();
        m_engine.Release();
        m_src.Release();
        m_dst.Release();
        m_srcStore.Release();
        m_dstStore.Release();
        MAPIUninitialize();
        CoUninitialize();
    }

    // The public store's file (the source of the profile).
    static std::filesystem::path SourcePath() { return platform::StoresDirectory() / "public.store"; }

    IProfile* Profile() const { return m_profile.get(); }
    // Projects in the public store and Inbox in the personal one.
    IMAPIFolder* SourceFolder() const { return m_src.get(); }
    IMAPIFolder* DestinationFolder() const { return m_dst.get(); }

    void Run()
    {
        Check(m_profile->Synchronize(nullptr), "Synchronize");
        ComPtr<IConflicts> conflicts;
        Check(m_profile->get_Conflicts(conflicts.put()), "get_Conflicts");
        LONG n = 0;
        conflicts->get_Count(&n);
        if (n != 0)
            throw std::runtime_error("unexpected conflicts");
        conflicts.Release();
        Check(m_profile->FinalizeSynchronize(), "FinalizeSynchronize");
    }

    // Changes `count` messages on each side (different messages on the two sides).
    void ChangeBothSides(int count, int round)
    {
        const std::string body = "changed " + std::to_string(round);
        ChangeBodies(m_src.get(), body, count, false);
        ChangeBodies(m_dst.get(), body, count, true);
    }

    // Gives up to `count` messages of the folder (from its first one, or from the middle) a new
    // body.
    static void ChangeBodies(IMAPIFolder* folder, const std::string& body, int count, bool fromMiddle = false)
    {
        ComPtr<IMAPITable> table;
        Check(folder->GetContentsTable(0, table.put()), "GetContentsTable");
        SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
        LPSRowSet rows = nullptr;
        Check(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows),
              "HrQueryAllRows");
        const ULONG offset = fromMiddle ? rows->cRows / 2 : 0;
        for (ULONG i = 0; i < static_cast<ULONG>(count) && offset + i < rows->cRows; ++i) {
            const SBinary& eid = rows->aRow[offset + i].lpProps[0].Value.bin;
            ComPtr<IUnknown> unknown;
            ULONG type = 0;
            Check(folder->OpenEntry(eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, MAPI_MODIFY, &type,
                                    unknown.put()),
                  "OpenEntry");
            ComPtr<IMessage> msg;
            Check(unknown.As(msg), "IMessage");
            std::string text = body;
            SPropValue v{};
            v.ulPropTag = PR_BODY_A;
            v.Value.lpszA = text.data();
            Check(HrSetOneProp(msg.get(), &v), "HrSetOneProp");
            Check(msg->SaveChanges(0), "SaveChanges");
        }
        FreeProws(rows);
    }

private:
    static ComPtr<IMAPIFolder> Folder(IMsgStore* store, const char* name)
    {
        LPSPropValue subtree = nullptr;
        Check(HrGetOneProp(store, PR_IPM_SUBTREE_ENTRYID, &subtree), "HrGetOneProp");
        ComPtr<IUnknown> unknown;
        ULONG type = 0;
        Check(store->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb), nullptr,
                               MAPI_MODIFY, &type, unknown.put()),
              "OpenEntry");
        MAPIFreeBuffer(subtree);
        ComPtr<IMAPIFolder> root, folder;
        unknown.As(root);
        Check(root->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name), nullptr, nullptr, OPEN_IF_EXISTS,
                                 folder.put()),
              "CreateFolder");
        return folder;
    }

    static ComPtr<IStore> Named(IStores* stores, const char* name)
    {
        LONG n = 0;
        stores->get_Count(&n);
        for (LONG i = 1; i <= n; ++i) {
            ComPtr<IStore> store;
            Check(stores->get_Items(i, store.put()), "Items");
            ComBstr text;
            store->get_StoreName(text.put());
            if (text.Utf8() == name)
                return store;
        }
        throw std::runtime_error("store not found");
    }

    static ULONG Named(IMsgStore* store, GUID guid, const char16_t* name, ULONG type)
    {
        MAPINAMEID id{};
        id.lpguid = &guid;
        id.ulKind = MNID_STRING;
        id.Kind.lpwstrName = const_cast<LPWSTR>(name);
        LPMAPINAMEID ids[1] = {&id};
        LPSPropTagArray tags = nullptr;
        Check(store->GetIDsFromNames(1, ids, MAPI_CREATE, &tags), "GetIDsFromNames");
        const ULONG tag = PROP_TAG(type, PROP_ID(tags->aulPropTag[0]));
        MAPIFreeBuffer(tags);
        return tag;
    }

    static ComPtr<IMessage> AddMessage(IMAPIFolder* folder, int i, bool save = true)
    {
        ComPtr<IMessage> msg;
        Check(folder->CreateMessage(nullptr, 0, msg.put()), "CreateMessage");
        std::string subject = "Message " + std::to_string(i);
        std::string body(400, 'x');
        std::string sender = "sender" + std::to_string(i % 97) + "@example.org";
        SPropValue props[5]{};
        props[0].ulPropTag = PR_SUBJECT_A;
        props[0].Value.lpszA = subject.data();
        props[1].ulPropTag = PR_BODY_A;
        props[1].Value.lpszA = body.data();
        props[2].ulPropTag = PROP_TAG(PT_STRING8, 0x0C1F); // sender address
        props[2].Value.lpszA = sender.data();
        props[3].ulPropTag = PROP_TAG(PT_LONG, 0x0017); // importance
        props[3].Value.l = i % 3;
        props[4].ulPropTag = PROP_TAG(PT_BOOLEAN, 0x0E1F); // an RTF flag
        props[4].Value.b = i % 2;
        Check(msg->SetProps(5, props, nullptr), "SetProps");
        if (i % 10 == 0) {
            ComPtr<IAttach> att;
            ULONG num = 0;
            Check(msg->CreateAttach(nullptr, 0, &num, att.put()), "CreateAttach");
            std::string data(2048, 'a');
            SPropValue a[2]{};
            a[0].ulPropTag = PR_ATTACH_METHOD;
            a[0].Value.l = ATTACH_BY_VALUE;
            a[1].ulPropTag = PR_ATTACH_DATA_BIN;
            a[1].Value.bin = {static_cast<ULONG>(data.size()), reinterpret_cast<BYTE*>(data.data())};
            Check(att->SetProps(2, a, nullptr), "SetProps");
            Check(att->SaveChanges(0), "SaveChanges");
        }
        if (save)
            Check(msg->SaveChanges(0), "SaveChanges");
        return msg;
    }

    static void Link(IStore* source, IStore* destination)
    {
        auto find = [](IStore* store, const char* name) {
            ComPtr<IFolders> top, all;
            ComPtr<IFolder> root;
            Check(store->get_Folders(top.put()), "get_Folders");
            Check(top->get_Items(1, root.put()), "Items");
            Check(root->get_Folders(all.put()), "get_Folders");
            LONG n = 0;
            all->get_Count(&n);
            for (LONG i = 1; i <= n; ++i) {
                ComPtr<IFolder> f;
                Check(all->get_Items(i, f.put()), "Items");
                ComBstr text;
                f->get_Name(text.put());
                if (text.Utf8() == name)
                    return f;
            }
            throw std::runtime_error("folder not found");
        };
        ComPtr<IFolder> inbox = find(destination, "Inbox");
        ComPtr<IFolder> projects = find(source, "Projects");
        Check(inbox->put_Source(projects.get()), "put_Source");
    }

    std::shared_ptr<SteppingClock> m_clock;
    platform::ScopedClock m_scoped;
    ComPtr<IMsgStore> m_srcStore, m_dstStore;
    ComPtr<IMAPIFolder> m_src, m_dst;
    ComPtr<ISyncEngine> m_engine;
    ComPtr<IProfile> m_profile;
};

} // namespace syncbench
