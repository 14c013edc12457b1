// A saved sync profile from the public store to the personal store with two linked folder
// pairs (Inbox <- Projects, Calendar <- News), direct access to both store files for the test's
// own changes, and a clock that moves forward with every reading, so that every save and every
// run gets a time of its own without real waiting.
#pragma once

#include "StoreFixture.h"
#include "base/Clock.h"
#include "base/ManualClock.h"
#include "base/WinTime.h"

#include <gdbm.h>

#include <map>
#include <memory>
#include <set>

namespace enginetest {

class SteppingClock : public platform::ManualClock {
public:
    explicit SteppingClock(ULONGLONG utc) : ManualClock(utc, 0) {}
    ULONGLONG utcNow() override
    {
        advance(1);
        return ManualClock::utcNow();
    }
};

// Records every progress call of a run as one line.
class RecordingStatus : public IStatus {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IStatus)) {
            *ppv = static_cast<IStatus*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; } // lives on the test's stack
    HRESULT STDMETHODCALLTYPE Information(BSTR msg) override
    {
        calls.push_back("Information " + Text(msg));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FoldersProgress(LONG c, LONG t) override
    {
        calls.push_back("Folders " + std::to_string(c) + "/" + std::to_string(t));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CurrentFolder(IFolder* folder) override
    {
        ComBstr name;
        folder->get_Name(name.put());
        calls.push_back("Folder " + name.Utf8());
        folder->Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MessagesProgress(LONG c, LONG t) override
    {
        calls.push_back("Messages " + std::to_string(c) + "/" + std::to_string(t));
        return S_OK;
    }
    ULONG refs = 1;
    std::vector<std::string> calls;
};

// What a test sees of one message.
struct Msg {
    std::string subject;
    std::string body;
    std::vector<BYTE> entryId;
    std::vector<BYTE> recordKey;
    std::vector<BYTE> searchKey; // PRS_SEARCH_KEY of the profile (destination messages)
    bool hasFolderKey = false;
    FILETIME modified{};
};

inline std::vector<BYTE> Bin(const SPropValue& v)
{
    return std::vector<BYTE>(v.Value.bin.lpb, v.Value.bin.lpb + v.Value.bin.cb);
}

class SyncFixture : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        if (HasFatalFailure())
            return;
        SYSTEMTIME start{2026, 3, 1, 2, 9, 0, 0, 0};
        FILETIME ft{};
        SystemTimeToFileTime(&start, &ft);
        clock = std::make_shared<SteppingClock>(platform::FileTimeToUInt64(ft));
        if (!realClock)
            scopedClock = std::make_unique<platform::ScopedClock>(clock);
        engine = CreateEngine();
        ASSERT_TRUE(engine);
        ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        profile = SavedProfile(profiles.get(), engine.get());
        ASSERT_TRUE(profile);
        ComPtr<IStore> source, destination;
        ASSERT_EQ(profile->get_Source(source.put()), S_OK);
        ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
        ComPtr<IFolders> srcFolders = SubtreeFolders(source.get());
        ComPtr<IFolders> dstFolders = SubtreeFolders(destination.get());
        ComPtr<IFolder> projects = FolderNamed(srcFolders.get(), "Projects");
        ComPtr<IFolder> news = FolderNamed(srcFolders.get(), "News");
        ComPtr<IFolder> inbox = FolderNamed(dstFolders.get(), "Inbox");
        ComPtr<IFolder> calendar = FolderNamed(dstFolders.get(), "Calendar");
        ASSERT_TRUE(projects && news && inbox && calendar);
        ASSERT_EQ(inbox->put_Source(projects.get()), S_OK);
        ASSERT_EQ(calendar->put_Source(news.get()), S_OK);
        ASSERT_EQ(profile->GetGUID(&guid), S_OK);
        srcStore = OpenFile(publicStore);
        dstStore = OpenFile(personal);
        tagSearchKey = NamedTag(dstStore.get(), u"PRS_SEARCH_KEY", PT_BINARY);
        tagFolderKey = NamedTag(dstStore.get(), u"PRS_FOLDER_KEY", PT_BINARY);
        tagLastSync = NamedTag(dstStore.get(), u"PRS_LAST_SYNC", PT_SYSTIME);
    }
    void TearDown() override
    {
        if (profile)
            profile->FinalizeSynchronize();
        profile.Release();
        profiles.Release();
        engine.Release();
        srcStore.Release();
        dstStore.Release();
        StoreFixture::TearDown();
        scopedClock.reset();
    }

    ULONG NamedTag(IMsgStore* store, const char16_t* name, ULONG type)
    {
        MAPINAMEID id{};
        id.lpguid = &guid;
        id.ulKind = MNID_STRING;
        id.Kind.lpwstrName = const_cast<LPWSTR>(name);
        LPMAPINAMEID ids[1] = {&id};
        LPSPropTagArray tags = nullptr;
        EXPECT_EQ(store->GetIDsFromNames(1, ids, MAPI_CREATE, &tags), S_OK);
        const ULONG tag = PROP_TAG(type, PROP_ID(tags->aulPropTag[0]));
        MAPIFreeBuffer(tags);
        return tag;
    }

    ComPtr<IMAPIFolder> Src(const char* name = "Projects") { return OpenFolder(srcStore.get(), {name}); }
    ComPtr<IMAPIFolder> Dst(const char* name = "Inbox") { return OpenFolder(dstStore.get(), {name}); }

    static ComPtr<IMessage> Add(IMAPIFolder* folder, const std::string& subject, const std::string& body = "body")
    {
        ComPtr<IMessage> msg;
        EXPECT_EQ(folder->CreateMessage(nullptr, 0, msg.put()), S_OK);
        SPropValue props[2]{};
        std::u16string s = platform::Utf8ToUtf16(subject), b = platform::Utf8ToUtf16(body);
        props[0].ulPropTag = PR_SUBJECT_W;
        props[0].Value.lpszW = reinterpret_cast<LPWSTR>(s.data());
        props[1].ulPropTag = PR_BODY_W;
        props[1].Value.lpszW = reinterpret_cast<LPWSTR>(b.data());
        EXPECT_EQ(msg->SetProps(2, props, nullptr), S_OK);
        EXPECT_EQ(msg->SaveChanges(0), S_OK);
        return msg;
    }

    std::vector<Msg> List(IMAPIFolder* folder)
    {
        std::vector<Msg> out;
        ComPtr<IMAPITable> table;
        EXPECT_EQ(folder->GetContentsTable(MAPI_UNICODE, table.put()), S_OK);
        SizedSPropTagArray(7, cols) = {7, {PR_SUBJECT_W, PR_BODY_W, PR_ENTRYID, PR_RECORD_KEY, tagSearchKey,
                                           tagFolderKey, PR_LAST_MODIFICATION_TIME}};
        LPSRowSet rows = nullptr;
        EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows),
                  S_OK);
        for (ULONG i = 0; rows && i < rows->cRows; ++i) {
            const LPSPropValue p = rows->aRow[i].lpProps;
            Msg m;
            if (p[0].ulPropTag == PR_SUBJECT_W)
                m.subject = platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(p[0].Value.lpszW));
            if (p[1].ulPropTag == PR_BODY_W)
                m.body = platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(p[1].Value.lpszW));
            m.entryId = Bin(p[2]);
            m.recordKey = Bin(p[3]);
            if (p[4].ulPropTag == tagSearchKey)
                m.searchKey = Bin(p[4]);
            m.hasFolderKey = p[5].ulPropTag == tagFolderKey;
            m.modified = p[6].Value.ft;
            out.push_back(std::move(m));
        }
        FreeProws(rows);
        return out;
    }

    // subject -> body of a folder's messages.
    std::multimap<std::string, std::string> Contents(IMAPIFolder* folder)
    {
        std::multimap<std::string, std::string> out;
        for (const Msg& m : List(folder))
            out.emplace(m.subject, m.body);
        return out;
    }

    std::optional<Msg> Find(IMAPIFolder* folder, const std::string& subject)
    {
        for (Msg& m : List(folder))
            if (m.subject == subject)
                return m;
        return std::nullopt;
    }

    static ComPtr<IMessage> Open(IMAPIFolder* folder, const std::vector<BYTE>& entryId)
    {
        ComPtr<IUnknown> unknown;
        ULONG type = 0;
        EXPECT_EQ(folder->OpenEntry(static_cast<ULONG>(entryId.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())), nullptr,
                                    MAPI_MODIFY, &type, unknown.put()),
                  S_OK);
        ComPtr<IMessage> msg;
        unknown.As(msg);
        return msg;
    }

    void SetBody(IMAPIFolder* folder, const std::string& subject, const std::string& body)
    {
        std::optional<Msg> m = Find(folder, subject);
        ASSERT_TRUE(m) << subject;
        ComPtr<IMessage> msg = Open(folder, m->entryId);
        std::u16string b = platform::Utf8ToUtf16(body);
        SPropValue v{};
        v.ulPropTag = PR_BODY_W;
        v.Value.lpszW = reinterpret_cast<LPWSTR>(b.data());
        ASSERT_EQ(HrSetOneProp(msg.get(), &v), S_OK);
        ASSERT_EQ(msg->SaveChanges(0), S_OK);
    }

    void Delete(IMAPIFolder* folder, const std::string& subject)
    {
        std::optional<Msg> m = Find(folder, subject);
        ASSERT_TRUE(m) << subject;
        SBinary bin{static_cast<ULONG>(m->entryId.size()), m->entryId.data()};
        ENTRYLIST list{1, &bin};
        ASSERT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    }

    // One run with a recording sink; the conflicts' types in order. The run stays open (the
    // conflicts can be resolved) until Finalize.
    std::vector<SHORT> Run(HRESULT expected = S_OK)
    {
        status = RecordingStatus{};
        EXPECT_EQ(profile->Synchronize(&status), expected);
        return ConflictTypes();
    }
    std::vector<SHORT> ConflictTypes()
    {
        std::vector<SHORT> types;
        ComPtr<IConflicts> conflicts;
        EXPECT_EQ(profile->get_Conflicts(conflicts.put()), S_OK);
        LONG n = 0;
        conflicts->get_Count(&n);
        for (LONG i = 1; i <= n; ++i) {
            ComPtr<IConflict> c;
            EXPECT_EQ(conflicts->get_Items(i, c.put()), S_OK);
            SHORT t = 0;
            c->get_Type(&t);
            types.push_back(t);
        }
        return types;
    }
    ComPtr<IConflict> Conflict(LONG i)
    {
        ComPtr<IConflicts> conflicts;
        EXPECT_EQ(profile->get_Conflicts(conflicts.put()), S_OK);
        ComPtr<IConflict> c;
        EXPECT_EQ(conflicts->get_Items(i, c.put()), S_OK);
        return c;
    }
    // A whole run: synchronise and finalise.
    std::vector<SHORT> Sync()
    {
        std::vector<SHORT> types = Run();
        EXPECT_EQ(profile->FinalizeSynchronize(), S_OK);
        return types;
    }

    std::string ProfileKey()
    {
        char key[33];
        const BYTE* b = reinterpret_cast<const BYTE*>(&guid);
        for (int i = 0; i < 16; ++i)
            std::snprintf(key + 2 * i, 3, "%02x", b[i]);
        return key;
    }
    std::filesystem::path DbPath(const char* ending)
    {
        return platform::AppDataDirectory() / "Dravenholt" / (ProfileKey() + ending);
    }
    // Whether a key database holds the key (read with gdbm directly).
    bool DbHas(const char* ending, const std::vector<BYTE>& key)
    {
        GDBM_FILE db = gdbm_open(DbPath(ending).c_str(), 0, GDBM_READER | GDBM_NOLOCK, 0600, nullptr);
        if (!db)
            return false;
        datum k{reinterpret_cast<char*>(const_cast<BYTE*>(key.data())), static_cast<int>(key.size())};
        const bool found = gdbm_exists(db, k) != 0;
        gdbm_close(db);
        return found;
    }

    std::optional<FILETIME> LastSync()
    {
        LPSPropValue v = nullptr;
        if (FAILED(HrGetOneProp(dstStore.get(), tagLastSync, &v)))
            return std::nullopt;
        FILETIME ft = v->Value.ft;
        MAPIFreeBuffer(v);
        return ft;
    }

    bool realClock = false; // set before SetUp for runs shared with other processes
    std::shared_ptr<SteppingClock> clock;
    std::unique_ptr<platform::ScopedClock> scopedClock;
    ComPtr<ISyncEngine> engine;
    ComPtr<IProfiles> profiles;
    ComPtr<IProfile> profile;
    ComPtr<IMsgStore> srcStore, dstStore;
    GUID guid{};
    ULONG tagSearchKey = 0, tagFolderKey = 0, tagLastSync = 0;
    RecordingStatus status;
};

} // namespace enginetest
