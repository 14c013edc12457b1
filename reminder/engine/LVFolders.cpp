#include "LVFolders.h"

#include "LVFolder.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModelHelpers.h"


namespace {

enum Column : ULONG { COL_DISPLAY_NAME, COL_ENTRYID, COL_FOLDER_TYPE, COL_SUBFOLDERS, COL_COUNT };

SizedSPropTagArray(COL_COUNT, kColumns) = {COL_COUNT,
                                           {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_FOLDER_TYPE, PR_SUBFOLDERS}};

} // namespace

CLVFolders::CLVFolders()
{
    TRACE_CTOR("CLVFolders");
}

CLVFolders::~CLVFolders()
{
    TRACE_DTOR("CLVFolders");
    FreeRowSet(&m_rows);
}

HRESULT CLVFolders::Create(ILVStore* pStore, ULONG cbEID, BYTE* pbEID)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolders::Create", &hr);
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    ComPtr<IMAPIContainer> parent;
    ComPtr<IMAPITable> table;
    LONG supportMask = 0;
    bool unicode = false;
    if (!pStore || (cbEID && !pbEID)) {
        hr = E_INVALIDARG;
        return hr;
    }
    FreeRowSet(&m_rows);
    m_store = pStore;
    hr = pStore->get_MDB(unknown.put());
    if (FAILED(hr) || !unknown || FAILED(hr = unknown.As(mdb))) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
        TRACE_FAILED(get_MDB, hr);
        return hr;
    }
    ULONG objType = 0;
    hr = mdb->OpenEntry(cbEID, reinterpret_cast<LPENTRYID>(pbEID), nullptr, 0, &objType, unknown.put());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "OpenEntry() failed: hr=%lx\n", hr);
        return hr;
    }
    hr = unknown.As(parent);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    if (SUCCEEDED(pStore->get_StoreSupportMask(&supportMask)))
        unicode = (static_cast<ULONG>(supportMask) & STORE_UNICODE_OK) != 0;

    hr = parent->GetHierarchyTable(unicode ? MAPI_UNICODE : 0, table.put());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetHierarchyTable() failed: hr=%lx\n", hr);
        hr = S_FALSE; // a folder whose subfolders cannot be listed has none
        return hr;
    }
    hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&kColumns), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(SetColumns, hr);
        return hr;
    }
    {
        SizedSSortOrderSet(1, sortOrder) = {1, 0, 0, {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}}};
        SortOrderSetSwitchStringType(reinterpret_cast<LPSSortOrderSet>(&sortOrder), unicode);
        if (FAILED(table->SortTable(reinterpret_cast<LPSSortOrderSet>(&sortOrder), 0)))
            TracePrint(__FILE__, __LINE__, TL_WARNING, "SortTable() failed, the folders stay unsorted\n");
    }
    hr = ReadTableRows(table.get(), &m_rows);
    if (FAILED(hr))
        TRACE_FAILED(ReadTableRows, hr);
    return hr;
}

HRESULT CLVFolders::get_Count(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolders::get_Count", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = m_rows ? static_cast<LONG>(m_rows->cRows) : 0;
    return hr;
}

HRESULT CLVFolders::get_Item(LONG index, ILVFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolders::get_Item", &hr);
    CLVFolder* folder = nullptr;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    if (!m_rows || index < 1 || index > static_cast<LONG>(m_rows->cRows)) {
        hr = E_INVALIDARG;
        return hr;
    }
    const SRow& row = m_rows->aRow[index - 1];
    if (row.cValues <= COL_ENTRYID || row.lpProps[COL_ENTRYID].ulPropTag != PR_ENTRYID) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "PR_ENTRYID not available. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = CLVFolder::CreateObject(&folder);
    if (FAILED(hr)) {
        hr = E_OUTOFMEMORY;
        TRACE_FAILED(CreateObject, hr);
        return hr;
    }
    hr = folder->Create(m_store.get(), row.lpProps[COL_ENTRYID].Value.bin.cb, row.lpProps[COL_ENTRYID].Value.bin.lpb);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        folder->Release();
        return hr;
    }
    *pVal = folder;
    return hr;
}
