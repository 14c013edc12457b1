#include "Profiles.h"

#include "Profile.h"
#include "SyncEngine.h"

CProfiles::CProfiles()
{
    TRACE_CTOR("CProfiles");
}

CProfiles::~CProfiles()
{
    TRACE_DTOR("CProfiles");
    if (m_hKey)
        RegCloseKey(m_hKey);
}

void CProfiles::FinalRelease()
{
    if (m_owner)
        m_owner->Forget(static_cast<IProfiles*>(this));
}

std::span<const DispatchMember> CProfiles::DispatchMembers()
{
    // GetKey takes an address: not for scripts.
    static const DispatchMember members[] = {
        DispMember<&IProfiles::Create>("Create", 1, DISPATCH_METHOD),
        DispMember<&IProfiles::get_Count>("Count", 2, DISPATCH_PROPERTYGET),
        DispMember<&IProfiles::get_Items>("Items", 3, DISPATCH_PROPERTYGET),
        DispMember<&IProfiles::Add>("Add", 4, DISPATCH_METHOD),
        DispMember<&IProfiles::Remove>("Remove", 5, DISPATCH_METHOD),
        DispMember<&IProfiles::get_Engine>("Engine", 7, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CProfiles::Create(ISyncEngine* pEngine)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::Create", &hr);
    if (!pEngine)
        return hr = E_INVALIDARG;
    m_engine = pEngine;
    if (m_hKey) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
    const LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, kProfilesKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT(0x80070000 | rc);
        TracePrint(__FILE__, __LINE__, TL_ERROR, "RegCreateKeyEx() failed: hr=%lx\n", hr);
        m_hKey = nullptr;
        return hr;
    }
    hr = BuildKeyList();
    return hr;
}

HRESULT CProfiles::BuildKeyList()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::BuildKeyList", &hr);
    m_keys.clear();
    for (DWORD index = 0;; ++index) {
        char name[33];
        DWORD cch = sizeof(name);
        const LONG rc = RegEnumKeyExA(m_hKey, index, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA)
            continue; // a name longer than a profile key names no profile: skip it
        if (rc != ERROR_SUCCESS)
            break;
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "key=%s\n", name);
        try {
            m_keys.emplace_back(name, cch);
        } catch (const std::bad_alloc&) {
            hr = HRESULT(0x80070000 | ERROR_NOT_ENOUGH_MEMORY);
            TracePrint(__FILE__, __LINE__, TL_ERROR, "AddKey() failed: hr = %lx\n", hr);
            break;
        }
    }
    return hr;
}

HRESULT CProfiles::get_Count(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::get_Count", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = static_cast<LONG>(m_keys.size());
    return hr;
}

HRESULT CProfiles::get_Items(LONG idx, IProfile** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::get_Items", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (idx != -1 && (idx < 1 || idx > static_cast<LONG>(m_keys.size())))
        return hr = E_INVALIDARG;
    CProfile* profile = nullptr;
    hr = CProfile::CreateObject(&profile);
    if (FAILED(hr))
        return hr;
    std::string key = idx == -1 ? std::string() : m_keys[idx - 1];
    hr = profile->Create(this, idx == -1 ? nullptr : key.data());
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        profile->Release();
        return hr;
    }
    *pVal = profile;
    return hr;
}

HRESULT CProfiles::Add(IProfile* pProfile)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::Add", &hr);
    if (!pProfile)
        return hr = E_INVALIDARG;
    hr = pProfile->Save();
    if (FAILED(hr)) {
        TRACE_FAILED(Save, hr);
        return hr;
    }
    hr = BuildKeyList();
    return hr;
}

HRESULT CProfiles::Remove(IProfile* pProfile)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::Remove", &hr);
    if (!pProfile)
        return hr = E_INVALIDARG;
    hr = pProfile->Delete();
    if (FAILED(hr)) {
        TRACE_FAILED(Delete, hr);
        return hr;
    }
    hr = BuildKeyList();
    return hr;
}

HRESULT CProfiles::GetKey(LONG_PTR lpKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::GetKey", &hr);
    if (!lpKey)
        return hr = E_POINTER;
    *reinterpret_cast<HKEY*>(lpKey) = m_hKey;
    return hr;
}

HRESULT CProfiles::get_Engine(ISyncEngine** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfiles::get_Engine", &hr);
    hr = m_engine.CopyTo(pVal);
    return hr;
}
