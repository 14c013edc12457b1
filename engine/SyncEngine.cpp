#include "SyncEngine.h"

#include "Profiles.h"
#include "Stores.h"
#include "helpers.h"
#include "base/Utf.h"
#include "mapi/Mapi.h"

CSyncEngine::CSyncEngine()
{
    TRACE_CTOR("CSyncEngine");
}

CSyncEngine::~CSyncEngine()
{
    TRACE_DTOR("CSyncEngine");
    if (m_mapiInitialized)
        MAPIUninitialize();
}

std::span<const DispatchMember> CSyncEngine::DispatchMembers()
{
    // Members that take addresses (GetStoreList) are for the engine's own objects, not for scripts.
    static const DispatchMember members[] = {
        DispMember<&ISyncEngine::get_Profiles>("Profiles", 1, DISPATCH_PROPERTYGET),
        DispMember<&ISyncEngine::get_Sources>("Sources", 2, DISPATCH_PROPERTYGET),
        DispMember<&ISyncEngine::get_Destinations>("Destinations", 3, DISPATCH_PROPERTYGET),
        DispMember<&ISyncEngine::Init>("Init", 5, DISPATCH_METHOD),
    };
    return members;
}

HRESULT CSyncEngine::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (!IsEqualIID(riid, IID_EngineImplementation))
        return E_NOINTERFACE;
    *ppv = this;
    return S_OK;
}

void CSyncEngine::Forget(IUnknown* pCollection)
{
    if (pCollection == m_profiles)
        m_profiles = nullptr;
    if (pCollection == m_sources)
        m_sources = nullptr;
    if (pCollection == m_destinations)
        m_destinations = nullptr;
}

HRESULT CSyncEngine::get_Profiles(IProfiles** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncEngine::get_Profiles", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (!m_profiles) {
        CProfiles* profiles = nullptr;
        hr = CProfiles::CreateObject(&profiles);
        if (FAILED(hr))
            return hr;
        hr = profiles->Create(this);
        if (FAILED(hr)) {
            TRACE_FAILED(Create, hr);
            profiles->Release();
            return hr;
        }
        profiles->SetOwner(this);
        *pVal = profiles; // the creation's reference goes to the caller
        m_profiles = profiles;
        return hr;
    }
    m_profiles->AddRef();
    *pVal = m_profiles;
    return hr;
}

HRESULT CSyncEngine::GetStores(LONG bDest, IStores** pVal)
{
    HRESULT hr = S_OK;
    IStores*& cache = bDest ? m_destinations : m_sources;
    if (!pVal)
        return E_POINTER;
    *pVal = nullptr;
    if (cache) {
        cache->AddRef();
        *pVal = cache;
        return hr;
    }
    hr = BuildStoreList();
    if (FAILED(hr)) {
        TRACE_FAILED(BuildStoreList, hr);
        return hr;
    }
    CStores* stores = nullptr;
    hr = CStores::CreateObject(&stores);
    if (FAILED(hr))
        return hr;
    hr = stores->Create(this, bDest);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        stores->Release();
        return hr;
    }
    stores->SetOwner(this);
    cache = stores;
    *pVal = stores;
    return hr;
}

HRESULT CSyncEngine::get_Sources(IStores** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncEngine::get_Sources", &hr);
    hr = GetStores(0, pVal);
    return hr;
}

HRESULT CSyncEngine::get_Destinations(IStores** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncEngine::get_Destinations", &hr);
    hr = GetStores(1, pVal);
    return hr;
}

HRESULT CSyncEngine::GetStoreList(LONG_PTR lppStoreRec, LONG* lpnStoreRec)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncEngine::GetStoreList", &hr);
    if (!lppStoreRec || !lpnStoreRec)
        return hr = E_POINTER;
    *reinterpret_cast<StoreRec**>(lppStoreRec) = m_stores.empty() ? nullptr : m_stores.data();
    *lpnStoreRec = static_cast<LONG>(m_stores.size());
    return hr;
}

HRESULT CSyncEngine::Init()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncEngine::Init", &hr);
    if (m_mapiInitialized)
        return hr;
    MAPIINIT_0 init{0, 0};
    hr = MAPIInitialize(&init);
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIInitialize, hr);
        return hr;
    }
    m_mapiInitialized = true;
    return hr;
}

HRESULT CSyncEngine::BuildStoreList()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncEngine::BuildStoreList", &hr);
    ComPtr<IProfAdmin> admin;
    ComPtr<IMAPITable> table;
    LPSRowSet rows = nullptr;
    ULONG unicode = MAPI_UNICODE;

    if (m_storeListBuilt)
        return hr;
    // A list that failed half-way is built again from the start (no collection uses it yet).
    m_stores.clear();
    hr = MAPIAdminProfiles(MAPI_UNICODE, admin.put());
    if (FAILED(hr)) {
        unicode = 0;
        hr = MAPIAdminProfiles(0, admin.put());
        if (FAILED(hr)) {
            TRACE_FAILED(MAPIAdminProfiles, hr);
            return hr;
        }
    }
    hr = admin->GetProfileTable(unicode, table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetProfileTable, hr);
        return hr;
    }
    {
        SizedSPropTagArray(1, columns) = {1, {unicode ? PR_DISPLAY_NAME_W
                                                      : CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, PT_STRING8)}};
        hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows);
    }
    if (FAILED(hr)) {
        TRACE_FAILED(HrQueryAllRows, hr);
        return hr;
    }
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue& name = rows->aRow[i].lpProps[0];
        if (PROP_TYPE(name.ulPropTag) == PT_ERROR)
            continue;
        const std::u16string profile = unicode ? std::u16string(name.Value.lpszW)
                                               : platform::Utf8ToUtf16(name.Value.lpszA);
        hr = AddProfile(profile);
        if (FAILED(hr)) {
            TRACE_FAILED(AddProfile, hr);
            break;
        }
    }
    FreeProws(rows);
    if (SUCCEEDED(hr))
        m_storeListBuilt = true;
    return hr;
}

HRESULT CSyncEngine::AddProfile(const std::u16string& name)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSyncEngine::AddProfile", &hr);
    ComPtr<IMAPISession> session;
    ComPtr<IMAPITable> table;
    LPSRowSet rows = nullptr;
    ULONG unicode = MAPI_UNICODE;

    TracePrint(__FILE__, __LINE__, TL_DEBUG, "add profile:%S\n", name.c_str());
    hr = MAPILogon(name.c_str(), session.put());
    if (FAILED(hr)) {
        TRACE_FAILED(MAPILogon, hr);
        return hr;
    }
    hr = session->GetMsgStoresTable(MAPI_UNICODE, table.put());
    if (FAILED(hr)) {
        unicode = 0;
        hr = session->GetMsgStoresTable(0, table.put());
        if (FAILED(hr)) {
            TRACE_FAILED(GetMsgStoresTable, hr);
            session->Logoff(0, 0, 0);
            return hr;
        }
    }
    {
        SizedSPropTagArray(4, columns) = {
            4, {unicode ? PR_DISPLAY_NAME_W : CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, PT_STRING8), PR_ENTRYID,
                PR_MDB_PROVIDER, PR_RECORD_KEY}};
        hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows);
    }
    if (FAILED(hr)) {
        TRACE_FAILED(HrQueryAllRows, hr);
        session->Logoff(0, 0, 0);
        return hr;
    }
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* props = rows->aRow[i].lpProps;
        if (PROP_TYPE(props[1].ulPropTag) != PT_BINARY || PROP_TYPE(props[2].ulPropTag) != PT_BINARY ||
            PROP_TYPE(props[3].ulPropTag) != PT_BINARY) {
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "not enough store information. store skipped.\n");
            continue;
        }
        std::u16string display;
        if (PROP_TYPE(props[0].ulPropTag) == PT_UNICODE)
            display = props[0].Value.lpszW;
        else if (PROP_TYPE(props[0].ulPropTag) == PT_STRING8)
            display = platform::Utf8ToUtf16(props[0].Value.lpszA);
        hr = AddStore(name, display, props[1].Value.bin, props[3].Value.bin, props[2].Value.bin);
        if (FAILED(hr)) {
            TRACE_FAILED(AddStore, hr);
            break;
        }
    }
    FreeProws(rows);
    table.Release();
    session->Logoff(0, 0, 0);
    return hr;
}

HRESULT CSyncEngine::AddStore(const std::u16string& profile, const std::u16string& display, const SBinary& entryId,
                              const SBinary& recordKey, const SBinary& provider)
{
    try {
        StoreRec rec;
        rec.profileName = profile;
        rec.displayName = display;
        rec.entryId.assign(entryId.lpb, entryId.lpb + entryId.cb);
        rec.recordKey.assign(recordKey.lpb, recordKey.lpb + recordKey.cb);
        rec.provider.assign(provider.lpb, provider.lpb + provider.cb);
        m_stores.push_back(std::move(rec));
    } catch (const std::bad_alloc&) {
        const HRESULT hr = HRESULT(0x80070000 | ERROR_NOT_ENOUGH_MEMORY);
        TracePrint(__FILE__, __LINE__, TL_ERROR, "realloc() failed: hr = %lx\n", hr);
        return hr;
    }
    return S_OK;
}
