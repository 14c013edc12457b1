// HostReminders: the host's own reminders. Each store's Reminders search folder (named by the
// Inbox's PR_REM_ONLINE_ENTRYID) holds the items whose reminder is set, within the folders its
// search criteria name; an item is due when its signal time (or, without one, its reminder
// time) has come. A store whose Reminders folder searches elsewhere (an add-in pointed it at
// the Outbox) reminds of nothing.
//
// The folders' contents tables are kept open and advised: the rows are read again whenever a
// table reports a change (made here or by another process, delivered on this thread's message
// loop), and the owner is told, so that it does not have to poll for them.
#pragma once

#include "base/WinTypes.h"
#include "host/HostSession.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct DueReminder {
    Binary storeId;
    Binary entryId;
    Binary parentId; // the folder that holds the item
    std::u16string subject;
    ULONGLONG due = 0; // FILETIME as a number, UTC
};

class HostReminders {
public:
    using Changed = std::function<void()>;

    explicit HostReminders(const HostSession& session);
    HostReminders(const HostReminders&) = delete;
    HostReminders& operator=(const HostReminders&) = delete;
    ~HostReminders();

    // Opens and reads the Reminders folder of every store of the session and advises on its
    // contents table; `changed` runs on this thread's loop after a table's rows were read again.
    // A store without a usable Reminders folder is left out.
    void Watch(Changed changed);
    // Unadvises and closes the tables.
    void Close();
    std::size_t WatchedStores() const { return m_stores.size(); }

    // The items due at `now` (a FILETIME as a number), earliest first, from the rows read so far.
    std::vector<DueReminder> Due(ULONGLONG now) const;
    // The earliest reminder time later than `now`, if any.
    std::optional<ULONGLONG> NextDue(ULONGLONG now) const;

    // The same without watching: each store's folder is read now.
    static std::vector<DueReminder> Due(const HostSession& session, ULONGLONG now);

private:
    struct StoreWatch;
    class TableSink;

    void Refresh(StoreWatch& store);

    const HostSession& m_session;
    std::vector<std::unique_ptr<StoreWatch>> m_stores;
    Changed m_changed;
};

} // namespace host
