#include "RegKeyPath.h"

#include "base/Utf.h"

namespace {

struct RootName {
    const char* shortName;
    const char* longName;
    HKEY key;
};

const RootName kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

} // namespace

std::optional<RegKeyPath> RegKeyPath::Parse(std::string_view text)
{
    const std::size_t sep = text.find('\\');
    const std::string_view root = text.substr(0, sep);
    std::string_view rest = sep == std::string_view::npos ? std::string_view() : text.substr(sep + 1);
    while (!rest.empty() && rest.back() == '\\')
        rest.remove_suffix(1);
    // Doubled separators would name an empty key.
    if (rest.find("\\\\") != std::string_view::npos || (!rest.empty() && rest.front() == '\\'))
        return std::nullopt;
    for (const auto& r : kRoots) {
        if (platform::EqualNoCase(root, r.shortName) || platform::EqualNoCase(root, r.longName)) {
            RegKeyPath path;
            path.m_root = r.key;
            path.m_rootName = r.longName;
            path.m_subKey = std::string(rest);
            return path;
        }
    }
    return std::nullopt;
}

std::string RegKeyPath::Display() const
{
    return m_subKey.empty() ? m_rootName : m_rootName + "\\" + m_subKey;
}

RegKeyPath RegKeyPath::Child(const std::string& name) const
{
    RegKeyPath child = *this;
    child.m_subKey = m_subKey.empty() ? name : m_subKey + "\\" + name;
    return child;
}
