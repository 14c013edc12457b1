// CLVStores: the message stores of the session's profile. It reads the profile's store table
// once, keeps its rows sorted by display name, hands out a new LVStore per request, knows the
// profile's key and name, and follows stores added to or removed from the profile while it
// lives, switching its owning engine's watching of their folders on and off.
#pragma once

#include "ReminderObject.h"

class CProfileStoresSink;

// Columns of the store rows, by position.
enum StoreColumn : ULONG {
    IDX_STORE_DISPLAY_NAME = 0,
    IDX_STORE_ENTRYID = 1,
    IDX_STORE_RECORD_KEY = 2,
    IDX_STORE_MDB_PROVIDER = 3,
    IDX_STORE_DEFAULT_STORE = 4,
    IDX_STORE_INSTANCE_KEY = 5,
    STORE_COLUMN_COUNT = 6,
};

class CLVStores
    : public ComObject<CLVStores, DispatchImpl<CLVStores, ILVStores>, SupportErrorInfoImpl<ILVStores>> {
public:
    CLVStores();
    ~CLVStores() override;
    static std::span<const DispatchMember> DispatchMembers() { return LVStoresDispatchMembers(); }

    HRESULT STDMETHODCALLTYPE Create(IReminderEngine* pParent, IUnknown* pSession) override;
    HRESULT STDMETHODCALLTYPE get_ReminderEngine(IReminderEngine** pVal) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, ILVStore** pVal) override;
    HRESULT STDMETHODCALLTYPE get_ProfileKey(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_ProfileName(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE GetStoreFromKey(BSTR Key, ILVStore** pRet) override;

    // The store table's notifications (from CProfileStoresSink).
    void HandleNotify(ULONG cNotif, const NOTIFICATION* notifications);

private:
    HRESULT GetProfileInfos();
    HRESULT AddRow(const SRow& row);
    void DeleteStore(const SPropValue& instanceKey);
    HRESULT NewStore(const SRow& row, ILVStore** pVal);
    // Tells the owning engine, while it is enabled, that a store came or went.
    void SwitchStore(const SRow& row, bool enable);
    void Clear();

    ULONG m_cProfileProps = 0;
    LPSPropValue m_profileProps = nullptr;
    IReminderEngine* m_engine = nullptr; // the owning engine; not counted
    ComPtr<IMAPISession> m_session;
    ComPtr<IMAPITable> m_storesTable;
    LPSRowSet m_rows = nullptr;
    ULONG m_connection = 0xFFFFFFFF;
    CProfileStoresSink* m_sink = nullptr; // held by the table's advise
};
