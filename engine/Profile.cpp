#include "Profile.h"

#include "Store.h"
#include "database.h"
#include "registry.h"
#include "com/GuidString.h"

#include <cstdio>
#include <cstring>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

CProfile::CProfile()
{
    TRACE_CTOR("CProfile");
}

CProfile::~CProfile()
{
    TRACE_DTOR("CProfile");
}

void CProfile::FinalRelease()
{
    FinalizeSynchronize();
    // The stores keep a plain pointer back to this profile.
    for (IStore* store : {m_source.get(), m_destination.get()}) {
        if (ComPtr<CStore> impl = EngineImpl<CStore>(store))
            impl->DetachProfile(this);
    }
    m_source.Release();
    m_destination.Release();
    m_parent.Release();
}

std::span<const DispatchMember> CProfile::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IProfile::Load>("Load", 2, DISPATCH_METHOD),
        DispMember<&IProfile::Save>("Save", 3, DISPATCH_METHOD),
        DispMember<&IProfile::Delete>("Delete", 4, DISPATCH_METHOD),
        DispMember<&IProfile::get_Name>("Name", 5, DISPATCH_PROPERTYGET),
        DispMember<&IProfile::put_Name>("Name", 5, DISPATCH_PROPERTYPUT),
        DispMember<&IProfile::get_Source>("Source", 7, DISPATCH_PROPERTYGET),
        DispMember<&IProfile::put_Source>("Source", 7, DISPATCH_PROPERTYPUT),
        DispMember<&IProfile::put_Source>("Source", 7, DISPATCH_PROPERTYPUTREF),
        DispMember<&IProfile::get_Destination>("Destination", 9, DISPATCH_PROPERTYGET),
        DispMember<&IProfile::put_Destination>("Destination", 9, DISPATCH_PROPERTYPUT),
        DispMember<&IProfile::put_Destination>("Destination", 9, DISPATCH_PROPERTYPUTREF),
        DispMember<&IProfile::Synchronize>("Synchronize", 12, DISPATCH_METHOD),
        DispMember<&IProfile::FinalizeSynchronize>("FinalizeSynchronize", 13, DISPATCH_METHOD),
        DispMember<&IProfile::get_Conflicts>("Conflicts", 14, DISPATCH_PROPERTYGET),
        DispMember<&IProfile::ResolveConflict>("ResolveConflict", 15, DISPATCH_METHOD),
        DispMember<&IProfile::get_QueryDelete>("QueryDelete", 16, DISPATCH_PROPERTYGET),
        DispMember<&IProfile::put_QueryDelete>("QueryDelete", 16, DISPATCH_PROPERTYPUT),
    };
    return members;
}

HRESULT CProfile::Create(IProfiles* pParent, LPSTR pszKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::Create", &hr);
    if (!pParent)
        return hr = E_INVALIDARG;
    m_parent = pParent;
    if (pszKey) {
        if (std::strlen(pszKey) != 32)
            return hr = E_INVALIDARG;
        std::memcpy(m_key, pszKey, 33);
    } else {
        GUID uuid{};
        hr = CoCreateGuid(&uuid); // the platform's UuidCreate
        if (FAILED(hr)) {
            TRACE_FAILED(UuidCreate, hr);
            return hr;
        }
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&uuid);
        for (int i = 0; i < 16; ++i)
            std::snprintf(m_key + 2 * i, 3, "%02x", bytes[i]);
    }
    hr = pParent->GetKey(reinterpret_cast<LONG_PTR>(&m_root));
    if (FAILED(hr)) {
        TRACE_FAILED(GetKey, hr);
        return hr;
    }
    hr = Load();
    if (FAILED(hr))
        TRACE_FAILED(Load, hr);
    return hr;
}

HRESULT CProfile::Load()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::Load", &hr);
    HKEY hKey = nullptr;
    std::u16string source, destination, queryDelete;

    if (RegOpenKeyExA(m_root, m_key, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) {
        m_new = true;
        m_name.clear();
        return hr;
    }
    m_new = false;
    hr = RegGetValue(hKey, "Name", m_name);
    if (SUCCEEDED(hr))
        hr = RegGetValue(hKey, "Source", source);
    if (SUCCEEDED(hr))
        hr = RegGetValue(hKey, "Destination", destination);
    if (SUCCEEDED(hr))
        hr = RegGetValue(hKey, "QueryDelete", queryDelete);
    RegCloseKey(hKey);
    if (FAILED(hr)) {
        TRACE_FAILED(RegGetValue, hr);
        return hr;
    }
    m_sourceKey = platform::Utf16ToUtf8(source);
    m_destinationKey = platform::Utf16ToUtf8(destination);
    m_queryDelete = queryDelete == u"y";
    return hr;
}

HRESULT CProfile::Save()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::Save", &hr);
    HKEY hKey = nullptr;
    if (!m_source && m_sourceKey.empty()) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "no source store.\n");
        return hr = E_INVALIDARG;
    }
    if (!m_destination && m_destinationKey.empty()) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "no destintaion store.\n");
        return hr = E_INVALIDARG;
    }
    const LONG rc = RegCreateKeyExA(m_root, m_key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                    &hKey, nullptr);
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT(0x80070000 | rc);
        TracePrint(__FILE__, __LINE__, TL_ERROR, "RegCreateKeyEx() failed: hr=%lx\n", hr);
        return hr;
    }
    hr = RegSetValue(hKey, "Name", m_name);
    if (SUCCEEDED(hr))
        hr = RegSetValue(hKey, "Source", platform::Utf8ToUtf16(m_sourceKey));
    if (SUCCEEDED(hr))
        hr = RegSetValue(hKey, "Destination", platform::Utf8ToUtf16(m_destinationKey));
    if (SUCCEEDED(hr))
        hr = RegSetValue(hKey, "QueryDelete", m_queryDelete ? u"y" : u"n");
    RegCloseKey(hKey);
    if (FAILED(hr)) {
        TRACE_FAILED(RegSetValue, hr);
        return hr;
    }
    m_new = false;
    return hr;
}

HRESULT CProfile::Delete()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::Delete", &hr);
    RegDeleteKeyA(m_root, m_key); // result not checked
    DbDelete(this);
    return hr;
}

HRESULT CProfile::get_Name(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::get_Name", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = SysAllocStringLen(m_name.data(), static_cast<UINT>(m_name.size()));
    if (!*pVal)
        hr = E_OUTOFMEMORY;
    return hr;
}

HRESULT CProfile::put_Name(BSTR newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::put_Name", &hr);
    m_name.assign(newVal ? newVal : u"", newVal ? SysStringLen(newVal) : 0);
    return hr;
}

HRESULT CProfile::GetStoreByKey(bool bDest, IStore** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::GetStoreByKey", &hr);
    ComPtr<ISyncEngine> engine;
    ComPtr<IStores> stores;
    LONG count = 0;
    const std::string& wanted = bDest ? m_destinationKey : m_sourceKey;

    hr = m_parent->get_Engine(engine.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_Engine, hr);
        return hr;
    }
    hr = bDest ? engine->get_Destinations(stores.put()) : engine->get_Sources(stores.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_Stores, hr);
        return hr;
    }
    stores->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IStore> store;
        ComBstr key;
        hr = stores->get_Items(i, store.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_Items, hr);
            return hr;
        }
        if (FAILED(store->get_RecordKey(key.put())) || wanted.empty() || key.Utf8() != wanted)
            continue;
        ComPtr<CStore> impl = EngineImpl<CStore>(store.get());
        hr = impl ? impl->AttachOwner(this) : store->SetProfile(this);
        if (FAILED(hr)) {
            TracePrint(__FILE__, __LINE__, TL_ERROR, "SetProfile() failed: hr = %lx\n", hr);
            return hr;
        }
        *pVal = store.get();
        store->AddRef();
        return hr;
    }
    return hr = MAPI_E_NOT_FOUND;
}

HRESULT CProfile::GetStore(bool bDest, IStore** pVal)
{
    HRESULT hr = S_OK;
    ComPtr<IStore>& cache = bDest ? m_destination : m_source;
    if (!pVal)
        return E_POINTER;
    *pVal = nullptr;
    if (m_new && !cache)
        return hr;
    if (!cache) {
        ComPtr<IStore> found;
        hr = GetStoreByKey(bDest, found.put());
        if (FAILED(hr)) {
            TRACE_FAILED(GetStoreByKey, hr);
            return hr;
        }
        cache = std::move(found);
    }
    return cache.CopyTo(pVal);
}

HRESULT CProfile::PutStore(bool bDest, IStore* newVal)
{
    HRESULT hr = S_OK;
    ComPtr<IStore>& cache = bDest ? m_destination : m_source;
    ComBstr key;
    if (!m_new && cache)
        return hr = E_INVALIDARG;
    if (newVal) {
        hr = newVal->get_RecordKey(key.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_RecordKey, hr);
            return hr;
        }
    }
    if (ComPtr<CStore> impl = EngineImpl<CStore>(cache.get()))
        impl->DetachProfile(this);
    cache = newVal;
    (bDest ? m_destinationKey : m_sourceKey) = newVal ? key.Utf8() : std::string();
    return hr;
}

HRESULT CProfile::get_Source(IStore** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::get_Source", &hr);
    hr = GetStore(false, pVal);
    return hr;
}

HRESULT CProfile::put_Source(IStore* newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::put_Source", &hr);
    hr = PutStore(false, newVal);
    return hr;
}

HRESULT CProfile::get_Destination(IStore** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::get_Destination", &hr);
    hr = GetStore(true, pVal);
    return hr;
}

HRESULT CProfile::put_Destination(IStore* newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::put_Destination", &hr);
    hr = PutStore(true, newVal);
    return hr;
}

HRESULT CProfile::GetGUID(GUID* pGuid)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::GetGUID", &hr);
    if (!pGuid)
        return hr = E_POINTER;
    BYTE bytes[16];
    for (int i = 0; i < 16; ++i) {
        const int hi = HexDigit(m_key[2 * i]);
        const int lo = HexDigit(m_key[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return hr = E_INVALIDARG;
        bytes[i] = BYTE(hi << 4 | lo);
    }
    std::memcpy(pGuid, bytes, sizeof(bytes));
    return hr;
}

HRESULT CProfile::get_QueryDelete(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::get_QueryDelete", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = m_queryDelete ? 1 : 0;
    return hr;
}

HRESULT CProfile::put_QueryDelete(LONG newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::put_QueryDelete", &hr);
    m_queryDelete = newVal != 0;
    return hr;
}
