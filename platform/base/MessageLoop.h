// The per-thread message loop: the one mechanism for posted work, posted window messages,
// window timers and cross-thread calls. Each thread has at most one loop, made on first use by
// MessageLoop::Current(); other threads reach it through MessageLoop::ForThread or a shared
// pointer they keep.
//
// Work is taken in this order, as the platform's message queue does it: calls sent from other
// threads first, then posted tasks and messages in the order they were posted (from all
// threads together), then the quit request, then timers that are due. Posting never runs
// anything: posted work runs on a later step of the owner thread's loop, never inside the call
// that posted it.
//
// Timers run on the active platform clock's tick count, so a test installs a ManualClock,
// advances it and steps the loop (RunPending, AdvanceAndRun). A real loop (Run, RunUntil,
// GetMessageA) sleeps on a condition variable until work arrives or the next timer is due.
// A GUI toolkit that owns the thread's event loop installs a wake handler and calls
// RunPending() whenever the handler says there is work or a timer falls due; it also installs a
// toolkit wait, so that a platform loop run inside it (a modal GetMessageA loop, RunUntil)
// waits in the toolkit's events instead of blocking them.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

class ManualClock;

class MessageLoop : public std::enable_shared_from_this<MessageLoop> {
public:
    using Task = std::function<void()>;
    using TimerCallback = std::function<void()>;
    enum class TimerRepeat { Once, Periodic };

    // What a toolkit needs to schedule the next pump: work is waiting now, and/or the earliest
    // timer falls due at this tick count.
    struct WakeInfo {
        bool workReady = false;
        std::optional<ULONGLONG> nextTimerTick;
    };
    // Called without any lock held, possibly from another thread, possibly concurrently: after
    // each post (workReady set) and at the end of each RunPending/PumpOnce and timer change on
    // the owner thread (the remaining state). It must only schedule a pump, never pump itself.
    using WakeHandler = std::function<void(const WakeInfo&)>;
    // Runs the toolkit's events until `stop()` is true or the tick count reaches `dueTick`
    // (when given). It is called on the owner thread, without any lock held, whenever a platform
    // loop would otherwise sleep; `stop()` turns true once work arrives.
    using ToolkitWait = std::function<void(const std::function<bool()>& stop, std::optional<ULONGLONG> dueTick)>;

    // The calling thread's loop, created on first use. It ends with its thread: pending work is
    // dropped, calls waiting for it are released with 0, and the thread's windows are gone.
    static MessageLoop& Current();
    static std::shared_ptr<MessageLoop> CurrentShared();
    // The loop of a thread by its id (GetCurrentThreadId), or null when it has none (yet).
    static std::shared_ptr<MessageLoop> ForThread(DWORD threadId);

    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    DWORD threadId() const { return m_threadId; }
    bool isOwnerThread() const;

    // --- Any thread ---------------------------------------------------------------------------
    // Queues a task; false when the loop's thread has ended.
    bool PostTask(Task task);
    // Queues a message (a thread message when msg.hwnd is null); time is filled in.
    bool PostMsg(MSG msg);
    // Runs `call` on the owner thread and returns its result: directly when called there,
    // otherwise ahead of posted work at the owner's next step, while the caller waits and
    // meanwhile runs calls sent to its own thread (so two threads sending to each other do not
    // lock up). `delivered` tells whether the call ran (false: the owner thread ended first).
    LRESULT SendTask(std::function<LRESULT()> call, bool* delivered = nullptr);
    // Asks the loop to end (PostQuitMessage from another thread): Run returns `exitCode` once
    // the work posted before has run.
    void Quit(int exitCode = 0);
    void SetWakeHandler(WakeHandler handler);
    // Owner thread: hands the waits of Run, RunUntil and GetMsg to a toolkit (null: sleep).
    void SetToolkitWait(ToolkitWait wait);

    // --- Owner thread -------------------------------------------------------------------------
    // A timer of the loop itself: `callback` runs on this thread when `elapse` milliseconds
    // have passed, once or every period. Returns its id (never 0).
    UINT_PTR StartTimer(DWORD elapse, TimerCallback callback, TimerRepeat repeat = TimerRepeat::Periodic);
    bool StopTimer(UINT_PTR id);

    // Window timers (SetTimer/KillTimer): keyed by window and id; a null window gets a new id
    // unless `id` names one of its existing thread timers. Setting an existing timer again
    // restarts it with the new period. Elapse is clamped to USER_TIMER_MINIMUM..MAXIMUM.
    UINT_PTR SetWindowTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
    bool KillWindowTimer(HWND hwnd, UINT_PTR id);
    // Kills the window's timers and drops its posted messages (the window is being destroyed).
    void ForgetWindow(HWND hwnd);

    // Runs until a quit request, and returns its exit code (the request is consumed).
    int Run();
    // A nested (modal) loop: runs work, waiting when there is none, until `done` returns true
    // (checked before each wait and after each item of work; true is returned) or a quit is
    // requested (false; the request stays pending for the outer loop). A condition that another
    // thread changes must come with a post to this loop, or the wait does not end.
    bool RunUntil(const std::function<bool()>& done);
    // Runs, without waiting, the work present when called: sent calls, the tasks and messages
    // posted so far, and each timer due now (once). Work posted meanwhile waits for the next
    // call. Stops at a pending quit. Returns the number of items of work run.
    std::size_t RunPending();
    // Runs one item of work if there is one; false when there was none (or a quit is pending).
    bool PumpOnce();
    // For tests: advances the ManualClock by `milliseconds`, stopping at each timer's due time
    // on the way to fire it, and runs the work that was posted, as time passing would.
    void AdvanceAndRun(ManualClock& clock, ULONGLONG milliseconds);

    bool QuitPending() const;
    // How many times the calling thread's loop has looked for work (0 for a thread that never
    // ran its loop). Code that caches what it learned "for this turn of the loop" compares it;
    // nothing needs to be posted to learn that a turn has passed, so an idle loop stays idle.
    static std::uint64_t TurnsOfThisThread();
    // Takes a pending quit request (for a toolkit loop that ends itself on it).
    bool TakeQuit(int* exitCode);
    // Tick count at which the earliest timer falls due.
    std::optional<ULONGLONG> NextTimerDue() const;
    bool HasPendingWork() const;

    // --- The platform's queue functions (GetMessageA, PeekMessageA), owner thread -------------
    // A filter window of null takes every message, (HWND)-1 only thread messages; a range of
    // 0..0 takes every message number. Tasks and the loop's own timers run in passing, when
    // no filter is given.
    // 1 for a message, 0 for WM_QUIT (consumed); waits when there is nothing.
    BOOL GetMsg(MSG* msg, HWND filterWindow, UINT filterMin, UINT filterMax);
    // TRUE when a message (or WM_QUIT) was there; PM_REMOVE takes it from the queue.
    BOOL PeekMsg(MSG* msg, HWND filterWindow, UINT filterMin, UINT filterMax, UINT flags);

private:
    explicit MessageLoop(DWORD threadId);
    friend struct LoopHolder;

    struct Item {
        std::uint64_t seq = 0;
        Task task; // set for a task, else msg
        MSG msg{};
    };
    struct SentCall;
    struct Timer {
        HWND hwnd = nullptr;
        UINT_PTR id = 0;
        ULONGLONG elapse = 0;
        ULONGLONG due = 0;
        std::uint64_t order = 0;
        TIMERPROC proc = nullptr;
        TimerCallback callback; // the loop's own timers
        bool periodic = true;
    };
    struct Filter {
        HWND hwnd = nullptr;
        UINT min = 0;
        UINT max = 0;
        bool any() const { return hwnd == nullptr && min == 0 && max == 0; }
        bool matchesWindow(HWND h) const;
        bool matchesMessage(UINT message) const { return (min == 0 && max == 0) || (message >= min && message <= max); }
        bool takesTimer(HWND timerWindow, bool loopTimer) const
        {
            return loopTimer ? any() : matchesWindow(timerWindow) && matchesMessage(WM_TIMER);
        }
    };
    enum class Step { Nothing, RanInline, Message, Quit };

    Step StepOnce(const Filter& filter, bool remove, bool consumeQuit, std::uint64_t seqLimit, ULONGLONG timerNow,
                  MSG* out, std::uint64_t* generation);
    void WaitForWork(std::uint64_t seenGeneration, const Filter& filter);
    void NotifyWake(bool workPosted);
    // The earliest due time of the timers that the filter lets through (all without one).
    std::optional<ULONGLONG> NextDueLocked(const Filter* filter = nullptr) const;
    void CompleteSent(const std::shared_ptr<SentCall>& call, LRESULT result, bool delivered);
    bool RunOneSent();
    void Shutdown();
    static void Dispatch(const MSG& msg);

    const DWORD m_threadId;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Item> m_posted;
    std::deque<std::shared_ptr<SentCall>> m_sent;
    std::map<std::pair<HWND, UINT_PTR>, Timer> m_timers;
    std::uint64_t m_nextSeq = 1;
    std::uint64_t m_timerOrder = 0;
    std::uint64_t m_generation = 0;
    bool m_quitPending = false;
    int m_exitCode = 0;
    bool m_closed = false;
    WakeHandler m_wakeHandler;
    ToolkitWait m_toolkitWait; // owner thread only
};

} // namespace platform
