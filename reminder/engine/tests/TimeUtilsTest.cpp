// UTC to local time by the zone's rule, and back, at the changes of offset and over whole years,
// against the platform's own conversion with the full zone history.
#include "Recurrence.h"
#include "TimeFixture.h"
#include "TimeUtils.h"

#include "base/TimeZone.h"

namespace {

SYSTEMTIME Rule(int month, int weekday, int week, int hour)
{
    SYSTEMTIME rule{};
    rule.wMonth = static_cast<WORD>(month);
    rule.wDayOfWeek = static_cast<WORD>(weekday);
    rule.wDay = static_cast<WORD>(week);
    rule.wHour = static_cast<WORD>(hour);
    return rule;
}

std::string Transition(int year, const SYSTEMTIME& rule)
{
    FILETIME ft{};
    if (!TransitionToSystemTime(static_cast<WORD>(year), &rule, &ft))
        return "FALSE";
    return Show(ft);
}

std::string Local(const FILETIME& utc)
{
    FILETIME local{};
    if (!UtcToLocalFileTime(&utc, &local))
        return "FALSE";
    return Show(local);
}

class TimeUtils : public TimeTest {};

} // namespace

TEST_F(TimeUtils, TransitionToSystemTime)
{
    EXPECT_EQ(Transition(2024, Rule(3, 0, 5, 2)), "2024-03-31 02:00:00");  // last Sunday of March
    EXPECT_EQ(Transition(2024, Rule(3, 0, 2, 2)), "2024-03-10 02:00:00");  // second Sunday
    EXPECT_EQ(Transition(2025, Rule(3, 0, 2, 2)), "2025-03-09 02:00:00");
    EXPECT_EQ(Transition(2024, Rule(4, 0, 1, 3)), "2024-04-07 03:00:00");  // first Sunday of April
    EXPECT_EQ(Transition(2023, Rule(2, 3, 5, 0)), "2023-02-22 00:00:00");  // four Wednesdays: the fourth
    EXPECT_EQ(Transition(2024, Rule(12, 0, 5, 1)), "2024-12-29 01:00:00"); // by way of January 2025
    SYSTEMTIME minutes = Rule(11, 0, 1, 1);
    minutes.wMinute = 30;
    EXPECT_EQ(Transition(2024, minutes), "2024-11-03 01:30:00");
    EXPECT_EQ(Transition(2024, Rule(0, 0, 1, 2)), "FALSE"); // no daylight saving
    SYSTEMTIME absolute = Rule(3, 0, 10, 2);
    absolute.wYear = 2024;
    EXPECT_EQ(Transition(2024, absolute), "FALSE");
    EXPECT_EQ(Transition(2024, Rule(13, 0, 1, 2)), "FALSE");
    EXPECT_EQ(Transition(2024, Rule(3, 7, 1, 2)), "FALSE");
    EXPECT_EQ(Transition(2024, Rule(3, 0, 0, 2)), "FALSE");
    EXPECT_EQ(Transition(2024, Rule(3, 0, 6, 2)), "FALSE");
}

TEST_F(TimeUtils, AtEachChangeTheNewOffsetHolds)
{
    Zone("Europe/Berlin");
    Now(2024, 6, 1);
    EXPECT_EQ(Local(Ft(2024, 3, 31, 0, 59, 59)), "2024-03-31 01:59:59");
    EXPECT_EQ(Local(Ft(2024, 3, 31, 1, 0, 0)), "2024-03-31 03:00:00");
    EXPECT_EQ(Local(Ft(2024, 10, 27, 0, 59, 59)), "2024-10-27 02:59:59");
    EXPECT_EQ(Local(Ft(2024, 10, 27, 1, 0, 0)), "2024-10-27 02:00:00");
    EXPECT_EQ(Local(Ft(2024, 10, 27, 2, 30, 0)), "2024-10-27 03:30:00");

    Zone("America/New_York");
    EXPECT_EQ(Local(Ft(2024, 3, 10, 6, 59, 59)), "2024-03-10 01:59:59");
    EXPECT_EQ(Local(Ft(2024, 3, 10, 7, 0, 0)), "2024-03-10 03:00:00");
    EXPECT_EQ(Local(Ft(2024, 3, 10, 4, 0, 0)), "2024-03-09 23:00:00");
    EXPECT_EQ(Local(Ft(2024, 11, 3, 5, 59, 59)), "2024-11-03 01:59:59");
    EXPECT_EQ(Local(Ft(2024, 11, 3, 6, 0, 0)), "2024-11-03 01:00:00");
    EXPECT_EQ(Local(Ft(2024, 11, 3, 3, 0, 0)), "2024-11-02 23:00:00");

    Zone("Australia/Sydney");
    EXPECT_EQ(Local(Ft(2024, 1, 15, 0, 0, 0)), "2024-01-15 11:00:00"); // January is daylight time there
    EXPECT_EQ(Local(Ft(2024, 4, 6, 15, 59, 59)), "2024-04-07 02:59:59");
    EXPECT_EQ(Local(Ft(2024, 4, 6, 16, 0, 0)), "2024-04-07 02:00:00");
    EXPECT_EQ(Local(Ft(2024, 10, 5, 15, 59, 59)), "2024-10-06 01:59:59");
    EXPECT_EQ(Local(Ft(2024, 10, 5, 16, 0, 0)), "2024-10-06 03:00:00");

    Zone("Asia/Tokyo"); // no daylight saving: the bias alone
    EXPECT_EQ(Local(Ft(2024, 7, 1, 0, 0, 0)), "2024-07-01 09:00:00");
    EXPECT_EQ(Local(Ft(2024, 1, 1, 0, 0, 0)), "2024-01-01 09:00:00");
}

TEST_F(TimeUtils, EveryHourOfTwoYearsAsThePlatformConvertsIt)
{
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Sydney", "Asia/Tokyo"}) {
        Zone(zone);
        for (int year : {2024, 2025}) {
            Now(year, 6, 1);
            const ULONGLONG first = Ticks(Ft(year, 1, 1));
            const ULONGLONG last = Ticks(Ft(year + 1, 1, 1));
            for (ULONGLONG t = first; t < last; t += 36000000000ULL) {
                const FILETIME utc = platform::UInt64ToFileTime(t);
                SYSTEMTIME utcSt{}, expected{};
                ASSERT_TRUE(FileTimeToSystemTime(&utc, &utcSt));
                ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utcSt, &expected));
                ASSERT_EQ(Local(utc), Show(expected)) << zone << " " << Show(utc);
            }
        }
    }
}

TEST_F(TimeUtils, LocalToUtcEveryLocalHourOfAYear)
{
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Sydney", "Asia/Tokyo"}) {
        Zone(zone);
        Now(2024, 6, 1);
        const ULONGLONG first = Ticks(Ft(2024, 1, 1));
        const ULONGLONG last = Ticks(Ft(2025, 1, 1));
        int skipped = 0;
        for (ULONGLONG t = first; t < last; t += 36000000000ULL) {
            const FILETIME ft = platform::UInt64ToFileTime(t);
            SYSTEMTIME local{}, expected{}, got{};
            ASSERT_TRUE(FileTimeToSystemTime(&ft, &local));
            ASSERT_TRUE(LocalToUtcWithDst(&local, &got));
            ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &expected));
            // The hour the clock skips exists on neither side; the two may place it apart.
            SYSTEMTIME back{};
            ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &expected, &back));
            if (CompareSystemTime(&back, &local) != 0) {
                ++skipped;
                continue;
            }
            ASSERT_EQ(Show(got), Show(expected)) << zone << " " << Show(local);
        }
        EXPECT_EQ(skipped, std::string(zone) == "Asia/Tokyo" ? 0 : 1) << zone;
    }
    Zone("Europe/Berlin");
    SYSTEMTIME local = St(2024, 10, 27, 1, 30), utc{};
    ASSERT_TRUE(LocalToUtcWithDst(&local, &utc));
    EXPECT_EQ(Show(utc), "2024-10-26 23:30:00");
    local = St(2024, 10, 27, 2, 30); // the repeated hour: its first pass
    ASSERT_TRUE(LocalToUtcWithDst(&local, &utc));
    EXPECT_EQ(Show(utc), "2024-10-27 00:30:00");
    local = St(2024, 10, 27, 3, 0);
    ASSERT_TRUE(LocalToUtcWithDst(&local, &utc));
    EXPECT_EQ(Show(utc), "2024-10-27 02:00:00");
    local = St(2024, 3, 31, 2, 30); // the skipped hour counts as daylight time
    ASSERT_TRUE(LocalToUtcWithDst(&local, &utc));
    EXPECT_EQ(Show(utc), "2024-03-31 00:30:00");
}

TEST_F(TimeUtils, DateTextsInTheUsersLocale)
{
    Zone("Europe/Berlin");
    Now(2024, 6, 10);
    SPropValue value{};
    value.ulPropTag = PROP_TAG(PT_SYSTIME, 0x8105);
    value.Value.ft = Ft(2024, 6, 10, 7, 5, 30);
    const FILETIME local = Ft(2024, 6, 10, 9, 5, 30);
    {
        ScopedLang lang("de_DE.UTF-8");
        EXPECT_EQ(FormatDateText(&value), "10.06.2024");
        EXPECT_EQ(FormatDateTimeText(&local), "10.06.2024 09:05");
        EXPECT_EQ(FormatRelativeDateTimeText(&value), "10.06.2024 09:05"); // UTC to local
    }
    {
        ScopedLang lang("en_US.UTF-8");
        EXPECT_EQ(FormatDateText(&value), "6/10/2024");
        EXPECT_EQ(FormatDateTimeText(&local), "6/10/2024 9:05 AM");
        EXPECT_EQ(FormatRelativeDateTimeText(&value), "6/10/2024 9:05 AM");
        value.Value.ft = Ft(2024, 12, 24, 22, 0); // winter: one hour
        EXPECT_EQ(FormatRelativeDateTimeText(&value), "12/24/2024 11:00 PM");
        value.ulPropTag = PROP_TAG(PT_LONG, 0x8105);
        EXPECT_EQ(FormatDateText(&value), "");
        EXPECT_EQ(FormatRelativeDateTimeText(&value), "");
        EXPECT_EQ(FormatDateText(nullptr), "");
        EXPECT_EQ(FormatDateTimeText(nullptr), "");
    }
}
