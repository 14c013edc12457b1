// The sync run of a profile: two phases per linked folder pair, the key databases, and the
// conflicts the run could not decide and their resolution.
#include "Profile.h"

#include "Conflict.h"
#include "Conflicts.h"
#include "DefaultStatus.h"
#include "Store.h"
#include "helpers.h"
#include "properties.h"
#include "base/WinTime.h"
#include "mapi/Mapi.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

struct MapiFree {
    void operator()(void* p) const { MAPIFreeBuffer(p); }
};
using PropPtr = std::unique_ptr<SPropValue, MapiFree>;
using TagsPtr = std::unique_ptr<SPropTagArray, MapiFree>;

using RowsPtr = CProfile::RowsPtr;

HRESULT GetProp(IMAPIProp* obj, ULONG tag, PropPtr& out)
{
    LPSPropValue value = nullptr;
    const HRESULT hr = HrGetOneProp(obj, tag, &value);
    out.reset(value);
    return hr;
}

std::span<const BYTE> Bytes(const SBinary& bin)
{
    return {bin.lpb, bin.cb};
}

LPSPropTagArray AsTagArray(std::vector<ULONG>& tags)
{
    return reinterpret_cast<LPSPropTagArray>(tags.data());
}

// Whether lines of this level are written now (the dumps read properties only for them).
bool TraceOn(int level)
{
    const int current = TraceSetLevel(0);
    TraceSetLevel(current);
    return level <= current;
}

unsigned long Address(const void* p)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(p));
}

void DumpFolder(IMAPIFolder* pFolder)
{
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "pFolder: 0x%08lx\n", Address(pFolder));
    PropPtr name;
    if (pFolder && SUCCEEDED(GetProp(pFolder, PR_DISPLAY_NAME_A, name)))
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "PR_DISPLAY_NAME: %s\n", name->Value.lpszA);
}

void DumpMessage(IMessage* pMsg)
{
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "pMessage: 0x%08lx\n", Address(pMsg));
    PropPtr subject;
    if (pMsg && SUCCEEDED(GetProp(pMsg, PR_SUBJECT_A, subject)))
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "PR_SUBJECT: %s\n", subject->Value.lpszA);
}

void Decision(LPCSTR text)
{
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "%s\n", text);
}

HRESULT OpenMessage(IMAPIFolder* pFolder, const SBinary& entryId, ComPtr<IMessage>& msg)
{
    ComPtr<IUnknown> unknown;
    ULONG type = 0;
    HRESULT hr = pFolder->OpenEntry(entryId.cb, reinterpret_cast<LPENTRYID>(entryId.lpb), nullptr, MAPI_MODIFY,
                                    &type, unknown.put());
    if (SUCCEEDED(hr))
        hr = unknown.As(msg);
    return hr;
}

HRESULT Unknown2Message(IUnknown* unknown, ComPtr<IMessage>& msg)
{
    msg.Release();
    return unknown ? unknown->QueryInterface(IID_IMessage, msg.put_void()) : S_OK;
}

} // namespace

void CProfile::RowsFree::operator()(SRowSet* p) const
{
    FreeProws(p);
}

void CProfile::Inform(const char16_t* text)
{
    BSTR msg = SysAllocString(text);
    m_status->Information(msg);
    SysFreeString(msg);
}

HRESULT CProfile::Synchronize(IStatus* pStatus)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::Synchronize", &hr);
    ComPtr<IStore> source;
    ComPtr<IStore> destination;
    ComPtr<IFolders> folders;
    ComPtr<IFolder> folder;
    LONG n = 0;
    LONG i = 0;
    FILETIME now{};

    // The databases of a run stay open until FinalizeSynchronize: a second run before that
    // would rotate them under the conflicts of the first.
    if (m_inRun) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "a run is in progress.\n");
        return hr = E_UNEXPECTED;
    }
    m_inRun = true;
    ++m_run;
    m_dstExclude.clear();
    m_movedCopies.clear();
    if (pStatus) {
        m_status = pStatus;
    } else {
        hr = GetStatusObject(m_status.put());
        if (FAILED(hr)) {
            TRACE_FAILED(GetStatusObject, hr);
            return hr;
        }
    }
    Inform(u"Initializing..");

    // Without its source store the run could only fail folder by folder; rotating the
    // databases and storing the time would then lose what the destination changed meanwhile.
    hr = get_Source(source.put());
    if (SUCCEEDED(hr) && !source)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(get_Source, hr);
        goto Exit;
    }
    hr = New2Old(this);
    if (FAILED(hr)) {
        TRACE_FAILED(New2Old, hr);
        goto Exit;
    }
    hr = DbOpenOld(this, &m_dbOld);
    if (FAILED(hr)) {
        TRACE_FAILED(DbOpenOld, hr);
        goto Exit;
    }
    hr = DbOpenNew(this, &m_dbNew);
    if (FAILED(hr)) {
        TRACE_FAILED(DbOpenNew, hr);
        goto Exit;
    }
    hr = get_Destination(destination.put());
    if (SUCCEEDED(hr) && !destination)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(get_Destination, hr);
        goto Exit;
    }
    hr = destination->get_Folders(folders.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_Folders, hr);
        goto Exit;
    }
    hr = destination->get_SyncFolderCount(&n);
    if (FAILED(hr)) {
        TRACE_FAILED(get_SyncFolderCount, hr);
        goto Exit;
    }
    hr = destination->GetLastSyncTime(&m_lastSync);
    if (FAILED(hr)) {
        TRACE_FAILED(GetLastSyncTime, hr);
        goto Exit;
    }
    m_status->FoldersProgress(0, n);

    hr = destination->get_FirstSyncFolder(folder.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_FirstSyncFolder, hr);
        goto Exit;
    }
    while (folder) {
        m_status->FoldersProgress(++i, n);
        folder->AddRef(); // the receiver releases it
        m_status->CurrentFolder(folder.get());
        const HRESULT hrFolder = SyncFolder(folder.get());
        if (FAILED(hrFolder))
            TracePrint(__FILE__, __LINE__, TL_WARNING, "SyncFolder() failed: hr=%lx\n", hrFolder);
        folder.Release();
        hr = destination->get_NextSyncFolder(folder.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_NextSyncFolder, hr);
            goto Exit;
        }
    }

    hr = SettleMovedCopies();
    if (FAILED(hr)) {
        TRACE_FAILED(SettleMovedCopies, hr);
        goto Exit;
    }

    GetSystemTimeAsFileTime(&now);
    hr = destination->SetLastSyncTime(&now);
    if (FAILED(hr)) {
        TRACE_FAILED(SetLastSyncTime, hr);
        goto Exit;
    }
    Sleep(1000); // what changes after the run is later than its stored time
    Inform(u"done.");

Exit:
    m_status.Release();
    return hr;
}

HRESULT CProfile::FinalizeSynchronize()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::FinalizeSynchronize", &hr);
    if (!m_inRun)
        return hr;
    m_inRun = false;
    DbClose(m_dbOld);
    DbClose(m_dbNew);
    m_dbOld = nullptr;
    m_dbNew = nullptr;
    FreeConflicts();
    return hr;
}

HRESULT CProfile::ResolveTags(IMAPIFolder* pDstFolder)
{
    HRESULT hr = S_OK;
    GUID guid{};
    hr = GetGUID(&guid);
    if (FAILED(hr)) {
        TRACE_FAILED(GetGUID, hr);
        return hr;
    }
    hr = GetPRS_SEARCH_KEY(pDstFolder, guid, &m_tagSearchKey);
    if (FAILED(hr)) {
        TRACE_FAILED(GetPRS_SEARCH_KEY, hr);
        return hr;
    }
    hr = GetPRS_FOLDER_KEY(pDstFolder, guid, &m_tagFolderKey);
    if (FAILED(hr))
        TRACE_FAILED(GetPRS_FOLDER_KEY, hr);
    return hr;
}

HRESULT CProfile::SyncFolder(IFolder* pDst)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::SyncFolder", &hr);
    ComPtr<IFolder> source;
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIFolder> dstFolder;
    ComPtr<IMAPIFolder> srcFolder;
    ComPtr<IMAPITable> dstTable;
    ComPtr<IMAPITable> srcTable;
    RowsPtr dstRows;
    RowsPtr srcRows;
    LONG total = 0;
    LONG c = 0;

    hr = pDst->get_Source(source.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_Source, hr);
        return hr;
    }
    hr = pDst->get_MAPIFolder(unknown.put());
    if (SUCCEEDED(hr))
        hr = unknown.As(dstFolder);
    if (FAILED(hr)) {
        TRACE_FAILED(get_MAPIFolder, hr);
        return hr;
    }
    if (!source) {
        hr = AddConflict(4, nullptr, dstFolder.get(), nullptr, nullptr, nullptr);
        return hr;
    }
    unknown.Release();
    hr = source->get_MAPIFolder(unknown.put());
    if (SUCCEEDED(hr))
        hr = unknown.As(srcFolder);
    if (FAILED(hr)) {
        TRACE_FAILED(get_MAPIFolder, hr);
        return hr;
    }
    hr = ResolveTags(dstFolder.get());
    if (FAILED(hr))
        return hr;
    {
        PropPtr folderKey;
        hr = GetProp(dstFolder.get(), PR_RECORD_KEY, folderKey);
        if (FAILED(hr)) {
            TRACE_FAILED(HrGetOneProp, hr);
            return hr;
        }
        m_dstFolderKey.assign(folderKey->Value.bin.lpb, folderKey->Value.bin.lpb + folderKey->Value.bin.cb);
    }
    hr = CleanDstDups(dstFolder.get());
    if (FAILED(hr)) {
        TRACE_FAILED(CleanDstDups, hr);
        return hr;
    }
    Inform(u"processing folder...");

    hr = dstFolder->GetContentsTable(0, dstTable.put());
    if (SUCCEEDED(hr))
        hr = srcFolder->GetContentsTable(0, srcTable.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    {
        // PR_ENTRYID first; the other columns let pairs in step go by without opening them.
        SizedSPropTagArray(4, dstColumns) = {4, {PR_ENTRYID, m_tagSearchKey, m_tagFolderKey,
                                                 PR_LAST_MODIFICATION_TIME}};
        SizedSPropTagArray(3, srcColumns) = {3, {PR_ENTRYID, PR_RECORD_KEY, PR_LAST_MODIFICATION_TIME}};
        LPSRowSet rows = nullptr;
        hr = HrQueryAllRows(dstTable.get(), reinterpret_cast<LPSPropTagArray>(&dstColumns), nullptr, nullptr, 0,
                            &rows);
        dstRows.reset(rows);
        if (SUCCEEDED(hr)) {
            rows = nullptr;
            hr = HrQueryAllRows(srcTable.get(), reinterpret_cast<LPSPropTagArray>(&srcColumns), nullptr, nullptr, 0,
                                &rows);
            srcRows.reset(rows);
        }
    }
    if (FAILED(hr)) {
        TRACE_FAILED(HrQueryAllRows, hr);
        return hr;
    }
    m_dstBySearchKey.clear();
    m_dstBySearchKey.reserve(dstRows->cRows);
    for (ULONG r = 0; r < dstRows->cRows; ++r) {
        const SRow& row = dstRows->aRow[r];
        if (row.cValues >= 2 && row.lpProps[0].ulPropTag == PR_ENTRYID && row.lpProps[1].ulPropTag == m_tagSearchKey)
            m_dstBySearchKey.emplace(std::string_view(reinterpret_cast<const char*>(row.lpProps[1].Value.bin.lpb),
                                                      row.lpProps[1].Value.bin.cb),
                                     &row);
    }
    total = static_cast<LONG>(srcRows->cRows + dstRows->cRows);
    m_status->MessagesProgress(0, total);

    for (ULONG r = 0; r < srcRows->cRows; ++r) {
        m_status->MessagesProgress(++c, total);
        const SRow& row = srcRows->aRow[r];
        if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ENTRYID)
            continue;
        hr = Phase1SyncMsg(row.lpProps[0].Value.bin, srcFolder.get(), dstFolder.get(), dstTable.get(), &row);
        if (FAILED(hr)) {
            TRACE_FAILED(Phase1SyncMsg, hr);
            m_dstBySearchKey.clear();
            return hr;
        }
    }
    m_dstBySearchKey.clear(); // its rows go with this folder
    for (ULONG r = 0; r < dstRows->cRows; ++r) {
        m_status->MessagesProgress(++c, total);
        const SRow& row = dstRows->aRow[r];
        if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ENTRYID)
            continue;
        hr = Phase2SyncMsg(row.lpProps[0].Value.bin, dstFolder.get(), srcFolder.get(), srcTable.get(), &row);
        if (FAILED(hr)) {
            TRACE_FAILED(Phase2SyncMsg, hr);
            return hr;
        }
    }
    return hr;
}

HRESULT CProfile::CleanDstDups(IMAPIFolder* pDst)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::CleanDstDups", &hr);
    ComPtr<IMAPITable> table;
    RowsPtr rows;
    Inform(u"preparing folder...");
    hr = pDst->GetContentsTable(0, table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    {
        // The pairing's folder key too, unused here: the folder's next table (SyncFolder's) asks
        // for it, and the store then serves that table from the rows read for this one.
        SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, m_tagSearchKey, m_tagFolderKey}};
        SRestriction exist{};
        exist.rt = RES_EXIST;
        exist.res.resExist.ulPropTag = m_tagSearchKey;
        struct {
            ULONG cSorts, cCategories, cExpanded;
            SSortOrder aSort[2];
        } sort = {2, 0, 0, {{m_tagSearchKey, TABLE_SORT_ASCEND}, {PR_LAST_MODIFICATION_TIME, TABLE_SORT_ASCEND}}};
        LPSRowSet set = nullptr;
        hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), &exist,
                            reinterpret_cast<LPSSortOrderSet>(&sort), 0, &set);
        rows.reset(set);
    }
    if (FAILED(hr)) {
        TRACE_FAILED(HrQueryAllRows, hr);
        return hr;
    }
    const LONG count = static_cast<LONG>(rows->cRows);
    m_status->MessagesProgress(0, count);
    const SBinary* previous = nullptr;
    for (LONG k = 1; k <= count; ++k) {
        m_status->MessagesProgress(k, count);
        const SRow& row = rows->aRow[k - 1];
        if (row.cValues < 2 || row.lpProps[0].ulPropTag != PR_ENTRYID || row.lpProps[1].ulPropTag != m_tagSearchKey)
            continue;
        const SBinary& key = row.lpProps[1].Value.bin;
        if (previous && previous->cb == key.cb && std::memcmp(previous->lpb, key.lpb, key.cb) == 0) {
            // Of the messages with one key the oldest keeps the pairing; the others become new.
            Decision("**DUPLICATE");
            ComPtr<IMessage> msg;
            HRESULT hrDup = OpenMessage(pDst, row.lpProps[0].Value.bin, msg);
            if (FAILED(hrDup)) {
                TracePrint(__FILE__, __LINE__, TL_WARNING, "OpenEntry() failed: hr=%lx\n", hrDup);
            } else {
                SizedSPropTagArray(1, tags) = {1, {m_tagSearchKey}};
                hrDup = msg->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr);
                if (FAILED(hrDup))
                    TracePrint(__FILE__, __LINE__, TL_WARNING, "DeleteProp() failed: hr=%lx\n", hrDup);
                else if (FAILED(hrDup = msg->SaveChanges(0)))
                    TracePrint(__FILE__, __LINE__, TL_WARNING, "SaveChanged() failed: hr=%lx\n", hrDup);
            }
        }
        previous = &key;
    }
    return hr;
}

// The destination table is searched through the rows read from it (m_dstBySearchKey).
HRESULT CProfile::Phase1SyncMsg(const SBinary& entryId, IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder,
                                IMAPITable* /*pDstTable*/, const SRow* pRow)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::Phase1SyncMsg", &hr);
    ComPtr<IMessage> src;
    ComPtr<IMessage> dst;
    PropPtr key;

    // A pair that neither side changed needs no message opened: the table rows tell.
    if (pRow) {
        LPSPropValue recordKey = PpropFindProp(pRow->lpProps, pRow->cValues, PR_RECORD_KEY);
        LPSPropValue time = PpropFindProp(pRow->lpProps, pRow->cValues, PR_LAST_MODIFICATION_TIME);
        if (recordKey && time && CompareFileTime(&time->Value.ft, &m_lastSync) <= 0) {
            const SRow* found = nullptr;
            hr = FindDst(recordKey->Value.bin, pDstFolder, &found, nullptr);
            if (FAILED(hr))
                return hr;
            LPSPropValue dstTime = found ? PpropFindProp(found->lpProps, found->cValues, PR_LAST_MODIFICATION_TIME)
                                         : nullptr;
            if (dstTime && CompareFileTime(&dstTime->Value.ft, &m_lastSync) <= 0) {
                Decision("**EXISTING SRC MESSAGE");
                Decision("**IN SYNC");
                hr = DbPut(m_dbNew, Bytes(recordKey->Value.bin));
                if (FAILED(hr))
                    TRACE_FAILED(DbPut, hr);
                return hr;
            }
        }
    }

    hr = OpenMessage(pSrcFolder, entryId, src);
    if (hr == MAPI_E_NOT_FOUND) {
        Decision("**DELETED");
        return hr = S_OK;
    }
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = GetProp(src.get(), PR_RECORD_KEY, key);
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    hr = FindDst(key->Value.bin, pDstFolder, nullptr, dst.put());
    if (FAILED(hr)) {
        TRACE_FAILED(FindMsg, hr);
        return hr;
    }
    if (dst) {
        Decision("**EXISTING SRC MESSAGE");
        const HRESULT hrSync = SyncMsg(pSrcFolder, pDstFolder, src.get(), dst.get());
        if (FAILED(hrSync))
            TRACE_FAILED(SyncMsg, hrSync);
        hr = DbPut(m_dbNew, Bytes(key->Value.bin));
        if (FAILED(hr))
            TRACE_FAILED(DbPut, hr);
        return hr;
    }
    Decision("**NOT FOUND IN DESTINATION.");
    if (DbExists(m_dbOld, Bytes(key->Value.bin))) {
        // Paired last run: its copy was deleted in the destination, or moved to another linked
        // folder, where this run pairs it anew. A moved copy is settled after all folders, so
        // that the source goes only once the new pairing is saved.
        if (IsPairedElsewhere(key->Value.bin, pDstFolder)) {
            Decision("**DST MOVED ELSEWHERE");
            try {
                m_movedCopies.push_back(MovedCopy{pSrcFolder, pDstFolder,
                                                  std::vector<BYTE>(entryId.lpb, entryId.lpb + entryId.cb),
                                                  std::vector<BYTE>(key->Value.bin.lpb,
                                                                    key->Value.bin.lpb + key->Value.bin.cb)});
            } catch (const std::bad_alloc&) {
                hr = E_OUTOFMEMORY;
            }
            return hr;
        }
        hr = DeletedDstMsg(entryId, pSrcFolder, pDstFolder, src.get());
        return hr;
    }

    Decision("**NEW SRC MESSAGE");
    ComPtr<IMessage> copy;
    hr = pDstFolder->CreateMessage(nullptr, 0, copy.put());
    if (FAILED(hr))
        return hr = ReportSyncError(__LINE__, "CreateMessage() failed: hr = %lx", hr);
    hr = CopySrc2Dst(pSrcFolder, pDstFolder, src.get(), copy.get());
    if (FAILED(hr))
        return hr = ReportSyncError(__LINE__, "CopySrc2Dst() failed: hr=%lx", hr);
    {
        SPropValue value{};
        value.ulPropTag = m_tagSearchKey;
        value.Value.bin = key->Value.bin;
        hr = HrSetOneProp(copy.get(), &value);
    }
    if (FAILED(hr))
        return hr = ReportSyncError(__LINE__, "HrSetOneProp() failed: hr=%lx", hr);
    hr = SetFolderKey(pDstFolder, copy.get());
    if (FAILED(hr))
        return hr = ReportSyncError(__LINE__, "SetFolderKey() failed: hr=%lx", hr);
    hr = copy->SaveChanges(0);
    if (FAILED(hr))
        return hr = ReportSyncError(__LINE__, "SaveChanges() failed: hr=%lx", hr);
    hr = DbPut(m_dbNew, Bytes(key->Value.bin));
    if (FAILED(hr))
        TRACE_FAILED(DbPut, hr);
    return hr;
}

// The copy of a source message paired last run is gone from the destination.
HRESULT CProfile::DeletedDstMsg(const SBinary& entryId, IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder,
                                IMessage* pSrc)
{
    HRESULT hr = S_OK;
    if (IsChanged(pSrc)) {
        Decision("**SRC CHANGED, DST DELETED");
        hr = AddConflict(2, pSrcFolder, pDstFolder, pSrc, nullptr, nullptr);
    } else if (m_queryDelete) {
        Decision("**DELETED DST MESSAGE QUERY");
        hr = AddConflict(6, pSrcFolder, pDstFolder, pSrc, nullptr, nullptr);
    } else {
        Decision("**DELETED DST MESSAGE");
        const HRESULT hrDel = DelMsg(pSrcFolder, entryId);
        if (FAILED(hrDel))
            return hr = ReportSyncError(__LINE__, "DelMsg() failed: hr=%lx", hrDel);
    }
    if (FAILED(hr))
        TRACE_FAILED(AddConflict, hr);
    return hr;
}

HRESULT CProfile::SettleMovedCopies()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::SettleMovedCopies", &hr);
    std::vector<MovedCopy> moved = std::move(m_movedCopies);
    m_movedCopies.clear();
    for (MovedCopy& m : moved) {
        const SBinary key{static_cast<ULONG>(m.key.size()), m.key.data()};
        const SBinary entryId{static_cast<ULONG>(m.entryId.size()), m.entryId.data()};
        if (IsPairedElsewhere(key, nullptr)) {
            // Not paired anew (its folder failed): keep the source and its key for next time.
            hr = DbPut(m_dbNew, Bytes(key));
            if (FAILED(hr)) {
                TRACE_FAILED(DbPut, hr);
                return hr;
            }
            continue;
        }
        ComPtr<IMessage> src;
        hr = OpenMessage(m.srcFolder.get(), entryId, src);
        if (hr == MAPI_E_NOT_FOUND) {
            hr = S_OK;
            continue;
        }
        if (FAILED(hr)) {
            TRACE_FAILED(OpenEntry, hr);
            return hr;
        }
        const bool changed = IsChanged(src.get());
        if (!changed && !m_queryDelete)
            src.Release();
        hr = DeletedDstMsg(entryId, m.srcFolder.get(), m.dstFolder.get(), src.get());
        if (FAILED(hr))
            return hr;
    }
    return hr;
}

// A destination message without a partner: copied to the source as a new message and paired
// with it. Also the "destination wins" resolution of conflicts without a source message.
HRESULT CProfile::NewDstMsg(IMAPIFolder* pDstFolder, IMAPIFolder* pSrcFolder, IMessage* pDst)
{
    HRESULT hr = S_OK;
    ComPtr<IMessage> copy;
    PropPtr key;
    PropPtr copyId;
    hr = pSrcFolder->CreateMessage(nullptr, 0, copy.put());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CreateMessage() failed: hr = %lx\n", hr);
        return hr;
    }
    hr = CopyDst2Src(pDstFolder, pSrcFolder, pDst, copy.get());
    if (FAILED(hr)) {
        TRACE_FAILED(CopyDst2Src, hr);
        return hr;
    }
    hr = copy->SaveChanges(0);
    if (FAILED(hr)) {
        TRACE_FAILED(SaveChanges, hr);
        return hr;
    }
    hr = GetProp(copy.get(), PR_RECORD_KEY, key);
    if (SUCCEEDED(hr)) {
        SPropValue value{};
        value.ulPropTag = m_tagSearchKey;
        value.Value.bin = key->Value.bin;
        hr = HrSetOneProp(pDst, &value);
        if (FAILED(hr))
            TRACE_FAILED(HrSetOneProp, hr);
        else if (FAILED(hr = SetFolderKey(pDstFolder, pDst)))
            TRACE_FAILED(SetFolderKey, hr);
        else if (FAILED(hr = pDst->SaveChanges(0)))
            TRACE_FAILED(SaveChanges, hr);
    } else {
        TRACE_FAILED(HrGetOneProp, hr);
    }
    if (FAILED(hr)) {
        // The pairing was not saved: take the copy back, or the next run would copy it into the
        // destination once more beside its original.
        if (SUCCEEDED(GetProp(copy.get(), PR_ENTRYID, copyId))) {
            copy.Release();
            const HRESULT hrDel = DelMsg(pSrcFolder, copyId->Value.bin);
            if (FAILED(hrDel))
                TRACE_FAILED(DelMsg, hrDel);
        }
        return hr;
    }
    hr = DbPut(m_dbNew, Bytes(key->Value.bin));
    if (FAILED(hr))
        TRACE_FAILED(DbPut, hr);
    return hr;
}

HRESULT CProfile::Phase2SyncMsg(const SBinary& entryId, IMAPIFolder* pDstFolder, IMAPIFolder* pSrcFolder,
                                IMAPITable* pSrcTable, const SRow* pRow)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::Phase2SyncMsg", &hr);
    ComPtr<IMessage> dst;
    ComPtr<IMessage> src;
    PropPtr searchKey;

    // A paired message of this folder whose partner exists needs nothing: the rows tell.
    if (pRow) {
        LPSPropValue key = PpropFindProp(pRow->lpProps, pRow->cValues, m_tagSearchKey);
        LPSPropValue folderKey = PpropFindProp(pRow->lpProps, pRow->cValues, m_tagFolderKey);
        if (key && folderKey && folderKey->Value.bin.cb == m_dstFolderKey.size() &&
            std::memcmp(folderKey->Value.bin.lpb, m_dstFolderKey.data(), m_dstFolderKey.size()) == 0) {
            RowsPtr found;
            hr = FindRowIn(pSrcTable, PR_RECORD_KEY, key->Value.bin, false, found);
            if (FAILED(hr)) {
                TRACE_FAILED(FindRow, hr);
                return hr;
            }
            if (found) {
                Decision("**EXISTING DST MSG");
                return hr;
            }
        }
    }

    hr = OpenMessage(pDstFolder, entryId, dst);
    if (hr == MAPI_E_NOT_FOUND) {
        Decision("**DELETED");
        return hr = S_OK;
    }
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = GetProp(dst.get(), m_tagSearchKey, searchKey);
    if (FAILED(hr) && hr != MAPI_E_NOT_FOUND) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    if (FAILED(hr) || IsMoved(pDstFolder, dst.get())) {
        Decision("**NEW DST MSG");
        hr = NewDstMsg(pDstFolder, pSrcFolder, dst.get());
        if (FAILED(hr))
            return hr = ReportSyncError(__LINE__, "NewDstMsg() failed: hr=%lx", hr);
        return hr;
    }
    hr = FindMsg(PR_RECORD_KEY, searchKey->Value.bin, pSrcFolder, pSrcTable, src.put());
    if (FAILED(hr)) {
        TRACE_FAILED(FindMsg, hr);
        return hr;
    }
    if (src) {
        Decision("**EXISTING DST MSG");
        return hr;
    }
    if (!HasFolderKey(dst.get())) {
        Decision("**NO FOLDER KEY, MAYBE MOVED");
        hr = AddConflict(7, pSrcFolder, pDstFolder, nullptr, dst.get(), nullptr);
    } else if (IsChanged(dst.get())) {
        Decision("**DST CHANGED, SRC DELETED");
        hr = AddConflict(1, pSrcFolder, pDstFolder, nullptr, dst.get(), nullptr);
    } else if (m_queryDelete) {
        Decision("**DELETED SRC MSG QUERY");
        hr = AddConflict(5, pSrcFolder, pDstFolder, nullptr, dst.get(), nullptr);
    } else {
        Decision("**DELETED SRC MSG");
        dst.Release();
        const HRESULT hrDel = DelMsg(pDstFolder, entryId);
        if (FAILED(hrDel))
            return hr = ReportSyncError(__LINE__, "DelMsg() failed: hr=%lx", hrDel);
    }
    if (FAILED(hr))
        TRACE_FAILED(AddConflict, hr);
    return hr;
}

HRESULT CProfile::SyncMsg(IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder, IMessage* pSrc, IMessage* pDst)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::SyncMsg", &hr);
    const bool changedSrc = IsChanged(pSrc);
    const bool changedDst = IsChanged(pDst);
    if (changedSrc && changedDst) {
        Decision("**CONFLICT");
        hr = AddConflict(3, pSrcFolder, pDstFolder, pSrc, pDst, nullptr);
        if (FAILED(hr))
            TRACE_FAILED(AddConflict, hr);
    } else if (changedSrc) {
        Decision("**SRC MSG NEWER");
        hr = CopySrc2Dst(pSrcFolder, pDstFolder, pSrc, pDst);
        if (FAILED(hr))
            return hr = ReportSyncError(__LINE__, "CopySrc2Dst() failed: hr=%lx", hr);
        hr = SetFolderKey(pDstFolder, pDst);
        if (FAILED(hr))
            return hr = ReportSyncError(__LINE__, "SetFolderKey() failed: hr=%lx", hr);
        hr = pDst->SaveChanges(0);
        if (FAILED(hr))
            return hr = ReportSyncError(__LINE__, "SaveChanges() failed: hr=%lx", hr);
    } else if (changedDst) {
        Decision("**DST MSG NEWER");
        hr = CopyDst2Src(pDstFolder, pSrcFolder, pDst, pSrc);
        if (FAILED(hr))
            return hr = ReportSyncError(__LINE__, "CopyDst2Src() failed: hr=%lx", hr);
        hr = pSrc->SaveChanges(0);
        if (FAILED(hr))
            return hr = ReportSyncError(__LINE__, "SaveChanges() failed: hr=%lx", hr);
    } else {
        Decision("**IN SYNC");
    }
    return hr;
}

HRESULT CProfile::FindRowIn(IMAPITable* pTable, ULONG tag, const SBinary& key, bool bRead, RowsPtr& row)
{
    HRESULT hr = S_OK;
    SPropValue value{};
    SRestriction restriction{};
    LPSRowSet rows = nullptr;
    row.reset();
    value.ulPropTag = tag;
    value.Value.bin = key;
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty.relop = RELOP_EQ;
    restriction.res.resProperty.ulPropTag = tag;
    restriction.res.resProperty.lpProp = &value;
    hr = pTable->FindRow(&restriction, BOOKMARK_BEGINNING, 0);
    if (hr == MAPI_E_NOT_FOUND)
        return hr = S_OK;
    if (FAILED(hr))
        return hr;
    if (!bRead) {
        // Found: an empty row set says so.
        hr = MAPIAllocateBuffer(CbNewSRowSet(0), reinterpret_cast<void**>(&rows));
        if (SUCCEEDED(hr)) {
            rows->cRows = 0;
            row.reset(rows);
        }
        return hr;
    }
    hr = pTable->QueryRows(1, 0, &rows);
    row.reset(rows);
    if (SUCCEEDED(hr) && (!rows || rows->cRows == 0))
        row.reset();
    return hr;
}

HRESULT CProfile::FindMsg(ULONG tag, const SBinary& key, IMAPIFolder* pFolder, IMAPITable* pTable, IMessage** ppMsg)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::FindMsg", &hr);
    RowsPtr rows;
    *ppMsg = nullptr;
    hr = FindRowIn(pTable, tag, key, true, rows);
    if (FAILED(hr)) {
        TRACE_FAILED(FindRow, hr);
        return hr;
    }
    if (!rows)
        return hr;
    LPSPropValue eid = PpropFindProp(rows->aRow[0].lpProps, rows->aRow[0].cValues, PR_ENTRYID);
    if (!eid)
        return hr;
    ComPtr<IMessage> msg;
    hr = OpenMessage(pFolder, eid->Value.bin, msg);
    if (hr == MAPI_E_NOT_FOUND)
        return hr = S_OK;
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    *ppMsg = msg.Detach();
    return hr;
}

HRESULT CProfile::FindDst(const SBinary& key, IMAPIFolder* pDstFolder, const SRow** ppRow, IMessage** ppMsg)
{
    HRESULT hr = S_OK;
    if (ppRow)
        *ppRow = nullptr;
    if (ppMsg)
        *ppMsg = nullptr;
    auto it = m_dstBySearchKey.find(std::string_view(reinterpret_cast<const char*>(key.lpb), key.cb));
    if (it == m_dstBySearchKey.end())
        return hr;
    if (ppRow)
        *ppRow = it->second;
    if (!ppMsg)
        return hr;
    ComPtr<IMessage> msg;
    hr = OpenMessage(pDstFolder, it->second->lpProps[0].Value.bin, msg);
    if (hr == MAPI_E_NOT_FOUND)
        return hr = S_OK; // gone since the rows were read
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    *ppMsg = msg.Detach();
    return hr;
}

bool CProfile::IsPairedElsewhere(const SBinary& key, IMAPIFolder* pDstFolder)
{
    ComPtr<CStore> store = EngineImpl<CStore>(m_destination.get());
    PropPtr own;
    if (!store || (pDstFolder && FAILED(GetProp(pDstFolder, PR_ENTRYID, own))))
        return false;
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    if (FAILED(m_destination->get_MDB(unknown.put())) || FAILED(unknown.As(mdb)))
        return false;
    for (const std::vector<BYTE>& entryId : store->SyncFolderEntryIds()) {
        ULONG same = 0;
        if (own && SUCCEEDED(mdb->CompareEntryIDs(own->Value.bin.cb, reinterpret_cast<LPENTRYID>(own->Value.bin.lpb),
                                           static_cast<ULONG>(entryId.size()),
                                           reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())), 0,
                                           &same)) &&
            same)
            continue;
        ComPtr<IUnknown> opened;
        ComPtr<IMAPIFolder> folder;
        ComPtr<IMAPITable> table;
        ULONG type = 0;
        if (FAILED(mdb->OpenEntry(static_cast<ULONG>(entryId.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())), nullptr, 0, &type,
                                  opened.put())) ||
            FAILED(opened.As(folder)) || FAILED(folder->GetContentsTable(0, table.put())))
            continue;
        SPropValue value{};
        value.ulPropTag = m_tagSearchKey;
        value.Value.bin = key;
        SRestriction restriction{};
        restriction.rt = RES_PROPERTY;
        restriction.res.resProperty.relop = RELOP_EQ;
        restriction.res.resProperty.ulPropTag = m_tagSearchKey;
        restriction.res.resProperty.lpProp = &value;
        if (table->FindRow(&restriction, BOOKMARK_BEGINNING, 0) == S_OK)
            return true;
    }
    return false;
}

bool CProfile::IsChanged(IMessage* pMsg)
{
    PropPtr time;
    const HRESULT hr = GetProp(pMsg, PR_LAST_MODIFICATION_TIME, time);
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return false;
    }
    return CompareFileTime(&time->Value.ft, &m_lastSync) > 0;
}

bool CProfile::HasFolderKey(IMessage* pMsg)
{
    PropPtr key;
    return SUCCEEDED(GetProp(pMsg, m_tagFolderKey, key));
}

HRESULT CProfile::SetFolderKey(IMAPIFolder* pFolder, IMessage* pMsg)
{
    HRESULT hr = S_OK;
    PropPtr key;
    hr = GetProp(pFolder, PR_RECORD_KEY, key);
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    key->ulPropTag = m_tagFolderKey;
    hr = pMsg->SetProps(1, key.get(), nullptr);
    if (FAILED(hr))
        TRACE_FAILED(SetProps, hr);
    return hr;
}

bool CProfile::IsMoved(IMAPIFolder* pFolder, IMessage* pMsg)
{
    PropPtr folderKey;
    PropPtr msgKey;
    if (FAILED(GetProp(pFolder, PR_RECORD_KEY, folderKey)) || FAILED(GetProp(pMsg, m_tagFolderKey, msgKey)))
        return false;
    const SBinary& a = folderKey->Value.bin;
    const SBinary& b = msgKey->Value.bin;
    if (a.cb != b.cb || std::memcmp(a.lpb, b.lpb, a.cb) == 0)
        return false;
    Decision("**DST MOVED");
    return true;
}

HRESULT CProfile::CleanMsg(IMessage* pMsg)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::CleanMsg", &hr);
    {
        ComPtr<IMAPITable> table;
        LPSRowSet set = nullptr;
        SizedSPropTagArray(1, columns) = {1, {PR_ATTACH_NUM}};
        hr = pMsg->GetAttachmentTable(0, table.put());
        if (SUCCEEDED(hr))
            hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &set);
        RowsPtr rows(set);
        if (FAILED(hr)) {
            TRACE_FAILED(GetAttachmentTable, hr);
            return hr;
        }
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SRow& row = rows->aRow[i];
            if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ATTACH_NUM)
                continue;
            hr = pMsg->DeleteAttach(static_cast<ULONG>(row.lpProps[0].Value.l), 0, nullptr, 0);
            if (FAILED(hr)) {
                TracePrint(__FILE__, __LINE__, TL_WARNING, "DeleteAttach() failed: hr=%lx\n", hr);
                return hr;
            }
        }
    }
    {
        ComPtr<IMAPITable> table;
        LPSRowSet set = nullptr;
        hr = pMsg->GetRecipientTable(0, table.put());
        if (SUCCEEDED(hr))
            hr = HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &set);
        RowsPtr rows(set);
        if (FAILED(hr)) {
            TRACE_FAILED(GetRecipientTable, hr);
            return hr;
        }
        if (rows->cRows > 0) {
            hr = pMsg->ModifyRecipients(MODRECIP_REMOVE, rows.get());
            if (FAILED(hr)) {
                TRACE_FAILED(ModifyRecipients, hr);
                return hr;
            }
        }
    }
    LPSPropTagArray list = nullptr;
    hr = pMsg->GetPropList(0, &list);
    TagsPtr tags(list);
    if (FAILED(hr)) {
        TRACE_FAILED(GetPropList, hr);
        return hr;
    }
    ULONG kept = 0;
    for (ULONG i = 0; i < tags->cValues; ++i) {
        if (PROP_ID(tags->aulPropTag[i]) != PROP_ID(m_tagSearchKey))
            tags->aulPropTag[kept++] = tags->aulPropTag[i];
    }
    tags->cValues = kept;
    if (kept > 0)
        pMsg->DeleteProps(tags.get(), nullptr); // computed properties stay; nothing to check
    return hr;
}

HRESULT CProfile::CopySrc2Dst(IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder, IMessage* pSrc, IMessage* pDst)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::CopySrc2Dst", &hr);
    std::vector<ULONG> exclude{1, PR_RECORD_KEY}; // BuildSrcExcludeSet
    CleanMsg(pDst);
    if (TraceOn(TL_DEBUG)) {
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "pSrcFolder   = 0x%08lx\n", Address(pSrcFolder));
        DumpFolder(pSrcFolder);
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "***\n");
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "pDstFolder   = 0x%08lx\n", Address(pDstFolder));
        DumpFolder(pDstFolder);
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "***\n");
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "pSrc         = 0x%08lx\n", Address(pSrc));
        DumpMessage(pSrc);
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "***\n");
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "pDst         = 0x%08lx\n", Address(pDst));
        DumpMessage(pDst);
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "***\n");
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "pExcludeTags = 0x%08lx\n", Address(exclude.data()));
    }
    hr = pSrc->CopyTo(0, nullptr, AsTagArray(exclude), 0, nullptr, &IID_IMessage, pDst, 0, nullptr);
    if (FAILED(hr))
        TRACE_FAILED(CopyTo, hr);
    return hr;
}

HRESULT CProfile::BuildDstExcludeSet(IMAPIFolder* pDstFolder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::BuildDstExcludeSet", &hr);
    ComPtr<ISyncEngine> engine;
    ComPtr<IProfiles> profiles;
    LONG count = 0;
    std::vector<ULONG> tags{0, PR_RECORD_KEY};
    auto addProfile = [&](const GUID& guid) -> HRESULT {
        ULONG tag = 0;
        HRESULT hrTag = GetPRS_SEARCH_KEY(pDstFolder, guid, &tag);
        if (SUCCEEDED(hrTag))
            tags.push_back(tag);
        if (SUCCEEDED(hrTag) && SUCCEEDED(hrTag = GetPRS_FOLDER_KEY(pDstFolder, guid, &tag)))
            tags.push_back(tag);
        return hrTag;
    };
    // A profile whose key is not 32 hexadecimal digits (edited by hand or by another program)
    // cannot run, so it left no pairing properties to keep out: it is skipped, not an error.
    auto skipped = [&](LONG index, HRESULT hrKey) {
        if (hrKey != E_INVALIDARG)
            return false;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "profile %ld of %ld skipped: its key is no profile key\n",
                   static_cast<long>(index), static_cast<long>(count));
        return true;
    };
    hr = m_parent->get_Engine(engine.put());
    if (SUCCEEDED(hr))
        hr = engine->get_Profiles(profiles.put());
    if (SUCCEEDED(hr))
        hr = profiles->get_Count(&count);
    if (FAILED(hr)) {
        TRACE_FAILED(get_Profiles, hr);
        return hr;
    }
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IProfile> profile;
        hr = profiles->get_Items(i, profile.put());
        if (skipped(i, hr))
            continue;
        if (FAILED(hr)) {
            TRACE_FAILED(get_Items, hr);
            return hr;
        }
        GUID guid{};
        hr = profile->GetGUID(&guid);
        if (skipped(i, hr))
            continue;
        if (FAILED(hr)) {
            TRACE_FAILED(GetGUID, hr);
            return hr;
        }
        if (FAILED(hr = addProfile(guid)))
            return hr;
    }
    // This profile's own pair, also when it is not saved yet.
    GUID own{};
    hr = GetGUID(&own);
    if (SUCCEEDED(hr))
        hr = addProfile(own);
    if (FAILED(hr))
        return hr;
    tags[0] = static_cast<ULONG>(tags.size() - 1);
    m_dstExclude = std::move(tags);
    return hr;
}

HRESULT CProfile::CopyDst2Src(IMAPIFolder* pDstFolder, IMAPIFolder* pSrcFolder, IMessage* pDst, IMessage* pSrc)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::CopyDst2Src", &hr);
    (void)pSrcFolder;
    // The tags are those of the destination store, the same for every folder of the run.
    if (m_dstExclude.empty()) {
        hr = BuildDstExcludeSet(pDstFolder);
        if (FAILED(hr)) {
            TRACE_FAILED(BuildDstExcludeSet, hr);
            return hr;
        }
    }
    CleanMsg(pSrc);
    hr = pDst->CopyTo(0, nullptr, AsTagArray(m_dstExclude), 0, nullptr, &IID_IMessage, pSrc, 0, nullptr);
    if (FAILED(hr))
        TRACE_FAILED(CopyTo, hr);
    return hr;
}

HRESULT CProfile::DelMsg(IMAPIFolder* pFolder, const SBinary& entryId)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::DelMsg", &hr);
    SBinary bin = entryId;
    ENTRYLIST list{1, &bin};
    hr = pFolder->DeleteMessages(&list, 0, nullptr, 0);
    if (FAILED(hr))
        TRACE_FAILED(DeleteMessages, hr);
    return hr;
}

HRESULT CProfile::AddConflict(SHORT type, IMAPIFolder* pSrcFolder, IMAPIFolder* pDstFolder, IMessage* pSrc,
                              IMessage* pDst, LPCSTR pszText)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::AddConflict", &hr);
    CConflict* conflict = nullptr;
    hr = CConflict::CreateObject(&conflict);
    if (FAILED(hr))
        return hr;
    ComPtr<IConflict> holder;
    holder.Attach(conflict);
    hr = conflict->Create(this, type, pSrcFolder, pDstFolder, pSrc, pDst, const_cast<LPSTR>(pszText));
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        return hr;
    }
    conflict->SetRun(m_run);
    try {
        m_conflicts.push_back(std::move(holder));
    } catch (const std::bad_alloc&) {
        hr = HRESULT(0x80070000 | ERROR_NOT_ENOUGH_MEMORY);
        TracePrint(__FILE__, __LINE__, TL_ERROR, "realloc() failed: hr=%lx\n", hr);
    }
    return hr;
}

HRESULT CProfile::ReportSyncError(int line, LPCSTR format, ...)
{
    char text[1024];
    const int n = std::snprintf(text, sizeof text, "fatal error in line %d : ", line);
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + n, sizeof text - static_cast<size_t>(n), format, args);
    va_end(args);
    TracePrint(__FILE__, __LINE__, TL_ERROR, "%s\n", text);
    const HRESULT hr = AddConflict(99, nullptr, nullptr, nullptr, nullptr, text);
    if (FAILED(hr))
        TRACE_FAILED(AddConflict, hr);
    return S_OK; // the run goes on with the next message
}

void CProfile::FreeConflicts()
{
    // Released outside the member: a conflict's last release may touch its messages.
    std::vector<ComPtr<IConflict>> conflicts = std::move(m_conflicts);
    m_conflicts.clear();
    conflicts.clear();
}

HRESULT CProfile::get_Conflicts(IConflicts** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::get_Conflicts", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    CConflicts* conflicts = nullptr;
    hr = CConflicts::CreateObject(&conflicts);
    if (FAILED(hr))
        return hr;
    std::vector<IConflict*> items;
    try {
        for (const auto& c : m_conflicts)
            items.push_back(c.get());
    } catch (const std::bad_alloc&) {
        conflicts->Release();
        return hr = E_OUTOFMEMORY;
    }
    hr = conflicts->Create(this, static_cast<LONG>(items.size()), items.data());
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        conflicts->Release();
        return hr;
    }
    *pVal = conflicts;
    return hr;
}

HRESULT CProfile::ResolveConflict(IConflict* pConflict, SHORT mode)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CProfile::ResolveConflict", &hr);
    SHORT type = 0;
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIFolder> srcFolder;
    ComPtr<IMAPIFolder> dstFolder;
    ComPtr<IMessage> src;
    ComPtr<IMessage> dst;
    PropPtr srcKey;

    if (!pConflict)
        return hr = E_INVALIDARG;
    // A conflict found by a run belongs to that run: its keys go into that run's database.
    ComPtr<CConflict> impl = EngineImpl<CConflict>(pConflict);
    if (!m_inRun || (impl && impl->Run() != 0 && impl->Run() != m_run)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "the conflict's run is over.\n");
        return hr = E_UNEXPECTED;
    }
    hr = pConflict->get_Type(&type);
    if (FAILED(hr)) {
        TRACE_FAILED(get_Type, hr);
        return hr;
    }
    hr = pConflict->get_SourceFolder(unknown.put());
    if (SUCCEEDED(hr) && unknown)
        hr = unknown.As(srcFolder);
    if (FAILED(hr)) {
        TRACE_FAILED(get_SourceFolder, hr);
        return hr;
    }
    unknown.Release();
    hr = pConflict->get_DestinationFolder(unknown.put());
    if (SUCCEEDED(hr) && unknown)
        hr = unknown.As(dstFolder);
    if (FAILED(hr)) {
        TRACE_FAILED(get_DestinationFolder, hr);
        return hr;
    }
    unknown.Release();
    hr = pConflict->get_SourceMessage(unknown.put());
    if (SUCCEEDED(hr))
        hr = Unknown2Message(unknown.get(), src);
    if (FAILED(hr)) {
        TRACE_FAILED(get_SourceMessage, hr);
        return hr;
    }
    unknown.Release();
    hr = pConflict->get_DestinationMessage(unknown.put());
    if (SUCCEEDED(hr))
        hr = Unknown2Message(unknown.get(), dst);
    if (FAILED(hr)) {
        TRACE_FAILED(get_DestinationMessage, hr);
        return hr;
    }
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "RESOLVE: type %d mode %d\n", int(type), int(mode));

    // An unknown mode is refused: reporting success would mark the conflict resolved although
    // nothing was done.
    if (mode < 0 || mode > 4)
        return hr = E_INVALIDARG;
    const bool typeSrcOnly = type == 2 || type == 6;            // no destination message
    const bool typeDstOnly = type == 1 || type == 5 || type == 7; // no source message
    const bool allowed = mode == 0 || (mode == 1 && (typeSrcOnly || type == 3)) || (mode == 2 && typeSrcOnly) ||
                         (mode == 3 && (typeDstOnly || type == 3)) || (mode == 4 && typeDstOnly);
    if (!allowed)
        return hr = E_INVALIDARG;
    if ((mode == 1 || mode == 3) && (!srcFolder || !dstFolder))
        return hr = E_INVALIDARG;
    if ((typeSrcOnly || mode == 1 || mode == 3) && !src && (typeSrcOnly || type == 3))
        return hr = MAPI_E_NOT_FOUND;
    if ((typeDstOnly || type == 3) && (mode == 3 || mode == 4) && !dst)
        return hr = MAPI_E_NOT_FOUND;
    if (dstFolder && mode != 2 && mode != 4) {
        hr = ResolveTags(dstFolder.get());
        if (FAILED(hr))
            return hr;
    }
    if (src) {
        hr = GetProp(src.get(), PR_RECORD_KEY, srcKey);
        if (FAILED(hr)) {
            TRACE_FAILED(HrGetOneProp, hr);
            return hr;
        }
    }

    switch (mode) {
    case 0:
        if (typeSrcOnly) {
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "remember key.\n");
            hr = DbPut(m_dbNew, Bytes(srcKey->Value.bin));
            if (FAILED(hr))
                TRACE_FAILED(DbPut, hr);
        }
        break;
    case 1: {
        if (typeSrcOnly) {
            hr = dstFolder->CreateMessage(nullptr, 0, dst.put());
            if (FAILED(hr)) {
                TracePrint(__FILE__, __LINE__, TL_ERROR, "CreateMessage() failed: hr = %lx\n", hr);
                break;
            }
        }
        hr = CopySrc2Dst(srcFolder.get(), dstFolder.get(), src.get(), dst.get());
        if (FAILED(hr)) {
            TRACE_FAILED(CopySrc2Dst, hr);
            break;
        }
        if (typeSrcOnly) {
            SPropValue value{};
            value.ulPropTag = m_tagSearchKey;
            value.Value.bin = srcKey->Value.bin;
            hr = HrSetOneProp(dst.get(), &value);
            if (FAILED(hr)) {
                TRACE_FAILED(HrSetOneProp, hr);
                break;
            }
        }
        hr = SetFolderKey(dstFolder.get(), dst.get());
        if (FAILED(hr)) {
            TRACE_FAILED(SetFolderKey, hr);
            break;
        }
        // The key is recorded only for a copy that exists: a recorded key without its copy
        // makes the next run delete the source message as deleted in the destination.
        hr = dst->SaveChanges(0);
        if (FAILED(hr)) {
            TRACE_FAILED(SaveChanges, hr);
            break;
        }
        if (typeSrcOnly) {
            hr = DbPut(m_dbNew, Bytes(srcKey->Value.bin));
            if (FAILED(hr))
                TRACE_FAILED(DbPut, hr);
        }
        break;
    }
    case 2:
    case 4: {
        ComBstr hex;
        SBinary entryId{};
        hr = mode == 2 ? pConflict->get_SourceEntryID(hex.put()) : pConflict->get_DestinationEntryID(hex.put());
        if (SUCCEEDED(hr))
            hr = bstr2SBin(hex.get(), &entryId);
        if (FAILED(hr)) {
            TRACE_FAILED(bstr2SBin, hr);
            break;
        }
        if (mode == 2)
            src.Release();
        else
            dst.Release();
        hr = DelMsg(mode == 2 ? srcFolder.get() : dstFolder.get(), entryId);
        FreeSBin(&entryId);
        if (FAILED(hr))
            TRACE_FAILED(DelMsg, hr);
        break;
    }
    case 3:
        if (typeDstOnly) {
            hr = NewDstMsg(dstFolder.get(), srcFolder.get(), dst.get());
            if (FAILED(hr))
                TRACE_FAILED(NewDstMsg, hr);
            break;
        }
        hr = CopyDst2Src(dstFolder.get(), srcFolder.get(), dst.get(), src.get());
        if (FAILED(hr)) {
            TRACE_FAILED(CopyDst2Src, hr);
            break;
        }
        hr = src->SaveChanges(0);
        if (FAILED(hr))
            TRACE_FAILED(SaveChanges, hr);
        break;
    }
    return hr;
}
