#include "base/SystemClock.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace platform {

namespace {
// Seconds from 1601-01-01 to 1970-01-01.
constexpr ULONGLONG kEpochDifference = 11644473600ULL;
} // namespace

ULONGLONG SystemClock::utcNow()
{
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return kEpochDifference * 10000000ULL + static_cast<ULONGLONG>(since1970.count() / 100);
}

ULONGLONG SystemClock::tickCount()
{
    return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now().time_since_epoch())
                                      .count());
}

void SystemClock::sleep(DWORD milliseconds)
{
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {

std::mutex& ClockLock()
{
    static std::mutex m;
    return m;
}

std::shared_ptr<Clock>& Current()
{
    // Never destroyed: a library's unload code (its last trace line) may ask the time after the
    // process's static objects are gone.
    static auto* clock = new std::shared_ptr<Clock>(std::make_shared<SystemClock>());
    return *clock;
}

} // namespace

std::shared_ptr<Clock> ActiveClock()
{
    std::lock_guard lock(ClockLock());
    return Current();
}

std::shared_ptr<Clock> InstallClock(std::shared_ptr<Clock> clock)
{
    if (!clock)
        clock = std::make_shared<SystemClock>();
    std::lock_guard lock(ClockLock());
    std::swap(Current(), clock);
    return clock;
}

} // namespace platform
