#include "ReminderFolders.h"

#include "BackFolderItem.h"
#include "EqualityRestriction.h"
#include "MapiBuffer.h"
#include "TraceScope.h"
#include "base/Utf.h"
#include "com/ComBstr.h"

#include <vector>

namespace {

std::string Text(const ComBstr& text)
{
    return text ? platform::Utf16ToUtf8(std::u16string_view(text.get(), text.Length())) : std::string();
}

HRESULT MapiFolderOf(ILVFolder* folder, IMAPIFolder** out)
{
    ComPtr<IUnknown> unknown;
    HRESULT hr = folder->get_MAPIFolder(unknown.put());
    if (SUCCEEDED(hr) && !unknown)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(get_MAPIFolder, hr);
        return hr;
    }
    hr = unknown->QueryInterface(IID_IMAPIFolder, reinterpret_cast<void**>(out));
    if (FAILED(hr))
        TRACE_FAILED(QueryInterface, hr);
    return hr;
}

} // namespace

CReminderFolders::~CReminderFolders()
{
    RemoveAll();
}

HRESULT CReminderFolders::KeyOf(ILVFolder* folder, Key& key)
{
    HRESULT hr = S_OK;
    ComPtr<ILVStore> store;
    ComBstr storeKey, folderKey;
    if (!folder)
        return E_INVALIDARG;
    if (FAILED(hr = folder->get_Store(store.put())) || !store) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
        TRACE_FAILED(get_Store, hr);
        return hr;
    }
    if (FAILED(hr = store->get_RecordKey(storeKey.put()))) {
        TRACE_FAILED(get_RecordKey, hr);
        return hr;
    }
    if (FAILED(hr = folder->get_RecordKey(folderKey.put()))) {
        TRACE_FAILED(get_RecordKey, hr);
        return hr;
    }
    key = Key(Text(storeKey), Text(folderKey));
    return S_OK;
}

HRESULT CReminderFolders::AddFolder(IReminderEngine* engine, ILVFolder* folder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderFolders::AddFolder", &hr);
    Key key;
    if (FAILED(hr = KeyOf(folder, key)))
        return hr;
    if (m_folders.contains(key)) {
        // Watched already (a change of type, or the folder through another entry ID).
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Folder is watched already\n");
        return hr;
    }
    hr = folder->Advise(engine);
    if (FAILED(hr)) {
        TRACE_FAILED(Advise, hr);
        return hr;
    }
    m_folders.emplace(std::move(key), ComPtr<ILVFolder>(folder));
    return hr;
}

HRESULT CReminderFolders::RemoveFolder(IReminderEngine* engine, ILVFolder* folder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderFolders::RemoveFolder", &hr);
    Key key;
    if (FAILED(hr = KeyOf(folder, key)))
        return hr;
    auto it = m_folders.find(key);
    if (it == m_folders.end()) {
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Item not found\n");
        return hr;
    }
    // The stored object is the one that is unadvised; the folder given names the key only.
    ComPtr<ILVFolder> stored = std::move(it->second);
    m_folders.erase(it);
    stored->Unadvise();
    hr = RemoveItemsFromBackfolder(engine, stored.get());
    return hr;
}

void CReminderFolders::RemoveAll()
{
    while (!m_folders.empty()) {
        ComPtr<ILVFolder> stored = std::move(m_folders.begin()->second);
        m_folders.erase(m_folders.begin());
        stored->Unadvise();
    }
}

void CReminderFolders::RemoveFolders(const char* storeRecordKey)
{
    TRACE_PROC("CReminderFolders::RemoveFolders");
    if (!storeRecordKey)
        return;
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        if (it->first.first != storeRecordKey) {
            ++it;
            continue;
        }
        ComPtr<ILVFolder> stored = std::move(it->second);
        it = m_folders.erase(it);
        stored->Unadvise();
    }
}

HRESULT CReminderFolders::RemoveItemsFromBackfolder(IReminderEngine* engine, ILVFolder* folder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderFolders::RemoveItemsFromBackfolder", &hr);
    ComPtr<ILVFolder> backFolder;
    ComPtr<IMAPIFolder> back, watched;
    CMapiBuffer<SPropValue> folderKey, storeKey;
    CMapiBuffer<SPropTagArray> tags;
    ComPtr<IMAPITable> table;
    const NamedProp names[] = {CopyProp(BackFolderItem::LVFolderRecordKey), CopyProp(BackFolderItem::LVStoreRecordKey)};

    if (!engine || !folder) {
        hr = E_INVALIDARG;
        return hr;
    }
    hr = engine->get_BackFolder(backFolder.put());
    if (SUCCEEDED(hr) && !backFolder) {
        // Without a back folder there are no copies to delete.
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pBackFolder == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr)) {
        TRACE_FAILED(get_BackFolder, hr);
        return hr;
    }
    if (FAILED(hr = MapiFolderOf(backFolder.get(), back.put())) || FAILED(hr = MapiFolderOf(folder, watched.put())))
        return hr;
    if (FAILED(HrGetOneProp(watched.get(), PR_STORE_RECORD_KEY, storeKey.put())))
        storeKey.Free();
    if (FAILED(HrGetOneProp(watched.get(), PR_RECORD_KEY, folderKey.put())))
        folderKey.Free();
    if (!folderKey || !storeKey) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR,
                   "propFolderRecordKey == NULL || propStoreRecordKey == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = ResolveNamedProps(back.get(), names, MAPI_CREATE, tags.put());
    if (SUCCEEDED(hr) && (PROP_TYPE(tags->aulPropTag[0]) == PT_ERROR || PROP_TYPE(tags->aulPropTag[1]) == PT_ERROR))
        hr = E_FAIL;
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetIDsFromNames() returned not enough information. hr=0x%08lx\n",
                   hr);
        return hr;
    }
    hr = back->GetContentsTable(MAPI_ASSOCIATED, table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    {
        SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
        hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
        if (FAILED(hr)) {
            TRACE_FAILED(SetColumns, hr);
            return hr;
        }
    }
    {
        const ULONG tagFolderKey = tags->aulPropTag[0];
        const ULONG tagStoreKey = tags->aulPropTag[1];
        CEqualityRestriction copies;
        copies.Exists(tagFolderKey).Exists(tagStoreKey);
        copies.Equals(tagFolderKey, folderKey->Value.bin).Equals(tagStoreKey, storeKey->Value.bin);
        hr = table->Restrict(copies.Get(), 0);
        if (FAILED(hr)) {
            TRACE_FAILED(Restrict, hr);
            return hr;
        }
    }
    for (;;) {
        CMapiBuffer<SRowSet> batch;
        hr = table->QueryRows(20, 0, batch.put());
        if (FAILED(hr)) {
            TRACE_FAILED(QueryRows, hr);
            return hr;
        }
        if (!batch || batch->cRows == 0)
            break;
        std::vector<SBinary> ids;
        for (ULONG i = 0; i < batch->cRows; ++i)
            if (batch->aRow[i].cValues >= 1 && batch->aRow[i].lpProps[0].ulPropTag == PR_ENTRYID)
                ids.push_back(batch->aRow[i].lpProps[0].Value.bin);
        ENTRYLIST list{static_cast<ULONG>(ids.size()), ids.data()};
        hr = ids.empty() ? S_OK : back->DeleteMessages(&list, 0, nullptr, 0);
        FreeProws(batch.release());
        if (FAILED(hr)) {
            TRACE_FAILED(DeleteMessages, hr);
            return hr;
        }
    }
    return hr;
}
