// HostReminders: the host's own reminders. Each store's Reminders search folder (named by the
// Inbox's PR_REM_ONLINE_ENTRYID) holds the items whose reminder is set, within the folders its
// search criteria name; an item is due when its signal time (or, without one, its reminder
// time) has come. A store whose Reminders folder searches elsewhere (an add-in pointed it at
// the Outbox) reminds of nothing.
#pragma once

#include "base/WinTypes.h"
#include "host/HostSession.h"

#include <string>
#include <vector>

namespace host {

struct DueReminder {
    Binary storeId;
    Binary entryId;
    std::u16string subject;
    ULONGLONG due = 0; // FILETIME as a number, UTC
};

class HostReminders {
public:
    // The items due at `now` (a FILETIME as a number), earliest first.
    static std::vector<DueReminder> Due(const HostSession& session, ULONGLONG now);
};

} // namespace host
