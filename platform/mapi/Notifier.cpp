#include "mapi/Notifier.h"

#include "mapi/MapiUtil.h"
#include "mapi/StoreFile.h"

#include <vector>

namespace mapi {

Notifier& Notifier::Instance()
{
    static Notifier* instance = new Notifier; // outlives every thread's loop
    return *instance;
}

std::uint64_t Notifier::Watch(Check check)
{
    auto& loop = platform::MessageLoop::Current();
    const DWORD thread = loop.threadId();
    auto entry = std::make_shared<Entry>();
    entry->check = std::move(check);
    std::uint64_t id;
    bool startTimer = false;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextId++;
        LoopWatch& lw = m_loops[thread];
        lw.loop = loop.shared_from_this();
        startTimer = lw.checks.empty() && lw.timer == 0;
        lw.checks[id] = entry;
        m_owners[id] = thread;
    }
    if (startTimer) {
        const UINT_PTR timer = loop.StartTimer(kPollMilliseconds, [this, thread] { RunChecks(thread); });
        std::lock_guard lock(m_mutex);
        m_loops[thread].timer = timer;
    }
    return id;
}

void Notifier::Unwatch(std::uint64_t id)
{
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(m_mutex);
        auto owner = m_owners.find(id);
        if (owner == m_owners.end())
            return;
        auto lw = m_loops.find(owner->second);
        m_owners.erase(owner);
        if (lw != m_loops.end()) {
            auto it = lw->second.checks.find(id);
            if (it != lw->second.checks.end()) {
                entry = it->second;
                lw->second.checks.erase(it);
            }
            if (lw->second.checks.empty()) {
                // The timer belongs to the loop's thread: stop it there.
                auto loop = lw->second.loop.lock();
                const UINT_PTR timer = lw->second.timer;
                m_loops.erase(lw);
                if (loop && timer) {
                    if (loop->isOwnerThread())
                        loop->StopTimer(timer);
                    else
                        loop->PostTask([loop, timer] { loop->StopTimer(timer); });
                }
            }
        }
    }
    if (entry) {
        std::lock_guard running(entry->running);
        entry->alive = false;
        entry->check = nullptr;
    }
}

void Notifier::Changed()
{
    std::vector<std::pair<DWORD, std::shared_ptr<platform::MessageLoop>>> loops;
    {
        std::lock_guard lock(m_mutex);
        for (auto& [thread, lw] : m_loops) {
            if (lw.checkPosted)
                continue;
            if (auto loop = lw.loop.lock()) {
                lw.checkPosted = true;
                loops.emplace_back(thread, std::move(loop));
            }
        }
    }
    for (auto& [thread, loop] : loops) {
        const DWORD t = thread;
        if (!loop->PostTask([this, t] { RunChecks(t); })) {
            std::lock_guard lock(m_mutex);
            m_loops.erase(t);
        }
    }
}

void Notifier::CheckNow() { RunChecks(platform::MessageLoop::Current().threadId()); }

void Notifier::RunChecks(DWORD threadId)
{
    // What other processes changed is looked at afresh by every check.
    StoreFile::NewBatch();
    std::vector<std::shared_ptr<Entry>> entries;
    {
        std::lock_guard lock(m_mutex);
        auto lw = m_loops.find(threadId);
        if (lw == m_loops.end())
            return;
        lw->second.checkPosted = false;
        for (auto& [id, e] : lw->second.checks)
            entries.push_back(e);
    }
    for (auto& e : entries) {
        std::lock_guard running(e->running);
        if (e->alive && e->check)
            e->check();
    }
}

} // namespace mapi

HRESULT HrDispatchNotifications(ULONG)
{
    mapi::Notifier::Instance().CheckNow();
    return S_OK;
}
