// The platform message loop of the GUI thread run inside the toolkit's event loop: posted
// messages and tasks, window timers, calls sent from other threads and MAPI notifications are
// taken from the toolkit's loop, also while a modal dialog or message box runs its own nested
// loop; and a platform loop run inside the toolkit (a modal GetMessageA loop, RunUntil) waits in
// the toolkit's events rather than blocking them.
#pragma once

#include "base/MessageLoop.h"

#include <wx/event.h>
#include <wx/timer.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace platform::ui {

class ToolkitLoop {
public:
    // On the GUI thread, once the toolkit has started.
    ToolkitLoop();
    ~ToolkitLoop();
    ToolkitLoop(const ToolkitLoop&) = delete;
    ToolkitLoop& operator=(const ToolkitLoop&) = delete;

    // What happens to a quit request of the platform loop (PostQuitMessage) that no platform
    // loop takes: the handler gets the exit code. By default the toolkit's main loop ends.
    void SetQuitHandler(std::function<void(int exitCode)> handler) { m_quitHandler = std::move(handler); }

    // Runs the toolkit's events (and with them the platform loop's work) in a nested loop until
    // `done` returns true (true) or the time-out passes (false).
    bool RunUntil(const std::function<bool()>& done,
                  std::optional<std::chrono::milliseconds> timeout = std::nullopt);
    // Runs the events for this long of real time.
    void RunFor(std::chrono::milliseconds duration);

    MessageLoop& Loop() const { return *m_loop; }

private:
    // Shared with the wake handler, which other threads may call while this object ends.
    struct Link {
        std::mutex lock;
        ToolkitLoop* owner = nullptr;
    };

    void OnWake(const MessageLoop::WakeInfo& info);
    void QueuePump();
    void Pump();
    void ScheduleTimer(ULONGLONG tick);
    void WaitInToolkit(const std::function<bool()>& stop, std::optional<ULONGLONG> dueTick);

    std::shared_ptr<MessageLoop> m_loop;
    std::shared_ptr<Link> m_link;
    wxEvtHandler m_events;
    wxTimer m_timer;
    std::atomic<bool> m_pumpQueued{false};
    int m_platformWaits = 0;  // platform loops waiting in the toolkit right now
    bool m_missedPump = false; // a pump came while one did
    std::function<void(int)> m_quitHandler;
};

} // namespace platform::ui
