// What the reminder benchmarks share over their stores: opening an entry as an interface, a
// binary property, a logon to the benchmark's profile and a run of the pending notifications.
// A failure ends the benchmark at once: its figures would mean nothing.
#pragma once

#include "MapiBuffer.h"
#include "base/MessageLoop.h"
#include "mapi/Mapi.h"

#include <cstdlib>
#include <vector>

namespace reminder_bench {

template <class T>
ComPtr<T> OpenAs(IMsgStore* store, const std::vector<BYTE>& id, ULONG flags = MAPI_MODIFY)
{
    ULONG type = 0;
    ComPtr<IUnknown> unknown;
    ComPtr<T> out;
    if (FAILED(store->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())),
                                nullptr, flags, &type, unknown.put())) ||
        FAILED(unknown.As(out)))
        std::abort();
    return out;
}

inline std::vector<BYTE> Binary(IMAPIProp* object, ULONG tag)
{
    CMapiBuffer<SPropValue> v;
    if (FAILED(HrGetOneProp(object, tag, v.put())))
        std::abort();
    return std::vector<BYTE>(v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
}

// A session of its own on the named profile.
inline ComPtr<IMAPISession> LogOn(const char* profile)
{
    ComPtr<IMAPISession> session;
    if (FAILED(MAPILogonEx(0, const_cast<char*>(profile), nullptr,
                           MAPI_EXTENDED | MAPI_NO_MAIL | MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE, session.put())))
        std::abort();
    return session;
}

// Delivers the notifications and runs what they posted, until nothing is left (or 50 turns).
inline void Pump()
{
    auto& loop = platform::MessageLoop::Current();
    for (int i = 0; i < 50; ++i) {
        HrDispatchNotifications(0);
        if (loop.RunPending() == 0)
            break;
    }
}

} // namespace reminder_bench
