#include "base/WinTime.h"

#include "base/Clock.h"
#include "base/LastError.h"
#include "base/WinError.h"

#include <ctime>

namespace platform {

LONGLONG DaysFromCivil(LONGLONG y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const LONGLONG era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<LONGLONG>(doe) - 719468;
}

void CivilFromDays(LONGLONG z, LONGLONG& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const LONGLONG era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<LONGLONG>(yoe) + era * 400 + (m <= 2);
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return days[month - 1];
}

int DayOfWeek(LONGLONG days)
{
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((days % 7) + 11) % 7);
}

bool LocalTimeOf(ULONGLONG utcFileTime, std::tm& out)
{
    ::tzset(); // TZ may have changed since the last call
    const std::time_t t = static_cast<std::time_t>(FileTimeToUnix(utcFileTime));
    return ::localtime_r(&t, &out) != nullptr;
}

} // namespace platform

using namespace platform;

namespace {

void FillSystemTime(ULONGLONG ft, SYSTEMTIME& st)
{
    const ULONGLONG seconds = ft / kFileTimeTicksPerSecond;
    const LONGLONG days = static_cast<LONGLONG>(seconds / 86400) - kUnixEpochSeconds / 86400;
    const ULONGLONG secondOfDay = seconds % 86400;
    LONGLONG y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    st.wDayOfWeek = static_cast<WORD>(DayOfWeek(days));
    st.wHour = static_cast<WORD>(secondOfDay / 3600);
    st.wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
    st.wSecond = static_cast<WORD>(secondOfDay % 60);
    st.wMilliseconds = static_cast<WORD>(ft / 10000 % 1000);
}

// The offset of local time from UTC, in seconds, at the present moment.
LONGLONG CurrentOffsetSeconds()
{
    std::tm tm{};
    if (!LocalTimeOf(ActiveClock()->utcNow(), tm))
        return 0;
    return tm.tm_gmtoff;
}

} // namespace

void GetSystemTimeAsFileTime(LPFILETIME fileTime)
{
    if (fileTime)
        *fileTime = UInt64ToFileTime(ActiveClock()->utcNow());
}

void GetSystemTime(LPSYSTEMTIME systemTime)
{
    if (systemTime)
        FillSystemTime(ActiveClock()->utcNow(), *systemTime);
}

void GetLocalTime(LPSYSTEMTIME localTime)
{
    if (!localTime)
        return;
    const ULONGLONG now = ActiveClock()->utcNow();
    std::tm tm{};
    if (!LocalTimeOf(now, tm)) {
        FillSystemTime(now, *localTime);
        return;
    }
    localTime->wYear = static_cast<WORD>(tm.tm_year + 1900);
    localTime->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    localTime->wDay = static_cast<WORD>(tm.tm_mday);
    localTime->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    localTime->wHour = static_cast<WORD>(tm.tm_hour);
    localTime->wMinute = static_cast<WORD>(tm.tm_min);
    localTime->wSecond = static_cast<WORD>(tm.tm_sec);
    localTime->wMilliseconds = static_cast<WORD>(now / 10000 % 1000);
}

DWORD GetTickCount()
{
    return static_cast<DWORD>(ActiveClock()->tickCount()); // wraps after 49.7 days, as it does there
}

ULONGLONG GetTickCount64()
{
    return ActiveClock()->tickCount();
}

void Sleep(DWORD milliseconds)
{
    ActiveClock()->sleep(milliseconds);
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b)
{
    const ULONGLONG x = FileTimeToUInt64(*a);
    const ULONGLONG y = FileTimeToUInt64(*b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME fileTime)
{
    if (!st || !fileTime || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 ||
        st->wDay < 1 || st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 ||
        st->wSecond > 59 || st->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const LONGLONG days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) + kUnixEpochSeconds / 86400;
    const ULONGLONG seconds = static_cast<ULONGLONG>(days) * 86400 + st->wHour * 3600ULL + st->wMinute * 60ULL + st->wSecond;
    *fileTime = UInt64ToFileTime(seconds * kFileTimeTicksPerSecond + st->wMilliseconds * 10000ULL);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime)
{
    if (!fileTime || !systemTime || (fileTime->dwHighDateTime & 0x80000000)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FillSystemTime(FileTimeToUInt64(*fileTime), *systemTime);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime)
{
    if (!fileTime || !localFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const LONGLONG shift = CurrentOffsetSeconds() * static_cast<LONGLONG>(kFileTimeTicksPerSecond);
    *localFileTime = UInt64ToFileTime(FileTimeToUInt64(*fileTime) + static_cast<ULONGLONG>(shift));
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime)
{
    if (!fileTime || !localFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const LONGLONG shift = CurrentOffsetSeconds() * static_cast<LONGLONG>(kFileTimeTicksPerSecond);
    *fileTime = UInt64ToFileTime(FileTimeToUInt64(*localFileTime) - static_cast<ULONGLONG>(shift));
    return TRUE;
}
