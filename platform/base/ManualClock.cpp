#include "base/ManualClock.h"

#include "base/WinTime.h"

#include <stdexcept>

namespace platform {

ManualClock::ManualClock(const SYSTEMTIME& utc, ULONGLONG tick) : m_utc(0), m_tick(tick)
{
    setUtc(utc);
}

void ManualClock::setUtc(const SYSTEMTIME& utc)
{
    FILETIME ft;
    if (!SystemTimeToFileTime(&utc, &ft))
        throw std::invalid_argument("ManualClock: invalid SYSTEMTIME");
    m_utc = FileTimeToUInt64(ft);
}

} // namespace platform
