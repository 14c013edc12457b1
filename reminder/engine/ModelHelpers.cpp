#include "ModelHelpers.h"

#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "TraceScope.h"

#include <cstring>
#include <limits>

HRESULT KeyText(const SPropValue* value, LPCSTR name, HRESULT missing, BSTR* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = nullptr;
    if (!value) {
        TracePrint(__FILE__, __LINE__, FAILED(missing) ? TL_ERROR : TL_WARNING, "%s not available. hr=0x%08lx\n",
                   name, missing);
        return missing;
    }
    const HRESULT hr = SBin2bstr(&value->Value.bin, pVal);
    if (FAILED(hr))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "SBin2bstr() failed: hr=%lx\n", hr);
    return hr;
}

HRESULT ReadTableRows(IMAPITable* table, LPSRowSet* rows)
{
    HRESULT hr = S_OK;
    ULONG rowCount = 0;
    *rows = nullptr;
    hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(SeekRow, hr);
        return hr;
    }
    hr = table->GetRowCount(0, &rowCount);
    if (FAILED(hr)) {
        TRACE_FAILED(GetRowCount, hr);
        return hr;
    }
    if (rowCount > (std::numeric_limits<ULONG>::max() - sizeof(SRowSet)) / sizeof(SRow)) {
        hr = MAPI_E_TABLE_TOO_BIG;
        TRACE_FAILED(GetRowCount, hr);
        return hr;
    }
    hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(rowCount)), reinterpret_cast<LPVOID*>(rows));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        *rows = nullptr;
        return hr;
    }
    std::memset(*rows, 0, CbNewSRowSet(rowCount));
    while ((*rows)->cRows < rowCount) {
        CMapiBuffer<SRowSet> batch;
        hr = table->QueryRows(20, 0, batch.put());
        if (FAILED(hr)) {
            TRACE_FAILED(QueryRows, hr);
            return hr;
        }
        if (!batch || batch->cRows == 0)
            break;
        for (ULONG i = 0; i < batch->cRows && (*rows)->cRows < rowCount; ++i) {
            SRow& to = (*rows)->aRow[(*rows)->cRows];
            hr = ScDupPropset(static_cast<int>(batch->aRow[i].cValues), batch->aRow[i].lpProps, MAPIAllocateBuffer,
                              &to.lpProps);
            if (FAILED(hr)) {
                TRACE_FAILED(ScDupPropset, hr);
                FreeProws(batch.release());
                return hr;
            }
            to.cValues = batch->aRow[i].cValues;
            ++(*rows)->cRows;
        }
        FreeProws(batch.release());
    }
    return hr;
}
