// The engine's root object: MAPI initialisation, the message stores of every MAPI profile, and
// the collections Profiles, Sources and Destinations.
#pragma once

#include "EngineObject.h"
#include "StoreRec.h"

#include <string>
#include <vector>

class CSyncEngine : public ComObject<CSyncEngine, DispatchImpl<CSyncEngine, ISyncEngine>,
                                     SupportErrorInfoImpl<ISyncEngine>> {
public:
    CSyncEngine();
    ~CSyncEngine() override;
    static std::span<const DispatchMember> DispatchMembers();
    HRESULT QueryExtraInterface(REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE get_Profiles(IProfiles** pVal) override;
    HRESULT STDMETHODCALLTYPE get_Sources(IStores** pVal) override;
    HRESULT STDMETHODCALLTYPE get_Destinations(IStores** pVal) override;
    HRESULT STDMETHODCALLTYPE GetStoreList(LONG_PTR lppStoreRec, LONG* lpnStoreRec) override;
    HRESULT STDMETHODCALLTYPE Init() override;

    // A cached collection lives as long as its users; it holds the engine and tells the engine
    // when it goes, so that no reference cycle keeps either alive.
    void Forget(IUnknown* pCollection);

private:
    HRESULT GetStores(LONG bDest, IStores** pVal);
    HRESULT BuildStoreList();
    HRESULT AddProfile(const std::u16string& name);
    HRESULT AddStore(const std::u16string& profile, const std::u16string& display, const SBinary& entryId,
                     const SBinary& recordKey, const SBinary& provider);

    IProfiles* m_profiles = nullptr;     // not counted, see Forget
    IStores* m_sources = nullptr;        // not counted
    IStores* m_destinations = nullptr;   // not counted
    std::vector<StoreRec> m_stores;
    bool m_storeListBuilt = false;
    bool m_mapiInitialized = false;
};
