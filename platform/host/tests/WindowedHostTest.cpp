// The host with windows, under a virtual display: it starts, shows its explorer, runs a script
// against it (an add-in's button, the ribbon, an inspector) and quits cleanly.
#include "HostFixture.h"

#include "base/Process.h"

#include <cstdlib>
#include <fstream>

TEST_F(HostFixture, WindowedHostShowsItsExplorerAndQuitsCleanly)
{
    if (platform::FindProgram("xvfb-run").empty())
        GTEST_SKIP() << "xvfb-run is not installed";
    RegisterAddIn();
    const std::string item = CreateInboxMessage("Hello");
    const auto script = root.path() / "script.txt";
    std::ofstream(script) << "click tag Host Test Button\nribbon\ndisplay " << item << "\nquit\n";
    const auto output = root.path() / "out.txt";
    // Under the sanitizers the toolkit's own libraries keep memory to the end; that is not ours.
    const std::string leaks = "LSAN_OPTIONS=print_suppressions=0:suppressions='" + std::string(TOOLKIT_LEAKS) + "' ";
    const std::string command = leaks + "xvfb-run -a '" + std::string(MAILHOST_PROGRAM) + "' --script '" + script.string() +
                                "' > '" + output.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(output);
    std::stringstream text;
    text << in.rdbuf();
    const auto lines = Lines(text.str());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "explorer window shown"), lines.end()) << text.str();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "    button TestButton \"Test\""), lines.end()) << text.str();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "inspector window shown"), lines.end()) << text.str();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "host stopped");
    const auto log = AddInLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "click 1 id=1"), log.end());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "OnDisconnection mode=0");
}
