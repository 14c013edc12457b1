#include "base/CommandInterpreter.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Sets or clears COMSPEC for one test.
class ComspecScope {
public:
    explicit ComspecScope(const char* value)
    {
        if (const char* old = std::getenv("COMSPEC"))
            m_old = old;
        if (value)
            setenv("COMSPEC", value, 1);
        else
            unsetenv("COMSPEC");
    }
    ~ComspecScope()
    {
        if (m_old.empty())
            unsetenv("COMSPEC");
        else
            setenv("COMSPEC", m_old.c_str(), 1);
    }

private:
    std::string m_old;
};

} // namespace

TEST(CommandInterpreter, RunsThroughTheShellAndReturnsTheExitCode)
{
    TempRoot root;
    ComspecScope comspec(nullptr);
    EXPECT_STREQ(platform::CommandInterpreter(), "/bin/sh");
    EXPECT_EQ(platform::system("exit 0"), 0);
    EXPECT_EQ(platform::system("exit 3"), 3);
    EXPECT_EQ(platform::system("exit 255"), 255);
    const fs::path out = root.path() / "out.txt";
    EXPECT_EQ(platform::system(("echo 'a b' \"$((1+2))\" > '" + out.string() + "'").c_str()), 0);
    EXPECT_EQ(ReadFile(out), "a b 3\n");
    EXPECT_NE(platform::system(nullptr), 0);
}

TEST(CommandInterpreter, ChildEndedBySignal)
{
    ComspecScope comspec(nullptr);
    EXPECT_EQ(platform::system("kill -TERM $$"), 128 + 15);
}

TEST(CommandInterpreter, UsesComspecWithDashC)
{
    TempRoot root;
    const fs::path script = root.path() / "interp";
    const fs::path log = root.path() / "args.txt";
    {
        std::ofstream s(script);
        s << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << log.string() << "'\nexit 7\n";
    }
    chmod(script.c_str(), 0755);
    ComspecScope comspec(script.c_str());
    EXPECT_STREQ(platform::CommandInterpreter(), script.c_str());
    EXPECT_EQ(platform::system("netsh \"a b\" $x"), 7);
    EXPECT_EQ(ReadFile(log), "-c\nnetsh \"a b\" $x\n");
    EXPECT_NE(platform::system(nullptr), 0);
}

TEST(CommandInterpreter, EmptyComspecMeansTheShell)
{
    ComspecScope comspec("");
    EXPECT_STREQ(platform::CommandInterpreter(), "/bin/sh");
    EXPECT_EQ(platform::system("exit 4"), 4);
}

TEST(CommandInterpreter, MissingInterpreterFails)
{
    TempRoot root;
    const std::string missing = (root.path() / "no-such-shell").string();
    ComspecScope comspec(missing.c_str());
    errno = 0;
    EXPECT_EQ(platform::system("exit 0"), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(platform::system(nullptr), 0);
}
