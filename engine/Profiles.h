// The sync profiles kept under HKCU\Software\Tembrix\profiles, one subkey per profile key.
#pragma once

#include "EngineObject.h"
#include "registry/Registry.h"

#include <string>
#include <vector>

class CSyncEngine;

class CProfiles : public ComObject<CProfiles, DispatchImpl<CProfiles, IProfiles>, SupportErrorInfoImpl<IProfiles>> {
public:
    CProfiles();
    ~CProfiles() override;
    static std::span<const DispatchMember> DispatchMembers();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE Create(ISyncEngine* pEngine) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IProfile** pVal) override;
    HRESULT STDMETHODCALLTYPE Add(IProfile* pProfile) override;
    HRESULT STDMETHODCALLTYPE Remove(IProfile* pProfile) override;
    HRESULT STDMETHODCALLTYPE GetKey(LONG_PTR lpKey) override;
    HRESULT STDMETHODCALLTYPE get_Engine(ISyncEngine** pVal) override;

    void SetOwner(CSyncEngine* owner) { m_owner = owner; }

private:
    HRESULT BuildKeyList();

    HKEY m_hKey = nullptr;
    std::vector<std::string> m_keys;
    ComPtr<ISyncEngine> m_engine;
    CSyncEngine* m_owner = nullptr;
};

inline constexpr const char* kProfilesKey = "Software\\Tembrix\\profiles";
