#include "ReminderListSink.h"

#include "ReminderListCtrl.h"
#include "TraceScope.h"

CReminderListSink::~CReminderListSink()
{
    RemoveSink();
}

HRESULT CReminderListSink::SetSink(IMAPITable* table, CReminderListCtrl* list)
{
    RemoveSink();
    if (!table || !list)
        return E_INVALIDARG;
    m_table = table;
    m_list = list;
    const HRESULT hr = m_table->Advise(fnevTableModified, this, &m_connection);
    if (FAILED(hr)) {
        TRACE_FAILED(Advise, hr);
        m_connection = 0;
    }
    return hr;
}

void CReminderListSink::RemoveSink()
{
    if (m_table && m_connection) {
        const HRESULT hr = m_table->Unadvise(m_connection);
        if (FAILED(hr))
            TRACE_FAILED(Unadvise, hr);
    }
    m_connection = 0;
    m_table = nullptr;
    m_list = nullptr;
}

ULONG CReminderListSink::OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications)
{
    // Holds itself: the list may remove the sink while a notification is handled.
    ComPtr<CReminderListSink> self(this);
    for (ULONG i = 0; i < cNotif && m_list; ++i) {
        const NOTIFICATION& notification = lpNotifications[i];
        if (notification.ulEventType != fnevTableModified)
            continue;
        const TABLE_NOTIFICATION& table = notification.info.tab;
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Reminder list: table event %lu\n", table.ulTableEvent);
        switch (table.ulTableEvent) {
        case TABLE_CHANGED:
        case TABLE_ERROR:
        case TABLE_RELOAD: m_list->ReloadRows(m_table.get()); break;
        case TABLE_ROW_ADDED: m_list->AddRow(&table.row); break;
        case TABLE_ROW_DELETED: m_list->RemoveRow(&table.propIndex); break;
        case TABLE_ROW_MODIFIED:
            m_list->RemoveRow(&table.propIndex);
            if (m_list)
                m_list->AddRow(&table.row);
            break;
        default: break;
        }
    }
    return 0;
}
