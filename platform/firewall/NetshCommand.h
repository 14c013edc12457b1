// The part of the platform's "netsh" that manages firewall rules:
//   netsh advfirewall firewall add rule name=<name> dir=in|out action=allow|block
//         [program=<path>] [enable=yes|no]
//   netsh advfirewall firewall delete rule name=<name> [dir=in|out] [program=<path>]
// Words and parameter names are compared without regard to letter case. Each argument is
// taken as given: a value runs from the first '=' to the end of its argument.
#pragma once

#include "firewall/FirewallRule.h"
#include "firewall/FirewallRules.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace platform::firewall {

class NetshCommand {
public:
    struct AddRule {
        FirewallRule rule;
    };
    struct DeleteRule {
        RuleCriteria criteria;
    };
    using Command = std::variant<AddRule, DeleteRule>;

    // Parses the arguments after the program name. On failure returns false and `error`
    // says what is wrong.
    static bool Parse(std::span<const std::string_view> args, Command& command, std::string& error);

    // Parses and carries out the command: "Ok." on `out` and 0 on success;
    // "No rules match the specified criteria." and 1 for a delete that finds nothing;
    // a message on `err` and 1 for anything else.
    static int Run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
};

} // namespace platform::firewall
