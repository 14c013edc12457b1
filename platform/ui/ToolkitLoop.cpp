#include "ui/ToolkitLoop.h"

#include "base/Process.h"
#include "base/WinTime.h"

#include <wx/app.h>
#include <wx/evtloop.h>

#include <algorithm>

namespace platform::ui {

namespace {

// The longest a nested wait sleeps in the toolkit before it looks at its condition again.
constexpr ULONGLONG kLongestSleep = 100;

// One step of a nested loop: the toolkit's next event (waiting at most `sleep` milliseconds),
// then the calls posted to its handlers and the windows waiting to be deleted, which the
// toolkit otherwise leaves to its idle time.
void DispatchOnce(wxGUIEventLoop& loop, unsigned long sleep)
{
    loop.DispatchTimeout(sleep);
    if (wxTheApp) {
        wxTheApp->ProcessPendingEvents();
        if (!loop.Pending())
            loop.ProcessIdle();
    }
}

} // namespace

ToolkitLoop::ToolkitLoop() : m_loop(MessageLoop::CurrentShared()), m_link(std::make_shared<Link>())
{
    m_link->owner = this;
    m_timer.SetOwner(&m_events);
    m_events.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Pump(); });
    m_loop->SetWakeHandler([link = m_link](const MessageLoop::WakeInfo& info) {
        std::lock_guard lock(link->lock);
        if (link->owner)
            link->owner->OnWake(info);
    });
    m_loop->SetToolkitWait([this](const std::function<bool()>& stop, std::optional<ULONGLONG> due) {
        WaitInToolkit(stop, due);
    });
    // Work that was there before the toolkit took over.
    QueuePump();
}

ToolkitLoop::~ToolkitLoop()
{
    {
        std::lock_guard lock(m_link->lock);
        m_link->owner = nullptr;
    }
    m_loop->SetWakeHandler(nullptr);
    m_loop->SetToolkitWait(nullptr);
    m_timer.Stop();
}

void ToolkitLoop::OnWake(const MessageLoop::WakeInfo& info)
{
    if (info.workReady) {
        QueuePump();
    } else if (info.nextTimerTick) {
        if (m_loop->isOwnerThread())
            ScheduleTimer(*info.nextTimerTick);
        else
            m_events.CallAfter([this, tick = *info.nextTimerTick] { ScheduleTimer(tick); });
    }
}

void ToolkitLoop::QueuePump()
{
    // One queued pump runs everything posted before it; more would only spin.
    if (!m_pumpQueued.exchange(true))
        m_events.CallAfter([this] { Pump(); });
}

void ToolkitLoop::Pump()
{
    m_pumpQueued = false;
    if (m_platformWaits > 0) {
        // A platform loop is waiting in the toolkit: it takes the work itself.
        m_missedPump = true;
        return;
    }
    m_loop->RunPending();
    int exitCode = 0;
    if (m_loop->TakeQuit(&exitCode)) {
        if (m_quitHandler)
            m_quitHandler(exitCode);
        else if (wxTheApp)
            wxTheApp->ExitMainLoop();
    }
    if (const auto next = m_loop->NextTimerDue())
        ScheduleTimer(*next);
}

void ToolkitLoop::ScheduleTimer(ULONGLONG tick)
{
    const ULONGLONG now = GetTickCount64();
    const int ms = tick <= now ? 1 : static_cast<int>(std::min<ULONGLONG>(tick - now, 0x7fffffff));
    m_timer.StartOnce(ms);
}

void ToolkitLoop::WaitInToolkit(const std::function<bool()>& stop, std::optional<ULONGLONG> dueTick)
{
    ++m_platformWaits;
    {
        wxGUIEventLoop nested;
        wxEventLoopActivator activate(&nested);
        while (!stop()) {
            ULONGLONG sleep = kLongestSleep;
            if (dueTick) {
                const ULONGLONG now = GetTickCount64();
                if (*dueTick <= now)
                    break;
                sleep = std::min(sleep, *dueTick - now);
            }
            DispatchOnce(nested, static_cast<unsigned long>(sleep));
        }
    }
    if (--m_platformWaits == 0 && m_missedPump) {
        m_missedPump = false;
        QueuePump();
    }
}

bool ToolkitLoop::RunUntil(const std::function<bool()>& done, std::optional<std::chrono::milliseconds> timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = timeout ? std::optional(Clock::now() + *timeout) : std::nullopt;
    wxGUIEventLoop nested;
    wxEventLoopActivator activate(&nested);
    for (;;) {
        if (done && done())
            return true;
        unsigned long sleep = kLongestSleep;
        if (deadline) {
            const auto left = *deadline - Clock::now();
            if (left <= Clock::duration::zero())
                return false;
            sleep = std::min<unsigned long>(
                sleep, static_cast<unsigned long>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        }
        DispatchOnce(nested, sleep);
    }
}

void ToolkitLoop::RunFor(std::chrono::milliseconds duration)
{
    RunUntil(nullptr, duration);
}

} // namespace platform::ui
