#include "BackFolderSink.h"

#include "BackFolder.h"
#include "BackFolderItem.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "TraceScope.h"

namespace {

// Columns of the sink's table, in this order.
enum SinkColumn : ULONG { COL_ENTRYID, COL_SUBJECT, COL_SIGNAL_TIME, COL_REMINDER_SET, SINK_COLUMN_COUNT };

constexpr ULONG kBatch = 20;

} // namespace

CBackFolderSink::~CBackFolderSink()
{
    RemoveSink();
}

HRESULT CBackFolderSink::SetSink(IReminderEngine* engine, ILVFolder* backFolder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CBackFolderSink::SetSink", &hr);
    ComPtr<IUnknown> unknown;
    CMapiBuffer<SPropValue> supportMask;
    CMapiBuffer<SPropTagArray> named;
    CMapiBuffer<SRestriction> restriction;
    bool unicode = false;
    SizedSPropTagArray(SINK_COLUMN_COUNT, columns) = {SINK_COLUMN_COUNT,
                                                       {PR_ENTRYID, PR_SUBJECT_A, PR_NULL, PR_NULL}};
    const NamedProp names[] = {{&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME},
                               {&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN}};
    RemoveSink();
    if (!engine || !backFolder) {
        hr = E_INVALIDARG;
        goto Exit;
    }
    m_engine = engine;
    hr = backFolder->get_MAPIFolder(unknown.put());
    if (SUCCEEDED(hr) && !unknown)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(get_MAPIFolder, hr);
        goto Exit;
    }
    hr = unknown.As(m_folder);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        goto Exit;
    }
    // A folder that does not tell its store's abilities is read in 8-bit text.
    if (SUCCEEDED(HrGetOneProp(m_folder.get(), PR_STORE_SUPPORT_MASK, supportMask.put())))
        unicode = (supportMask->Value.l & STORE_UNICODE_OK) != 0;
    hr = ResolveNamedProps(m_folder.get(), names, MAPI_CREATE, named.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        goto Exit;
    }
    hr = S_OK;
    columns.aulPropTag[COL_SIGNAL_TIME] = named->aulPropTag[0];
    columns.aulPropTag[COL_REMINDER_SET] = named->aulPropTag[1];
    hr = m_folder->GetContentsTable(MAPI_ASSOCIATED | (unicode ? MAPI_UNICODE : 0), m_table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        goto Exit;
    }
    hr = m_table->Advise(fnevTableModified, this, &m_connection);
    if (FAILED(hr)) {
        TRACE_FAILED(Advise, hr);
        m_connection = 0;
        goto Exit;
    }
    AdjustPropTagArrayCharSet(reinterpret_cast<LPSPropTagArray>(&columns), unicode);
    hr = m_table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(SetColumns, hr);
        goto Exit;
    }
    hr = GetBackFolderRestriction(m_folder.get(), restriction.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetBackFolderRestriction, hr);
        goto Exit;
    }
    hr = m_table->Restrict(restriction.get(), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(Restrict, hr);
        goto Exit;
    }
    hr = ReloadTable();
    if (FAILED(hr))
        TRACE_FAILED(ReloadTable, hr);
Exit:
    if (FAILED(hr))
        RemoveSink();
    return hr;
}

void CBackFolderSink::RemoveSink()
{
    TRACE_PROC("CBackFolderSink::RemoveSink");
    if (m_table && m_connection) {
        const HRESULT hr = m_table->Unadvise(m_connection);
        if (FAILED(hr))
            TRACE_FAILED(Unadvise, hr);
    }
    m_connection = 0;
    m_table = nullptr;
    m_folder = nullptr;
    m_engine = nullptr;
}

ULONG CBackFolderSink::OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications)
{
    TRACE_PROC("CBackFolderSink::OnNotify");
    bool reload = false;
    for (ULONG i = 0; lpNotifications && i < cNotif; ++i) {
        if (lpNotifications[i].ulEventType != fnevTableModified)
            continue;
        switch (lpNotifications[i].info.tab.ulTableEvent) {
        case TABLE_CHANGED:
        case TABLE_ROW_ADDED:
        case TABLE_ROW_DELETED:
        case TABLE_ROW_MODIFIED:
        case TABLE_RESTRICT_DONE:
        case TABLE_RELOAD:
            reload = true;
            break;
        default: // TABLE_ERROR, TABLE_SORT_DONE, TABLE_SETCOL_DONE
            break;
        }
    }
    // Each reload reads every copy: once for the whole batch is enough.
    if (reload && m_table)
        ReloadTable();
    return 0;
}

HRESULT CBackFolderSink::ReloadTable()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CBackFolderSink::ReloadTable", &hr);
    if (!m_table || !m_engine) {
        hr = MAPI_E_NOT_INITIALIZED;
        return hr;
    }
    ++m_reloads;
    hr = m_table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(SeekRow, hr);
        return hr;
    }
    m_engine->SetNextReminder(0);
    for (;;) {
        LPSRowSet rows = nullptr;
        hr = m_table->QueryRows(kBatch, 0, &rows);
        if (FAILED(hr)) {
            TRACE_FAILED(QueryRows, hr);
            break;
        }
        const ULONG count = rows ? rows->cRows : 0;
        for (ULONG i = 0; i < count; ++i) {
            const SRow& row = rows->aRow[i];
            if (row.cValues < SINK_COLUMN_COUNT)
                continue;
            const SPropValue& signal = row.lpProps[COL_SIGNAL_TIME];
            const SPropValue& set = row.lpProps[COL_REMINDER_SET];
            if (PROP_TYPE(signal.ulPropTag) == PT_SYSTIME && PROP_TYPE(set.ulPropTag) == PT_BOOLEAN && set.Value.b)
                m_engine->SetNextReminder(reinterpret_cast<LONG_PTR>(&signal.Value.ft));
        }
        FreeRowSet(&rows);
        if (count == 0)
            break;
    }
    return hr;
}
