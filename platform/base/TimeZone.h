// Time zones from the process's TZ (POSIX rules or the tz database).
#pragma once

#include "base/WinTypes.h"

// Biases are minutes: UTC = local time + bias. The change dates use the platform's relative
// form when wYear is 0: wMonth, wDayOfWeek (0 = Sunday), wDay = week of the month (1..5,
// 5 = the last), wHour/wMinute of the local time in force before the change.
struct TIME_ZONE_INFORMATION {
    LONG Bias;
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
};
using LPTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;

#define TIME_ZONE_ID_INVALID 0xFFFFFFFFu
#define TIME_ZONE_ID_UNKNOWN 0u
#define TIME_ZONE_ID_STANDARD 1u
#define TIME_ZONE_ID_DAYLIGHT 2u

extern "C" {
// The rules of the current year of the process's zone; TIME_ZONE_ID_UNKNOWN for a zone
// without daylight saving time, otherwise whether daylight saving time is in force now.
DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info);
// A null zone means the process's zone (with its full history); a given zone applies its own rules.
BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal,
                                     LPSYSTEMTIME local);
BOOL TzSpecificLocalTimeToSystemTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* local,
                                     LPSYSTEMTIME universal);
}
