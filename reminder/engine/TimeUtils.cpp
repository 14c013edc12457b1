#include "TimeUtils.h"

#include "base/Locale.h"
#include "base/WinTime.h"

#include <vector>

namespace {

constexpr LONGLONG kTicksPerMinute = 600000000LL;

// One text of GetDateFormatA or GetTimeFormatA, in a buffer of the size the call asks for.
template <class Format>
std::string LocaleText(Format format, DWORD flags, const SYSTEMTIME& st)
{
    const int size = format(LOCALE_USER_DEFAULT, flags, &st, nullptr, nullptr, 0);
    if (size <= 0)
        return {};
    std::vector<char> text(static_cast<std::size_t>(size));
    if (format(LOCALE_USER_DEFAULT, flags, &st, nullptr, text.data(), size) <= 0)
        return {};
    return text.data();
}

std::string DateText(const FILETIME& ft, bool withTime)
{
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&ft, &st))
        return {};
    std::string text = LocaleText(GetDateFormatA, 0, st);
    if (withTime)
        text += " " + LocaleText(GetTimeFormatA, TIME_NOSECONDS, st);
    return text;
}

bool IsTime(const SPropValue* value)
{
    return value && PROP_TYPE(value->ulPropTag) == PT_SYSTIME;
}

} // namespace

BOOL TransitionToSystemTime(WORD year, const SYSTEMTIME* rule, FILETIME* out)
{
    if (!rule || !out || rule->wMonth == 0 || rule->wYear != 0)
        return FALSE;
    if (rule->wMonth > 12 || rule->wDayOfWeek > 6 || rule->wDay < 1 || rule->wDay > 5 || rule->wHour > 23 ||
        rule->wMinute > 59 || year < 1601 || year > 30826)
        return FALSE;
    // The first such weekday of a month.
    auto firstWeekday = [&](LONGLONG y, unsigned m) {
        const LONGLONG first = platform::DaysFromCivil(y, m, 1);
        return first + (rule->wDayOfWeek - platform::DayOfWeek(first) + 7) % 7;
    };
    LONGLONG day; // days since 1970
    if (rule->wDay <= 4) {
        day = firstWeekday(year, rule->wMonth) + 7LL * (rule->wDay - 1);
    } else {
        // The last one: the first of the next month, one week back (December goes on into January).
        const LONGLONG y = rule->wMonth == 12 ? year + 1 : year;
        const unsigned m = rule->wMonth == 12 ? 1 : rule->wMonth + 1u;
        day = firstWeekday(y, m) - 7;
    }
    const LONGLONG minutes = (day + platform::kUnixEpochSeconds / 86400) * 1440 + rule->wHour * 60 + rule->wMinute;
    *out = platform::UInt64ToFileTime(static_cast<ULONGLONG>(minutes * kTicksPerMinute));
    return TRUE;
}

BOOL UtcToLocalFileTime(const FILETIME* utc, FILETIME* local)
{
    if (!utc || !local)
        return FALSE;
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(utc, &st))
        return FALSE;
    const auto value = static_cast<LONGLONG>(platform::FileTimeToUInt64(*utc));
    LONG extra = 0;
    if (zone.StandardDate.wMonth != 0) {
        extra = zone.StandardBias;
        FILETIME toDaylight{}, toStandard{};
        if (TransitionToSystemTime(st.wYear, &zone.DaylightDate, &toDaylight) &&
            TransitionToSystemTime(st.wYear, &zone.StandardDate, &toStandard)) {
            // Both changes as UTC instants: each rule's time is written on the clock it ends.
            const LONGLONG daylightLocal = static_cast<LONGLONG>(platform::FileTimeToUInt64(toDaylight));
            const LONGLONG standardLocal = static_cast<LONGLONG>(platform::FileTimeToUInt64(toStandard));
            const LONGLONG start = daylightLocal + (zone.Bias + zone.StandardBias) * kTicksPerMinute;
            const LONGLONG end = standardLocal + (zone.Bias + zone.DaylightBias) * kTicksPerMinute;
            bool daylight;
            if (standardLocal <= daylightLocal) // southern hemisphere: daylight time spans the new year
                daylight = !(value >= end && value < start);
            else
                daylight = value >= start && value < end;
            if (daylight)
                extra = zone.DaylightBias;
        }
    }
    const LONGLONG result = value - (zone.Bias + extra) * kTicksPerMinute;
    if (result < 0)
        return FALSE;
    *local = platform::UInt64ToFileTime(static_cast<ULONGLONG>(result));
    return TRUE;
}

std::string FormatDateText(const SPropValue* value)
{
    return IsTime(value) ? DateText(value->Value.ft, false) : std::string();
}

std::string FormatDateTimeText(const FILETIME* time)
{
    return time ? DateText(*time, true) : std::string();
}

std::string FormatRelativeDateTimeText(const SPropValue* value)
{
    FILETIME local{};
    if (!IsTime(value) || !UtcToLocalFileTime(&value->Value.ft, &local))
        return {};
    return DateText(local, true);
}
