// Notifier: runs the change checks of advised objects on the message loops of the threads that
// advised them. A change made in this process posts a check to every such loop (it runs after
// the causing call has returned); changes made by other processes are found by a check every
// second on each loop; HrDispatchNotifications runs the calling thread's checks at once.
#pragma once

#include "base/MessageLoop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace mapi {

class Notifier {
public:
    using Check = std::function<void()>;
    static constexpr unsigned kPollMilliseconds = 1000;

    static Notifier& Instance();

    // Registers `check` on the calling thread's loop; returns its id (never 0).
    std::uint64_t Watch(Check check);
    // Any thread. A check that is running finishes first, unless it is the caller itself; the
    // caller must not hold a lock that the check takes.
    void Unwatch(std::uint64_t id);
    // Any thread: something changed in this process; every loop with checks gets one posted.
    void Changed();
    // Runs the calling thread's checks now.
    void CheckNow();

private:
    struct Entry {
        std::recursive_mutex running;
        bool alive = true;
        Check check;
    };
    struct LoopWatch {
        std::weak_ptr<platform::MessageLoop> loop;
        std::map<std::uint64_t, std::shared_ptr<Entry>> checks;
        UINT_PTR timer = 0;
        bool checkPosted = false;
    };

    void RunChecks(DWORD threadId);

    std::mutex m_mutex;
    std::map<DWORD, LoopWatch> m_loops;
    std::map<std::uint64_t, DWORD> m_owners;
    std::uint64_t m_nextId = 1;
};

} // namespace mapi
