#include "TraceTestSupport.h"

#include "base/PlatformRoot.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace {

SYSTEMTIME Noon()
{
    SYSTEMTIME st{};
    st.wYear = 2026;
    st.wMonth = 7;
    st.wDay = 1;
    st.wHour = 12;
    st.wMinute = 34;
    st.wSecond = 56;
    return st;
}

std::optional<std::string> SetTz()
{
    std::optional<std::string> old;
    if (const char* tz = std::getenv("TZ"))
        old = tz;
    setenv("TZ", "UTC0", 1);
    tzset();
    return old;
}

} // namespace

FixedTime::FixedTime()
    : m_oldTz(SetTz()), m_clock(std::make_shared<platform::ManualClock>(Noon(), 5000)), m_scoped(m_clock)
{
}

FixedTime::~FixedTime()
{
    if (m_oldTz)
        setenv("TZ", m_oldTz->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

void WriteIni(const char* name, const std::string& text)
{
    WriteFile(platform::WindowsDirectory() / name, text);
}

std::string PrefixPattern(char letter, const std::string& label, const std::string& source)
{
    std::string escaped;
    for (char c : source) {
        if (c == '.')
            escaped += '\\';
        escaped += c;
    }
    return std::string("\\d\\d:\\d\\d:\\d\\d ") + letter + "\\[" + label + "-" + escaped + ":";
}
