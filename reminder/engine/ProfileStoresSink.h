// CProfileStoresSink: the advise sink of the session's message-store table. It forwards the
// table's notifications to the store collection that owns it; the table's advise holds the
// only lasting reference to it, and the collection clears the owner before it unadvises.
#pragma once

#include "ReminderObject.h"

class CLVStores;

class CProfileStoresSink : public ComObject<CProfileStoresSink, IMAPIAdviseSink> {
public:
    CProfileStoresSink();
    ~CProfileStoresSink() override;

    void SetOwner(CLVStores* owner) { m_owner = owner; }

    ULONG OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications) override;

private:
    CLVStores* m_owner = nullptr; // not counted
};
