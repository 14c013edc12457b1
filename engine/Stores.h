// The stores of the engine's list that can serve as sources or as destinations.
#pragma once

#include "EngineObject.h"
#include "StoreRec.h"

#include <vector>

class CSyncEngine;

class CStores : public ComObject<CStores, DispatchImpl<CStores, IStores>, SupportErrorInfoImpl<IStores>> {
public:
    CStores();
    ~CStores() override;
    static std::span<const DispatchMember> DispatchMembers();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE Create(ISyncEngine* pParent, LONG bDest) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IStore** pVal) override;

    // The engine that caches this collection.
    void SetOwner(CSyncEngine* owner) { m_owner = owner; }

private:
    ComPtr<ISyncEngine> m_engine;
    CSyncEngine* m_owner = nullptr;
    LONG m_bDest = 0;
    std::vector<StoreRec*> m_stores;
};

// Whether a store provider may serve in the list (destination or source).
bool IsAcceptedProvider(const std::vector<BYTE>& provider, bool bDest);
