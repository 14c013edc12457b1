// System time, local time, tick count and sleep, all through the active Clock.
#pragma once

#include "base/WinTypes.h"

extern "C" {
void GetSystemTimeAsFileTime(LPFILETIME fileTime);
void GetSystemTime(LPSYSTEMTIME systemTime);
void GetLocalTime(LPSYSTEMTIME localTime);
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void Sleep(DWORD milliseconds);

LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
// Both use the time zone's offset of the present moment (daylight saving time included when it
// is in force now), whatever the date converted, as the platform does.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
}

#include <ctime>

namespace platform {

inline constexpr ULONGLONG kFileTimeTicksPerSecond = 10000000ULL;
// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr LONGLONG kUnixEpochSeconds = 11644473600LL;

inline ULONGLONG FileTimeToUInt64(const FILETIME& ft)
{
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline FILETIME UInt64ToFileTime(ULONGLONG v)
{
    return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFFULL), static_cast<DWORD>(v >> 32)};
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
LONGLONG DaysFromCivil(LONGLONG year, unsigned month, unsigned day);
void CivilFromDays(LONGLONG days, LONGLONG& year, unsigned& month, unsigned& day);
int DaysInMonth(int year, int month);
// 0 = Sunday.
int DayOfWeek(LONGLONG daysSince1970);

// FILETIME units <-> seconds since 1970 (rounding down).
inline LONGLONG FileTimeToUnix(ULONGLONG ft)
{
    return static_cast<LONGLONG>(ft / kFileTimeTicksPerSecond) - kUnixEpochSeconds;
}

// The local wall-clock fields of a UTC instant in the process's TZ.
bool LocalTimeOf(ULONGLONG utcFileTime, std::tm& out);

} // namespace platform
