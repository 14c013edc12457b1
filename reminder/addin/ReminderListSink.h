// CReminderListSink: the reminder list's own sink on the back folder's restricted associated
// contents: added, deleted and modified rows reach the list one by one, anything else (a
// changed or failed table, a reload) makes the list read all rows again.
//
// The list is held by an uncounted pointer: the list owns the sink and removes it before it
// goes.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "mapi/Mapi.h"

class CReminderListCtrl;

class CReminderListSink : public ComObject<CReminderListSink, IMAPIAdviseSink> {
public:
    CReminderListSink() = default;
    ~CReminderListSink() override;

    // Keeps the table and advises it for fnevTableModified.
    HRESULT SetSink(IMAPITable* table, CReminderListCtrl* list);
    void RemoveSink();

    ULONG STDMETHODCALLTYPE OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications) override;

private:
    CReminderListCtrl* m_list = nullptr; // not counted
    ComPtr<IMAPITable> m_table;
    ULONG m_connection = 0;
};
