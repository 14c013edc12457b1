#include "Recurrence.h"

#include "RecurrencePattern.h"
#include "TraceScope.h"
#include "base/TimeZone.h"
#include "base/WinTime.h"

#include <algorithm>
#include <limits>

namespace {

constexpr LONGLONG kTicksPerMinute = 600000000LL;
constexpr LONGLONG kMinutesPerDay = 1440;
constexpr LONGLONG kMinutesPerWeek = 10080;
constexpr LONGLONG kDays1601To1970 = platform::kUnixEpochSeconds / 86400;
// FILETIME values are below 2^63 (the platform refuses the others).
constexpr LONGLONG kLastMinute = std::numeric_limits<LONGLONG>::max() / kTicksPerMinute;
// A day start later than every end date: the stepping has gone past the representable years.
constexpr LONGLONG kBeyond = std::numeric_limits<LONGLONG>::max() / 4;

const int kDaysPerMonth[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

LONGLONG PosMod(LONGLONG a, LONGLONG m)
{
    const LONGLONG r = a % m;
    return r < 0 ? r + m : r;
}

LONGLONG FloorDiv(LONGLONG a, LONGLONG m)
{
    return (a - PosMod(a, m)) / m;
}

// Minutes since 1601 of a date's midnight, and the date of a minute.
LONGLONG MidnightMinutes(LONGLONG year, int month, int day)
{
    return (platform::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kDays1601To1970) *
           kMinutesPerDay;
}

void DateOfMinutes(LONGLONG minutes, LONGLONG& year, int& month, int& day)
{
    unsigned m = 1, d = 1;
    platform::CivilFromDays(FloorDiv(minutes, kMinutesPerDay) - kDays1601To1970, year, m, d);
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

// 0 = Sunday.
int WeekdayOf(LONGLONG year, int month, int day)
{
    return platform::DayOfWeek(platform::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)));
}

bool MinutesToFileTime(LONGLONG minutes, FILETIME& ft)
{
    if (minutes < 0 || minutes > kLastMinute)
        return false;
    ft = platform::UInt64ToFileTime(static_cast<ULONGLONG>(minutes) * kTicksPerMinute);
    return true;
}

LONGLONG FileTimeMinutes(const FILETIME& ft)
{
    return static_cast<LONGLONG>(platform::FileTimeToUInt64(ft) / kTicksPerMinute);
}

// The zone's annual rule, read once per expansion: local minutes to UTC minutes.
class ZoneRule {
public:
    ZoneRule()
    {
        GetTimeZoneInformation(&m_zone);
        m_annual = m_zone.StandardDate.wMonth != 0 && m_zone.DaylightDate.wMonth != 0 &&
                   m_zone.StandardDate.wYear == 0 && m_zone.DaylightDate.wYear == 0;
    }

    LONGLONG LocalToUtc(LONGLONG local)
    {
        return local + m_zone.Bias + (m_annual ? (InDaylight(local) ? m_zone.DaylightBias : m_zone.StandardBias) : 0);
    }

    // The largest bias the zone applies (UTC = local + bias).
    LONGLONG MaxBias() const
    {
        return m_annual ? m_zone.Bias + std::max(m_zone.StandardBias, m_zone.DaylightBias) : m_zone.Bias;
    }

private:
    bool InDaylight(LONGLONG local)
    {
        LONGLONG year = 0;
        int month = 0, day = 0;
        DateOfMinutes(local, year, month, day);
        if (year != m_year) {
            m_year = year;
            m_valid = ChangeMinutes(year, m_zone.DaylightDate, m_toDaylight) &&
                      ChangeMinutes(year, m_zone.StandardDate, m_toStandard);
        }
        if (!m_valid)
            return false;
        if (m_toDaylight < m_toStandard)
            return local >= m_toDaylight && local < m_toStandard;
        return local < m_toStandard || local >= m_toDaylight; // southern hemisphere
    }

    // The local time of a change: its day and the rule's hour and minute (the clock before it).
    static bool ChangeMinutes(LONGLONG year, const SYSTEMTIME& rule, LONGLONG& minutes)
    {
        SYSTEMTIME date{};
        if (year < 1601 || year > 30827 || !GetTransitionDate(static_cast<WORD>(year), &rule, &date))
            return false;
        minutes = MidnightMinutes(year, date.wMonth, date.wDay) + date.wHour * 60LL + date.wMinute;
        return true;
    }

    TIME_ZONE_INFORMATION m_zone{};
    bool m_annual = false;
    LONGLONG m_year = -1;
    bool m_valid = false;
    LONGLONG m_toDaylight = 0;
    LONGLONG m_toStandard = 0;
};

// The day starts (local minutes) that a pattern's rule gives, in ascending order, beginning a
// whole period before the one at or before `from`, so that the candidate before the first that
// counts is seen too. Day starts before the series' start date are handed out as well; the
// searches skip them.
class Candidates {
public:
    Candidates(const CRecurrencePattern& p, LONGLONG from) : m_p(p)
    {
        switch (p.patternType) {
        case CRecurrencePattern::kDay:
            m_step = p.period;
            m_base = from - PosMod(from - p.firstDateTime, m_step) - m_step;
            break;
        case CRecurrencePattern::kWeek:
            m_step = p.period * kMinutesPerWeek;
            m_base = from - PosMod(from - p.firstDateTime, m_step) - m_step;
            break;
        default: {
            LONGLONG year = 0, fromYear = 0;
            int month = 0, fromMonth = 0, day = 0;
            DateOfMinutes(p.startDate, year, month, day);
            DateOfMinutes(from, fromYear, fromMonth, day);
            m_startYear = year;
            m_startMonth = month;
            const LONGLONG months = (fromYear * 12 + fromMonth - 1) - (year * 12 + month - 1);
            m_index = std::max<LONGLONG>(0, FloorDiv(months, p.period) - 1);
            break;
        }
        }
    }

    LONGLONG Next()
    {
        switch (m_p.patternType) {
        case CRecurrencePattern::kDay: {
            const LONGLONG t = m_base;
            m_base += m_step;
            return t;
        }
        case CRecurrencePattern::kWeek:
            for (;;) {
                if (m_day == 7) {
                    m_day = 0;
                    m_base += m_step;
                }
                const int i = m_day++;
                if (m_p.dayMask & (1u << ((i + m_p.firstDayOfWeek) % 7)))
                    return m_base + i * kMinutesPerDay;
            }
        default:
            return NextMonthly();
        }
    }

private:
    LONGLONG NextMonthly()
    {
        LONGLONG year = m_startYear;
        int month = m_startMonth;
        AddMonths(year, month, m_index * static_cast<LONGLONG>(m_p.period));
        ++m_index;
        if (year > 9999)
            return kBeyond;
        const int days = DaysOfMonth(year, month);
        int day = 0;
        if (m_p.patternType == CRecurrencePattern::kMonthDay) {
            day = std::min(static_cast<int>(m_p.dayOfMonth), days);
        } else if (m_p.nth == 5) {
            for (day = days; !(m_p.dayMask & (1u << WeekdayOf(year, month, day))); --day) {
            }
        } else {
            ULONG found = 0;
            for (day = 1; day <= days; ++day)
                if ((m_p.dayMask & (1u << WeekdayOf(year, month, day))) && ++found == m_p.nth)
                    break;
        }
        return MidnightMinutes(year, month, day);
    }

    const CRecurrencePattern& m_p;
    LONGLONG m_step = 0;
    LONGLONG m_base = 0;
    int m_day = 0;
    LONGLONG m_startYear = 0;
    int m_startMonth = 1;
    LONGLONG m_index = 0;
};

LONGLONG Clamp(LONGLONG v, const CRecurrencePattern& p)
{
    return std::clamp<LONGLONG>(v, p.startDate, p.endDate);
}

// The occurrence search: the day start of the first occurrence whose start is at or after r
// (local minutes).
bool FindOccurrence(const CRecurrencePattern& p, LONGLONG r, LONGLONG& found)
{
    Candidates candidates(p, Clamp(r - p.startOffset, p));
    for (;;) {
        const LONGLONG t = candidates.Next();
        if (t > p.endDate)
            return false;
        if (t < p.startDate)
            continue; // no occurrence before the series begins
        if (r <= t + p.startOffset) {
            found = t;
            return true;
        }
    }
}

struct ReminderTimes {
    bool hasLast = false;
    bool hasNext = false;
    LONGLONG last = 0; // UTC minutes
    LONGLONG next = 0;
};

// The reminder-time search: a candidate reminds at its start instant minus the reminder minutes;
// the first reminder at or after r (UTC minutes) and the one before it.
ReminderTimes FindReminderTimes(const CRecurrencePattern& p, ZoneRule& zone, LONGLONG r, LONG reminderMinutes)
{
    ReminderTimes times;
    // 1601-01-01 00:00 and earlier cannot be handed out: FILETIME 0 means none.
    r = std::max<LONGLONG>(r, 1);
    // No day start before this one can remind at or after r, whatever offset holds then.
    const LONGLONG earliest = r + reminderMinutes - p.startOffset - zone.MaxBias();
    Candidates candidates(p, Clamp(earliest, p));
    for (;;) {
        const LONGLONG t = candidates.Next();
        if (t > p.endDate)
            break;
        if (t < p.startDate)
            continue;
        const LONGLONG reminder = zone.LocalToUtc(t + p.startOffset) - reminderMinutes;
        if (reminder >= r) {
            times.hasNext = true;
            times.next = reminder;
            break;
        }
        times.hasLast = reminder > 0;
        times.last = reminder;
    }
    return times;
}

void SetTime(SPropValue* value, bool has, LONGLONG minutes)
{
    FILETIME ft{};
    if (!has || !MinutesToFileTime(minutes, ft))
        ft = FILETIME{};
    value->ulPropTag = CHANGE_PROP_TYPE(value->ulPropTag, PT_SYSTIME);
    value->Value.ft = ft;
}

bool IsBinary(const SPropValue* value)
{
    return value && PROP_TYPE(value->ulPropTag) == PT_BINARY && (value->Value.bin.cb == 0 || value->Value.bin.lpb);
}

bool IsTime(const SPropValue* value)
{
    return value && PROP_TYPE(value->ulPropTag) == PT_SYSTIME;
}

HRESULT ReadPattern(const SPropValue* pattern, CRecurrencePattern& p)
{
    if (!IsBinary(pattern)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pattern is not PT_BINARY. failed hr=0x%08lx\n", E_INVALIDARG);
        return E_INVALIDARG;
    }
    return p.Read(pattern->Value.bin.lpb, pattern->Value.bin.cb);
}

} // namespace

BOOL IsLeapYear(LONGLONG year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysOfMonth(LONGLONG year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    return kDaysPerMonth[IsLeapYear(year) ? 1 : 0][month - 1];
}

void AddMonths(LONGLONG& year, int& month, LONGLONG n)
{
    if (n >= 0) {
        const LONGLONG v = month + n - 1;
        month = static_cast<int>(v % 12 + 1);
        year += v / 12;
        return;
    }
    const LONGLONG m = -n;
    if (month <= m % 12) {
        month += static_cast<int>(12 - m % 12);
        year -= m / 12 + 1;
    } else {
        month -= static_cast<int>(m % 12);
        year -= m / 12;
    }
}

BOOL GetTransitionDate(WORD year, const SYSTEMTIME* rule, SYSTEMTIME* date)
{
    if (!rule || !date || rule->wMonth < 1 || rule->wMonth > 12 || rule->wDayOfWeek > 6 || rule->wDay < 1 ||
        rule->wDay > 5 || rule->wHour > 23 || rule->wMinute > 59)
        return FALSE;
    int day;
    if (rule->wDay <= 4) {
        const int w1 = WeekdayOf(year, rule->wMonth, 1);
        day = static_cast<int>(PosMod(rule->wDayOfWeek - w1, 7)) + (rule->wDay - 1) * 7 + 1;
    } else {
        const int last = DaysOfMonth(year, rule->wMonth);
        const int wl = WeekdayOf(year, rule->wMonth, last);
        day = last - static_cast<int>(PosMod(wl - rule->wDayOfWeek, 7));
    }
    *date = SYSTEMTIME{};
    date->wYear = year;
    date->wMonth = rule->wMonth;
    date->wDay = static_cast<WORD>(day);
    date->wDayOfWeek = rule->wDayOfWeek;
    date->wHour = rule->wHour;
    date->wMinute = rule->wMinute;
    return TRUE;
}

BOOL LocalToUtcWithDst(const SYSTEMTIME* local, SYSTEMTIME* utc)
{
    FILETIME ft{};
    if (!local || !utc || !SystemTimeToFileTime(local, &ft))
        return FALSE;
    ZoneRule zone;
    const LONGLONG minutes = FileTimeMinutes(ft);
    const LONGLONG bias = zone.LocalToUtc(minutes) - minutes;
    const LONGLONG ticks = static_cast<LONGLONG>(platform::FileTimeToUInt64(ft)) + bias * kTicksPerMinute;
    if (ticks < 0)
        return FALSE;
    const FILETIME result = platform::UInt64ToFileTime(static_cast<ULONGLONG>(ticks));
    return FileTimeToSystemTime(&result, utc);
}

int CompareSystemTime(const SYSTEMTIME* a, const SYSTEMTIME* b)
{
    const int fields[][2] = {{a->wYear, b->wYear},     {a->wMonth, b->wMonth},   {a->wDay, b->wDay},
                             {a->wHour, b->wHour},     {a->wMinute, b->wMinute}, {a->wSecond, b->wSecond},
                             {a->wMilliseconds, b->wMilliseconds}};
    for (const auto& f : fields)
        if (f[0] != f[1])
            return f[0] - f[1];
    return 0;
}

BOOL MinutesToSystemTime(LONGLONG minutes, SYSTEMTIME* st)
{
    FILETIME ft{};
    return st && MinutesToFileTime(minutes, ft) && FileTimeToSystemTime(&ft, st);
}

LONGLONG SystemTimeToMinutes(const SYSTEMTIME* st)
{
    FILETIME ft{};
    if (!st || !SystemTimeToFileTime(st, &ft))
        return -1;
    return FileTimeMinutes(ft);
}

BOOL AddMinutesToFileTime(FILETIME* ft, LONGLONG minutes)
{
    if (!ft)
        return FALSE;
    const auto value = static_cast<LONGLONG>(platform::FileTimeToUInt64(*ft));
    LONGLONG delta = 0;
    LONGLONG result = 0;
    if (value < 0 || __builtin_mul_overflow(minutes, kTicksPerMinute, &delta) ||
        __builtin_add_overflow(value, delta, &result) || result < 0)
        return FALSE;
    *ft = platform::UInt64ToFileTime(static_cast<ULONGLONG>(result));
    return TRUE;
}

HRESULT GetNextOccurence(const SPropValue* pattern, const FILETIME* after, FILETIME* start, FILETIME* end)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetNextOccurence", &hr);
    CRecurrencePattern p;
    SYSTEMTIME utc{}, local{};
    LONGLONG found = 0;
    LONGLONG r = -1;
    if (!after || !start || !end) {
        hr = E_INVALIDARG;
        goto Exit;
    }
    hr = ReadPattern(pattern, p);
    if (FAILED(hr))
        goto Exit;
    if (FileTimeToSystemTime(after, &utc) && SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        r = SystemTimeToMinutes(&local);
    else if (platform::FileTimeToUInt64(*after) < 864000000000ULL)
        r = 0; // local time before 1601: every occurrence comes after it
    if (r < 0) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "SystemTimeToTzSpecificLocalTime() failed. hr=0x%08lx\n", hr);
        goto Exit;
    }
    if (FindOccurrence(p, r, found)) {
        if (!MinutesToFileTime(found + p.startOffset, *start) || !MinutesToFileTime(found + p.endOffset, *end)) {
            hr = E_INVALIDARG;
            goto Exit;
        }
    }
Exit:
    if (FAILED(hr)) {
        if (start)
            *start = FILETIME{};
        if (end)
            *end = FILETIME{};
    }
    return hr;
}

HRESULT GetNextReminderDueAt(const SPropValue* pattern, LONG reminderMinutes, SPropValue* oldDue, SPropValue* result)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetNextReminderDueAt", &hr);
    CRecurrencePattern p;
    ReminderTimes times;
    FILETIME now{};
    if (!IsTime(oldDue) || !result) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "old due time is not PT_SYSTIME. failed hr=0x%08lx\n", hr);
        goto Exit;
    }
    hr = ReadPattern(pattern, p);
    if (FAILED(hr))
        goto Exit;
    GetSystemTimeAsFileTime(&now);
    if (CompareFileTime(&now, &oldDue->Value.ft) > 0)
        oldDue->Value.ft = now;
    {
        ZoneRule zone;
        times = FindReminderTimes(p, zone, FileTimeMinutes(oldDue->Value.ft) + 1, reminderMinutes);
    }
    if (times.hasNext)
        SetTime(result, true, times.next);
    else
        result->Value.ft = FILETIME{};
Exit:
    if (FAILED(hr) && result)
        result->Value.ft = FILETIME{};
    return hr;
}

HRESULT GetReminderDueAt(const SPropValue* pattern, LONG reminderMinutes, const SPropValue* oldDue, SPropValue* due,
                         SPropValue* next)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetReminderDueAt", &hr);
    CRecurrencePattern p;
    ReminderTimes times;
    FILETIME now{};
    if (!IsTime(oldDue) || !due || !next) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "old due time is not PT_SYSTIME. failed hr=0x%08lx\n", hr);
        goto Exit;
    }
    if (!IsBinary(pattern)) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pattern is not PT_BINARY. failed hr=0x%08lx\n", hr);
        goto Exit;
    }
    GetSystemTimeAsFileTime(&now);
    if (CompareFileTime(&now, &oldDue->Value.ft) <= 0) {
        *due = *oldDue; // still to come, whatever the pattern holds
        goto Exit;
    }
    hr = ReadPattern(pattern, p);
    if (FAILED(hr))
        goto Exit;
    {
        ZoneRule zone;
        times = FindReminderTimes(p, zone, FileTimeMinutes(now), reminderMinutes);
    }
    SetTime(next, times.hasNext, times.next);
    if (times.hasLast)
        SetTime(due, true, times.last);
    else
        SetTime(due, times.hasNext, times.next);
Exit:
    if (FAILED(hr)) {
        if (due)
            due->Value.ft = FILETIME{};
        if (next)
            next->Value.ft = FILETIME{};
    }
    return hr;
}
