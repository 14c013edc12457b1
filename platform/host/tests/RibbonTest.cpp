// The explorer ribbon: the add-in's markup, its callbacks called by name, and the repurposed
// built-in command with its CancelDefault.
#include "HostFixture.h"

#include "host/RibbonMarkup.h"

#include <algorithm>

namespace {

class RibbonHost : public HostFixture {
protected:
    std::unique_ptr<host::HostProgram> Start(const char* version)
    {
        RegisterAddIn();
        host::HostOptions options;
        options.version = version;
        return StartHost(options);
    }
    bool Logged(const std::string& line) const
    {
        const auto log = AddInLog();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
};

} // namespace

TEST_F(RibbonHost, MarkupIsShownAndCallbacksAreCalledByName)
{
    auto program = Start("14.0.7015.1000");
    EXPECT_TRUE(Logged("GetCustomUI MailHost.Explorer"));
    out.str("");
    program->Execute("ribbon");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{
                                    "tab \"Add-Ins\"",
                                    "  group \"Host Test\"",
                                    "    button TestButton \"Test\"",
                                    "    button ShowRemindersWindow \"Re&minders Window\"",
                                    "    button Missing \"Missing\"",
                                }));
    out.str("");
    program->Execute("press TestButton");
    EXPECT_EQ(AddInLog().back(), "ribbon press TestButton in explorer");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"pressed TestButton"});

    out.str("");
    program->Execute("press Missing");
    const auto lines = Lines(out.str());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().rfind("ribbon callback NoSuchCallback of HostTest.AddIn not found", 0), 0u);
    out.str("");
    program->Execute("press Nothing");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"error: no ribbon button Nothing"});
}

TEST_F(RibbonHost, RepurposedCommandRunsUnlessTheAddInCancelsIt)
{
    {
        auto program = Start("14.0.7015.1000");
        out.str("");
        program->Execute("press ShowRemindersWindow"); // the built-in button runs the command
        EXPECT_EQ(AddInLog().back(), "ribbon repurpose ShowRemindersWindow in explorer");
        EXPECT_EQ(Lines(out.str()),
                  (std::vector<std::string>{"command ShowRemindersWindow", "reminders window: 0 due",
                                            "pressed ShowRemindersWindow"}));
    }
    SetDword(HKEY_CURRENT_USER, "Software\\HostTestAddIn", "CancelClicks", 1);
    auto program = Start("14.0.7015.1000");
    out.str("");
    program->Execute("command ShowRemindersWindow");
    EXPECT_EQ(AddInLog().back(), "ribbon repurpose ShowRemindersWindow in explorer cancelled");
    EXPECT_EQ(Lines(out.str()), std::vector<std::string>{"command ShowRemindersWindow cancelled by an add-in"});
}

TEST_F(RibbonHost, OlderHostsHaveNoRibbon)
{
    auto program = Start("12.0.6423.1000");
    EXPECT_FALSE(Logged("GetCustomUI MailHost.Explorer"));
    out.str("");
    program->Execute("ribbon");
    program->Execute("command ShowRemindersWindow");
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"command ShowRemindersWindow", "reminders window: 0 due"}));
}

TEST(RibbonMarkup, ParsesCommandsTabsGroupsAndButtons)
{
    host::RibbonMarkup m;
    std::string error;
    ASSERT_TRUE(host::RibbonMarkup::Parse(
        "<?xml version=\"1.0\"?><ui:customUI xmlns:ui=\"urn:x\"><ui:commands><ui:command idMso=\"A\" onAction=\"B\"/>"
        "</ui:commands><ui:ribbon><ui:tabs><ui:tab id=\"T\" label=\"Tab\"><ui:group id=\"G\">"
        "<ui:button id=\"X\" label=\"%s\" onAction=\"Y\" imageMso=\"I\"/></ui:group></ui:tab></ui:tabs></ui:ribbon>"
        "</ui:customUI>",
        m, error))
        << error;
    ASSERT_EQ(m.commands.size(), 1u);
    EXPECT_EQ(m.commands[0].onAction, "B");
    ASSERT_EQ(m.tabs.size(), 1u);
    ASSERT_EQ(m.tabs[0].groups.size(), 1u);
    ASSERT_EQ(m.tabs[0].groups[0].buttons.size(), 1u);
    EXPECT_EQ(m.tabs[0].groups[0].buttons[0].label, "%s");
    EXPECT_EQ(m.tabs[0].groups[0].buttons[0].imageMso, "I");
}

TEST(RibbonMarkup, RejectsBadMarkupWithALine)
{
    host::RibbonMarkup m;
    std::string error;
    EXPECT_FALSE(host::RibbonMarkup::Parse("<customUI>\n<ribbon>\n</customUI>", m, error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_FALSE(host::RibbonMarkup::Parse("<menu/>", m, error));
    EXPECT_EQ(error, "the root element is <menu>, not <customUI> (line 1)");
    EXPECT_FALSE(host::RibbonMarkup::Parse(
        "<customUI><ribbon><tabs><tab id=\"t\"><group id=\"g\"><button label=\"x\"/></group></tab></tabs></ribbon>"
        "</customUI>",
        m, error));
    EXPECT_EQ(error, "a <button> without id or idMso (line 1)");
    EXPECT_FALSE(host::RibbonMarkup::Parse("", m, error));
}
