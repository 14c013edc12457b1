// Recurrence expansion against hand-computed dates: the rules, the series' bounds, reminders
// around the changes of offset, and the date helpers.
#include "PatternBuilder.h"
#include "Recurrence.h"
#include "TimeFixture.h"

#include "mapi/MapiTags.h"

#include <vector>

namespace {

// The recurrence property holding a pattern.
class Pattern {
public:
    explicit Pattern(const PatternBuilder& b) : m_bytes(b.Bytes())
    {
        m_value.ulPropTag = PROP_TAG(PT_BINARY, 0x8216);
        m_value.Value.bin = {static_cast<ULONG>(m_bytes.size()), m_bytes.data()};
    }
    const SPropValue* get() const { return &m_value; }

private:
    std::vector<BYTE> m_bytes;
    SPropValue m_value{};
};

SPropValue Time(const FILETIME& ft)
{
    SPropValue v{};
    v.ulPropTag = PROP_TAG(PT_SYSTIME, 0x8560);
    v.Value.ft = ft;
    return v;
}

constexpr FILETIME kUntouched{0xDEADBEEF, 0x01234567};

class Recurrence : public TimeTest {
protected:
    // The next occurrence's start after a UTC time, as local time text ("none" without one).
    std::string NextStart(const PatternBuilder& b, const FILETIME& afterUtc)
    {
        Pattern p(b);
        FILETIME start = kUntouched, end = kUntouched;
        EXPECT_EQ(GetNextOccurence(p.get(), &afterUtc, &start, &end), S_OK);
        if (Ticks(start) == Ticks(kUntouched)) {
            EXPECT_EQ(Ticks(end), Ticks(kUntouched));
            return "none";
        }
        EXPECT_EQ(Ticks(end) - Ticks(start), (b.endOffset - b.startOffset) * 600000000ULL);
        return Show(start);
    }

    // The starts of the next n occurrences from a UTC time in a zone without offsets.
    std::vector<std::string> Starts(const PatternBuilder& b, FILETIME after, int n)
    {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) {
            Pattern p(b);
            FILETIME start = kUntouched, end = kUntouched;
            EXPECT_EQ(GetNextOccurence(p.get(), &after, &start, &end), S_OK);
            if (Ticks(start) == Ticks(kUntouched))
                break;
            out.push_back(Show(start));
            after = platform::UInt64ToFileTime(Ticks(start) + 600000000ULL);
        }
        return out;
    }

    // GetNextReminderDueAt at the clock's time with an old due time of 0.
    std::string NextReminder(const PatternBuilder& b, LONG minutes, const FILETIME& oldDue = FILETIME{})
    {
        Pattern p(b);
        SPropValue old = Time(oldDue);
        SPropValue result{};
        result.ulPropTag = PROP_TAG(PT_ERROR, 0x8560);
        EXPECT_EQ(GetNextReminderDueAt(p.get(), minutes, &old, &result), S_OK);
        if (Ticks(result.Value.ft) != 0) {
            EXPECT_EQ(PROP_TYPE(result.ulPropTag), PT_SYSTIME);
        }
        return Show(result.Value.ft);
    }

    // GetReminderDueAt at the clock's time with an old due time just before now: "due / next".
    std::string DueAndNext(const PatternBuilder& b, LONG minutes)
    {
        Pattern p(b);
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        SPropValue old = Time(platform::UInt64ToFileTime(Ticks(now) - 1));
        SPropValue due{}, next{};
        EXPECT_EQ(GetReminderDueAt(p.get(), minutes, &old, &due, &next), S_OK);
        return Show(due.Value.ft) + " / " + Show(next.Value.ft);
    }
};

} // namespace

TEST_F(Recurrence, DailyEveryTwoDaysAroundTheStartOfTodaysOccurrence)
{
    Zone("Europe/Berlin");
    Now(2024, 6, 9, 6, 0);
    const auto b = PatternBuilder::Daily(2, Minutes(2024, 6, 1), 9 * 60);
    EXPECT_EQ(NextStart(b, Ft(2024, 6, 9, 6, 59)), "2024-06-09 09:00:00"); // 08:59 local
    EXPECT_EQ(NextStart(b, Ft(2024, 6, 9, 7, 0)), "2024-06-09 09:00:00");
    EXPECT_EQ(NextStart(b, Ft(2024, 6, 9, 7, 1)), "2024-06-11 09:00:00"); // 09:01: the day after tomorrow
    EXPECT_EQ(NextStart(b, Ft(2024, 5, 1)), "2024-06-01 09:00:00");
}

TEST_F(Recurrence, WeeklyMondayWednesdayFridayEveryTwoWeeks)
{
    Zone("UTC0");
    Now(2024, 6, 1);
    const auto b = PatternBuilder::Weekly(2, 0x2A, 1, Minutes(2024, 6, 3), 9 * 60);
    EXPECT_EQ(Starts(b, Ft(2024, 6, 1), 7),
              (std::vector<std::string>{"2024-06-03 09:00:00", "2024-06-05 09:00:00", "2024-06-07 09:00:00",
                                        "2024-06-17 09:00:00", "2024-06-19 09:00:00", "2024-06-21 09:00:00",
                                        "2024-07-01 09:00:00"}));
    EXPECT_EQ(NextStart(b, Ft(2024, 6, 8)), "2024-06-17 09:00:00");
    EXPECT_EQ(NextStart(b, Ft(2024, 6, 18, 12)), "2024-06-19 09:00:00");
    // Weeks that begin on Sunday pair a Sunday with the days after it, not before.
    const auto sunday = PatternBuilder::Weekly(2, 0x03, 0, Minutes(2024, 6, 2), 9 * 60); // Sunday and Monday
    EXPECT_EQ(Starts(sunday, Ft(2024, 6, 1), 4),
              (std::vector<std::string>{"2024-06-02 09:00:00", "2024-06-03 09:00:00", "2024-06-16 09:00:00",
                                        "2024-06-17 09:00:00"}));
    const auto monday = PatternBuilder::Weekly(2, 0x03, 1, Minutes(2024, 6, 3), 9 * 60);
    EXPECT_EQ(Starts(monday, Ft(2024, 6, 1), 4),
              (std::vector<std::string>{"2024-06-03 09:00:00", "2024-06-09 09:00:00", "2024-06-17 09:00:00",
                                        "2024-06-23 09:00:00"}));
}

TEST_F(Recurrence, EveryWeekdayIsADailyPatternOfWeekType)
{
    Zone("UTC0");
    auto b = PatternBuilder::Weekly(1, 0x3E, 0, Minutes(2024, 6, 6), 8 * 60);
    b.frequency = 0x200A;
    EXPECT_EQ(Starts(b, Ft(2024, 6, 6, 9), 3),
              (std::vector<std::string>{"2024-06-07 08:00:00", "2024-06-10 08:00:00", "2024-06-11 08:00:00"}));
}

TEST_F(Recurrence, MonthlyOnDay31TakesTheLastDayOfShorterMonths)
{
    Zone("UTC0");
    const auto b = PatternBuilder::MonthlyDay(1, 31, Minutes(2024, 1, 31), 10 * 60);
    EXPECT_EQ(Starts(b, Ft(2024, 1, 1), 5),
              (std::vector<std::string>{"2024-01-31 10:00:00", "2024-02-29 10:00:00", "2024-03-31 10:00:00",
                                        "2024-04-30 10:00:00", "2024-05-31 10:00:00"}));
    EXPECT_EQ(NextStart(b, Ft(2025, 2, 1)), "2025-02-28 10:00:00");
    EXPECT_EQ(NextStart(b, Ft(2100, 2, 1)), "2100-02-28 10:00:00"); // no leap year
    EXPECT_EQ(NextStart(b, Ft(2000 + 400, 2, 1)), "2400-02-29 10:00:00");
}

TEST_F(Recurrence, LastFridayAndSecondTuesday)
{
    Zone("UTC0");
    const auto lastFriday = PatternBuilder::MonthlyNth(1, 0x20, 5, Minutes(2024, 1, 1), 15 * 60);
    EXPECT_EQ(Starts(lastFriday, Ft(2024, 1, 1), 5),
              (std::vector<std::string>{"2024-01-26 15:00:00", "2024-02-23 15:00:00", "2024-03-29 15:00:00",
                                        "2024-04-26 15:00:00", "2024-05-31 15:00:00"}));
    const auto secondTuesday = PatternBuilder::MonthlyNth(1, 0x04, 2, Minutes(2024, 1, 1), 15 * 60);
    EXPECT_EQ(Starts(secondTuesday, Ft(2024, 1, 1), 3),
              (std::vector<std::string>{"2024-01-09 15:00:00", "2024-02-13 15:00:00", "2024-03-12 15:00:00"}));
    // Every third month, the first weekday (Monday to Friday) of the month.
    const auto firstWeekday = PatternBuilder::MonthlyNth(3, 0x3E, 1, Minutes(2024, 6, 1), 15 * 60);
    EXPECT_EQ(Starts(firstWeekday, Ft(2024, 1, 1), 3),
              (std::vector<std::string>{"2024-06-03 15:00:00", "2024-09-02 15:00:00", "2024-12-02 15:00:00"}));
}

TEST_F(Recurrence, Yearly)
{
    Zone("UTC0");
    const auto b = PatternBuilder::MonthlyDay(12, 15, Minutes(2024, 3, 15), 12 * 60);
    EXPECT_EQ(Starts(b, Ft(2024, 1, 1), 3),
              (std::vector<std::string>{"2024-03-15 12:00:00", "2025-03-15 12:00:00", "2026-03-15 12:00:00"}));
    const auto leapDay = PatternBuilder::MonthlyDay(12, 29, Minutes(2024, 2, 29), 12 * 60);
    EXPECT_EQ(Starts(leapDay, Ft(2024, 3, 1), 4),
              (std::vector<std::string>{"2025-02-28 12:00:00", "2026-02-28 12:00:00", "2027-02-28 12:00:00",
                                        "2028-02-29 12:00:00"}));
}

TEST_F(Recurrence, ASeriesStartingNextMonthHasNothingBeforeItsStart)
{
    Zone("Europe/Berlin");
    Now(2024, 6, 10, 8, 0);
    const auto monthly = PatternBuilder::MonthlyDay(1, 5, Minutes(2024, 7, 5), 9 * 60);
    EXPECT_EQ(NextStart(monthly, Ft(2024, 6, 10)), "2024-07-05 09:00:00");
    const auto daily = PatternBuilder::Daily(1, Minutes(2024, 7, 1), 9 * 60);
    EXPECT_EQ(NextStart(daily, Ft(2024, 6, 10)), "2024-07-01 09:00:00");
    const auto weekly = PatternBuilder::Weekly(1, 0x02, 0, Minutes(2024, 7, 3), 9 * 60); // Mondays, from a Wednesday
    EXPECT_EQ(NextStart(weekly, Ft(2024, 6, 10)), "2024-07-08 09:00:00");
    // No reminder of the day before the first occurrence; the first one is the next reminder.
    EXPECT_EQ(DueAndNext(daily, 15), "2024-07-01 06:45:00 / 2024-07-01 06:45:00");
    EXPECT_EQ(NextReminder(monthly, 15), "2024-07-05 06:45:00");
}

TEST_F(Recurrence, AnEndedSeriesHasNoOccurrenceAndNoFurtherReminder)
{
    Zone("Europe/Berlin");
    Now(2024, 6, 10, 8, 0);
    const auto b = PatternBuilder::Daily(1, Minutes(2024, 5, 1), 9 * 60).Until(Minutes(2024, 5, 31));
    EXPECT_EQ(NextStart(b, Ft(2024, 6, 10)), "none");
    EXPECT_EQ(NextStart(b, Ft(2024, 5, 31, 6)), "2024-05-31 09:00:00");
    EXPECT_EQ(NextReminder(b, 15), "0");
    // The last reminder there was stays the due one.
    EXPECT_EQ(DueAndNext(b, 15), "2024-05-31 06:45:00 / 0");
}

TEST_F(Recurrence, AnOccurrenceJustAfterMidnightRemindsTheDayBeforeAndNothingEarlier)
{
    Zone("Europe/Berlin");
    const auto b = PatternBuilder::Daily(1, Minutes(2024, 6, 10), 30);
    Now(2024, 6, 9, 10, 0);
    EXPECT_EQ(DueAndNext(b, 60), "2024-06-09 21:30:00 / 2024-06-09 21:30:00");
    EXPECT_EQ(NextReminder(b, 60), "2024-06-09 21:30:00");
    Now(2024, 6, 9, 21, 45);
    EXPECT_EQ(DueAndNext(b, 60), "2024-06-09 21:30:00 / 2024-06-10 21:30:00");
    EXPECT_EQ(NextReminder(b, 60), "2024-06-10 21:30:00");
}

TEST_F(Recurrence, RemindersBeforeNineMoveByAnHourInUtcAcrossTheChanges)
{
    Zone("Europe/Berlin");
    const auto berlin = PatternBuilder::Daily(1, Minutes(2024, 1, 1), 9 * 60);
    Now(2024, 3, 30, 6, 0);
    EXPECT_EQ(NextReminder(berlin, 15), "2024-03-30 07:45:00");
    Now(2024, 3, 30, 8, 0);
    EXPECT_EQ(NextReminder(berlin, 15), "2024-03-31 06:45:00");
    Now(2024, 10, 26, 6, 0);
    EXPECT_EQ(NextReminder(berlin, 15), "2024-10-26 06:45:00");
    Now(2024, 10, 26, 8, 0);
    EXPECT_EQ(NextReminder(berlin, 15), "2024-10-27 07:45:00");

    Zone("America/New_York");
    const auto newYork = PatternBuilder::Daily(1, Minutes(2024, 1, 1), 9 * 60);
    Now(2024, 3, 9, 12, 0);
    EXPECT_EQ(NextReminder(newYork, 15), "2024-03-09 13:45:00");
    Now(2024, 3, 9, 15, 0);
    EXPECT_EQ(NextReminder(newYork, 15), "2024-03-10 12:45:00");
    Now(2024, 11, 2, 12, 0);
    EXPECT_EQ(NextReminder(newYork, 15), "2024-11-02 12:45:00");
    Now(2024, 11, 2, 13, 0);
    EXPECT_EQ(NextReminder(newYork, 15), "2024-11-03 13:45:00");
}

TEST_F(Recurrence, TheRepeatedHourComparesInstants)
{
    Zone("America/New_York");
    Now(2024, 11, 3, 6, 10); // 01:10 EST, the second pass of the hour
    // Reminding at 01:30 on the second pass: 06:30Z is still to come.
    EXPECT_EQ(NextReminder(PatternBuilder::Daily(1, Minutes(2024, 10, 1), 3 * 60), 90), "2024-11-03 06:30:00");
    // 01:30 of that day counts as the first pass (05:30Z), gone: the next day's 01:30 EST.
    EXPECT_EQ(NextReminder(PatternBuilder::Daily(1, Minutes(2024, 10, 1), 90), 0), "2024-11-04 06:30:00");
    EXPECT_EQ(DueAndNext(PatternBuilder::Daily(1, Minutes(2024, 10, 1), 90), 0),
              "2024-11-03 05:30:00 / 2024-11-04 06:30:00");
}

TEST_F(Recurrence, AReminderInTheSpringGapComesBeforeItsStart)
{
    Zone("Europe/Berlin");
    Now(2024, 3, 31, 0, 0);
    // 03:05 CEST is 01:05Z; fifteen minutes before it is 00:50Z.
    EXPECT_EQ(NextReminder(PatternBuilder::Daily(1, Minutes(2024, 3, 1), 3 * 60 + 5), 15), "2024-03-31 00:50:00");
}

TEST_F(Recurrence, AReminderDaysAfterItsStart)
{
    Zone("Europe/Berlin");
    const auto b = PatternBuilder::Daily(1, Minutes(2024, 6, 1), 9 * 60);
    Now(2024, 6, 10, 10, 0);
    EXPECT_EQ(NextReminder(b, -3 * 1440), "2024-06-11 07:00:00");
    EXPECT_EQ(DueAndNext(b, -3 * 1440), "2024-06-10 07:00:00 / 2024-06-11 07:00:00");
    Now(2024, 6, 1, 12, 0);
    EXPECT_EQ(DueAndNext(b, -3 * 1440), "2024-06-04 07:00:00 / 2024-06-04 07:00:00");
    // Weeks after the start in a weekly series: found all the same.
    const auto weekly = PatternBuilder::Weekly(1, 0x02, 1, Minutes(2024, 6, 3), 9 * 60);
    EXPECT_EQ(NextReminder(weekly, -3 * 10080), "2024-06-24 07:00:00");
}

TEST_F(Recurrence, NextReminderStartsAMinuteAfterTheLaterOfNowAndTheOldDueTime)
{
    Zone("UTC0");
    const auto b = PatternBuilder::Daily(1, Minutes(2024, 1, 1), 9 * 60);
    Now(2024, 6, 10, 8, 45);
    // The reminder at now itself is not the next one.
    EXPECT_EQ(NextReminder(b, 15), "2024-06-11 08:45:00");
    Now(2024, 6, 10, 8, 44, 30);
    EXPECT_EQ(NextReminder(b, 15), "2024-06-10 08:45:00");
    // A later old due time (a snoozed reminder) is kept and searched from.
    Pattern p(b);
    SPropValue old = Time(Ft(2024, 6, 12, 9, 0));
    SPropValue result{};
    ASSERT_EQ(GetNextReminderDueAt(p.get(), 15, &old, &result), S_OK);
    EXPECT_EQ(Show(result.Value.ft), "2024-06-13 08:45:00");
    EXPECT_EQ(Show(old.Value.ft), "2024-06-12 09:00:00");
    // An earlier one becomes now.
    old = Time(Ft(2024, 6, 1));
    ASSERT_EQ(GetNextReminderDueAt(p.get(), 15, &old, &result), S_OK);
    EXPECT_EQ(Show(old.Value.ft), "2024-06-10 08:44:30");
}

TEST_F(Recurrence, DueAtWithAFutureOldDueTimeIsItsCopy)
{
    Zone("Europe/Berlin");
    Now(2024, 6, 10, 8, 0);
    SPropValue old = Time(Ft(2024, 6, 10, 9, 0));
    for (const std::vector<BYTE>& bytes :
         {PatternBuilder::Daily(1, Minutes(2024, 1, 1), 9 * 60).Bytes(), std::vector<BYTE>{1, 2, 3}}) {
        SPropValue pattern{};
        pattern.ulPropTag = PROP_TAG(PT_BINARY, 0x8216);
        pattern.Value.bin = {static_cast<ULONG>(bytes.size()), const_cast<BYTE*>(bytes.data())};
        SPropValue due{}, next{};
        next.Value.ft = kUntouched;
        EXPECT_EQ(GetReminderDueAt(&pattern, 15, &old, &due, &next), S_OK);
        EXPECT_EQ(due.ulPropTag, old.ulPropTag);
        EXPECT_EQ(Show(due.Value.ft), "2024-06-10 09:00:00");
        EXPECT_EQ(Ticks(next.Value.ft), Ticks(kUntouched));
    }
}

TEST_F(Recurrence, ValuesOfTheWrongTypeAreRefused)
{
    Zone("UTC0");
    const std::vector<BYTE> bytes = PatternBuilder::Daily(1, Minutes(2024, 1, 1), 9 * 60).Bytes();
    SPropValue text{};
    text.ulPropTag = PROP_TAG(PT_STRING8, 0x8216);
    text.Value.lpszA = const_cast<char*>("pattern");
    SPropValue pattern{};
    pattern.ulPropTag = PROP_TAG(PT_BINARY, 0x8216);
    pattern.Value.bin = {static_cast<ULONG>(bytes.size()), const_cast<BYTE*>(bytes.data())};
    SPropValue old = Time(Ft(2024, 1, 1));
    SPropValue wrong{};
    wrong.ulPropTag = PROP_TAG(PT_LONG, 0x8560);
    SPropValue due{}, next{}, result{};
    FILETIME after = Ft(2024, 1, 1), start{}, end{};
    EXPECT_EQ(GetNextOccurence(&text, &after, &start, &end), E_INVALIDARG);
    EXPECT_EQ(GetNextReminderDueAt(&text, 15, &old, &result), E_INVALIDARG);
    EXPECT_EQ(GetNextReminderDueAt(&pattern, 15, &wrong, &result), E_INVALIDARG);
    EXPECT_EQ(GetReminderDueAt(&text, 15, &old, &due, &next), E_INVALIDARG);
    EXPECT_EQ(GetReminderDueAt(&pattern, 15, &wrong, &due, &next), E_INVALIDARG);
}

TEST(RecurrenceHelpers, MonthsAndLeapYears)
{
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_EQ(DaysOfMonth(2024, 2), 29);
    EXPECT_EQ(DaysOfMonth(2023, 2), 28);
    EXPECT_EQ(DaysOfMonth(2023, 12), 31);
    struct Case {
        LONGLONG year;
        int month;
        LONGLONG n;
        LONGLONG wantYear;
        int wantMonth;
    } cases[] = {{2024, 1, 0, 2024, 1},    {2024, 11, 2, 2025, 1},  {2024, 12, 12, 2025, 12},
                 {2024, 3, -2, 2024, 1},   {2024, 3, -3, 2023, 12}, {2024, 1, -12, 2023, 1},
                 {2024, 1, -13, 2022, 12}, {2024, 5, 5000, 2441, 1}};
    for (const auto& c : cases) {
        LONGLONG y = c.year;
        int m = c.month;
        AddMonths(y, m, c.n);
        EXPECT_EQ(y, c.wantYear) << c.year << "-" << c.month << " + " << c.n;
        EXPECT_EQ(m, c.wantMonth) << c.year << "-" << c.month << " + " << c.n;
    }
}

TEST(RecurrenceHelpers, TransitionDatesAndConversions)
{
    // The second Sunday of March, whatever weekday the first of March is.
    SYSTEMTIME rule{};
    rule.wMonth = 3;
    rule.wDayOfWeek = 0;
    rule.wDay = 2;
    rule.wHour = 2;
    for (int year : {2019, 2020, 2021, 2022, 2023, 2024, 2025}) {
        SYSTEMTIME date{};
        ASSERT_TRUE(GetTransitionDate(static_cast<WORD>(year), &rule, &date));
        const int expected[] = {10, 8, 14, 13, 12, 10, 9};
        EXPECT_EQ(date.wDay, expected[year - 2019]) << year;
        EXPECT_EQ(date.wHour, 2);
    }
    rule.wDay = 5; // the last Sunday of October 2024
    rule.wMonth = 10;
    SYSTEMTIME date{};
    ASSERT_TRUE(GetTransitionDate(2024, &rule, &date));
    EXPECT_EQ(date.wDay, 27);
    rule.wDay = 6;
    EXPECT_FALSE(GetTransitionDate(2024, &rule, &date));

    const SYSTEMTIME a = St(2024, 3, 31, 1, 59, 59), b = St(2024, 3, 31, 2, 0, 0);
    EXPECT_LT(CompareSystemTime(&a, &b), 0);
    EXPECT_GT(CompareSystemTime(&b, &a), 0);
    SYSTEMTIME c = a;
    c.wDayOfWeek = 3;
    EXPECT_EQ(CompareSystemTime(&a, &c), 0);

    SYSTEMTIME st{};
    ASSERT_TRUE(MinutesToSystemTime(Minutes(2024, 2, 29, 23, 59), &st));
    EXPECT_EQ(Show(st), "2024-02-29 23:59:00");
    const SYSTEMTIME withSeconds = St(2024, 2, 29, 23, 59, 59);
    EXPECT_EQ(SystemTimeToMinutes(&withSeconds), Minutes(2024, 2, 29, 23, 59));
    EXPECT_FALSE(MinutesToSystemTime(-1, &st));
    FILETIME ft = Ft(2024, 1, 1);
    ASSERT_TRUE(AddMinutesToFileTime(&ft, -90));
    EXPECT_EQ(Show(ft), "2023-12-31 22:30:00");
    ft = Ft(1601, 1, 1);
    EXPECT_FALSE(AddMinutesToFileTime(&ft, -1));
    EXPECT_EQ(Ticks(ft), 0u);
}
