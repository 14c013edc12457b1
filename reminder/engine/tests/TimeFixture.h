// A zone (TZ) and a fixed clock for one test, both restored afterwards, and the helpers that
// write times in the forms the time functions take.
#pragma once

#include "base/ManualClock.h"
#include "base/WinTime.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

class ScopedTz {
public:
    explicit ScopedTz(const char* tz);
    ~ScopedTz();
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    std::optional<std::string> m_old;
};

// LANG for one test (LC_ALL and LC_TIME cleared), all three restored.
class ScopedLang {
public:
    explicit ScopedLang(const char* lang);
    ~ScopedLang();
    ScopedLang(const ScopedLang&) = delete;
    ScopedLang& operator=(const ScopedLang&) = delete;

private:
    std::optional<std::string> m_old[3];
};

SYSTEMTIME St(int y, int mo, int d, int h = 0, int mi = 0, int s = 0);
FILETIME Ft(int y, int mo, int d, int h = 0, int mi = 0, int s = 0);
ULONGLONG Ticks(const FILETIME& ft);
// Minutes since 1601-01-01 00:00 of a date and time.
ULONG Minutes(int y, int mo, int d, int h = 0, int mi = 0);
// "2024-03-31 01:59:59" of a FILETIME ("0" for FILETIME 0).
std::string Show(const FILETIME& ft);
std::string Show(const SYSTEMTIME& st);

// A test in a zone with a fixed clock (UTC), both set per test.
class TimeTest : public ::testing::Test {
protected:
    void Zone(const char* tz)
    {
        m_tz.reset(); // the original zone back first, so that it is the one restored at the end
        m_tz = std::make_unique<ScopedTz>(tz);
    }
    void Now(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { m_clock->setUtc(St(y, mo, d, h, mi, s)); }
    void NowTicks(ULONGLONG ticks) { m_clock->setUtc(ticks); }

    std::shared_ptr<platform::ManualClock> m_clock = std::make_shared<platform::ManualClock>(St(2024, 1, 1), 0);

private:
    platform::ScopedClock m_scopedClock{m_clock};
    std::unique_ptr<ScopedTz> m_tz;
};
