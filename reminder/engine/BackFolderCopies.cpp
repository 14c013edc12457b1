#include "BackFolderCopies.h"

#include "BackFolderItem.h"
#include "EqualityRestriction.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "TraceScope.h"

#include <cstring>

namespace {

enum Column : ULONG { COL_ENTRYID, COL_RECORD_KEY, COL_FOLDER_KEY, COL_COUNT };

bool SameBytes(const SPropValue& value, ULONG tag, const SBinary& bin)
{
    return value.ulPropTag == tag && CompareSBinary(&value.Value.bin, &bin) == 0;
}

} // namespace

void CBackFolderCopies::Close()
{
    m_table = nullptr;
    m_folder = nullptr;
    m_storeKey.clear();
}

HRESULT CBackFolderCopies::Open(IMAPIFolder* backFolder, const SBinary& storeKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CBackFolderCopies::Open", &hr);
    CMapiBuffer<SPropTagArray> tags;
    const NamedProp names[] = {CopyProp(BackFolderItem::LVRecordKey), CopyProp(BackFolderItem::LVFolderRecordKey),
                               CopyProp(BackFolderItem::LVStoreRecordKey)};
    Close();
    hr = ResolveNamedProps(backFolder, names, MAPI_CREATE, tags.put());
    if (SUCCEEDED(hr) && (PROP_TYPE(tags->aulPropTag[0]) == PT_ERROR || PROP_TYPE(tags->aulPropTag[1]) == PT_ERROR ||
                          PROP_TYPE(tags->aulPropTag[2]) == PT_ERROR))
        hr = E_FAIL;
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    m_tagRecordKey = tags->aulPropTag[0];
    m_tagFolderKey = tags->aulPropTag[1];
    const ULONG tagStoreKey = tags->aulPropTag[2];
    hr = backFolder->GetContentsTable(MAPI_ASSOCIATED, m_table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    {
        SizedSPropTagArray(COL_COUNT, columns) = {COL_COUNT, {PR_ENTRYID, m_tagRecordKey, m_tagFolderKey}};
        hr = m_table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    }
    if (FAILED(hr)) {
        TRACE_FAILED(SetColumns, hr);
        m_table = nullptr;
        return hr;
    }
    {
        CEqualityRestriction copies;
        copies.Exists(m_tagRecordKey).Exists(tagStoreKey).Equals(tagStoreKey, storeKey);
        hr = m_table->Restrict(copies.Get(), 0);
    }
    if (FAILED(hr)) {
        TRACE_FAILED(Restrict, hr);
        m_table = nullptr;
        return hr;
    }
    m_folder = backFolder;
    m_storeKey.assign(storeKey.lpb, storeKey.lpb + storeKey.cb);
    return hr;
}

HRESULT CBackFolderCopies::Find(IMAPIFolder* backFolder, const SBinary& storeKey, const SBinary& recordKey,
                                const SBinary* folderKey, std::vector<Bytes>& entryIds)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CBackFolderCopies::Find", &hr);
    entryIds.clear();
    if (!backFolder || (storeKey.cb && !storeKey.lpb) || (recordKey.cb && !recordKey.lpb)) {
        hr = E_INVALIDARG;
        return hr;
    }
    if (!m_table || m_folder.get() != backFolder || m_storeKey.size() != storeKey.cb ||
        (storeKey.cb && std::memcmp(m_storeKey.data(), storeKey.lpb, storeKey.cb) != 0)) {
        hr = Open(backFolder, storeKey);
        if (FAILED(hr))
            return hr;
    }
    SPropValue key{};
    key.ulPropTag = m_tagRecordKey;
    key.Value.bin = recordKey;
    SRestriction equal{};
    equal.rt = RES_PROPERTY;
    equal.res.resProperty = {RELOP_EQ, m_tagRecordKey, &key};
    BOOKMARK origin = BOOKMARK_BEGINNING;
    for (;;) {
        hr = m_table->FindRow(&equal, origin, 0);
        if (hr == MAPI_E_NOT_FOUND) {
            hr = S_OK;
            break;
        }
        if (FAILED(hr)) {
            TRACE_FAILED(FindRow, hr);
            break;
        }
        CMapiBuffer<SRowSet> rows;
        hr = m_table->QueryRows(1, 0, rows.put());
        if (FAILED(hr)) {
            TRACE_FAILED(QueryRows, hr);
            break;
        }
        if (!rows || rows->cRows == 0) {
            hr = S_OK;
            break;
        }
        const SRow& row = rows->aRow[0];
        if (row.cValues >= COL_COUNT && row.lpProps[COL_ENTRYID].ulPropTag == PR_ENTRYID &&
            SameBytes(row.lpProps[COL_RECORD_KEY], m_tagRecordKey, recordKey) &&
            (!folderKey || SameBytes(row.lpProps[COL_FOLDER_KEY], m_tagFolderKey, *folderKey))) {
            const SBinary& id = row.lpProps[COL_ENTRYID].Value.bin;
            entryIds.emplace_back(id.lpb, id.lpb + id.cb);
        }
        FreeProws(rows.release());
        origin = BOOKMARK_CURRENT;
    }
    return hr;
}
