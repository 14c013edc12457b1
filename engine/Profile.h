// One sync profile: a source store, a destination store, a name and the QueryDelete switch,
// kept under its profile key in the registry. The sync run itself lives here too.
#pragma once

#include "EngineObject.h"
#include "database.h"
#include "mapi/MapiX.h"
#include "registry/Registry.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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
    // The sync run (ProfileSync.cpp).
    HRESULT SyncFolder(IFolder* pDst);
    HRESULT CleanDstDups(IMAPIFolder* pDst);
    // pRow: the message's row of its contents table, or null.
    HRESULT Phase1SyncMsg(const SBinary& entryId, IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder,
                          IMAPITable* pDstTable, const SRow* pRow);
    // The destination rows of the folder by their search key (the bytes in the rows, which
    // outlive the map): phase 1's lookups. Phase 1 changes no search key and adds only keys no
    // other source message has, so the rows read before it stay right for it; and a table that
    // changes while it is searched re-reckons every row's position per change.
    std::unordered_map<std::string_view, const SRow*> m_dstBySearchKey;
    HRESULT FindDst(const SBinary& key, IMAPIFolder* pDstFolder, const SRow** ppRow, IMessage** ppMsg);
    HRESULT Phase2SyncMsg(const SBinary& entryId, IMAPIFolder* pDstFolder, IMAPIFolder* pSrcFolder,
                          IMAPITable* pSrcTable, const SRow* pRow);
    HRESULT SyncMsg(IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder, IMessage* pSrc, IMessage* pDst);
    HRESULT NewDstMsg(IMAPIFolder* pDstFolder, IMAPIFolder* pSrcFolder, IMessage* pDst);
public:
    struct RowsFree {
        void operator()(SRowSet* p) const;
    };
    using RowsPtr = std::unique_ptr<SRowSet, RowsFree>;

private:
    // The first row of the table with tag = key (read only with bRead; found or not by row).
    HRESULT FindRowIn(IMAPITable* pTable, ULONG tag, const SBinary& key, bool bRead, RowsPtr& row);
    HRESULT FindMsg(ULONG tag, const SBinary& key, IMAPIFolder* pFolder, IMAPITable* pTable, IMessage** ppMsg);
    bool IsPairedElsewhere(const SBinary& key, IMAPIFolder* pDstFolder);
    HRESULT DeletedDstMsg(const SBinary& entryId, IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder,
                          IMessage* pSrc);
    HRESULT SettleMovedCopies();
    bool IsChanged(IMessage* pMsg);
    bool HasFolderKey(IMessage* pMsg);
    HRESULT SetFolderKey(IMAPIFolder* pFolder, IMessage* pMsg);
    bool IsMoved(IMAPIFolder* pFolder, IMessage* pMsg);
    HRESULT CleanMsg(IMessage* pMsg);
    HRESULT CopySrc2Dst(IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder, IMessage* pSrc, IMessage* pDst);
    HRESULT CopyDst2Src(IMAPIFolder* pDstFolder, IMAPIFolder* pSrcFolder, IMessage* pDst, IMessage* pSrc);
    HRESULT DelMsg(IMAPIFolder* pFolder, const SBinary& entryId);
    HRESULT BuildDstExcludeSet(IMAPIFolder* pDstFolder);
    HRESULT ResolveTags(IMAPIFolder* pDstFolder);
    HRESULT AddConflict(SHORT type, IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder, IMessage* pSrc,
                        IMessage* pDst, LPCSTR pszText);
    HRESULT ReportSyncError(int line, LPCSTR format, ...);
    void FreeConflicts();
    void Inform(const char16_t* text);

    GDBM_FILE m_dbOld = nullptr;
    GDBM_FILE m_dbNew = nullptr;
    bool m_inRun = false;
    unsigned m_run = 0;              // number of the current (or last) run of this object
    ComPtr<IStatus> m_status;        // during one Synchronize call
    FILETIME m_lastSync{};
    ULONG m_tagSearchKey = 0;        // resolved per destination folder
    ULONG m_tagFolderKey = 0;
    std::vector<BYTE> m_dstFolderKey; // record key of the destination folder being synchronised
    std::vector<ULONG> m_dstExclude; // count, then the tags; built once per run
    std::vector<ComPtr<IConflict>> m_conflicts;
    // Source messages whose copy moved to another linked folder: settled after all folders.
    struct MovedCopy {
        ComPtr<IMAPIFolder> srcFolder;
        ComPtr<IMAPIFolder> dstFolder;
        std::vector<BYTE> entryId;
        std::vector<BYTE> key;
    };
    std::vector<MovedCopy> m_movedCopies;

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
