#include "base/TimeZone.h"

#include "base/Clock.h"
#include "base/LastError.h"
#include "base/Utf.h"
#include "base/WinError.h"
#include "base/WinTime.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

using namespace platform;

namespace {

constexpr LONGLONG kTicksPerMinute = 60LL * static_cast<LONGLONG>(kFileTimeTicksPerSecond);

struct Offset {
    long seconds; // east of UTC
    bool dst;
};

Offset OffsetAt(std::time_t t)
{
    std::tm tm{};
    ::localtime_r(&t, &tm);
    return Offset{tm.tm_gmtoff, tm.tm_isdst > 0};
}

// The first second at or after lo where daylight saving changes to the state at hi; the state
// at lo differs from that at hi.
std::time_t FindChange(std::time_t lo, std::time_t hi)
{
    const bool target = OffsetAt(hi).dst;
    while (hi - lo > 1) {
        const std::time_t mid = lo + (hi - lo) / 2;
        if (OffsetAt(mid).dst == target)
            hi = mid;
        else
            lo = mid;
    }
    return hi;
}

// A change instant as the platform writes it: the wall clock before the change, in the
// relative "n-th weekday of the month" form.
SYSTEMTIME RelativeDate(std::time_t change, long offsetBefore)
{
    const LONGLONG local = static_cast<LONGLONG>(change) + offsetBefore;
    LONGLONG days = local / 86400;
    LONGLONG secondOfDay = local % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    LONGLONG y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    SYSTEMTIME st{};
    st.wMonth = static_cast<WORD>(m);
    st.wDayOfWeek = static_cast<WORD>(DayOfWeek(days));
    WORD week = static_cast<WORD>((d - 1) / 7 + 1);
    if (static_cast<int>(d) + 7 > DaysInMonth(static_cast<int>(y), static_cast<int>(m)))
        week = 5; // the last such weekday of the month
    st.wDay = week;
    st.wHour = static_cast<WORD>(secondOfDay / 3600);
    st.wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
    st.wSecond = static_cast<WORD>(secondOfDay % 60);
    return st;
}

void CopyName(WCHAR (&target)[32], const char* name)
{
    std::memset(target, 0, sizeof target);
    const std::u16string wide = Utf8ToUtf16(name ? name : "");
    for (std::size_t i = 0; i < wide.size() && i < 31; ++i)
        target[i] = wide[i];
}

// The day (days since 1970) on which a change date falls in the given year.
std::optional<LONGLONG> ChangeDay(const SYSTEMTIME& date, int year)
{
    if (date.wMonth < 1 || date.wMonth > 12)
        return std::nullopt;
    if (date.wYear != 0) // absolute form: only for that year
        return date.wYear == year ? std::optional<LONGLONG>(DaysFromCivil(year, date.wMonth, date.wDay))
                                  : std::nullopt;
    const LONGLONG first = DaysFromCivil(year, date.wMonth, 1);
    const int shift = (date.wDayOfWeek - DayOfWeek(first) + 7) % 7;
    LONGLONG day = first + shift + 7LL * (date.wDay - 1);
    const LONGLONG last = first + DaysInMonth(year, date.wMonth) - 1;
    while (day > last)
        day -= 7;
    return day;
}

// The change as local wall-clock time of that year, in FILETIME units since 1601.
std::optional<LONGLONG> ChangeLocal(const SYSTEMTIME& date, int year)
{
    const auto day = ChangeDay(date, year);
    if (!day)
        return std::nullopt;
    const LONGLONG seconds = (*day + kUnixEpochSeconds / 86400) * 86400 + date.wHour * 3600LL + date.wMinute * 60LL +
                             date.wSecond;
    return seconds * static_cast<LONGLONG>(kFileTimeTicksPerSecond) + date.wMilliseconds * 10000LL;
}

bool UsesDaylight(const TIME_ZONE_INFORMATION& zone)
{
    return zone.DaylightDate.wMonth != 0 && zone.StandardDate.wMonth != 0;
}

// Whether daylight saving time is in force; 'value' is UTC when 'isLocal' is false, otherwise
// local wall-clock time (daylight time at the end of the period, as written in StandardDate).
bool InDaylight(const TIME_ZONE_INFORMATION& zone, LONGLONG value, int year, bool isLocal)
{
    if (!UsesDaylight(zone))
        return false;
    auto start = ChangeLocal(zone.DaylightDate, year); // standard wall clock
    auto end = ChangeLocal(zone.StandardDate, year);   // daylight wall clock
    if (!start || !end)
        return false;
    if (!isLocal) {
        *start += (zone.Bias + zone.StandardBias) * kTicksPerMinute;
        *end += (zone.Bias + zone.DaylightBias) * kTicksPerMinute;
    }
    if (*start < *end)
        return value >= *start && value < *end;
    return value >= *start || value < *end; // southern hemisphere: the period spans the new year
}

int YearOf(LONGLONG fileTime)
{
    SYSTEMTIME st;
    const FILETIME ft = UInt64ToFileTime(static_cast<ULONGLONG>(fileTime));
    FileTimeToSystemTime(&ft, &st);
    return st.wYear;
}

} // namespace

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info)
{
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return TIME_ZONE_ID_INVALID;
    }
    ::tzset();
    std::memset(info, 0, sizeof *info);
    CopyName(info->StandardName, tzname[0]);
    CopyName(info->DaylightName, tzname[1]);

    const auto now = static_cast<std::time_t>(FileTimeToUnix(ActiveClock()->utcNow()));
    const Offset current = OffsetAt(now);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    const std::time_t yearStart =
        static_cast<std::time_t>(DaysFromCivil(tm.tm_year + 1900, 1, 1) * 86400 - current.seconds);
    const std::time_t yearEnd =
        static_cast<std::time_t>(DaysFromCivil(tm.tm_year + 1901, 1, 1) * 86400 - current.seconds);

    // Walk the year a day at a time and pin each change of daylight saving to the second. That
    // is a few hundred conversions, so the walk is kept for the zone and year (callers convert
    // times in loops).
    struct Walk {
        std::string zone;
        std::time_t yearStart = 0;
        std::optional<std::time_t> toDaylight, toStandard;
        std::optional<Offset> standard, daylight;
    };
    thread_local std::optional<Walk> walked;
    const char* zoneVar = std::getenv("TZ");
    const std::string zone = zoneVar ? std::string("=") + zoneVar : std::string();
    if (!walked || walked->zone != zone || walked->yearStart != yearStart) {
        Walk w;
        w.zone = zone;
        w.yearStart = yearStart;
        Offset previous = OffsetAt(yearStart);
        for (std::time_t t = yearStart; t < yearEnd;) {
            const std::time_t next = t + 86400 < yearEnd ? t + 86400 : yearEnd;
            const Offset o = OffsetAt(next);
            (previous.dst ? w.daylight : w.standard) = previous;
            if (o.dst != previous.dst) {
                const std::time_t change = FindChange(t, next);
                (o.dst ? w.toDaylight : w.toStandard) = change;
            }
            previous = o;
            t = next;
        }
        (previous.dst ? w.daylight : w.standard) = previous;
        walked = std::move(w);
    }
    const auto& [walkZone, walkStart, toDaylight, toStandard, standard, daylight] = *walked;

    if (!toDaylight || !toStandard || !standard || !daylight) {
        // No daylight saving this year: the offset in force now is the zone's bias.
        info->Bias = static_cast<LONG>(-current.seconds / 60);
        return TIME_ZONE_ID_UNKNOWN;
    }
    info->Bias = static_cast<LONG>(-standard->seconds / 60);
    info->StandardBias = 0;
    info->DaylightBias = static_cast<LONG>(-(daylight->seconds - standard->seconds) / 60);
    info->DaylightDate = RelativeDate(*toDaylight, standard->seconds);
    info->StandardDate = RelativeDate(*toStandard, daylight->seconds);
    return current.dst ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal,
                                     LPSYSTEMTIME local)
{
    FILETIME ft;
    if (!universal || !local || !SystemTimeToFileTime(universal, &ft)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto utc = static_cast<LONGLONG>(FileTimeToUInt64(ft));
    LONGLONG offsetTicks;
    if (!zone) {
        std::tm tm{};
        if (!LocalTimeOf(static_cast<ULONGLONG>(utc), tm)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        offsetTicks = tm.tm_gmtoff * static_cast<LONGLONG>(kFileTimeTicksPerSecond);
    } else {
        const bool dst = InDaylight(*zone, utc, universal->wYear, false);
        offsetTicks = -(zone->Bias + (dst ? zone->DaylightBias : zone->StandardBias)) * kTicksPerMinute;
    }
    const FILETIME localFt = UInt64ToFileTime(static_cast<ULONGLONG>(utc + offsetTicks));
    return FileTimeToSystemTime(&localFt, local);
}

BOOL TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* local,
                                     LPSYSTEMTIME universal)
{
    FILETIME ft;
    if (!local || !universal || !SystemTimeToFileTime(local, &ft)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto localTicks = static_cast<LONGLONG>(FileTimeToUInt64(ft));
    LONGLONG utc;
    if (!zone) {
        ::tzset();
        std::tm tm{};
        tm.tm_year = local->wYear - 1900;
        tm.tm_mon = local->wMonth - 1;
        tm.tm_mday = local->wDay;
        tm.tm_hour = local->wHour;
        tm.tm_min = local->wMinute;
        tm.tm_sec = local->wSecond;
        tm.tm_isdst = -1;
        const std::time_t t = ::mktime(&tm);
        utc = (static_cast<LONGLONG>(t) + kUnixEpochSeconds) * static_cast<LONGLONG>(kFileTimeTicksPerSecond) +
              local->wMilliseconds * 10000LL;
    } else {
        const bool dst = InDaylight(*zone, localTicks, YearOf(localTicks), true);
        utc = localTicks + (zone->Bias + (dst ? zone->DaylightBias : zone->StandardBias)) * kTicksPerMinute;
    }
    if (utc < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FILETIME utcFt = UInt64ToFileTime(static_cast<ULONGLONG>(utc));
    return FileTimeToSystemTime(&utcFt, universal);
}
