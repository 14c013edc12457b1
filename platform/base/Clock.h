// The one source of the current time for the platform layer. Everything that asks for the
// system time, the local time or the tick count, and every Sleep, goes through the active
// clock; a test installs a ManualClock to fix and advance time.
#pragma once

#include "base/WinTypes.h"

#include <memory>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Current UTC time in 100-nanosecond intervals since 1601-01-01 (FILETIME units).
    virtual ULONGLONG utcNow() = 0;
    // Milliseconds since an arbitrary start (the tick count).
    virtual ULONGLONG tickCount() = 0;
    virtual void sleep(DWORD milliseconds) = 0;
};

// The clock in use; the system clock unless a test installed another.
std::shared_ptr<Clock> ActiveClock();
// Installs a clock (null: the system clock again) and returns the previous one.
std::shared_ptr<Clock> InstallClock(std::shared_ptr<Clock> clock);

// Installs a clock for its lifetime.
class ScopedClock {
public:
    explicit ScopedClock(std::shared_ptr<Clock> clock) : m_previous(InstallClock(std::move(clock))) {}
    ~ScopedClock() { InstallClock(std::move(m_previous)); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    std::shared_ptr<Clock> m_previous;
};

} // namespace platform
