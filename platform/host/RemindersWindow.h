// RemindersWindow: what the host's reminders window shows and what its buttons do, without a
// display. It lists the due reminders (subject, due time, folder); Dismiss clears the item's
// reminder, Snooze moves its signal time on. The window view and the tests both drive it.
#pragma once

#include "host/DialogHooks.h"
#include "host/HostReminders.h"
#include "host/HostSession.h"

#include <string>
#include <vector>

namespace host {

class RemindersWindow {
public:
    struct Row {
        DueReminder reminder;
        std::u16string folder; // display name of the folder that holds the item
    };

    RemindersWindow(const HostSession& session, const HostReminders& reminders);

    // The window as a dialog hook sees it when it opens ("Reminders"): its list and buttons.
    static const char* Title() { return "Reminders"; }
    static std::vector<DialogChild> HookChildren();

    // Reads the due reminders again (at `now`, a FILETIME as a number).
    void Refresh(ULONGLONG now);
    const std::vector<Row>& Rows() const { return m_rows; }
    // The row's due time as local "YYYY-MM-DD HH:MM".
    static std::string DueText(const Row& row);

    // Clears the reminder of the row's item (its reminder-set flag) and drops the row.
    // E_INVALIDARG for a row that does not exist.
    HRESULT Dismiss(std::size_t index);
    // Reminds of the row's item again `minutes` after `now` (its signal time) and drops the row.
    HRESULT Snooze(std::size_t index, ULONG minutes, ULONGLONG now);

private:
    // Opens the row's item for writing, and the tag of a named property of its store.
    HRESULT OpenItem(const Row& row, ComPtr<IMessage>& message, LONG namedId, ULONG type, ULONG& tag) const;

    const HostSession& m_session;
    const HostReminders& m_reminders;
    std::vector<Row> m_rows;
};

} // namespace host
