#include "firewall/FirewallRule.h"

#include <vector>

namespace platform::firewall {

namespace {

constexpr std::string_view kVersion = "v2.10";

std::vector<std::string_view> SplitFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    while (!text.empty()) {
        const auto bar = text.find('|');
        fields.push_back(text.substr(0, bar));
        if (bar == std::string_view::npos)
            break;
        text.remove_prefix(bar + 1);
    }
    return fields;
}

} // namespace

bool IsStorableField(std::string_view value)
{
    return value.find('|') == std::string_view::npos;
}

std::string FirewallRule::Format() const
{
    std::string text(kVersion);
    text += action == Action::Allow ? "|Action=Allow" : "|Action=Block";
    text += active ? "|Active=TRUE" : "|Active=FALSE";
    text += direction == Direction::In ? "|Dir=In" : "|Dir=Out";
    if (program)
        text += "|App=" + *program;
    text += "|Name=" + name + "|";
    return text;
}

std::optional<FirewallRule> FirewallRule::Parse(std::string_view text)
{
    const auto fields = SplitFields(text);
    if (fields.empty() || fields.front().substr(0, 2) != "v2")
        return std::nullopt;
    FirewallRule rule;
    bool haveName = false, haveDir = false, haveAction = false;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const auto eq = fields[i].find('=');
        if (eq == std::string_view::npos)
            continue;
        const auto key = fields[i].substr(0, eq);
        const auto value = fields[i].substr(eq + 1);
        if (key == "Name") {
            rule.name = value;
            haveName = true;
        } else if (key == "App") {
            rule.program = std::string(value);
        } else if (key == "Dir") {
            if (value == "In")
                rule.direction = Direction::In;
            else if (value == "Out")
                rule.direction = Direction::Out;
            else
                return std::nullopt;
            haveDir = true;
        } else if (key == "Action") {
            if (value == "Allow")
                rule.action = Action::Allow;
            else if (value == "Block")
                rule.action = Action::Block;
            else
                return std::nullopt;
            haveAction = true;
        } else if (key == "Active") {
            rule.active = value == "TRUE";
        }
    }
    if (!haveName || !haveDir || !haveAction)
        return std::nullopt;
    return rule;
}

} // namespace platform::firewall
