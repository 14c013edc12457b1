#include "base/LastError.h"
#include "base/ManualClock.h"
#include "base/TimeZone.h"
#include "base/WinError.h"
#include "base/WinTime.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using platform::ManualClock;
using platform::ScopedClock;

namespace {

// Sets TZ for one test and restores it.
class ScopedTz {
public:
    explicit ScopedTz(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

SYSTEMTIME St(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    st.wMilliseconds = static_cast<WORD>(ms);
    return st;
}

std::string Show(const SYSTEMTIME& st)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond, st.wMilliseconds);
    return buf;
}

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

} // namespace

TEST(Time, FileTimeAndSystemTimeRoundTrip)
{
    FILETIME ft;
    const SYSTEMTIME st = St(2026, 12, 9, 4, 37, 11, 250);
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(Show(back), "2026-12-09 04:37:11.250");
    EXPECT_EQ(back.wDayOfWeek, 3); // a Wednesday

    // 1601-01-01 is zero; 1970-01-01 is the Unix epoch; MAPI's "never" date converts too.
    const SYSTEMTIME origin = St(1601, 1, 1, 0, 0);
    ASSERT_TRUE(SystemTimeToFileTime(&origin, &ft));
    EXPECT_EQ(platform::FileTimeToUInt64(ft), 0u);
    const SYSTEMTIME unix = St(1970, 1, 1, 0, 0);
    ASSERT_TRUE(SystemTimeToFileTime(&unix, &ft));
    EXPECT_EQ(platform::FileTimeToUInt64(ft), 116444736000000000ULL);
    const SYSTEMTIME never = St(4501, 1, 1, 0, 0);
    ASSERT_TRUE(SystemTimeToFileTime(&never, &ft));
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(Show(back), "4501-01-01 00:00:00.000");

    SetLastError(0);
    const SYSTEMTIME bad = St(2025, 2, 29, 0, 0);
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const FILETIME huge{0, 0x80000000u};
    EXPECT_FALSE(FileTimeToSystemTime(&huge, &back));

    FILETIME a{1, 0}, b{0, 1};
    EXPECT_EQ(CompareFileTime(&a, &b), -1);
    EXPECT_EQ(CompareFileTime(&b, &a), 1);
    EXPECT_EQ(CompareFileTime(&a, &a), 0);
}

TEST(Time, ManualClockDrivesEveryTimeFunctionAndSleep)
{
    ScopedTz tz(kCentralEurope);
    auto clock = std::make_shared<ManualClock>(St(2026, 7, 1, 10, 0, 0, 500), 1000);
    ScopedClock scoped(clock);

    SYSTEMTIME st;
    GetSystemTime(&st);
    EXPECT_EQ(Show(st), "2026-07-01 10:00:00.500");
    GetLocalTime(&st);
    EXPECT_EQ(Show(st), "2026-07-01 12:00:00.500"); // summer time: UTC+2
    EXPECT_EQ(GetTickCount(), 1000u);

    Sleep(90 * 1000); // returns at once, the clock moves
    EXPECT_EQ(GetTickCount64(), 91000u);
    GetLocalTime(&st);
    EXPECT_EQ(Show(st), "2026-07-01 12:01:30.500");
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    FILETIME expected;
    const SYSTEMTIME later = St(2026, 7, 1, 10, 1, 30, 500);
    SystemTimeToFileTime(&later, &expected);
    EXPECT_EQ(CompareFileTime(&ft, &expected), 0);

    // The tick count wraps at 32 bits; the 64-bit one does not.
    clock->setTickCount(0x100000005ULL);
    EXPECT_EQ(GetTickCount(), 5u);
    EXPECT_EQ(GetTickCount64(), 0x100000005ULL);

    // Local file time uses the offset in force now (summer), whatever the date.
    const SYSTEMTIME winter = St(2026, 1, 15, 12, 0);
    SystemTimeToFileTime(&winter, &ft);
    FILETIME local, back;
    ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &local));
    FileTimeToSystemTime(&local, &st);
    EXPECT_EQ(Show(st), "2026-01-15 14:00:00.000");
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(CompareFileTime(&back, &ft), 0);
}

TEST(Time, RealClockMoves)
{
    const ULONGLONG before = GetTickCount64();
    Sleep(20);
    EXPECT_GE(GetTickCount64() - before, 19u);
    SYSTEMTIME st;
    GetSystemTime(&st);
    EXPECT_GE(st.wYear, 2024);
}

TEST(TimeZone, InformationOfPosixRuleZone)
{
    ScopedTz tz(kCentralEurope);
    auto clock = std::make_shared<ManualClock>(St(2026, 1, 10, 12, 0), 0);
    ScopedClock scoped(clock);

    TIME_ZONE_INFORMATION info;
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.Bias, -60);
    EXPECT_EQ(info.StandardBias, 0);
    EXPECT_EQ(info.DaylightBias, -60);
    EXPECT_EQ(std::u16string(info.StandardName), u"CET");
    EXPECT_EQ(std::u16string(info.DaylightName), u"CEST");
    // Last Sunday of March at 02:00 standard time; last Sunday of October at 03:00 summer time.
    EXPECT_EQ(info.DaylightDate.wYear, 0);
    EXPECT_EQ(info.DaylightDate.wMonth, 3);
    EXPECT_EQ(info.DaylightDate.wDayOfWeek, 0);
    EXPECT_EQ(info.DaylightDate.wDay, 5);
    EXPECT_EQ(info.DaylightDate.wHour, 2);
    EXPECT_EQ(info.StandardDate.wMonth, 10);
    EXPECT_EQ(info.StandardDate.wDayOfWeek, 0);
    EXPECT_EQ(info.StandardDate.wDay, 5);
    EXPECT_EQ(info.StandardDate.wHour, 3);

    clock->setUtc(St(2026, 7, 10, 12, 0));
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_DAYLIGHT);

    ScopedTz utc("UTC0");
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_UNKNOWN);
    EXPECT_EQ(info.Bias, 0);
    EXPECT_EQ(info.DaylightDate.wMonth, 0);
}

TEST(TimeZone, ConversionAcrossSpringAndAutumnChanges)
{
    ScopedTz tz(kCentralEurope);
    TIME_ZONE_INFORMATION cet;
    GetTimeZoneInformation(&cet);
    const TIME_ZONE_INFORMATION* const zones[] = {nullptr, &cet};

    struct Case {
        SYSTEMTIME utc;
        const char* local;
    };
    const Case cases[] = {
        {St(2026, 3, 29, 0, 59, 59), "2026-03-29 01:59:59.000"},
        {St(2026, 3, 29, 1, 0, 0), "2026-03-29 03:00:00.000"},   // spring forward
        {St(2026, 10, 25, 0, 59, 59), "2026-10-25 02:59:59.000"},
        {St(2026, 10, 25, 1, 0, 0), "2026-10-25 02:00:00.000"},  // fall back
        {St(2026, 12, 31, 23, 30, 0), "2027-01-01 00:30:00.000"},
    };
    for (const auto& c : cases) {
        for (const TIME_ZONE_INFORMATION* zone : zones) {
            SYSTEMTIME local;
            ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(zone, &c.utc, &local));
            EXPECT_EQ(Show(local), c.local) << (zone ? "explicit zone" : "process zone");
        }
    }

    // Back to UTC: unambiguous times round-trip with both forms.
    for (const TIME_ZONE_INFORMATION* zone : zones) {
        SYSTEMTIME utc;
        const SYSTEMTIME summer = St(2026, 7, 1, 12, 0);
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(zone, &summer, &utc));
        EXPECT_EQ(Show(utc), "2026-07-01 10:00:00.000");
        const SYSTEMTIME winter = St(2026, 3, 29, 1, 59, 59);
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(zone, &winter, &utc));
        EXPECT_EQ(Show(utc), "2026-03-29 00:59:59.000");
        const SYSTEMTIME afterSpring = St(2026, 3, 29, 3, 0);
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(zone, &afterSpring, &utc));
        EXPECT_EQ(Show(utc), "2026-03-29 01:00:00.000");
    }
}

TEST(TimeZone, ExplicitZoneAppliesItsOwnRules)
{
    ScopedTz tz(kCentralEurope); // the process zone must not leak into the explicit one
    TIME_ZONE_INFORMATION eastern{};
    eastern.Bias = 300;
    eastern.DaylightBias = -60;
    eastern.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};  // second Sunday of March, 02:00
    eastern.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0}; // first Sunday of November, 02:00

    SYSTEMTIME local, utc;
    const SYSTEMTIME beforeSpring = St(2026, 3, 8, 6, 59); // 01:59 EST
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&eastern, &beforeSpring, &local));
    EXPECT_EQ(Show(local), "2026-03-08 01:59:00.000");
    const SYSTEMTIME afterSpring = St(2026, 3, 8, 7, 0);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&eastern, &afterSpring, &local));
    EXPECT_EQ(Show(local), "2026-03-08 03:00:00.000");
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(&eastern, &local, &utc));
    EXPECT_EQ(Show(utc), "2026-03-08 07:00:00.000");
    const SYSTEMTIME afterAutumn = St(2026, 11, 1, 6, 0);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&eastern, &afterAutumn, &local));
    EXPECT_EQ(Show(local), "2026-11-01 01:00:00.000");

    // A southern zone whose summer spans the new year: UTC+10, +11 from the first Sunday of
    // October to the first Sunday of April.
    TIME_ZONE_INFORMATION southern{};
    southern.Bias = -600;
    southern.DaylightBias = -60;
    southern.DaylightDate = SYSTEMTIME{0, 10, 0, 1, 2, 0, 0, 0};
    southern.StandardDate = SYSTEMTIME{0, 4, 0, 1, 3, 0, 0, 0};
    const SYSTEMTIME january = St(2026, 1, 15, 0, 0);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&southern, &january, &local));
    EXPECT_EQ(Show(local), "2026-01-15 11:00:00.000");
    const SYSTEMTIME june = St(2026, 6, 15, 0, 0);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&southern, &june, &local));
    EXPECT_EQ(Show(local), "2026-06-15 10:00:00.000");
}

TEST(TimeZone, TzDatabaseZone)
{
    ScopedTz tz("America/New_York");
    auto clock = std::make_shared<ManualClock>(St(2026, 1, 10, 12, 0), 0);
    ScopedClock scoped(clock);
    TIME_ZONE_INFORMATION info;
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.Bias, 300);
    EXPECT_EQ(info.DaylightDate.wMonth, 3);
    EXPECT_EQ(info.DaylightDate.wDay, 2);
    EXPECT_EQ(info.StandardDate.wMonth, 11);
    EXPECT_EQ(info.StandardDate.wDay, 1);
    EXPECT_EQ(info.StandardDate.wHour, 2);
    // Asked again in another year, the zone's rules of that year answer.
    clock->setUtc(St(2006, 1, 10, 12, 0));
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.DaylightDate.wMonth, 4);
    EXPECT_EQ(info.DaylightDate.wDay, 1);
    EXPECT_EQ(info.StandardDate.wMonth, 10);
    clock->setUtc(St(2026, 1, 10, 12, 0));
    EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_STANDARD);
    EXPECT_EQ(info.DaylightDate.wMonth, 3);
    // Historic rules apply to the process zone: in 2006 summer time began on the first Sunday of April.
    SYSTEMTIME local;
    const SYSTEMTIME march2006 = St(2006, 3, 20, 12, 0);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &march2006, &local));
    EXPECT_EQ(local.wHour, 7);
}
