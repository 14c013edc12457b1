#include "firewall/NetshCommand.h"

#include "base/WinError.h"

#include <map>
#include <ostream>

namespace platform::firewall {

namespace {

constexpr const char* kUsage =
    "Usage: netsh advfirewall firewall add rule name=<name> dir=in|out action=allow|block [program=<path>] "
    "[enable=yes|no]\n"
    "       netsh advfirewall firewall delete rule name=<name> [dir=in|out] [program=<path>]";

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return lower;
}

std::string Join(std::span<const std::string_view> args)
{
    std::string text;
    for (auto arg : args) {
        if (!text.empty())
            text += ' ';
        text += arg;
    }
    return text;
}

// name=value arguments, each name at most once and from the allowed set.
bool ParseParameters(std::span<const std::string_view> args, std::span<const std::string_view> allowed,
                     std::map<std::string, std::string>& values, std::string& error)
{
    for (auto arg : args) {
        const auto eq = arg.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            error = "'" + std::string(arg) + "' is not of the form <parameter>=<value>.";
            return false;
        }
        const std::string key = Lower(arg.substr(0, eq));
        bool known = false;
        for (auto name : allowed)
            known = known || key == name;
        if (!known) {
            error = "'" + std::string(arg.substr(0, eq)) + "' is not a valid parameter for this command.";
            return false;
        }
        if (!values.emplace(key, std::string(arg.substr(eq + 1))).second) {
            error = "The parameter '" + key + "' is given more than once.";
            return false;
        }
    }
    return true;
}

std::string InvalidValue(const std::string& key, const std::string& value)
{
    return "'" + value + "' is not a valid value for '" + key + "'.";
}

bool ParseName(std::map<std::string, std::string>& values, std::string& name, std::string& error)
{
    auto it = values.find("name");
    if (it == values.end()) {
        error = "The parameter 'name' is required.";
        return false;
    }
    if (it->second.empty() || !IsStorableField(it->second)) {
        error = InvalidValue("name", it->second);
        return false;
    }
    name = it->second;
    return true;
}

bool ParseDirection(const std::string& value, Direction& direction)
{
    const std::string v = Lower(value);
    if (v == "in")
        direction = Direction::In;
    else if (v == "out")
        direction = Direction::Out;
    else
        return false;
    return true;
}

bool ParseProgram(std::map<std::string, std::string>& values, std::optional<std::string>& program,
                  std::string& error)
{
    auto it = values.find("program");
    if (it == values.end())
        return true;
    if (it->second.empty() || !IsStorableField(it->second)) {
        error = InvalidValue("program", it->second);
        return false;
    }
    program = it->second;
    return true;
}

} // namespace

bool NetshCommand::Parse(std::span<const std::string_view> args, Command& command, std::string& error)
{
    if (args.size() < 4 || Lower(args[0]) != "advfirewall" || Lower(args[1]) != "firewall" ||
        Lower(args[3]) != "rule" || (Lower(args[2]) != "add" && Lower(args[2]) != "delete")) {
        error = args.empty() ? std::string(kUsage)
                             : "The following command was not found: " + Join(args) + ".\n" + kUsage;
        return false;
    }
    std::map<std::string, std::string> values;
    const auto parameters = args.subspan(4);
    if (Lower(args[2]) == "add") {
        static constexpr std::string_view allowed[] = {"name", "dir", "action", "program", "enable"};
        if (!ParseParameters(parameters, allowed, values, error))
            return false;
        AddRule add;
        if (!ParseName(values, add.rule.name, error))
            return false;
        for (const char* required : {"dir", "action"}) {
            if (!values.count(required)) {
                error = std::string("The parameter '") + required + "' is required.";
                return false;
            }
        }
        if (!ParseDirection(values["dir"], add.rule.direction)) {
            error = InvalidValue("dir", values["dir"]);
            return false;
        }
        const std::string action = Lower(values["action"]);
        if (action == "allow")
            add.rule.action = Action::Allow;
        else if (action == "block")
            add.rule.action = Action::Block;
        else {
            error = InvalidValue("action", values["action"]);
            return false;
        }
        if (!ParseProgram(values, add.rule.program, error))
            return false;
        if (auto it = values.find("enable"); it != values.end()) {
            const std::string enable = Lower(it->second);
            if (enable == "yes")
                add.rule.active = true;
            else if (enable == "no")
                add.rule.active = false;
            else {
                error = InvalidValue("enable", it->second);
                return false;
            }
        }
        command = std::move(add);
        return true;
    }

    static constexpr std::string_view allowed[] = {"name", "dir", "program"};
    if (!ParseParameters(parameters, allowed, values, error))
        return false;
    DeleteRule del;
    if (!ParseName(values, del.criteria.name, error))
        return false;
    if (auto it = values.find("dir"); it != values.end()) {
        Direction direction;
        if (!ParseDirection(it->second, direction)) {
            error = InvalidValue("dir", it->second);
            return false;
        }
        del.criteria.direction = direction;
    }
    if (!ParseProgram(values, del.criteria.program, error))
        return false;
    command = std::move(del);
    return true;
}

int NetshCommand::Run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    Command command;
    std::string error;
    if (!Parse(args, command, error)) {
        err << error << std::endl;
        return 1;
    }
    if (auto* add = std::get_if<AddRule>(&command)) {
        if (LONG rc = FirewallRules::Add(add->rule); rc != ERROR_SUCCESS) {
            err << "The rule could not be stored (error " << rc << ")." << std::endl;
            return 1;
        }
        out << "Ok." << std::endl;
        return 0;
    }
    int deleted = 0;
    if (LONG rc = FirewallRules::Delete(std::get<DeleteRule>(command).criteria, deleted); rc != ERROR_SUCCESS) {
        err << "The rules could not be deleted (error " << rc << ")." << std::endl;
        return 1;
    }
    if (deleted == 0) {
        out << "No rules match the specified criteria." << std::endl;
        return 1;
    }
    out << "Deleted " << deleted << " rule(s)." << std::endl << "Ok." << std::endl;
    return 0;
}

} // namespace platform::firewall
