// A scripted stand-in for the engine's profiles, for the view's and the worker's tests: each
// object logs the calls it gets (from any thread) and answers as the test set it up. A profile's
// run calls its sink as the test's script says and leaves the conflicts it was given.
#pragma once

#include "TembrixLib.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "mapi/MapiCodes.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace fakeengine {

// The calls the objects got, in order.
class CallLog {
public:
    void Add(const std::string& call)
    {
        std::lock_guard lock(m_lock);
        m_calls.push_back(call);
    }
    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(m_lock);
        return m_calls;
    }
    void Clear()
    {
        std::lock_guard lock(m_lock);
        m_calls.clear();
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
};

inline BSTR NewBstr(const std::u16string& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// Reference counting and IDispatch for a fake of a dual interface.
template <class Itf>
class FakeObject : public Itf {
public:
    FakeObject() = default;
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;
    virtual ~FakeObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, uuidof<Itf>()) || IsEqualIID(riid, IID_IDispatch)) {
            *ppv = static_cast<Itf*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    ULONG Refs() const { return m_refs; }

private:
    std::atomic<ULONG> m_refs{1};
};

template <class T, class... Args>
ComPtr<T> Make(Args&&... args)
{
    ComPtr<T> object;
    object.Attach(new T(std::forward<Args>(args)...));
    return object;
}

class FakeStore : public FakeObject<IStore> {
public:
    FakeStore(std::string name, std::string key) : m_name(std::move(name)), m_key(std::move(key)) {}

    HRESULT STDMETHODCALLTYPE Create(IStores*, LONG_PTR, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SessionName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StoreName(BSTR* pVal) override
    {
        *pVal = NewBstr(platform::Utf8ToUtf16(m_name));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsDestination(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Open() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MDB(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Folders(IFolders**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) override
    {
        *pVal = NewBstr(platform::Utf8ToUtf16(m_key));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProfile(IProfile*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddSrcKey(LPSTR, IFolder*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DelSrcKey(LPSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindSrcKey(LPSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SyncFolderCount(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_FirstSyncFolder(IFolder**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NextSyncFolder(IFolder**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLastSyncTime(FILETIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLastSyncTime(FILETIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Session(IUnknown**) override { return E_NOTIMPL; }

private:
    std::string m_name;
    std::string m_key;
};

// A folder handed to the sink: its name and record key as UTF-16 (so a test can give text that
// no conversion takes).
class FakeFolder : public FakeObject<IFolder> {
public:
    FakeFolder(std::u16string name, std::u16string key) : m_name(std::move(name)), m_key(std::move(key)) {}

    HRESULT STDMETHODCALLTYPE Create(IStore*, IProfile*, ULONG, BYTE*, LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override
    {
        *pVal = NewBstr(m_name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HasFolders(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Folders(IFolders**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsDestination(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) override
    {
        *pVal = NewBstr(m_key);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Type(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Source(IFolder**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Source(IFolder*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsEmpty(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MAPIFolder(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsValid(LONG*) override { return E_NOTIMPL; }

private:
    std::u16string m_name;
    std::u16string m_key;
};

class FakeConflict : public FakeObject<IConflict> {
public:
    FakeConflict(CallLog& log, int index, SHORT type) : m_log(log), m_index(index), m_type(type) {}

    HRESULT STDMETHODCALLTYPE Create(IProfile*, SHORT, IUnknown*, IUnknown*, IUnknown*, IUnknown*, LPSTR) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT* pVal) override
    {
        m_log.Add("Type(" + std::to_string(m_index) + ")");
        *pVal = m_type;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_SourceFolder(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DestinationFolder(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SourceEntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DestinationEntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SourceMessage(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DestinationMessage(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resolve(SHORT mode) override
    {
        m_log.Add("Resolve(" + std::to_string(m_index) + "," + std::to_string(mode) + ")");
        m_type = 0;
        return S_OK;
    }

private:
    CallLog& m_log;
    int m_index;
    SHORT m_type;
};

class FakeConflicts : public FakeObject<IConflicts> {
public:
    FakeConflicts(CallLog& log, const std::vector<SHORT>& types) : m_log(log)
    {
        for (std::size_t i = 0; i < types.size(); ++i)
            m_items.push_back(Make<FakeConflict>(log, static_cast<int>(i + 1), types[i]));
    }

    HRESULT STDMETHODCALLTYPE Create(IProfile*, LONG, IConflict**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override
    {
        m_log.Add("Count");
        *pVal = static_cast<LONG>(m_items.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IConflict** pVal) override
    {
        m_log.Add("Conflict(" + std::to_string(idx) + ")");
        if (idx < 1 || idx > static_cast<LONG>(m_items.size()))
            return E_INVALIDARG;
        *pVal = m_items[static_cast<std::size_t>(idx - 1)].get();
        (*pVal)->AddRef();
        return S_OK;
    }

private:
    CallLog& m_log;
    std::vector<ComPtr<FakeConflict>> m_items;
};

// One profile: its name, stores (null: not available), what its run does on the sink and
// returns, and the types of the conflicts it leaves.
struct FakeProfileSetup {
    std::string name;
    ComPtr<IStore> destination;
    ComPtr<IStore> source;
    std::function<HRESULT(IStatus*)> run;
    std::vector<SHORT> conflicts;
};

class FakeProfile : public FakeObject<IProfile> {
public:
    FakeProfile(CallLog& log, int index, FakeProfileSetup setup) : m_log(log), m_index(index), m_setup(std::move(setup))
    {
    }

    HRESULT STDMETHODCALLTYPE Create(IProfiles*, LPSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override
    {
        m_log.Add("Name(" + std::to_string(m_index) + ")");
        *pVal = NewBstr(platform::Utf8ToUtf16(m_setup.name));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Source(IStore** pVal) override { return Store(m_setup.source, pVal); }
    HRESULT STDMETHODCALLTYPE put_Source(IStore*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Destination(IStore** pVal) override { return Store(m_setup.destination, pVal); }
    HRESULT STDMETHODCALLTYPE put_Destination(IStore*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Synchronize(IStatus* pStatus) override
    {
        m_log.Add("Synchronize(" + std::to_string(m_index) + ")");
        m_conflicts = Make<FakeConflicts>(m_log, m_setup.conflicts);
        return m_setup.run ? m_setup.run(pStatus) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE FinalizeSynchronize() override
    {
        m_log.Add("FinalizeSynchronize(" + std::to_string(m_index) + ")");
        m_conflicts.Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Conflicts(IConflicts** pVal) override
    {
        m_log.Add("Conflicts(" + std::to_string(m_index) + ")");
        if (!m_conflicts)
            m_conflicts = Make<FakeConflicts>(m_log, std::vector<SHORT>{});
        *pVal = m_conflicts.get();
        (*pVal)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ResolveConflict(IConflict*, SHORT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_QueryDelete(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_QueryDelete(LONG newVal) override
    {
        m_log.Add("QueryDelete(" + std::to_string(m_index) + "," + std::to_string(newVal) + ")");
        return S_OK;
    }

private:
    static HRESULT Store(const ComPtr<IStore>& store, IStore** pVal)
    {
        *pVal = nullptr;
        if (!store)
            return MAPI_E_NOT_FOUND;
        *pVal = store.get();
        store->AddRef();
        return S_OK;
    }

    CallLog& m_log;
    int m_index;
    FakeProfileSetup m_setup;
    ComPtr<FakeConflicts> m_conflicts;
};

class FakeProfiles : public FakeObject<IProfiles> {
public:
    FakeProfiles(CallLog& log, std::vector<FakeProfileSetup> profiles) : m_log(log), m_setups(std::move(profiles)) {}

    // Items of these indices fail.
    std::set<LONG> m_failingItems;

    // What the profile dialogs would do to the collection.
    void AddProfile(FakeProfileSetup setup)
    {
        std::lock_guard lock(m_lock);
        m_setups.push_back(std::move(setup));
    }
    void RemoveProfile(const std::string& name)
    {
        std::lock_guard lock(m_lock);
        std::erase_if(m_setups, [&](const FakeProfileSetup& setup) { return setup.name == name; });
        m_profiles.clear();
    }
    void RenameProfile(const std::string& oldName, const std::string& newName)
    {
        std::lock_guard lock(m_lock);
        for (auto& setup : m_setups)
            if (setup.name == oldName)
                setup.name = newName;
        m_profiles.clear();
    }

    HRESULT STDMETHODCALLTYPE Create(ISyncEngine*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override
    {
        std::lock_guard lock(m_lock);
        *pVal = static_cast<LONG>(m_setups.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IProfile** pVal) override
    {
        m_log.Add("Items(" + std::to_string(idx) + ")");
        *pVal = nullptr;
        std::lock_guard lock(m_lock);
        if (idx < 1 || idx > static_cast<LONG>(m_setups.size()))
            return E_INVALIDARG;
        if (m_failingItems.contains(idx))
            return E_OUTOFMEMORY;
        // One object per index, as a run keeps using the one it got.
        auto& profile = m_profiles[idx];
        if (!profile)
            profile = Make<FakeProfile>(m_log, static_cast<int>(idx), m_setups[static_cast<std::size_t>(idx - 1)]);
        *pVal = profile.get();
        (*pVal)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(IProfile*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Remove(IProfile*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetKey(LONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Engine(ISyncEngine**) override { return E_NOTIMPL; }

private:
    CallLog& m_log;
    std::vector<FakeProfileSetup> m_setups;
    std::mutex m_lock;
    std::map<LONG, ComPtr<FakeProfile>> m_profiles;
};

// The engine's root object, only for being there: the profiles are set on the document.
class FakeSyncEngine : public FakeObject<ISyncEngine> {
public:
    HRESULT STDMETHODCALLTYPE get_Profiles(IProfiles**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Sources(IStores**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Destinations(IStores**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStoreList(LONG_PTR, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Init() override { return S_OK; }
};

} // namespace fakeengine
