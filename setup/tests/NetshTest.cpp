// The platform's netsh, run as a program, and its rule text.
#include "RunChild.h"
#include "RegistryState.h"
#include "TempRoot.h"
#include "firewall/FirewallRule.h"
#include "firewall/FirewallRules.h"

#include <gtest/gtest.h>

using platform::firewall::Action;
using platform::firewall::Direction;
using platform::firewall::FirewallRule;
using platform::firewall::FirewallRules;

namespace {

const std::string kRules =
    "SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\FirewallRules";

ChildResult Netsh(const std::vector<std::string>& args)
{
    return RunChild(std::string(TOOLS_DIR) + "/netsh", args);
}

std::vector<std::string> StoredRules()
{
    std::vector<std::string> texts;
    for (const auto& [name, data] : AllValues(HKEY_LOCAL_MACHINE, kRules))
        texts.push_back(data);
    std::sort(texts.begin(), texts.end());
    return texts;
}

std::vector<std::string> Add(const std::string& name, const std::string& program, const std::string& dir = "in")
{
    return {"advfirewall", "firewall", "add", "rule", "name=" + name, "dir=" + dir, "action=allow",
            "program=" + program};
}

} // namespace

TEST(FirewallRuleText, FormatAndParse)
{
    FirewallRule rule{"Engine", Direction::In, Action::Allow, true, "/opt/x y/BRN32.exe"};
    EXPECT_EQ(rule.Format(), "v2.10|Action=Allow|Active=TRUE|Dir=In|App=/opt/x y/BRN32.exe|Name=Engine|");
    FirewallRule other{"Out rule", Direction::Out, Action::Block, false, std::nullopt};
    EXPECT_EQ(other.Format(), "v2.10|Action=Block|Active=FALSE|Dir=Out|Name=Out rule|");
    for (const FirewallRule& r : {rule, other}) {
        auto back = FirewallRule::Parse(r.Format());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->Format(), r.Format());
    }
    // Fields this firewall does not use are skipped; rules without name, direction or action are not rules.
    auto parsed = FirewallRule::Parse("v2.10|Action=Allow|Active=TRUE|Dir=In|Protocol=6|LPort=135|Name=Ports|");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->name, "Ports");
    EXPECT_FALSE(parsed->program);
    EXPECT_FALSE(FirewallRule::Parse("Action=Allow|Dir=In|Name=x|"));
    EXPECT_FALSE(FirewallRule::Parse("v2.10|Action=Allow|Dir=In|"));
    EXPECT_FALSE(FirewallRule::Parse("v2.10|Action=Maybe|Dir=In|Name=x|"));
    EXPECT_FALSE(FirewallRule::Parse("v2.10|Action=Allow|Dir=Up|Name=x|"));
    EXPECT_FALSE(FirewallRule::Parse(""));
}

TEST(Netsh, AddStoresTheRuleAndSaysOk)
{
    TempRoot root;
    const std::string program = "/srv/a \"b\" $c `d`; e\\BRN32.exe";
    ChildResult r = Netsh(Add("Brisanne Server Engine", program));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Ok.\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(StoredRules(), (std::vector<std::string>{"sz:v2.10|Action=Allow|Active=TRUE|Dir=In|App=" + program +
                                                       "|Name=Brisanne Server Engine|\\0"}));
    // Words, parameter names and keyword values in any letter case; enable=no; no program.
    r = Netsh({"AdvFirewall", "FIREWALL", "Add", "Rule", "NAME=Other", "Dir=OUT", "Action=Block", "enable=No"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::pair<std::string, FirewallRule>> rules;
    ASSERT_EQ(FirewallRules::List(rules), 0);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(StoredRules()[1], "sz:v2.10|Action=Block|Active=FALSE|Dir=Out|Name=Other|\\0");
}

TEST(Netsh, SameNameTwiceMakesTwoRules)
{
    TempRoot root;
    Netsh(Add("Twin", "/a"));
    Netsh(Add("Twin", "/a"));
    EXPECT_EQ(StoredRules().size(), 2u);
    const ChildResult r = Netsh({"advfirewall", "firewall", "delete", "rule", "name=twin"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Deleted 2 rule(s).\nOk.\n");
    EXPECT_TRUE(StoredRules().empty());
}

TEST(Netsh, DeleteSelectsByNameDirectionAndProgram)
{
    TempRoot root;
    Netsh(Add("Engine", "/one"));
    Netsh(Add("Engine", "/two"));
    Netsh(Add("Engine", "/one", "out"));
    Netsh(Add("Other", "/one"));
    ChildResult r = Netsh({"advfirewall", "firewall", "delete", "rule", "name=Engine", "program=/ONE"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "No rules match the specified criteria.\n");
    EXPECT_EQ(StoredRules().size(), 4u);
    r = Netsh({"advfirewall", "firewall", "delete", "rule", "name=Engine", "dir=in", "program=/one"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Deleted 1 rule(s).\nOk.\n");
    r = Netsh({"advfirewall", "firewall", "delete", "rule", "name=ENGINE"});
    EXPECT_EQ(r.out, "Deleted 2 rule(s).\nOk.\n");
    EXPECT_EQ(StoredRules(), (std::vector<std::string>{"sz:v2.10|Action=Allow|Active=TRUE|Dir=In|App=/one|Name=Other|\\0"}));
}

TEST(Netsh, DeleteLeavesValuesThatAreNoRules)
{
    TempRoot root;
    SetString(HKEY_LOCAL_MACHINE, kRules, "Odd", "not a rule");
    SetDword(HKEY_LOCAL_MACHINE, kRules, "Number", 5);
    ChildResult r = Netsh({"advfirewall", "firewall", "delete", "rule", "name=not a rule"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "No rules match the specified criteria.\n");
    EXPECT_EQ(AllValues(HKEY_LOCAL_MACHINE, kRules).size(), 2u);
}

TEST(Netsh, BadCommandLinesChangeNothing)
{
    TempRoot root;
    Netsh(Add("Keep", "/keep"));
    const auto before = AllValues(HKEY_LOCAL_MACHINE);
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"advfirewall"},
        {"advfirewall", "firewall", "show", "rule", "name=all"},
        {"advfirewall", "firewall", "add", "rules", "name=x", "dir=in", "action=allow"},
        {"firewall", "add", "allowedprogram", "/x"},
        {"advfirewall", "firewall", "add", "rule", "dir=in", "action=allow"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "action=allow"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir=in"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir=sideways", "action=allow"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir=in", "action=maybe"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir=in", "action=allow", "enable=perhaps"},
        {"advfirewall", "firewall", "add", "rule", "name=", "dir=in", "action=allow"},
        {"advfirewall", "firewall", "add", "rule", "name=a|b", "dir=in", "action=allow"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir=in", "action=allow", "program=/a|b"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir=in", "action=allow", "program="},
        {"advfirewall", "firewall", "add", "rule", "name=x", "name=y", "dir=in", "action=allow"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir=in", "action=allow", "protocol=tcp"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "dir", "in", "action=allow"},
        {"advfirewall", "firewall", "add", "rule", "name=x", "=in", "action=allow"},
        {"advfirewall", "firewall", "delete", "rule"},
        {"advfirewall", "firewall", "delete", "rule", "name=Keep", "action=allow"},
        {"advfirewall", "firewall", "delete", "rule", "name=Keep", "dir=both"},
    };
    for (const auto& args : bad) {
        const ChildResult r = Netsh(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(r.exitCode, 1) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_FALSE(r.err.empty()) << line;
    }
    EXPECT_EQ(AllValues(HKEY_LOCAL_MACHINE), before);
}

TEST(Netsh, ErrorTextsNameTheProblem)
{
    TempRoot root;
    const std::string usage =
        "Usage: netsh advfirewall firewall add rule name=<name> dir=in|out action=allow|block [program=<path>] "
        "[enable=yes|no]\n"
        "       netsh advfirewall firewall delete rule name=<name> [dir=in|out] [program=<path>]\n";
    EXPECT_EQ(Netsh({}).err, usage);
    EXPECT_EQ(Netsh({"advfirewall", "firewall", "show", "rule"}).err,
              "The following command was not found: advfirewall firewall show rule.\n" + usage);
    EXPECT_EQ(Netsh({"advfirewall", "firewall", "add", "rule", "name=x", "dir=up", "action=allow"}).err,
              "'up' is not a valid value for 'dir'.\n");
    EXPECT_EQ(Netsh({"advfirewall", "firewall", "add", "rule", "name=x", "dir=in"}).err,
              "The parameter 'action' is required.\n");
    EXPECT_EQ(Netsh({"advfirewall", "firewall", "delete", "rule", "Name=x", "colour=red"}).err,
              "'colour' is not a valid parameter for this command.\n");
}
