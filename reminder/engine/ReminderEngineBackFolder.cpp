// The engine's back folder: holding it with its sink, and the two clean-up passes of enabling
// (copies of folders that are no reminder folders any more, and copies without a signal time).
#include "ReminderEngine.h"

#include "BackFolder.h"
#include "BackFolderItem.h"
#include "HostUtils.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModelHelpers.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "TraceMapi.h"
#include "TraceScope.h"

#include <vector>

namespace {

constexpr ULONG kBatch = 20;

// Columns of the orphan walk, in this order.
enum OrphanColumn : ULONG {
    OC_ENTRYID,
    OC_INSTANCE_KEY,
    OC_ROW_TYPE,
    OC_DEPTH,
    OC_STORE_RECORD_KEY,
    OC_FOLDER_RECORD_KEY,
    ORPHAN_COLUMN_COUNT
};

const SPropValue* Column(const SRow& row, ULONG index, ULONG tag)
{
    if (index >= row.cValues || row.lpProps[index].ulPropTag != tag)
        return nullptr;
    return &row.lpProps[index];
}

// Deletes the collected copies with one call.
void DeleteCollected(IMAPIFolder* folder, std::vector<std::vector<BYTE>>& collected)
{
    if (collected.empty())
        return;
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Deleting %d orphaned items.\n", static_cast<int>(collected.size()));
    std::vector<SBinary> ids;
    for (auto& id : collected)
        ids.push_back(SBinary{static_cast<ULONG>(id.size()), id.data()});
    ENTRYLIST list{static_cast<ULONG>(ids.size()), ids.data()};
    const HRESULT hr = folder->DeleteMessages(&list, 0, nullptr, 0);
    if (FAILED(hr))
        TRACE_FAILED(DeleteMessages, hr);
    collected.clear();
}

} // namespace

HRESULT CReminderEngine::BackFolderMAPIFolder(IMAPIFolder** folder)
{
    HRESULT hr = S_OK;
    ComPtr<IUnknown> unknown;
    *folder = nullptr;
    if (!m_pBackFolder) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pBackFolder == NULL failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = m_pBackFolder->get_MAPIFolder(unknown.put());
    if (SUCCEEDED(hr) && !unknown)
        hr = MAPI_E_NOT_FOUND;
    if (SUCCEEDED(hr))
        hr = unknown->QueryInterface(IID_IMAPIFolder, reinterpret_cast<void**>(folder));
    if (FAILED(hr))
        TRACE_FAILED(get_MAPIFolder, hr);
    return hr;
}

HRESULT CReminderEngine::SetBackFolder()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::SetBackFolder", &hr);
    ComPtr<ILVStore> store;
    ComPtr<ILVFolder> folder;
    ComPtr<CBackFolderSink> sink;
    if (!m_pStores) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pStores == NULL. failed hr=0x%08lx\n", hr);
        return hr;
    }
    ReleaseBackFolder();
    hr = m_pStores->get_Item(0, store.put());
    if (SUCCEEDED(hr) && !store)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(get_Item, hr);
        return hr;
    }
    hr = store->get_DefaultFolder(DFT_IPM_APPOINTMENT, folder.put());
    if (SUCCEEDED(hr) && !folder)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(get_DefaultFolder, hr);
        return hr;
    }
    // The folder is the back folder before the sink reads it: the sink's first reload offers
    // the copies' times to the engine at once.
    m_pBackFolder = folder;
    {
        CBackFolderSink* made = nullptr;
        hr = CBackFolderSink::CreateObject(&made);
        if (FAILED(hr)) {
            TRACE_FAILED(CreateObject, hr);
            m_pBackFolder = nullptr;
            return hr;
        }
        sink.Attach(made);
    }
    // Without its sink the engine would never see a change among the copies: no back folder.
    hr = sink->SetSink(this, folder.get());
    if (FAILED(hr)) {
        TRACE_FAILED(SetSink, hr);
        m_pBackFolder = nullptr;
        return hr;
    }
    m_pSink = sink;
    return hr;
}

HRESULT CReminderEngine::ReleaseBackFolder()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::ReleaseBackFolder", &hr);
    if (m_pSink) {
        m_pSink->RemoveSink();
        m_pSink = nullptr;
    }
    m_pBackFolder = nullptr;
    return hr;
}

void CReminderEngine::RemoveOrphanReminderEntries()
{
    TRACE_PROC("CReminderEngine::RemoveOrphanReminderEntries");
    HRESULT hr = S_OK;
    CRegKeyEx profileKey, storeKey, folderKey;
    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
    CMapiBuffer<SPropTagArray> named;
    CMapiBuffer<SRestriction> restriction;
    std::vector<std::vector<BYTE>> collected;
    SizedSPropTagArray(ORPHAN_COLUMN_COUNT, columns) = {
        ORPHAN_COLUMN_COUNT, {PR_ENTRYID, PR_INSTANCE_KEY, PR_ROW_TYPE, PR_DEPTH, PR_NULL, PR_NULL}};
    SizedSSortOrderSet(2, sort) = {2, 2, 1, {{PR_NULL, TABLE_SORT_ASCEND}, {PR_NULL, TABLE_SORT_ASCEND}}};
    const NamedProp names[] = {CopyProp(BackFolderItem::LVStoreRecordKey), CopyProp(BackFolderItem::LVFolderRecordKey)};
    const std::string profile = ProfileKey();

    // A profile without folder keys leaves no copy that is not an orphan.
    if (!profile.empty())
        profileKey.Open(HKEY_CURRENT_USER, (std::string(kFoldersKey) + "\\" + profile).c_str(), KEY_READ);
    hr = BackFolderMAPIFolder(folder.put());
    if (FAILED(hr))
        return;
    hr = ResolveNamedProps(folder.get(), names, MAPI_CREATE, named.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return;
    }
    columns.aulPropTag[OC_STORE_RECORD_KEY] = named->aulPropTag[0];
    columns.aulPropTag[OC_FOLDER_RECORD_KEY] = named->aulPropTag[1];
    sort.aSort[0].ulPropTag = named->aulPropTag[0];
    sort.aSort[1].ulPropTag = named->aulPropTag[1];
    hr = GetBackFolderRestriction(folder.get(), restriction.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetBackFolderRestriction, hr);
        return;
    }
    hr = OpenAssociatedTable(folder.get(), reinterpret_cast<LPSPropTagArray>(&columns), restriction.get(), table.put());
    if (FAILED(hr))
        return;
    // Store headings (depth 0) with their folder headings (depth 1) collapsed under them.
    hr = table->SortTable(reinterpret_cast<LPSSortOrderSet>(&sort), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(SortTable, hr);
        return;
    }
    for (;;) {
        DeleteCollected(folder.get(), collected);
        LPSRowSet rows = nullptr;
        hr = table->QueryRows(kBatch, 0, &rows);
        if (FAILED(hr)) {
            TRACE_FAILED(QueryRows, hr);
            break;
        }
        const ULONG count = rows ? rows->cRows : 0;
        for (ULONG i = 0; i < count; ++i) {
            const SRow& row = rows->aRow[i];
            const SPropValue* rowType = Column(row, OC_ROW_TYPE, PR_ROW_TYPE);
            const SPropValue* depth = Column(row, OC_DEPTH, PR_DEPTH);
            const LONG type = rowType ? rowType->Value.l : TBL_LEAF_ROW;
            if (type == TBL_EXPANDED_CATEGORY || type == TBL_COLLAPSED_CATEGORY) {
                DeleteCollected(folder.get(), collected);
                const SPropValue* storeKeyValue = Column(row, OC_STORE_RECORD_KEY, named->aulPropTag[0]);
                const SPropValue* folderKeyValue = Column(row, OC_FOLDER_RECORD_KEY, named->aulPropTag[1]);
                if (depth && depth->Value.l == 0) {
                    storeKey.Close();
                    folderKey.Close();
                    if (profileKey && storeKeyValue && storeKeyValue->Value.bin.cb)
                        storeKey.Open(profileKey,
                                      HexString(storeKeyValue->Value.bin.cb, storeKeyValue->Value.bin.lpb).c_str(),
                                      KEY_READ);
                } else if (depth && depth->Value.l == 1) {
                    folderKey.Close();
                    if (storeKey && folderKeyValue && folderKeyValue->Value.bin.cb)
                        folderKey.Open(storeKey,
                                       HexString(folderKeyValue->Value.bin.cb, folderKeyValue->Value.bin.lpb).c_str(),
                                       KEY_READ);
                    const SPropValue* instanceKey = Column(row, OC_INSTANCE_KEY, PR_INSTANCE_KEY);
                    if (!folderKey && instanceKey && type == TBL_COLLAPSED_CATEGORY) {
                        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Orphaned row:\n");
                        TraceRow(&row);
                        ULONG more = 0;
                        hr = table->ExpandRow(instanceKey->Value.bin.cb, instanceKey->Value.bin.lpb, 0, 0, nullptr,
                                              &more);
                        if (FAILED(hr)) {
                            TRACE_FAILED(ExpandRow, hr);
                        } else if (more) {
                            break; // the next batch reads the copies now in sight
                        }
                    }
                }
            } else if (const SPropValue* entryId = Column(row, OC_ENTRYID, PR_ENTRYID)) {
                // Leaves are in sight only under the expanded, orphaned folder headings.
                collected.emplace_back(entryId->Value.bin.lpb, entryId->Value.bin.lpb + entryId->Value.bin.cb);
            }
        }
        FreeRowSet(&rows);
        if (count == 0)
            break;
    }
    DeleteCollected(folder.get(), collected);
}

void CReminderEngine::EnsureFlagDueBy()
{
    TRACE_PROC("CReminderEngine::EnsureFlagDueBy");
    HRESULT hr = S_OK;
    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
    CMapiBuffer<SPropTagArray> named;
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    const NamedProp names[] = {CopyProp(BackFolderItem::LumivaneItem),
                               {&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME}};
    SRestriction terms[3]{};
    SRestriction noSignal{};
    SPropValue isCopy{};
    SRestriction all{};
    if (!m_pBackFolder) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pBackFolder == NULL failed. hr=0x%08lx\n", hr);
        return;
    }
    hr = BackFolderMAPIFolder(folder.put());
    if (FAILED(hr))
        return;
    hr = ResolveNamedProps(folder.get(), names, MAPI_CREATE, named.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return;
    }
    isCopy.ulPropTag = named->aulPropTag[0];
    isCopy.Value.b = 1;
    terms[0].rt = RES_EXIST;
    terms[0].res.resExist.ulPropTag = named->aulPropTag[0];
    terms[1].rt = RES_PROPERTY;
    terms[1].res.resProperty = {RELOP_EQ, named->aulPropTag[0], &isCopy};
    noSignal.rt = RES_EXIST;
    noSignal.res.resExist.ulPropTag = named->aulPropTag[1];
    terms[2].rt = RES_NOT;
    terms[2].res.resNot.lpRes = &noSignal;
    all.rt = RES_AND;
    all.res.resAnd = {3, terms};
    hr = OpenAssociatedTable(folder.get(), reinterpret_cast<LPSPropTagArray>(&columns), &all, table.put());
    if (FAILED(hr))
        return;
    // The rows first: a copy that gets its signal time leaves the restricted table.
    LPSRowSet rows = nullptr;
    hr = ReadTableRows(table.get(), &rows);
    if (FAILED(hr))
        TRACE_FAILED(ReadTableRows, hr); // the rows read so far are still done
    std::vector<std::vector<BYTE>> ids;
    for (ULONG i = 0; rows && i < rows->cRows; ++i) {
        if (const SPropValue* id = Column(rows->aRow[i], 0, PR_ENTRYID))
            ids.emplace_back(id->Value.bin.lpb, id->Value.bin.lpb + id->Value.bin.cb);
    }
    FreeRowSet(&rows);
    for (auto& id : ids) {
        ComPtr<IMessage> copy;
        ULONG type = 0;
        hr = folder->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()), nullptr,
                               MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(copy.put()));
        if (FAILED(hr)) {
            TRACE_FAILED(OpenEntry, hr);
            continue;
        }
        hr = ::EnsureFlagDueBy(copy.get());
        if (FAILED(hr)) {
            TRACE_FAILED(EnsureFlagDueBy, hr);
            continue;
        }
        hr = copy->SaveChanges(0);
        if (FAILED(hr))
            TRACE_FAILED(SaveChanges, hr);
    }
}
