// One rule of the platform's firewall, as the firewall keeps it: a REG_SZ value of the form
// "v2.10|Action=Allow|Active=TRUE|Dir=In|App=<program>|Name=<name>|" (App only when the rule
// names a program).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::firewall {

enum class Direction { In, Out };
enum class Action { Allow, Block };

struct FirewallRule {
    std::string name;
    Direction direction = Direction::In;
    Action action = Action::Allow;
    bool active = true;
    std::optional<std::string> program;

    std::string Format() const;
    // The rule stored in `text`, or nothing when the text is not a rule (no version, no name,
    // an unknown direction or action).
    static std::optional<FirewallRule> Parse(std::string_view text);
};

// '|' separates the fields of a stored rule, so no name or program may contain it.
bool IsStorableField(std::string_view value);

} // namespace platform::firewall
