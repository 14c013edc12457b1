// RemindersFrame: the host's reminders window, a view over RemindersWindow: the due reminders
// (subject, due time, folder) and the Dismiss and Snooze buttons for the selected one.
#pragma once

#include "host/RemindersWindow.h"

#include "ui/WindowBinding.h"

#include <memory>

#include <wx/frame.h>
#include <wx/listctrl.h>

#include <functional>
#include <ostream>

class RemindersFrame : public wxFrame {
public:
    static constexpr ULONG kSnoozeMinutes = 5;

    RemindersFrame(const host::HostSession& session, const host::HostReminders& reminders, std::ostream& out,
                   std::function<void()> onClosed);
    // Reads the due reminders again and shows them.
    void Reload();

private:
    void ShowRows();
    void OnDismiss();
    void OnSnooze();
    long Selected() const;

    host::RemindersWindow m_logic;
    std::ostream& m_out;
    std::function<void()> m_onClosed;
    wxListCtrl* m_list = nullptr;
    // The platform window the program and scripts know this window by.
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
};
