#include "base/Process.h"

#include "base/LastError.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using platform::CommandLineToArgs;
using platform::SplitArguments;

namespace {

// Sets an environment variable (or removes it) for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A small program (a shell script) that writes its working folder and its arguments, one
// "[arg]" per line, to `out`; the file appears whole once the program is done.
void WriteRecorder(const fs::path& program, const fs::path& out)
{
    fs::create_directories(program.parent_path());
    std::ofstream f(program);
    f << "#!/bin/sh\n"
      << "out='" << out.string() << "'\n"
      << "pwd > \"$out.tmp\"\n"
      << "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$out.tmp\"; done\n"
      << "mv \"$out.tmp\" \"$out\"\n";
    f.close();
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

// The recorder's lines: the working folder first, then the arguments.
std::vector<std::string> WaitForRecord(const fs::path& out)
{
    for (int i = 0; i < 1000 && !fs::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<std::string> lines;
    std::ifstream f(out);
    for (std::string line; std::getline(f, line);)
        lines.push_back(line);
    return lines;
}

bool NoChildLeft()
{
    errno = 0;
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

class ProcessTest : public ::testing::Test {
protected:
    TempRoot root;
    fs::path dir = root.path() / "my programs";
    fs::path out = root.path() / "record.txt";
};

TEST_F(ProcessTest, WinExecStartsAQuotedProgramWithItsArgumentsAndLeavesNoChild)
{
    const fs::path program = dir / "record args";
    WriteRecorder(program, out);
    const std::string line = "\"" + program.string() + "\"" +
                             R"( plain "two words" quote\"inside back\\slash "trailing\\\\" "")";
    EXPECT_GT(WinExec(line.c_str(), SW_SHOWNORMAL), 31u);
    const auto lines = WaitForRecord(out);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "[plain]");
    EXPECT_EQ(lines[2], "[two words]");
    EXPECT_EQ(lines[3], R"([quote"inside])");
    EXPECT_EQ(lines[4], R"([back\\slash])");
    EXPECT_EQ(lines[5], R"([trailing\\])");
    EXPECT_EQ(lines[6], "[]");
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ProcessTest, WinExecFindsABareNameOnPath)
{
    WriteRecorder(dir / "recorder-on-path", out);
    ScopedEnv path("PATH", dir.string() + ":/usr/bin:/bin");
    EXPECT_GT(WinExec("recorder-on-path /olstart", SW_SHOWNORMAL), 31u);
    const auto lines = WaitForRecord(out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "[/olstart]");
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ProcessTest, WinExecReportsWhyAProgramCannotStart)
{
    ScopedEnv path("PATH", dir.string());
    EXPECT_EQ(WinExec("no-such-program-anywhere /olstart", SW_SHOWNORMAL), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(WinExec((root.path() / "missing.exe").string().c_str(), SW_SHOW), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(WinExec(("\"" + (root.path() / "no folder" / "prog").string() + "\" /olstop").c_str(), SW_SHOW),
              static_cast<UINT>(ERROR_PATH_NOT_FOUND));
    // Unquoted, the program ends at the first space.
    EXPECT_EQ(WinExec((root.path() / "no folder" / "prog").string().c_str(), SW_SHOW),
              static_cast<UINT>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(WinExec("", SW_SHOW), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(WinExec("   ", SW_SHOW), static_cast<UINT>(ERROR_FILE_NOT_FOUND));

    // A file that is no program: not executable, or executable but not in a program format.
    fs::create_directories(dir);
    const fs::path data = dir / "data.txt";
    std::ofstream(data) << "just text\n";
    EXPECT_EQ(WinExec(("\"" + data.string() + "\"").c_str(), SW_SHOW), static_cast<UINT>(ERROR_ACCESS_DENIED));
    fs::permissions(data, fs::perms::owner_all);
    EXPECT_EQ(WinExec(("\"" + data.string() + "\"").c_str(), SW_SHOW), static_cast<UINT>(ERROR_BAD_FORMAT));
    EXPECT_EQ(WinExec(("\"" + dir.string() + "\"").c_str(), SW_SHOW), static_cast<UINT>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ProcessTest, ShellExecuteHandsUrlsAndDocumentsToTheOpener)
{
    const fs::path opener = dir / "opener";
    WriteRecorder(opener, out);
    ScopedEnv chosen(platform::kShellOpenVariable, opener.string());

    const char* url = "https://example.org/a page?x=1&y=\"2\"";
    EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL)), 32);
    auto lines = WaitForRecord(out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], std::string("[") + url + "]");
    fs::remove(out);

    // A document relative to the given folder, with no verb.
    const fs::path docs = root.path() / "docs";
    fs::create_directories(docs);
    std::ofstream(docs / "Manual.chm") << "help";
    EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, "Manual.chm", nullptr, docs.string().c_str(), SW_SHOW)),
              32);
    lines = WaitForRecord(out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "[" + (docs / "Manual.chm").string() + "]");
    EXPECT_EQ(lines[0], docs.string());
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ProcessTest, ShellExecuteRunsProgramsAndReportsSmallErrors)
{
    const fs::path program = dir / "tool";
    WriteRecorder(program, out);
    const fs::path work = root.path() / "work dir";
    fs::create_directories(work);
    EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "Open", program.string().c_str(), R"(one "two three")",
                                                      work.string().c_str(), SW_SHOW)),
              32);
    const auto lines = WaitForRecord(out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], work.string());
    EXPECT_EQ(lines[1], "[one]");
    EXPECT_EQ(lines[2], "[two three]");

    EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", (root.path() / "none.htm").string().c_str(),
                                                      nullptr, nullptr, SW_SHOW)),
              SE_ERR_FNF);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", (root.path() / "gone" / "x.htm").string().c_str(),
                                                      nullptr, nullptr, SW_SHOW)),
              SE_ERR_PNF);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOW)), SE_ERR_FNF);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "print", "https://example.org", nullptr, nullptr, SW_SHOW)),
              SE_ERR_NOASSOC);

    // No opener at all.
    ScopedEnv chosen(platform::kShellOpenVariable, std::nullopt);
    ScopedEnv path("PATH", (root.path() / "empty").string());
    EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "https://example.org", nullptr, nullptr, SW_SHOW)),
              SE_ERR_NOASSOC);
    EXPECT_TRUE(NoChildLeft());
}

TEST(CommandLine, SplitsAsTheCRuntimeDoes)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(CommandLineToArgs("prog a b"), (V{"prog", "a", "b"}));
    EXPECT_EQ(CommandLineToArgs(R"("C:\Program Files\Orvinta\orvinta.exe" /olstart)"),
              (V{R"(C:\Program Files\Orvinta\orvinta.exe)", "/olstart"}));
    // The program word takes no escapes; the arguments do.
    EXPECT_EQ(CommandLineToArgs(R"("C:\dir\"x y)"), (V{R"(C:\dir\)", "x", "y"}));
    EXPECT_EQ(CommandLineToArgs(R"(p a\\\"b)"), (V{"p", R"(a\"b)"}));
    EXPECT_EQ(CommandLineToArgs(R"(p a\\"b c")"), (V{"p", R"(a\b c)"}));
    EXPECT_EQ(CommandLineToArgs(R"(p a\b \\server\share)"), (V{"p", R"(a\b)", R"(\\server\share)"}));
    EXPECT_EQ(CommandLineToArgs(R"(p "a""b" "")"), (V{"p", R"(a"b)", ""}));
    EXPECT_EQ(CommandLineToArgs("p\t\"unterminated text"), (V{"p", "unterminated text"}));
    EXPECT_EQ(CommandLineToArgs("  p   x  "), (V{"p", "x"}));
    EXPECT_EQ(CommandLineToArgs(R"("/profile:My Profile" -LCID1036)"), (V{"/profile:My Profile", "-LCID1036"}));
    EXPECT_TRUE(CommandLineToArgs("").empty());
    EXPECT_TRUE(CommandLineToArgs(" \t ").empty());
    EXPECT_EQ(SplitArguments(R"("/profile:My Profile" x)"), (V{"/profile:My Profile", "x"}));
    EXPECT_EQ(SplitArguments(R"(a"b c"d)"), (V{"ab cd"}));
}

TEST(Environment, ExpandsKnownNamesAndKeepsUnknownOnes)
{
    TempRoot root;
    ScopedEnv value("LOOPTEST_VALUE", std::string("expanded"));
    ScopedEnv windir("windir", std::nullopt);
    ScopedEnv upper("WINDIR", std::nullopt);
    char buffer[512];
    const char* text = "a%LOOPTEST_VALUE%b %looptest_value% %NOT_SET_ANYWHERE% 100%";
    const std::string expected = "aexpandedb expanded %NOT_SET_ANYWHERE% 100%";
    EXPECT_EQ(ExpandEnvironmentStringsA(text, buffer, sizeof buffer), expected.size() + 1);
    EXPECT_EQ(std::string(buffer), expected);

    const std::string windows = platform::WindowsDirectory().string() + "/sysWOW64/brn32evt.exe";
    EXPECT_EQ(ExpandEnvironmentStringsA("%windir%/sysWOW64/brn32evt.exe", buffer, sizeof buffer), windows.size() + 1);
    EXPECT_EQ(std::string(buffer), windows);

    // Too small: the size needed, and nothing written.
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(ExpandEnvironmentStringsA("%LOOPTEST_VALUE%", small, sizeof small), 9u);
    EXPECT_EQ(small[0], 'x');
    EXPECT_EQ(ExpandEnvironmentStringsA(nullptr, buffer, sizeof buffer), 0u);
}

TEST(ProcessIds, ThreadsHaveTheirOwnIdsInOneProcess)
{
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
    const DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD other = 0;
    DWORD otherProcess = 0;
    std::thread t([&] {
        other = GetCurrentThreadId();
        otherProcess = GetCurrentProcessId();
    });
    t.join();
    EXPECT_NE(other, mine);
    EXPECT_NE(other, 0u);
    EXPECT_EQ(otherProcess, GetCurrentProcessId());
}

} // namespace
