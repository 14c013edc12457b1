// One sync profile: a source store, a destination store, a name and the QueryDelete switch,
// kept under its profile key in the registry. The sync run itself lives here too.
#pragma once

#include "EngineObject.h"
#include "registry/Registry.h"

#include <string>

class CProfile : public ComObject<CProfile, DispatchImpl<CProfile, IProfile>, SupportErrorInfoImpl<IProfile>> {
public:
    CProfile();
    ~CProfile() override;
    static std::span<const DispatchMember> DispatchMembers();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE Create(IProfiles* pParent, LPSTR pszKey) override;
    HRESULT STDMETHODCALLTYPE Load() override;
    HRESULT STDMETHODCALLTYPE Save() override;
    HRESULT STDMETHODCALLTYPE Delete() override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Name(BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_Source(IStore** pVal) override;
    HRESULT STDMETHODCALLTYPE put_Source(IStore* newVal) override;
    HRESULT STDMETHODCALLTYPE get_Destination(IStore** pVal) override;
    HRESULT STDMETHODCALLTYPE put_Destination(IStore* newVal) override;
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGuid) override;
    HRESULT STDMETHODCALLTYPE Synchronize(IStatus* pStatus) override;
    HRESULT STDMETHODCALLTYPE FinalizeSynchronize() override;
    HRESULT STDMETHODCALLTYPE get_Conflicts(IConflicts** pVal) override;
    HRESULT STDMETHODCALLTYPE ResolveConflict(IConflict* pConflict, SHORT mode) override;
    HRESULT STDMETHODCALLTYPE get_QueryDelete(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_QueryDelete(LONG newVal) override;

private:
    HRESULT GetStoreByKey(bool bDest, IStore** pVal);
    HRESULT GetStore(bool bDest, IStore** pVal);
    HRESULT PutStore(bool bDest, IStore* newVal);

    ComPtr<IProfiles> m_parent;
    char m_key[33] = "";
    HKEY m_root = nullptr; // the parent's profiles key, not owned
    bool m_new = true;
    std::u16string m_name;
    bool m_queryDelete = false;
    ComPtr<IStore> m_source;      // cached once found or set
    ComPtr<IStore> m_destination;
    std::string m_sourceKey;      // RecordKey hex of the stores
    std::string m_destinationKey;
};
