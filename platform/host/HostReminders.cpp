#include "host/HostReminders.h"

#include "com/ComPtr.h"

#include <algorithm>
#include <atomic>

namespace host {

namespace {

constexpr LONG kReminderTime = 0x8502;
constexpr LONG kSignalTime = 0x8560;

} // namespace

// The open contents table of one store's Reminders folder and the rows last read from it.
struct HostReminders::StoreWatch {
    Binary storeId;
    ComPtr<IMsgStore> store;
    ComPtr<IMAPITable> table;
    ComPtr<IMAPIAdviseSink> sink;
    ULONG connection = 0;
    ULONG signalTag = 0;
    ULONG reminderTag = 0;
    std::vector<DueReminder> items; // every item of the folder, with its reminder time
};

// Forwards a table's events to its owner; the owner may go first, so the sink is cut off then.
class HostReminders::TableSink : public IMAPIAdviseSink {
public:
    explicit TableSink(std::function<void()> onChange) : m_onChange(std::move(onChange)) {}
    virtual ~TableSink() = default;
    void Detach() { m_onChange = nullptr; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMAPIAdviseSink) {
            *ppv = static_cast<IMAPIAdviseSink*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }
    ULONG OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications) override
    {
        bool tableEvent = false;
        for (ULONG i = 0; i < cNotif; ++i)
            tableEvent = tableEvent || lpNotifications[i].ulEventType == fnevTableModified;
        if (tableEvent && m_onChange)
            m_onChange();
        return 0;
    }

private:
    std::atomic<ULONG> m_refs{1};
    std::function<void()> m_onChange;
};

HostReminders::HostReminders(const HostSession& session) : m_session(session) {}

HostReminders::~HostReminders()
{
    Close();
}

void HostReminders::Watch(Changed changed)
{
    Close();
    m_changed = std::move(changed);
    std::vector<HostSession::StoreInfo> stores;
    if (FAILED(m_session.Stores(stores)))
        return;
    for (const auto& info : stores) {
        auto watch = std::make_unique<StoreWatch>();
        watch->storeId = info.entryId;
        Binary inboxId;
        if (FAILED(m_session.OpenStore(info.entryId, watch->store)) ||
            FAILED(m_session.DefaultFolderId(watch->store.get(), 6, inboxId)))
            continue;
        IMsgStore* store = watch->store.get();
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ComPtr<IMAPIProp> inbox;
        if (FAILED(store->OpenEntry(static_cast<ULONG>(inboxId.size()), reinterpret_cast<LPENTRYID>(inboxId.data()),
                                    nullptr, 0, &type, object.put())) ||
            FAILED(object.As(inbox)))
            continue;
        const Binary remindersId = GetBinaryProp(inbox.get(), PR_REM_ONLINE_ENTRYID);
        ComPtr<IMAPIFolder> reminders;
        object = nullptr;
        if (remindersId.empty() ||
            FAILED(store->OpenEntry(static_cast<ULONG>(remindersId.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(remindersId.data())), nullptr, 0,
                                    &type, object.put())) ||
            FAILED(object.As(reminders)) || FAILED(reminders->GetContentsTable(MAPI_UNICODE, watch->table.put())))
            continue;
        // The two times are named properties of the store.
        GUID common = PSETID_Common;
        MAPINAMEID names[2] = {{&common, MNID_ID, {kSignalTime}}, {&common, MNID_ID, {kReminderTime}}};
        LPMAPINAMEID namePointers[2] = {&names[0], &names[1]};
        LPSPropTagArray ids = nullptr;
        if (FAILED(store->GetIDsFromNames(2, namePointers, MAPI_CREATE, &ids)) || !ids || ids->cValues != 2) {
            MAPIFreeBuffer(ids);
            continue;
        }
        watch->signalTag = CHANGE_PROP_TYPE(ids->aulPropTag[0], PT_SYSTIME);
        watch->reminderTag = CHANGE_PROP_TYPE(ids->aulPropTag[1], PT_SYSTIME);
        MAPIFreeBuffer(ids);
        SizedSPropTagArray(5, columns) = {
            5, {PR_ENTRYID, PR_SUBJECT_W, watch->signalTag, watch->reminderTag, PR_PARENT_ENTRYID}};
        if (FAILED(watch->table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)))
            continue;
        if (m_changed) {
            StoreWatch* raw = watch.get();
            auto* sink = new TableSink([this, raw] {
                Refresh(*raw);
                if (m_changed)
                    m_changed();
            });
            watch->sink.Attach(sink);
            if (FAILED(watch->table->Advise(fnevTableModified, sink, &watch->connection)))
                watch->connection = 0;
        }
        Refresh(*watch);
        m_stores.push_back(std::move(watch));
    }
}

void HostReminders::Close()
{
    for (auto& s : m_stores) {
        if (s->sink)
            static_cast<TableSink*>(s->sink.get())->Detach();
        if (s->connection)
            s->table->Unadvise(s->connection);
    }
    m_stores.clear();
    m_changed = nullptr;
}

void HostReminders::Refresh(StoreWatch& s)
{
    LPSRowSet rows = nullptr;
    if (FAILED(s.table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr)) || FAILED(s.table->QueryRows(0x7fffffff, 0, &rows)))
        return; // the rows read before stay
    s.items.clear();
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* p = rows->aRow[i].lpProps;
        if (rows->aRow[i].cValues < 5 || p[0].ulPropTag != PR_ENTRYID)
            continue;
        const SPropValue* time =
            p[2].ulPropTag == s.signalTag ? &p[2] : p[3].ulPropTag == s.reminderTag ? &p[3] : nullptr;
        if (!time)
            continue;
        DueReminder r;
        r.storeId = s.storeId;
        r.entryId.assign(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb);
        if (p[1].ulPropTag == PR_SUBJECT_W)
            r.subject = reinterpret_cast<const char16_t*>(p[1].Value.lpszW);
        if (p[4].ulPropTag == PR_PARENT_ENTRYID)
            r.parentId.assign(p[4].Value.bin.lpb, p[4].Value.bin.lpb + p[4].Value.bin.cb);
        r.due = (ULONGLONG(time->Value.ft.dwHighDateTime) << 32) | time->Value.ft.dwLowDateTime;
        s.items.push_back(std::move(r));
    }
    FreeProws(rows);
}

std::vector<DueReminder> HostReminders::Due(ULONGLONG now) const
{
    std::vector<DueReminder> due;
    for (const auto& s : m_stores)
        for (const DueReminder& r : s->items)
            if (r.due <= now)
                due.push_back(r);
    std::stable_sort(due.begin(), due.end(), [](const DueReminder& a, const DueReminder& b) { return a.due < b.due; });
    return due;
}

std::optional<ULONGLONG> HostReminders::NextDue(ULONGLONG now) const
{
    std::optional<ULONGLONG> next;
    for (const auto& s : m_stores)
        for (const DueReminder& r : s->items)
            if (r.due > now && (!next || r.due < *next))
                next = r.due;
    return next;
}

std::vector<DueReminder> HostReminders::Due(const HostSession& session, ULONGLONG now)
{
    HostReminders reminders(session);
    reminders.Watch(nullptr);
    return reminders.Due(now);
}

} // namespace host
