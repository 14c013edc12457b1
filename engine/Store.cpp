#include "Store.h"

#include "Folder.h"
#include "Folders.h"
#include "helpers.h"
#include "properties.h"
#include "mapi/Mapi.h"

#include <cstring>

CStore::CStore()
{
    TRACE_CTOR("CStore");
}

CStore::~CStore()
{
    TRACE_DTOR("CStore");
    m_mdb.Release();
    if (m_session)
        m_session->Logoff(0, 0, 0);
}

std::span<const DispatchMember> CStore::DispatchMembers()
{
    // Create takes an address and the key-map members take 8-bit text: not for scripts.
    static const DispatchMember members[] = {
        DispMember<&IStore::get_SessionName>("SessionName", 2, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_StoreName>("StoreName", 3, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_IsDestination>("IsDestination", 4, DISPATCH_PROPERTYGET),
        DispMember<&IStore::Open>("Open", 5, DISPATCH_METHOD),
        DispMember<&IStore::get_MDB>("MDB", 6, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_Folders>("Folders", 7, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_EntryID>("EntryID", 8, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_RecordKey>("RecordKey", 9, DISPATCH_PROPERTYGET),
        DispMember<&IStore::SetProfile>("SetProfile", 10, DISPATCH_METHOD),
        DispMember<&IStore::get_SyncFolderCount>("SyncFolderCount", 14, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_FirstSyncFolder>("FirstSyncFolder", 15, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_NextSyncFolder>("NextSyncFolder", 16, DISPATCH_PROPERTYGET),
        DispMember<&IStore::get_Session>("Session", 19, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CStore::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (!IsEqualIID(riid, IID_EngineImplementation))
        return E_NOINTERFACE;
    *ppv = this;
    return S_OK;
}

void CStore::DetachProfile(IProfile* pProfile)
{
    if (m_profile == pProfile && !m_profileRef)
        m_profile = nullptr;
}

HRESULT CStore::AttachOwner(IProfile* pProfile)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::SetProfile", &hr);
    hr = AttachProfile(pProfile);
    if (SUCCEEDED(hr))
        m_profileRef.Release();
    return hr;
}

bool CStore::SrcKeyLinksTo(const std::string& key, const std::vector<BYTE>& dstEntryId) const
{
    auto it = m_keyMap.find(key);
    return it != m_keyMap.end() && it->second == dstEntryId;
}

std::vector<std::vector<BYTE>> CStore::SyncFolderEntryIds() const
{
    std::vector<std::vector<BYTE>> ids;
    for (const auto& [key, entryId] : m_keyMap)
        ids.push_back(entryId);
    return ids;
}

bool CStore::IsIpmSubtree(ULONG cb, const BYTE* pb)
{
    LPSPropValue subtree = nullptr;
    ULONG result = 0;
    if (!m_mdb || FAILED(HrGetOneProp(m_mdb.get(), PR_IPM_SUBTREE_ENTRYID, &subtree)))
        return false;
    const HRESULT hr = m_mdb->CompareEntryIDs(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb),
                                              cb, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(pb)), 0, &result);
    MAPIFreeBuffer(subtree);
    return SUCCEEDED(hr) && result;
}

HRESULT CStore::Create(IStores* pParent, LONG_PTR lpStoreRec, LONG bDest)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::Create", &hr);
    if (!pParent || !lpStoreRec)
        return hr = E_INVALIDARG;
    m_parent = pParent;
    m_rec = reinterpret_cast<const StoreRec*>(lpStoreRec);
    m_bDest = bDest;
    return hr;
}

HRESULT CStore::get_SessionName(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_SessionName", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = SysAllocStringLen(m_rec->profileName.data(), static_cast<UINT>(m_rec->profileName.size()));
    if (!*pVal)
        hr = E_OUTOFMEMORY;
    return hr;
}

HRESULT CStore::get_StoreName(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_StoreName", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = SysAllocStringLen(m_rec->displayName.data(), static_cast<UINT>(m_rec->displayName.size()));
    if (!*pVal)
        hr = E_OUTOFMEMORY;
    return hr;
}

HRESULT CStore::get_IsDestination(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_IsDestination", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = m_bDest;
    return hr;
}

HRESULT CStore::Open()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::Open", &hr);
    ComPtr<IMAPISession> session;
    ComPtr<IMsgStore> mdb;
    if (m_mdb)
        return hr;
    hr = MAPILogon(m_rec->profileName.c_str(), session.put());
    if (FAILED(hr)) {
        TRACE_FAILED(MAPILogon, hr);
        return hr;
    }
    hr = session->OpenMsgStore(0, static_cast<ULONG>(m_rec->entryId.size()),
                               reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(m_rec->entryId.data())), nullptr,
                               MDB_NO_DIALOG | MDB_WRITE | MDB_NO_MAIL, mdb.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenMsgStore, hr);
        session->Logoff(0, 0, 0);
        return hr;
    }
    m_session = std::move(session);
    m_mdb = std::move(mdb);
    return hr;
}

HRESULT CStore::get_MDB(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_MDB", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (!m_profile || !m_mdb) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "store does not belong to a profile.\n");
        return hr = E_INVALIDARG;
    }
    hr = m_mdb->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pVal));
    return hr;
}

HRESULT CStore::get_Folders(IFolders** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_Folders", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (!m_profile || !m_mdb) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "store does not belong to a profile.\n");
        return hr = E_INVALIDARG;
    }
    CFolders* folders = nullptr;
    hr = CFolders::CreateObject(&folders);
    if (FAILED(hr))
        return hr;
    hr = folders->Create(this, m_profile, 0, nullptr, m_bDest);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        folders->Release();
        return hr;
    }
    *pVal = folders;
    return hr;
}

HRESULT CStore::get_EntryID(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_EntryID", &hr);
    hr = SBin2bstr(static_cast<ULONG>(m_rec->entryId.size()), m_rec->entryId.data(), pVal);
    if (FAILED(hr))
        TRACE_FAILED(SBin2bstr, hr);
    return hr;
}

HRESULT CStore::get_RecordKey(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_RecordKey", &hr);
    hr = SBin2bstr(static_cast<ULONG>(m_rec->recordKey.size()), m_rec->recordKey.data(), pVal);
    if (FAILED(hr))
        TRACE_FAILED(SBin2bstr, hr);
    return hr;
}

HRESULT CStore::SetProfile(IProfile* pProfile)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::SetProfile", &hr);
    hr = AttachProfile(pProfile);
    if (SUCCEEDED(hr))
        m_profileRef = pProfile;
    return hr;
}

HRESULT CStore::AttachProfile(IProfile* pProfile)
{
    HRESULT hr = S_OK;
    GUID guid{};
    if (!pProfile)
        return hr = E_INVALIDARG;
    hr = Open();
    if (FAILED(hr)) {
        TRACE_FAILED(Open, hr);
        return hr;
    }
    // Kept for the key map's walk below; the final holder is set by the caller.
    m_profileRef = pProfile;
    m_profile = pProfile;
    if (!m_bDest)
        return hr;
    hr = pProfile->GetGUID(&guid);
    if (FAILED(hr)) {
        TRACE_FAILED(GetGUID, hr);
        return hr;
    }
    hr = GetPRS_LAST_SYNC(m_mdb.get(), guid, &m_tagLastSync);
    if (FAILED(hr)) {
        TRACE_FAILED(GetPRS_LAST_SYNC, hr);
        return hr;
    }
    hr = BuildKeyMap();
    if (FAILED(hr))
        TRACE_FAILED(BuildKeyMap, hr);
    return hr;
}

HRESULT CStore::BuildKeyMap()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::BuildKeyMap", &hr);
    LPSPropValue subtree = nullptr;
    ComPtr<IFolder> root;
    ComPtr<IFolders> folders;
    LONG count = 0;

    m_keyMap.clear();
    m_position.reset();
    hr = HrGetOneProp(m_mdb.get(), PR_IPM_SUBTREE_ENTRYID, &subtree);
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    {
        CFolder* folder = nullptr;
        hr = CFolder::CreateObject(&folder);
        if (SUCCEEDED(hr)) {
            root.Attach(folder);
            hr = root->Create(this, m_profile, subtree->Value.bin.cb, subtree->Value.bin.lpb, 1, 1);
            if (FAILED(hr))
                TRACE_FAILED(Create, hr);
        }
    }
    MAPIFreeBuffer(subtree);
    if (FAILED(hr))
        return hr;
    // A folder's list holds all its descendants, so the subtree's own list visits every folder
    // exactly once.
    hr = AddFolderKeys(root.get());
    if (FAILED(hr))
        return hr;
    hr = root->get_Folders(folders.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_Folders, hr);
        return hr;
    }
    folders->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IFolder> folder;
        hr = folders->get_Items(i, folder.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_Items, hr);
            return hr;
        }
        hr = AddFolderKeys(folder.get());
        if (FAILED(hr))
            return hr;
    }
    return hr;
}

HRESULT CStore::AddFolderKeys(IFolder* pFolder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::AddFolderKeys", &hr);
    ComPtr<IFolder> source;
    ComBstr key;
    const HRESULT hrSource = pFolder->get_Source(source.put());
    if (FAILED(hrSource)) {
        // A link that cannot be followed (the source store is gone) is no link for the map.
        TracePrint(__FILE__, __LINE__, TL_WARNING, "get_Source() failed: hr=%lx\n", hrSource);
        return hr;
    }
    if (!source)
        return hr;
    hr = source->get_RecordKey(key.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_RecordKey, hr);
        return hr;
    }
    std::string keyText = key.Utf8();
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "**SOURCE**\n");
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "key=%s\n", keyText.c_str());
    if (FindSrcKey(keyText.data()) != S_OK) {
        hr = AddSrcKey(keyText.data(), pFolder);
        if (FAILED(hr))
            TRACE_FAILED(AddSrcKey, hr);
    } else {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "duplicate key found! fixing.\n");
        hr = pFolder->put_Source(nullptr);
        if (FAILED(hr))
            TRACE_FAILED(put_Source, hr);
    }
    return hr;
}

HRESULT CStore::AddSrcKey(LPSTR pszKey, IFolder* pDstFolder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::AddSrcKey", &hr);
    ComBstr entryId;
    SBinary bin{};
    if (!m_bDest || !pszKey || !pDstFolder)
        return hr = E_INVALIDARG;
    hr = pDstFolder->get_EntryID(entryId.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_EntryID, hr);
        return hr;
    }
    hr = bstr2SBin(entryId.View().data(), &bin);
    if (FAILED(hr)) {
        TRACE_FAILED(bstr2SBin, hr);
        return hr;
    }
    try {
        m_keyMap[pszKey] = std::vector<BYTE>(bin.lpb, bin.lpb + bin.cb);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    FreeSBin(&bin);
    return hr;
}

HRESULT CStore::DelSrcKey(LPSTR pszKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::DelSrcKey", &hr);
    if (!m_bDest || !pszKey)
        return hr = E_INVALIDARG;
    auto it = m_keyMap.find(pszKey);
    // The walk position is a key, not an iterator: removing the current entry keeps the walk.
    if (it != m_keyMap.end())
        m_keyMap.erase(it);
    return hr;
}

HRESULT CStore::FindSrcKey(LPSTR pszKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::FindSrcKey", &hr);
    if (!pszKey)
        return hr = E_INVALIDARG;
    hr = m_keyMap.count(pszKey) ? S_OK : E_FAIL;
    return hr;
}

HRESULT CStore::get_SyncFolderCount(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_SyncFolderCount", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = static_cast<LONG>(m_keyMap.size());
    return hr;
}

HRESULT CStore::OpenSyncFolder(IFolder** pVal)
{
    HRESULT hr = S_OK;
    const std::vector<BYTE>& entryId = m_keyMap.at(*m_position);
    CFolder* folder = nullptr;
    hr = CFolder::CreateObject(&folder);
    if (FAILED(hr))
        return hr;
    const LONG bRoot = IsIpmSubtree(static_cast<ULONG>(entryId.size()), entryId.data()) ? 1 : 0;
    hr = folder->Create(this, m_profile, static_cast<ULONG>(entryId.size()), const_cast<BYTE*>(entryId.data()), 1,
                        bRoot);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        folder->Release();
        return hr;
    }
    *pVal = folder;
    return hr;
}

HRESULT CStore::get_FirstSyncFolder(IFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_FirstSyncFolder", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    m_position.reset();
    if (m_keyMap.empty())
        return hr;
    if (!m_profile)
        return hr = E_INVALIDARG;
    m_position = m_keyMap.begin()->first;
    hr = OpenSyncFolder(pVal);
    return hr;
}

HRESULT CStore::get_NextSyncFolder(IFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_NextSyncFolder", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (!m_position)
        return hr;
    auto it = m_keyMap.upper_bound(*m_position);
    if (it == m_keyMap.end()) {
        m_position.reset();
        return hr;
    }
    if (!m_profile)
        return hr = E_INVALIDARG;
    m_position = it->first;
    hr = OpenSyncFolder(pVal);
    return hr;
}

HRESULT CStore::GetLastSyncTime(FILETIME* pTime)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::GetLastSyncTime", &hr);
    LPSPropValue value = nullptr;
    if (!pTime)
        return hr = E_POINTER;
    *pTime = FILETIME{0, 0};
    if (!m_mdb || !m_tagLastSync)
        return hr = E_INVALIDARG;
    hr = HrGetOneProp(m_mdb.get(), m_tagLastSync, &value);
    if (hr == MAPI_E_NOT_FOUND)
        return hr = S_OK;
    if (FAILED(hr)) {
        TRACE_FAILED(GetLastSyncTime, hr);
        return hr;
    }
    *pTime = value->Value.ft;
    MAPIFreeBuffer(value);
    return hr;
}

HRESULT CStore::SetLastSyncTime(FILETIME* pTime)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::SetLastSyncTime", &hr);
    if (!pTime)
        return hr = E_POINTER;
    if (!m_mdb || !m_tagLastSync)
        return hr = E_INVALIDARG;
    SPropValue value{};
    value.ulPropTag = m_tagLastSync;
    value.Value.ft = *pTime;
    hr = HrSetOneProp(m_mdb.get(), &value);
    if (FAILED(hr))
        TRACE_FAILED(HrSetOneProp, hr);
    return hr;
}

HRESULT CStore::get_Session(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStore::get_Session", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (!m_profile || !m_session) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "store does not belong to a profile.\n");
        return hr = E_INVALIDARG;
    }
    hr = m_session->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pVal));
    return hr;
}
