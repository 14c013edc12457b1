#include "ProfileStoresSink.h"

#include "LVStores.h"

CProfileStoresSink::CProfileStoresSink()
{
    TRACE_CTOR("CProfileStoresSink");
}

CProfileStoresSink::~CProfileStoresSink()
{
    TRACE_DTOR("CProfileStoresSink");
}

ULONG CProfileStoresSink::OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications)
{
    if (m_owner && lpNotifications) {
        // The owner may lose its last other holder inside (an engine that lets go of it).
        ComPtr<ILVStores> hold(m_owner);
        m_owner->HandleNotify(cNotif, lpNotifications);
    }
    return 0;
}
