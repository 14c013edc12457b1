// CLVStore: one message store of the profile, handed out by the store collection. It opens the
// store when first needed, knows its keys, name and default folders, hands out folder objects,
// and keeps the Folders registry tree of reminder folders:
//   HKCU\Software\Halvesta\Lumivane Add-In\Folders\<profile key>\<store key>\<folder key>
// with the folder's display name as default value, "eid" (its entry ID in hex) and "type"
// (its ReminderType, REG_DWORD). The store object keeps its own copy of its row of the
// collection, so that the collection may add and remove rows while it lives.
#pragma once

#include "DefaultFolders.h"
#include "ReminderObject.h"

class CLVStore
    : public ComObject<CLVStore, DispatchImpl<CLVStore, ILVStore>, SupportErrorInfoImpl<ILVStore>> {
public:
    CLVStore();
    ~CLVStore() override;
    static std::span<const DispatchMember> DispatchMembers() { return LVStoreDispatchMembers(); }

    HRESULT STDMETHODCALLTYPE Create(ILVStores* pParent, LONG_PTR pRow) override;
    HRESULT STDMETHODCALLTYPE GetDefaultFolderType(ULONG cbKey, BYTE* pbKey, DefaultFolderType* pVal) override;
    HRESULT STDMETHODCALLTYPE SetReminderFolder(LPSTR Key, LPSTR eid, LPSTR display, ReminderType type) override;
    HRESULT STDMETHODCALLTYPE GetReminderType(LPSTR Key, ReminderType* ptype) override;
    HRESULT STDMETHODCALLTYPE get_MapiSession(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_MDB(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_DefaultFolder(DefaultFolderType type, ILVFolder** pVal) override;
    HRESULT STDMETHODCALLTYPE GetFolderFromEID(BSTR eid, ILVFolder** pVal) override;
    HRESULT STDMETHODCALLTYPE get_DefaultStore(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_MDBProvider(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_StoreSupportMask(LONG* pVal) override;

private:
    HRESULT Open();
    HRESULT RegSetReminderFolder(LPCSTR Key, LPCSTR eid, LPCSTR display, ReminderType type);
    HRESULT RegGetReminderType(LPCSTR Key, ReminderType* ptype);
    // A column of the row, when the row has it with that tag.
    const SPropValue* Column(ULONG index, ULONG tag) const;
    HRESULT NewFolder(ULONG cbEntryID, LPBYTE entryID, ILVFolder** pVal);

    ComPtr<ILVStores> m_parent;
    ULONG m_cRowProps = 0;
    LPSPropValue m_rowProps = nullptr; // this store's own copy of its row
    ComPtr<IMsgStore> m_mdb;
    LPSPropValue m_supportMask = nullptr;
    CDefaultFolders m_defaultFolders;
};
