// One message store. Attached to a sync profile it opens a MAPI session of its own; as a
// destination it keeps the map of linked folders (source folder record key -> destination
// folder entry ID), which a sync run walks in ascending key order.
#pragma once

#include "EngineObject.h"
#include "StoreRec.h"
#include "mapi/MapiX.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

class CStore : public ComObject<CStore, DispatchImpl<CStore, IStore>, SupportErrorInfoImpl<IStore>> {
public:
    CStore();
    ~CStore() override;
    static std::span<const DispatchMember> DispatchMembers();
    HRESULT QueryExtraInterface(REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE Create(IStores* pParent, LONG_PTR lpStoreRec, LONG bDest) override;
    HRESULT STDMETHODCALLTYPE get_SessionName(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_StoreName(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_IsDestination(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE get_MDB(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_Folders(IFolders** pVal) override;
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE SetProfile(IProfile* pProfile) override;
    HRESULT STDMETHODCALLTYPE AddSrcKey(LPSTR pszKey, IFolder* pDstFolder) override;
    HRESULT STDMETHODCALLTYPE DelSrcKey(LPSTR pszKey) override;
    HRESULT STDMETHODCALLTYPE FindSrcKey(LPSTR pszKey) override;
    HRESULT STDMETHODCALLTYPE get_SyncFolderCount(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_FirstSyncFolder(IFolder** pVal) override;
    HRESULT STDMETHODCALLTYPE get_NextSyncFolder(IFolder** pVal) override;
    HRESULT STDMETHODCALLTYPE GetLastSyncTime(FILETIME* pTime) override;
    HRESULT STDMETHODCALLTYPE SetLastSyncTime(FILETIME* pTime) override;
    HRESULT STDMETHODCALLTYPE get_Session(IUnknown** pVal) override;

    // SetProfile for the profile that keeps this store: the store then holds only a plain
    // pointer back (no reference cycle), which the profile clears when it goes. A profile given
    // through the interface's SetProfile is held with a reference.
    HRESULT AttachOwner(IProfile* pProfile);
    void DetachProfile(IProfile* pProfile);
    // Whether the key map links the key to the folder of this entry ID.
    bool SrcKeyLinksTo(const std::string& key, const std::vector<BYTE>& dstEntryId) const;
    // The entry IDs of the linked destination folders.
    std::vector<std::vector<BYTE>> SyncFolderEntryIds() const;
    // Whether the entry ID is that of the store's IPM subtree.
    bool IsIpmSubtree(ULONG cb, const BYTE* pb);

private:
    HRESULT BuildKeyMap();
    HRESULT AddFolderKeys(IFolder* pFolder);
    HRESULT OpenSyncFolder(IFolder** pVal);
    HRESULT AttachProfile(IProfile* pProfile);

    ComPtr<IStores> m_parent;
    const StoreRec* m_rec = nullptr;
    LONG m_bDest = 0;
    ComPtr<IMAPISession> m_session;
    ComPtr<IMsgStore> m_mdb;
    IProfile* m_profile = nullptr;  // the attached profile
    ComPtr<IProfile> m_profileRef; // its reference, unless the profile owns this store
    ULONG m_tagLastSync = 0;
    std::map<std::string, std::vector<BYTE>> m_keyMap;
    std::optional<std::string> m_position; // key of the current sync folder
};
