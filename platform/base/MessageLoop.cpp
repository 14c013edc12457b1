#include "base/MessageLoop.h"

#include "base/Clock.h"
#include "base/ManualClock.h"
#include "base/Process.h"
#include "base/SystemClock.h"
#include "base/Window.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <unordered_map>

namespace platform {

namespace {

// Loops by thread id. Never destroyed: threads may still post while the process ends.
struct LoopTable {
    std::mutex lock;
    std::unordered_map<DWORD, std::weak_ptr<MessageLoop>> loops;
};

LoopTable& Loops()
{
    static auto* table = new LoopTable;
    return *table;
}

// Ids of thread timers and of the loops' own timers, unique in the process.
std::atomic<UINT_PTR> g_nextTimerId{1};

ULONGLONG Now()
{
    return ActiveClock()->tickCount();
}

// With the system clock a wait can last until the next timer; with any other clock the
// time may jump while we wait, so we look again soon.
bool ClockIsReal()
{
    return dynamic_cast<SystemClock*>(ActiveClock().get()) != nullptr;
}

constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

} // namespace

struct MessageLoop::SentCall {
    std::function<LRESULT()> call;
    std::shared_ptr<MessageLoop> sender; // whose condition variable to signal; null: none waits there
    LRESULT result = 0;
    bool done = false; // guarded by the sender's mutex (or by `ownLock` without a sender)
    bool delivered = false;
    std::mutex ownLock;
    std::condition_variable ownWake;
};

// Owns the thread's loop; its destruction at thread exit shuts the loop down.
struct LoopHolder {
    std::shared_ptr<MessageLoop> loop;
    ~LoopHolder()
    {
        if (loop)
            loop->Shutdown();
    }
};

namespace {
thread_local LoopHolder t_holder;
thread_local std::uint64_t t_turns = 0;
}

std::uint64_t MessageLoop::TurnsOfThisThread() { return t_turns; }

MessageLoop::MessageLoop(DWORD threadId) : m_threadId(threadId) {}

MessageLoop::~MessageLoop() = default;

MessageLoop& MessageLoop::Current()
{
    return *CurrentShared();
}

std::shared_ptr<MessageLoop> MessageLoop::CurrentShared()
{
    if (!t_holder.loop) {
        const DWORD id = GetCurrentThreadId();
        t_holder.loop = std::shared_ptr<MessageLoop>(new MessageLoop(id));
        auto& table = Loops();
        std::lock_guard lock(table.lock);
        table.loops[id] = t_holder.loop;
    }
    return t_holder.loop;
}

std::shared_ptr<MessageLoop> MessageLoop::ForThread(DWORD threadId)
{
    auto& table = Loops();
    std::lock_guard lock(table.lock);
    const auto it = table.loops.find(threadId);
    return it == table.loops.end() ? nullptr : it->second.lock();
}

bool MessageLoop::isOwnerThread() const
{
    return GetCurrentThreadId() == m_threadId;
}

void MessageLoop::Shutdown()
{
    {
        auto& table = Loops();
        std::lock_guard lock(table.lock);
        const auto it = table.loops.find(m_threadId);
        if (it != table.loops.end() && it->second.lock().get() == this)
            table.loops.erase(it);
    }
    std::deque<Item> posted;
    std::deque<std::shared_ptr<SentCall>> sent;
    std::map<std::pair<HWND, UINT_PTR>, Timer> timers;
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        posted.swap(m_posted);
        sent.swap(m_sent);
        timers.swap(m_timers);
        m_wakeHandler = nullptr;
    }
    m_toolkitWait = nullptr;
    for (const auto& call : sent)
        CompleteSent(call, 0, false);
    ForgetWindowsOfThread(m_threadId);
    // The tasks and timer callbacks are destroyed here, outside the lock.
}

// --- Posting ------------------------------------------------------------------------------------

bool MessageLoop::PostTask(Task task)
{
    if (!task)
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return false;
        Item item;
        item.seq = m_nextSeq++;
        item.task = std::move(task);
        m_posted.push_back(std::move(item));
        ++m_generation;
    }
    m_wake.notify_all();
    NotifyWake(true);
    return true;
}

bool MessageLoop::PostMsg(MSG msg)
{
    msg.time = static_cast<DWORD>(Now());
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return false;
        Item item;
        item.seq = m_nextSeq++;
        item.msg = msg;
        m_posted.push_back(std::move(item));
        ++m_generation;
    }
    m_wake.notify_all();
    NotifyWake(true);
    return true;
}

void MessageLoop::Quit(int exitCode)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        m_quitPending = true;
        m_exitCode = exitCode;
        ++m_generation;
    }
    m_wake.notify_all();
    NotifyWake(true);
}

void MessageLoop::SetWakeHandler(WakeHandler handler)
{
    std::lock_guard lock(m_mutex);
    m_wakeHandler = std::move(handler);
}

void MessageLoop::SetToolkitWait(ToolkitWait wait)
{
    m_toolkitWait = std::move(wait);
}

void MessageLoop::NotifyWake(bool workPosted)
{
    WakeHandler handler;
    WakeInfo info;
    {
        std::lock_guard lock(m_mutex);
        if (!m_wakeHandler)
            return;
        handler = m_wakeHandler;
        info.workReady = workPosted || !m_posted.empty() || !m_sent.empty() || m_quitPending;
        info.nextTimerTick = NextDueLocked();
    }
    handler(info);
}

// --- Sent calls ---------------------------------------------------------------------------------

void MessageLoop::CompleteSent(const std::shared_ptr<SentCall>& call, LRESULT result, bool delivered)
{
    if (call->sender) {
        {
            std::lock_guard lock(call->sender->m_mutex);
            call->result = result;
            call->delivered = delivered;
            call->done = true;
            ++call->sender->m_generation;
        }
        call->sender->m_wake.notify_all();
    } else {
        {
            std::lock_guard lock(call->ownLock);
            call->result = result;
            call->delivered = delivered;
            call->done = true;
        }
        call->ownWake.notify_all();
    }
}

bool MessageLoop::RunOneSent()
{
    std::shared_ptr<SentCall> call;
    {
        std::lock_guard lock(m_mutex);
        if (m_sent.empty())
            return false;
        call = std::move(m_sent.front());
        m_sent.pop_front();
    }
    LRESULT result = 0;
    try {
        result = call->call();
    } catch (...) {
        // The sender must not wait forever for a call that failed here.
        CompleteSent(call, 0, true);
        throw;
    }
    CompleteSent(call, result, true);
    return true;
}

LRESULT MessageLoop::SendTask(std::function<LRESULT()> call, bool* delivered)
{
    if (delivered)
        *delivered = false;
    if (!call)
        return 0;
    if (isOwnerThread()) {
        if (delivered)
            *delivered = true;
        return call();
    }
    auto sent = std::make_shared<SentCall>();
    sent->call = std::move(call);
    // The caller's own loop, so that calls sent to it run while it waits. It exists only when
    // the calling thread is not ending.
    sent->sender = t_holder.loop ? t_holder.loop : CurrentShared();
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return 0;
        m_sent.push_back(sent);
        ++m_generation;
    }
    m_wake.notify_all();
    NotifyWake(true);

    MessageLoop& self = *sent->sender;
    for (;;) {
        {
            std::unique_lock lock(self.m_mutex);
            self.m_wake.wait(lock, [&] { return sent->done || !self.m_sent.empty(); });
            if (sent->done)
                break;
        }
        self.RunOneSent();
    }
    if (delivered)
        *delivered = sent->delivered;
    return sent->result;
}

// --- Timers -------------------------------------------------------------------------------------

UINT_PTR MessageLoop::StartTimer(DWORD elapse, TimerCallback callback, TimerRepeat repeat)
{
    if (!callback)
        return 0;
    Timer timer;
    timer.id = g_nextTimerId.fetch_add(1);
    timer.elapse = std::max<ULONGLONG>(elapse, repeat == TimerRepeat::Periodic ? 1 : 0);
    timer.due = Now() + timer.elapse;
    timer.callback = std::move(callback);
    timer.periodic = repeat == TimerRepeat::Periodic;
    const UINT_PTR id = timer.id;
    {
        std::lock_guard lock(m_mutex);
        timer.order = ++m_timerOrder;
        m_timers[{nullptr, id}] = std::move(timer);
        ++m_generation;
    }
    NotifyWake(false);
    return id;
}

bool MessageLoop::StopTimer(UINT_PTR id)
{
    Timer removed; // its callback is destroyed outside the lock
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_timers.find({nullptr, id});
        if (it == m_timers.end() || !it->second.callback)
            return false;
        removed = std::move(it->second);
        m_timers.erase(it);
        ++m_generation;
    }
    NotifyWake(false);
    return true;
}

UINT_PTR MessageLoop::SetWindowTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    const ULONGLONG period = std::clamp<ULONGLONG>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    UINT_PTR result = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!hwnd) {
            const auto existing = m_timers.find({nullptr, id});
            if (id == 0 || existing == m_timers.end() || existing->second.callback)
                id = g_nextTimerId.fetch_add(1);
        }
        Timer& timer = m_timers[{hwnd, id}];
        timer.hwnd = hwnd;
        timer.id = id;
        timer.elapse = period;
        timer.due = Now() + period;
        timer.proc = proc;
        timer.periodic = true;
        timer.order = ++m_timerOrder;
        ++m_generation;
        result = hwnd && id == 0 ? 1 : id;
    }
    m_wake.notify_all();
    NotifyWake(false);
    return result;
}

bool MessageLoop::KillWindowTimer(HWND hwnd, UINT_PTR id)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_timers.find({hwnd, id});
        if (it == m_timers.end() || it->second.callback)
            return false;
        m_timers.erase(it);
        ++m_generation;
    }
    NotifyWake(false);
    return true;
}

void MessageLoop::ForgetWindow(HWND hwnd)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_timers, [hwnd](const auto& entry) { return entry.first.first == hwnd; });
    std::erase_if(m_posted, [hwnd](const Item& item) { return !item.task && item.msg.hwnd == hwnd; });
    ++m_generation;
}

std::optional<ULONGLONG> MessageLoop::NextDueLocked(const Filter* filter) const
{
    std::optional<ULONGLONG> due;
    for (const auto& [key, timer] : m_timers)
        if ((!filter || filter->takesTimer(timer.hwnd, static_cast<bool>(timer.callback))) && (!due || timer.due < *due))
            due = timer.due;
    return due;
}

std::optional<ULONGLONG> MessageLoop::NextTimerDue() const
{
    std::lock_guard lock(m_mutex);
    return NextDueLocked();
}

bool MessageLoop::HasPendingWork() const
{
    std::lock_guard lock(m_mutex);
    return !m_posted.empty() || !m_sent.empty() || m_quitPending;
}

bool MessageLoop::QuitPending() const
{
    std::lock_guard lock(m_mutex);
    return m_quitPending;
}

bool MessageLoop::TakeQuit(int* exitCode)
{
    std::lock_guard lock(m_mutex);
    if (!m_quitPending)
        return false;
    m_quitPending = false;
    if (exitCode)
        *exitCode = m_exitCode;
    return true;
}

// --- Taking work --------------------------------------------------------------------------------

bool MessageLoop::Filter::matchesWindow(HWND h) const
{
    if (hwnd == nullptr)
        return true;
    if (hwnd == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)))
        return h == nullptr;
    return h == hwnd;
}

MessageLoop::Step MessageLoop::StepOnce(const Filter& filter, bool remove, bool consumeQuit, std::uint64_t seqLimit,
                                        ULONGLONG timerNow, MSG* out, std::uint64_t* generation)
{
    ++t_turns;
    if (RunOneSent())
        return Step::RanInline;

    std::unique_lock lock(m_mutex);
    if (generation)
        *generation = m_generation;

    for (auto it = m_posted.begin(); it != m_posted.end() && it->seq <= seqLimit; ++it) {
        if (it->task) {
            if (!filter.any())
                continue;
            Task task = std::move(it->task);
            m_posted.erase(it);
            lock.unlock();
            task();
            return Step::RanInline;
        }
        if (filter.matchesWindow(it->msg.hwnd) && filter.matchesMessage(it->msg.message)) {
            *out = it->msg;
            if (remove)
                m_posted.erase(it);
            return Step::Message;
        }
    }

    if (m_quitPending) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(m_exitCode);
        out->time = static_cast<DWORD>(timerNow);
        if (consumeQuit && remove)
            m_quitPending = false;
        return Step::Quit;
    }

    // The earliest due timer that the filter lets through.
    Timer* next = nullptr;
    for (auto& [key, timer] : m_timers) {
        if (timer.due > timerNow)
            continue;
        if (!filter.takesTimer(timer.hwnd, static_cast<bool>(timer.callback)))
            continue;
        if (!next || timer.due < next->due || (timer.due == next->due && timer.order < next->order))
            next = &timer;
    }
    if (!next)
        return Step::Nothing;

    if (next->callback) {
        TimerCallback callback = next->callback;
        if (next->periodic)
            next->due = Now() + next->elapse;
        else
            m_timers.erase({next->hwnd, next->id});
        lock.unlock();
        callback();
        return Step::RanInline;
    }
    *out = MSG{};
    out->hwnd = next->hwnd;
    out->message = WM_TIMER;
    out->wParam = next->id;
    out->lParam = reinterpret_cast<LPARAM>(next->proc);
    out->time = static_cast<DWORD>(timerNow);
    // One WM_TIMER stands for all the periods that passed: the timer starts a new period now.
    if (remove)
        next->due = Now() + next->elapse;
    return Step::Message;
}

void MessageLoop::WaitForWork(std::uint64_t seenGeneration, const Filter& filter)
{
    const bool realClock = ClockIsReal();
    if (m_toolkitWait) {
        // Copied: the wait may run code that installs another one.
        const ToolkitWait wait = m_toolkitWait;
        std::optional<ULONGLONG> due;
        {
            std::lock_guard lock(m_mutex);
            if (m_generation != seenGeneration || !m_sent.empty())
                return;
            due = NextDueLocked(&filter);
        }
        if (due && !realClock)
            due = std::min<ULONGLONG>(*due, Now() + 10);
        wait(
            [this, seenGeneration] {
                std::lock_guard lock(m_mutex);
                return m_generation != seenGeneration || !m_sent.empty();
            },
            due);
        return;
    }
    std::unique_lock lock(m_mutex);
    if (m_generation != seenGeneration || !m_sent.empty())
        return;
    const auto due = NextDueLocked(&filter);
    if (!due) {
        m_wake.wait(lock, [&] { return m_generation != seenGeneration || !m_sent.empty(); });
        return;
    }
    const ULONGLONG now = Now();
    if (*due <= now)
        return;
    ULONGLONG wait = *due - now;
    if (!realClock)
        wait = std::min<ULONGLONG>(wait, 10);
    m_wake.wait_for(lock, std::chrono::milliseconds(wait),
                    [&] { return m_generation != seenGeneration || !m_sent.empty(); });
}

void MessageLoop::Dispatch(const MSG& msg)
{
    DispatchMessageA(&msg);
}

int MessageLoop::Run()
{
    const Filter all;
    for (;;) {
        MSG msg;
        std::uint64_t generation = 0;
        switch (StepOnce(all, true, true, kNoLimit, Now(), &msg, &generation)) {
        case Step::Message: Dispatch(msg); break;
        case Step::RanInline: break;
        case Step::Quit: return static_cast<int>(msg.wParam);
        case Step::Nothing: WaitForWork(generation, all); break;
        }
    }
}

bool MessageLoop::RunUntil(const std::function<bool()>& done)
{
    const Filter all;
    for (;;) {
        if (done && done())
            return true;
        MSG msg;
        std::uint64_t generation = 0;
        switch (StepOnce(all, true, false, kNoLimit, Now(), &msg, &generation)) {
        case Step::Message: Dispatch(msg); break;
        case Step::RanInline: break;
        case Step::Quit: return false;
        case Step::Nothing: WaitForWork(generation, all); break;
        }
    }
}

std::size_t MessageLoop::RunPending()
{
    std::uint64_t limit;
    {
        std::lock_guard lock(m_mutex);
        limit = m_nextSeq - 1;
    }
    const ULONGLONG now = Now();
    const Filter all;
    std::size_t count = 0;
    for (bool more = true; more;) {
        MSG msg;
        switch (StepOnce(all, true, false, limit, now, &msg, nullptr)) {
        case Step::Message: Dispatch(msg); ++count; break;
        case Step::RanInline: ++count; break;
        case Step::Quit:
        case Step::Nothing: more = false; break;
        }
    }
    NotifyWake(false);
    return count;
}

bool MessageLoop::PumpOnce()
{
    MSG msg;
    bool ran = false;
    switch (StepOnce(Filter{}, true, false, kNoLimit, Now(), &msg, nullptr)) {
    case Step::Message: Dispatch(msg); ran = true; break;
    case Step::RanInline: ran = true; break;
    case Step::Quit:
    case Step::Nothing: break;
    }
    NotifyWake(false);
    return ran;
}

void MessageLoop::AdvanceAndRun(ManualClock& clock, ULONGLONG milliseconds)
{
    const ULONGLONG target = clock.tickCount() + milliseconds;
    RunPending();
    for (;;) {
        const auto due = NextTimerDue();
        const ULONGLONG now = clock.tickCount();
        if (!due || *due > target) {
            if (now < target)
                clock.advance(target - now);
            RunPending();
            return;
        }
        if (*due > now)
            clock.advance(*due - now);
        RunPending();
    }
}

BOOL MessageLoop::GetMsg(MSG* msg, HWND filterWindow, UINT filterMin, UINT filterMax)
{
    const Filter filter{filterWindow, filterMin, filterMax};
    for (;;) {
        std::uint64_t generation = 0;
        switch (StepOnce(filter, true, true, kNoLimit, Now(), msg, &generation)) {
        case Step::Message: return TRUE;
        case Step::Quit: return FALSE;
        case Step::RanInline: break;
        case Step::Nothing: WaitForWork(generation, filter); break;
        }
    }
}

BOOL MessageLoop::PeekMsg(MSG* msg, HWND filterWindow, UINT filterMin, UINT filterMax, UINT flags)
{
    const Filter filter{filterWindow, filterMin, filterMax};
    const bool remove = (flags & PM_REMOVE) != 0;
    std::uint64_t limit;
    {
        std::lock_guard lock(m_mutex);
        limit = m_nextSeq - 1;
    }
    for (;;) {
        switch (StepOnce(filter, remove, true, limit, Now(), msg, nullptr)) {
        case Step::Message:
        case Step::Quit: return TRUE;
        case Step::RanInline: break;
        case Step::Nothing: return FALSE;
        }
    }
}

} // namespace platform
