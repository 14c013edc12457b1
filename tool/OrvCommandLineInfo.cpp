#include "OrvCommandLineInfo.h"

#include <strings.h>

namespace {

bool EqualsNoCase(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// Trailing white space off, then double quotes at the end and at the start.
std::string ProfileName(std::string name)
{
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r' || name.back() == '\n'))
        name.pop_back();
    while (!name.empty() && name.back() == '"')
        name.pop_back();
    std::size_t start = 0;
    while (start < name.size() && name[start] == '"')
        ++start;
    return name.substr(start);
}

} // namespace

void COrvCommandLineInfo::ParseParam(const char* param, BOOL bFlag, BOOL /*bLast*/)
{
    if (!bFlag) {
        if (m_strFileName.empty())
            m_strFileName = param;
        return;
    }
    if (EqualsNoCase(param, "olstart"))
        m_bOlStart = true;
    else if (EqualsNoCase(param, "olstop"))
        m_bOlStop = true;
    else if (EqualsNoCase(param, "autosync"))
        m_bAutoSync = true;
    else if (strncasecmp(param, "profile:", 8) == 0)
        m_strProfile = ProfileName(param + 8);
}

void COrvCommandLineInfo::ParseCommandLine(const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool flag = !word.empty() && (word[0] == '/' || word[0] == '-');
        ParseParam(flag ? word.c_str() + 1 : word.c_str(), flag ? TRUE : FALSE, i + 1 == args.size() ? TRUE : FALSE);
    }
}
