// A clock for tests: the time stands still until it is set or advanced, and Sleep advances it
// instead of waiting.
#pragma once

#include "base/Clock.h"

#include <atomic>

namespace platform {

class ManualClock : public Clock {
public:
    // utc in FILETIME units, tick in milliseconds.
    explicit ManualClock(ULONGLONG utc = 0, ULONGLONG tick = 0) : m_utc(utc), m_tick(tick) {}
    // Starts at the given UTC time.
    ManualClock(const SYSTEMTIME& utc, ULONGLONG tick);

    ULONGLONG utcNow() override { return m_utc; }
    ULONGLONG tickCount() override { return m_tick; }
    void sleep(DWORD milliseconds) override { advance(milliseconds); }

    void setUtc(ULONGLONG utc) { m_utc = utc; }
    void setUtc(const SYSTEMTIME& utc);
    void setTickCount(ULONGLONG tick) { m_tick = tick; }
    // Moves both the time and the tick count forward.
    void advance(ULONGLONG milliseconds)
    {
        m_utc += milliseconds * 10000ULL;
        m_tick += milliseconds;
    }

private:
    std::atomic<ULONGLONG> m_utc;
    std::atomic<ULONGLONG> m_tick;
};

} // namespace platform
