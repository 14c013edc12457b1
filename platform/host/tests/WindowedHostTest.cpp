// The host with windows, under a virtual display: it starts, shows its explorer, runs a script
// against it (an add-in's button, the ribbon, an inspector) and quits cleanly.
#include "HostFixture.h"

#include "VirtualDisplay.h"

#include <algorithm>

TEST_F(HostFixture, WindowedHostShowsItsExplorerAndQuitsCleanly)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    RegisterAddIn();
    const std::string item = CreateInboxMessage("Hello");
    std::vector<std::string> lines;
    std::string text;
    ASSERT_EQ(RunWindowedHost("click tag Host Test Button\nribbon\ndisplay " + item + "\nquit\n", lines, &text), 0)
        << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "explorer window shown"), lines.end()) << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "    button TestButton \"Test\""), lines.end()) << text;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "inspector window shown"), lines.end()) << text;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "host stopped");
    const auto log = AddInLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "click 1 id=1"), log.end());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "OnDisconnection mode=0");
}
