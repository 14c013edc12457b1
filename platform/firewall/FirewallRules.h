// The firewall's rule list in the registry: one REG_SZ value per rule under
// HKLM\SYSTEM\CurrentControlSet\Services\SharedAccess\Parameters\FirewallPolicy\FirewallRules,
// named by a new GUID ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}").
#pragma once

#include "base/WinTypes.h"
#include "firewall/FirewallRule.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::firewall {

inline constexpr const char* kFirewallRulesKey =
    "SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\FirewallRules";

// What a delete selects: the name (letter case ignored), and the direction and program (the
// program exactly as given: paths here are case-sensitive) when they are given.
struct RuleCriteria {
    std::string name;
    std::optional<Direction> direction;
    std::optional<std::string> program;

    bool Matches(const FirewallRule& rule) const;
};

class FirewallRules {
public:
    // Stores a rule under a new value name; returns ERROR_SUCCESS or the registry's error.
    static LONG Add(const FirewallRule& rule, std::string* valueName = nullptr);
    // Deletes every rule that matches; `deleted` counts them. Values that are not rules are
    // left alone.
    static LONG Delete(const RuleCriteria& criteria, int& deleted);
    // All stored rules with their value names, in the registry's order.
    static LONG List(std::vector<std::pair<std::string, FirewallRule>>& rules);
};

} // namespace platform::firewall
