#include "TimeFixture.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

ScopedTz::ScopedTz(const char* tz)
{
    if (const char* old = std::getenv("TZ"))
        m_old = old;
    setenv("TZ", tz, 1);
    tzset();
}

ScopedTz::~ScopedTz()
{
    if (m_old)
        setenv("TZ", m_old->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

namespace {

const char* const kLocaleVariables[] = {"LANG", "LC_ALL", "LC_TIME"};

} // namespace

ScopedLang::ScopedLang(const char* lang)
{
    for (int i = 0; i < 3; ++i) {
        if (const char* old = std::getenv(kLocaleVariables[i]))
            m_old[i] = old;
        unsetenv(kLocaleVariables[i]);
    }
    setenv("LANG", lang, 1);
}

ScopedLang::~ScopedLang()
{
    for (int i = 0; i < 3; ++i) {
        if (m_old[i])
            setenv(kLocaleVariables[i], m_old[i]->c_str(), 1);
        else
            unsetenv(kLocaleVariables[i]);
    }
}

SYSTEMTIME St(int y, int mo, int d, int h, int mi, int s)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    return st;
}

FILETIME Ft(int y, int mo, int d, int h, int mi, int s)
{
    const SYSTEMTIME st = St(y, mo, d, h, mi, s);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

ULONGLONG Ticks(const FILETIME& ft)
{
    return platform::FileTimeToUInt64(ft);
}

ULONG Minutes(int y, int mo, int d, int h, int mi)
{
    return static_cast<ULONG>(Ticks(Ft(y, mo, d, h, mi)) / 600000000ULL);
}

std::string Show(const SYSTEMTIME& st)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    return text;
}

std::string Show(const FILETIME& ft)
{
    if (Ticks(ft) == 0)
        return "0";
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&ft, &st))
        return "invalid";
    return Show(st);
}
