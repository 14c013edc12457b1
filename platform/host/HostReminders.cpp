#include "host/HostReminders.h"

#include <algorithm>

namespace host {

namespace {

constexpr LONG kReminderTime = 0x8502;
constexpr LONG kSignalTime = 0x8560;

void StoreDue(const HostSession& session, const HostSession::StoreInfo& info, ULONGLONG now,
              std::vector<DueReminder>& due)
{
    ComPtr<IMsgStore> store;
    Binary inboxId;
    if (FAILED(session.OpenStore(info.entryId, store)) || FAILED(session.DefaultFolderId(store.get(), 6, inboxId)))
        return;
    ULONG type = 0;
    ComPtr<IUnknown> object;
    ComPtr<IMAPIProp> inbox;
    if (FAILED(store->OpenEntry(static_cast<ULONG>(inboxId.size()), reinterpret_cast<LPENTRYID>(inboxId.data()),
                                nullptr, 0, &type, object.put())) ||
        FAILED(object.As(inbox)))
        return;
    const Binary remindersId = GetBinaryProp(inbox.get(), PR_REM_ONLINE_ENTRYID);
    ComPtr<IMAPIFolder> reminders;
    ComPtr<IMAPITable> table;
    object = nullptr;
    if (remindersId.empty() ||
        FAILED(store->OpenEntry(static_cast<ULONG>(remindersId.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(remindersId.data())), nullptr, 0, &type,
                                object.put())) ||
        FAILED(object.As(reminders)) || FAILED(reminders->GetContentsTable(MAPI_UNICODE, table.put())))
        return;
    // The two times are named properties of the store.
    GUID common = PSETID_Common;
    MAPINAMEID names[2] = {{&common, MNID_ID, {kSignalTime}}, {&common, MNID_ID, {kReminderTime}}};
    LPMAPINAMEID namePointers[2] = {&names[0], &names[1]};
    LPSPropTagArray ids = nullptr;
    if (FAILED(store->GetIDsFromNames(2, namePointers, MAPI_CREATE, &ids)) || !ids || ids->cValues != 2) {
        MAPIFreeBuffer(ids);
        return;
    }
    const ULONG signalTag = CHANGE_PROP_TYPE(ids->aulPropTag[0], PT_SYSTIME);
    const ULONG reminderTag = CHANGE_PROP_TYPE(ids->aulPropTag[1], PT_SYSTIME);
    MAPIFreeBuffer(ids);
    SizedSPropTagArray(4, columns) = {4, {PR_ENTRYID, PR_SUBJECT_W, signalTag, reminderTag}};
    LPSRowSet rows = nullptr;
    if (FAILED(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows)))
        return;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* p = rows->aRow[i].lpProps;
        if (p[0].ulPropTag != PR_ENTRYID)
            continue;
        const SPropValue* time = p[2].ulPropTag == signalTag ? &p[2] : p[3].ulPropTag == reminderTag ? &p[3] : nullptr;
        if (!time)
            continue;
        const ULONGLONG at = (ULONGLONG(time->Value.ft.dwHighDateTime) << 32) | time->Value.ft.dwLowDateTime;
        if (at > now)
            continue;
        DueReminder r;
        r.storeId = info.entryId;
        r.entryId.assign(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb);
        if (p[1].ulPropTag == PR_SUBJECT_W)
            r.subject = reinterpret_cast<const char16_t*>(p[1].Value.lpszW);
        r.due = at;
        due.push_back(std::move(r));
    }
    FreeProws(rows);
}

} // namespace

std::vector<DueReminder> HostReminders::Due(const HostSession& session, ULONGLONG now)
{
    std::vector<DueReminder> due;
    std::vector<HostSession::StoreInfo> stores;
    if (FAILED(session.Stores(stores)))
        return due;
    for (const auto& s : stores)
        StoreDue(session, s, now, due);
    std::stable_sort(due.begin(), due.end(), [](const DueReminder& a, const DueReminder& b) { return a.due < b.due; });
    return due;
}

} // namespace host
