#include "LVStores.h"

#include "LVStore.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModelHelpers.h"
#include "ProfileStoresSink.h"
#include "base/Profile.h"

#include <cstring>
#include <limits>
#include <utility>

namespace {

constexpr ULONG IDX_PR_PROFILE_NAME = 0;
constexpr ULONG IDX_PR_SEARCH_KEY = 1;

// The columns, 8-bit; switched to the table's kind for SetColumns.
SizedSPropTagArray(STORE_COLUMN_COUNT, kStoreColumns) = {
    STORE_COLUMN_COUNT,
    {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_RECORD_KEY, PR_MDB_PROVIDER, PR_DEFAULT_STORE, PR_INSTANCE_KEY}};

SizedSPropTagArray(2, kProfileTags) = {2, {PR_PROFILE_NAME_A, PR_SEARCH_KEY}};

// The value of a column of a store row, when the row has it.
const SPropValue* Column(const SRow& row, ULONG index, ULONG tag)
{
    if (!row.lpProps || index >= row.cValues || row.lpProps[index].ulPropTag != tag)
        return nullptr;
    return &row.lpProps[index];
}

} // namespace

CLVStores::CLVStores()
{
    TRACE_CTOR("CLVStores");
}

CLVStores::~CLVStores()
{
    TRACE_DTOR("CLVStores");
    Clear();
}

void CLVStores::Clear()
{
    if (m_sink)
        m_sink->SetOwner(nullptr);
    if (m_storesTable && m_connection != 0xFFFFFFFF)
        m_storesTable->Unadvise(m_connection);
    m_connection = 0xFFFFFFFF;
    m_sink = nullptr;
    MAPIFreeBuffer(std::exchange(m_profileProps, nullptr));
    m_cProfileProps = 0;
    FreeRowSet(&m_rows);
    m_storesTable = nullptr;
    m_session = nullptr;
}

HRESULT CLVStores::Create(IReminderEngine* pParent, IUnknown* pSession)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::Create", &hr);
    SPropTagArray* columns = nullptr;
    CMapiBuffer<SSortOrderSet> sortOrder;
    bool unicode = true;

    Clear();
    m_engine = pParent;
    if (!pSession) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pSession == NULL. failed hr=0x%08lx\n", hr);
        goto Exit;
    }
    hr = pSession->QueryInterface(IID_IMAPISession, m_session.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        goto Exit;
    }

    hr = m_session->GetMsgStoresTable(MAPI_UNICODE, m_storesTable.put());
    if (FAILED(hr)) {
        unicode = false;
        hr = m_session->GetMsgStoresTable(0, m_storesTable.put());
    }
    if (FAILED(hr)) {
        TRACE_FAILED(GetMsgStoresTable, hr);
        goto Exit;
    }

    columns = reinterpret_cast<SPropTagArray*>(&kStoreColumns);
    {
        // A copy, so that switching its string types touches nothing shared.
        SizedSPropTagArray(STORE_COLUMN_COUNT, cols);
        std::memcpy(&cols, &kStoreColumns, sizeof cols);
        AdjustPropTagArrayCharSet(reinterpret_cast<SPropTagArray*>(&cols), unicode);
        hr = m_storesTable->SetColumns(reinterpret_cast<SPropTagArray*>(&cols), 0);
        AdjustPropTagArrayCharSet(reinterpret_cast<SPropTagArray*>(&cols), false);
    }
    if (FAILED(hr)) {
        TRACE_FAILED(SetColumns, hr);
        goto Exit;
    }

    hr = MAPIAllocateBuffer(CbNewSSortOrderSet(1), reinterpret_cast<LPVOID*>(sortOrder.put()));
    if (SUCCEEDED(hr)) {
        sortOrder->cSorts = 1;
        sortOrder->cCategories = 0;
        sortOrder->cExpanded = 0;
        sortOrder->aSort[0].ulPropTag = columns->aulPropTag[IDX_STORE_DISPLAY_NAME];
        sortOrder->aSort[0].ulOrder = TABLE_SORT_ASCEND;
        SortOrderSetSwitchStringType(sortOrder.get(), unicode);
        if (FAILED(m_storesTable->SortTable(sortOrder.get(), 0)))
            TracePrint(__FILE__, __LINE__, TL_WARNING, "SortTable() failed, the stores stay unsorted\n");
    }
    hr = S_OK;

    hr = ReadTableRows(m_storesTable.get(), &m_rows);
    if (FAILED(hr)) {
        TRACE_FAILED(ReadTableRows, hr);
        goto Exit;
    }

    hr = GetProfileInfos();
    if (FAILED(hr)) {
        TRACE_FAILED(GetProfileInfos, hr);
        goto Exit;
    }

    if (GetPrivateProfileIntA("CL", "NoStoresSink", 0, "Lumivane.ini") == 0) {
        CProfileStoresSink* sink = nullptr;
        if (SUCCEEDED(CProfileStoresSink::CreateObject(&sink))) {
            sink->SetOwner(this);
            if (SUCCEEDED(m_storesTable->Advise(fnevTableModified, sink, &m_connection))) {
                m_sink = sink;
            } else {
                sink->SetOwner(nullptr);
                m_connection = 0xFFFFFFFF;
                TracePrint(__FILE__, __LINE__, TL_WARNING, "Advise() on the stores table failed\n");
            }
            sink->Release(); // the advise keeps the only lasting reference
        }
    } else {
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "NoStoresSink set: stores added or removed go unnoticed\n");
    }

Exit:
    return hr;
}

HRESULT CLVStores::GetProfileInfos()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::GetProfileInfos", &hr);
    ComPtr<IProfSect> section;
    MAPIUID uid = MUID_PROFILE_INSTANCE;
    MAPIFreeBuffer(std::exchange(m_profileProps, nullptr));
    m_cProfileProps = 0;
    hr = m_session->OpenProfileSection(&uid, nullptr, 0, section.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenProfileSection, hr);
        return hr;
    }
    hr = section->GetProps(reinterpret_cast<LPSPropTagArray>(&kProfileTags), MAPI_UNICODE, &m_cProfileProps,
                           &m_profileProps);
    if (FAILED(hr))
        hr = section->GetProps(reinterpret_cast<LPSPropTagArray>(&kProfileTags), 0, &m_cProfileProps,
                               &m_profileProps);
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        m_cProfileProps = 0;
        return hr;
    }
    hr = S_OK;
    return hr;
}

HRESULT CLVStores::get_ReminderEngine(IReminderEngine** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::get_ReminderEngine", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = m_engine;
    if (m_engine)
        m_engine->AddRef();
    return hr;
}

HRESULT CLVStores::get_Count(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::get_Count", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = m_rows ? static_cast<LONG>(m_rows->cRows) : 0;
    return hr;
}

HRESULT CLVStores::NewStore(const SRow& row, ILVStore** pVal)
{
    HRESULT hr = S_OK;
    CLVStore* store = nullptr;
    hr = CLVStore::CreateObject(&store);
    if (FAILED(hr)) {
        hr = E_OUTOFMEMORY;
        TRACE_FAILED(CreateObject, hr);
        return hr;
    }
    hr = store->Create(this, reinterpret_cast<LONG_PTR>(&row));
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        store->Release();
        return hr;
    }
    *pVal = store;
    return hr;
}

HRESULT CLVStores::get_Item(LONG index, ILVStore** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::get_Item", &hr);
    const LONG count = m_rows ? static_cast<LONG>(m_rows->cRows) : 0;
    const SRow* row = nullptr;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    if (index < 0 || index > count) {
        hr = E_INVALIDARG;
        return hr;
    }
    if (index == 0) {
        for (LONG i = 0; i < count && !row; ++i) {
            const SPropValue* value = Column(m_rows->aRow[i], IDX_STORE_DEFAULT_STORE, PR_DEFAULT_STORE);
            if (value && value->Value.b)
                row = &m_rows->aRow[i];
        }
        if (!row) {
            hr = MAPI_E_NOT_FOUND;
            TracePrint(__FILE__, __LINE__, TL_ERROR, "Default Store not found. hr=0x%08lx\n", hr);
            return hr;
        }
    } else {
        row = &m_rows->aRow[index - 1];
    }
    hr = NewStore(*row, pVal);
    return hr;
}

HRESULT CLVStores::get_ProfileKey(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::get_ProfileKey", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    if (IDX_PR_SEARCH_KEY >= m_cProfileProps) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "IDX_PR_SEARCH_KEY >= m_cProfileProps. hr=0x%08lx\n", hr);
        return hr;
    }
    if (m_profileProps[IDX_PR_SEARCH_KEY].ulPropTag != PR_SEARCH_KEY) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "ulPropTag != PR_SEARCH_KEY. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = SBin2bstr(&m_profileProps[IDX_PR_SEARCH_KEY].Value.bin, pVal);
    if (FAILED(hr))
        TRACE_FAILED(SBin2bstr, hr);
    return hr;
}

HRESULT CLVStores::get_ProfileName(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::get_ProfileName", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    if (IDX_PR_PROFILE_NAME >= m_cProfileProps) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "IDX_PR_PROFILE_NAME >= m_cProfileProps. hr=0x%08lx\n", hr);
        return hr;
    }
    {
        const SPropValue& name = m_profileProps[IDX_PR_PROFILE_NAME];
        if (name.ulPropTag == PR_PROFILE_NAME_W)
            *pVal = SysAllocString(name.Value.lpszW);
        else if (name.ulPropTag == PR_PROFILE_NAME_A)
            *pVal = ComBstr(std::string_view(name.Value.lpszA)).Detach();
        else {
            hr = MAPI_E_NOT_FOUND;
            TracePrint(__FILE__, __LINE__, TL_ERROR, "ulPropTag != PR_PROFILE_NAME. hr=0x%08lx\n", hr);
            return hr;
        }
    }
    if (!*pVal)
        hr = E_OUTOFMEMORY;
    return hr;
}

HRESULT CLVStores::GetStoreFromKey(BSTR Key, ILVStore** pRet)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::GetStoreFromKey", &hr);
    SBinary key{0, nullptr};
    if (!pRet) {
        hr = E_POINTER;
        return hr;
    }
    *pRet = nullptr;
    // Callers test the output: a key that is no hex text, or that no store has, gives none.
    if (FAILED(bstr2SBin(Key, &key))) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "GetStoreFromKey: the key is no hex text\n");
        return hr;
    }
    for (ULONG i = 0; m_rows && i < m_rows->cRows; ++i) {
        const SPropValue* recordKey = Column(m_rows->aRow[i], IDX_STORE_RECORD_KEY, PR_RECORD_KEY);
        if (recordKey && CompareSBinary(&recordKey->Value.bin, &key) == 0) {
            if (FAILED(NewStore(m_rows->aRow[i], pRet)))
                *pRet = nullptr;
            break;
        }
    }
    FreeSBinary(&key);
    return hr;
}

void CLVStores::HandleNotify(ULONG cNotif, const NOTIFICATION* notifications)
{
    TRACE_PROC("CLVStores::HandleNotify");
    for (ULONG i = 0; i < cNotif; ++i) {
        if (notifications[i].ulEventType != fnevTableModified)
            continue;
        const TABLE_NOTIFICATION& table = notifications[i].info.tab;
        switch (table.ulTableEvent) {
        case TABLE_ROW_ADDED:
            if (FAILED(AddRow(table.row)))
                TracePrint(__FILE__, __LINE__, TL_ERROR, "AddRow() failed, the store stays unknown\n");
            break;
        case TABLE_ROW_DELETED:
            DeleteStore(table.propIndex);
            break;
        default:
            break;
        }
    }
}

void CLVStores::SwitchStore(const SRow& row, bool enable)
{
    // The engine that owns this collection, not any other engine of the process.
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (!m_engine || FAILED(m_engine->get_Enabled(&enabled)) || !enabled)
        return;
    const SPropValue* recordKey = Column(row, IDX_STORE_RECORD_KEY, PR_RECORD_KEY);
    if (!recordKey)
        return;
    ComBstr key;
    if (FAILED(SBin2bstr(&recordKey->Value.bin, key.put())))
        return;
    const HRESULT hr = enable ? m_engine->EnableStore(key) : m_engine->DisableStore(key);
    if (FAILED(hr))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "%s() failed. hr=0x%08lx\n", enable ? "EnableStore" : "DisableStore",
                   hr);
}

HRESULT CLVStores::AddRow(const SRow& row)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStores::AddRow", &hr);
    const ULONG count = m_rows ? m_rows->cRows : 0;
    LPSRowSet rows = nullptr;
    LPSPropValue copy = nullptr;
    if (count >= (std::numeric_limits<ULONG>::max() - sizeof(SRowSet)) / sizeof(SRow) - 1) {
        hr = MAPI_E_NOT_ENOUGH_MEMORY;
        return hr;
    }
    hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(count + 1)), reinterpret_cast<LPVOID*>(&rows));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        return hr;
    }
    hr = ScDupPropset(static_cast<int>(row.cValues), row.lpProps, MAPIAllocateBuffer, &copy);
    if (FAILED(hr)) {
        TRACE_FAILED(ScDupPropset, hr);
        MAPIFreeBuffer(rows);
        return hr;
    }
    std::memset(rows, 0, CbNewSRowSet(count + 1));
    for (ULONG i = 0; i < count; ++i)
        rows->aRow[i] = m_rows->aRow[i];
    rows->aRow[count].cValues = row.cValues;
    rows->aRow[count].lpProps = copy;
    rows->cRows = count + 1;
    // The rows' property blocks move over; store objects keep copies of their own.
    MAPIFreeBuffer(m_rows);
    m_rows = rows;
    SwitchStore(m_rows->aRow[count], true);
    return hr;
}

void CLVStores::DeleteStore(const SPropValue& instanceKey)
{
    TRACE_PROC("CLVStores::DeleteStore");
    if (!m_rows || PROP_TYPE(instanceKey.ulPropTag) != PT_BINARY)
        return;
    for (ULONG i = 0; i < m_rows->cRows; ++i) {
        const SPropValue* key = Column(m_rows->aRow[i], IDX_STORE_INSTANCE_KEY, PR_INSTANCE_KEY);
        if (!key || CompareSBinary(&key->Value.bin, &instanceKey.Value.bin) != 0)
            continue;
        SwitchStore(m_rows->aRow[i], false);
        // The engine may have changed the rows meanwhile: find the row again.
        for (ULONG j = 0; j < m_rows->cRows; ++j) {
            key = Column(m_rows->aRow[j], IDX_STORE_INSTANCE_KEY, PR_INSTANCE_KEY);
            if (key && CompareSBinary(&key->Value.bin, &instanceKey.Value.bin) == 0) {
                MAPIFreeBuffer(m_rows->aRow[j].lpProps);
                std::memmove(&m_rows->aRow[j], &m_rows->aRow[j + 1], sizeof(SRow) * (m_rows->cRows - j - 1));
                --m_rows->cRows;
                break;
            }
        }
        return;
    }
}
