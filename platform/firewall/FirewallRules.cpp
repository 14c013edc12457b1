#include "firewall/FirewallRules.h"

#include "base/WinError.h"
#include "registry/Registry.h"

#include <cstdio>
#include <random>

namespace platform::firewall {

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string NewGuidText()
{
    std::random_device random;
    unsigned char bytes[16];
    for (int i = 0; i < 16; i += 4) {
        const unsigned value = random();
        for (int j = 0; j < 4; ++j)
            bytes[i + j] = static_cast<unsigned char>(value >> (8 * j));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // variant 1
    char text[39];
    std::snprintf(text, sizeof(text), "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                  bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

class Key {
public:
    ~Key()
    {
        if (handle)
            RegCloseKey(handle);
    }
    HKEY handle = nullptr;
};

} // namespace

bool RuleCriteria::Matches(const FirewallRule& rule) const
{
    if (!EqualsNoCase(rule.name, name))
        return false;
    if (direction && rule.direction != *direction)
        return false;
    if (program && rule.program != *program)
        return false;
    return true;
}

LONG FirewallRules::Add(const FirewallRule& rule, std::string* valueName)
{
    Key key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFirewallRulesKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key.handle, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    const std::string text = rule.Format();
    std::string name;
    // A fresh GUID practically never repeats; checking keeps an existing rule safe regardless.
    do {
        name = NewGuidText();
        rc = RegQueryValueExA(key.handle, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    } while (rc == ERROR_SUCCESS);
    rc = RegSetValueExA(key.handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
    if (rc == ERROR_SUCCESS && valueName)
        *valueName = name;
    return rc;
}

LONG FirewallRules::List(std::vector<std::pair<std::string, FirewallRule>>& rules)
{
    rules.clear();
    Key key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFirewallRulesKey, 0, KEY_QUERY_VALUE, &key.handle);
    if (rc == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD maxName = 0, maxData = 0;
    rc = RegQueryInfoKeyA(key.handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                          &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::string name(maxName + 1, '\0');
    std::string data(maxData + 1, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        rc = RegEnumValueA(key.handle, index, name.data(), &nameSize, nullptr, &type,
                           reinterpret_cast<LPBYTE>(data.data()), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS)
            return rc;
        if (type != REG_SZ)
            continue;
        std::string_view text(data.data(), dataSize);
        if (auto nul = text.find('\0'); nul != std::string_view::npos)
            text = text.substr(0, nul);
        if (auto rule = FirewallRule::Parse(text))
            rules.emplace_back(std::string(name.data(), nameSize), std::move(*rule));
    }
}

LONG FirewallRules::Delete(const RuleCriteria& criteria, int& deleted)
{
    deleted = 0;
    std::vector<std::pair<std::string, FirewallRule>> rules;
    LONG rc = List(rules);
    if (rc != ERROR_SUCCESS)
        return rc;
    Key key;
    for (const auto& [valueName, rule] : rules) {
        if (!criteria.Matches(rule))
            continue;
        if (!key.handle) {
            rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFirewallRulesKey, 0, KEY_SET_VALUE, &key.handle);
            if (rc != ERROR_SUCCESS)
                return rc;
        }
        rc = RegDeleteValueA(key.handle, valueName.c_str());
        if (rc != ERROR_SUCCESS)
            return rc;
        ++deleted;
    }
    return ERROR_SUCCESS;
}

} // namespace platform::firewall
