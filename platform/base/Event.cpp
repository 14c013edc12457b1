#include "base/Event.h"

#include <chrono>

namespace platform {

void Event::Set()
{
    {
        std::lock_guard guard(m_lock);
        m_signalled = true;
    }
    // An auto-reset event is taken by one waiter.
    if (m_manualReset)
        m_changed.notify_all();
    else
        m_changed.notify_one();
}

void Event::Reset()
{
    std::lock_guard guard(m_lock);
    m_signalled = false;
}

DWORD Event::Wait(DWORD milliseconds)
{
    std::unique_lock guard(m_lock);
    const auto signalled = [this] { return m_signalled; };
    if (milliseconds == INFINITE)
        m_changed.wait(guard, signalled);
    else if (!m_changed.wait_for(guard, std::chrono::milliseconds(milliseconds), signalled))
        return WAIT_TIMEOUT;
    if (!m_manualReset)
        m_signalled = false;
    return WAIT_OBJECT_0;
}

} // namespace platform
