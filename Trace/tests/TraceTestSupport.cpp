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

namespace {

bool Digits(const std::string& s, std::size_t at, std::size_t count)
{
    if (at + count > s.size())
        return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

} // namespace

bool IsPrefixedLine(const std::string& line, char letter, const std::string& label, const std::string& source,
                    const std::string& text)
{
    if (!Digits(line, 0, 2) || line.compare(2, 1, ":") != 0 || !Digits(line, 3, 2) || line.compare(5, 1, ":") != 0 ||
        !Digits(line, 6, 2))
        return false;
    const std::string head = std::string(" ") + letter + "[" + label + "-" + source + ":";
    if (line.compare(8, head.size(), head) != 0)
        return false;
    std::size_t at = 8 + head.size();
    const std::size_t digitsStart = at;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9')
        ++at;
    return at > digitsStart && line.compare(at, std::string::npos, "] " + text) == 0;
}

bool IsDate(const std::string& line)
{
    return line.size() == 10 && Digits(line, 0, 4) && line[4] == '-' && Digits(line, 5, 2) && line[7] == '-' &&
           Digits(line, 8, 2);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}
