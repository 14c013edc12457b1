// The add-in form of the trace writer: settings, start header, log names and fall-backs.
#include "TraceScope.h"
#include "TraceTestSupport.h"

#include "base/DebugOutput.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/Path.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include "ChildProcess.h"
#include "TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string SelfPath()
{
    char path[4096];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

std::string SelfName()
{
    return fs::path(SelfPath()).filename().string();
}

std::vector<std::string> FilesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A copy of the stand-in host under another file name, in bin/ of the root.
fs::path HostNamed(const TempRoot& root, const std::string& name)
{
    const fs::path dir = root.path() / "bin";
    fs::create_directories(dir);
    const fs::path target = dir / name;
    fs::copy_file(TRACE_TEST_HOST, target, fs::copy_options::overwrite_existing);
    return target;
}

} // namespace

TEST(TraceLumivane, InitialStateIsLevelThreeAndEmptyLabel)
{
    FixedTime time;
    platform::DebugOutputCapture debugger;
    EXPECT_EQ(TraceSetLevel(TL_CALL), TL_CALL);
    const int line = __LINE__; TracePrint(__FILE__, __LINE__, TL_CALL, "static %d\n", 1);
    EXPECT_EQ(debugger.joined(), "12:34:56 C[-TraceLumivaneTest.cpp:" + std::to_string(line) + "] static 1\n");
}

TEST(TraceLumivane, WithoutIniFileOnlyErrorsReachTheDebugger)
{
    TempRoot root;
    FixedTime time;
    platform::DebugOutputCapture debugger;
    TraceInit("CL", "Lumivane.ini", GetModuleHandleA(nullptr));
    const int line = __LINE__; TracePrint(__FILE__, __LINE__, TL_ERROR, "error %d\n", 0);
    TracePrint(__FILE__, __LINE__, TL_WARNING, "warning\n");
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "info\n");
    TracePrint(__FILE__, __LINE__, TL_CALL, "call\n");
    // The program carries a version, so its header line is a warning and stays hidden too.
    EXPECT_EQ(debugger.joined(), "12:34:56 E[CL-TraceLumivaneTest.cpp:" + std::to_string(line) + "] error 0\n");
    EXPECT_EQ(FilesIn(root.path()), std::vector<std::string>{"Windows"});
    EXPECT_TRUE(FilesIn(root.path() / "Windows").empty());
}

TEST(TraceLumivane, StartHeaderShowsVersionsAndDate)
{
    TempRoot root;
    FixedTime time;
    WriteIni("Lumivane.ini", "[CL]\nDebugLevel=1\n");
    platform::DebugOutputCapture debugger;
    // A second module with a version, then one without: the latter's path is an error line.
    TraceInit("CL", "Lumivane.ini", GetModuleHandleA("kernel32.dll"));
    char base[4096];
    GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), base, sizeof base);
    EXPECT_EQ(debugger.joined(),
              "\n* * *\n" + SelfPath() + " 2.0.0.1\n" + std::string(base) + " 2.0.0.1\n2026-07-01\n* * *\n\n");

    debugger.clear();
    const HMODULE plain = LoadLibraryA(MODULE_TEST_PLAIN);
    ASSERT_NE(plain, nullptr);
    TraceSetLevel(TL_ERROR);
    TraceInit("CL", "missing.ini", plain);
    EXPECT_EQ(debugger.joined(), std::string(MODULE_TEST_PLAIN) + "\n");
    FreeLibrary(plain);

    // The same module as the host is listed once.
    debugger.clear();
    TraceInit("CL", "Lumivane.ini", GetModuleHandleA(nullptr));
    EXPECT_EQ(debugger.joined(), "\n* * *\n" + SelfPath() + " 2.0.0.1\n2026-07-01\n* * *\n\n");
}

TEST(TraceLumivane, FailedCallLineAndLastError)
{
    TempRoot root;
    FixedTime time;
    platform::DebugOutputCapture debugger;
    TraceSetModuleLabel("CL");
    TraceSetLevel(TL_ERROR);
    SetLastError(1234);
    const int line = __LINE__; TRACE_FAILED(OpenMsgStore, E_FAIL);
    EXPECT_EQ(GetLastError(), 1234u);
    TracePrint(__FILE__, __LINE__, TL_CALL, "not written\n");
    EXPECT_EQ(GetLastError(), 1234u);
    TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "raw\n");
    TracePrintRaw(__FILE__, __LINE__, TL_CALL, "raw hidden\n");
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(debugger.joined(), "12:34:56 E[CL-TraceLumivaneTest.cpp:" + std::to_string(line) +
                                     "] OpenMsgStore() failed. hr=0x80004005\nraw\n");
    // A negative level silences everything, errors included.
    TraceSetLevel(-1);
    debugger.clear();
    TRACE_FAILED(Anything, E_FAIL);
    EXPECT_EQ(debugger.joined(), "");
}

TEST(TraceLumivane, LongMessageIsCutAndLosesItsNewline)
{
    TempRoot root;
    FixedTime time;
    platform::DebugOutputCapture debugger;
    TraceSetModuleLabel("CL");
    TraceSetLevel(TL_CALL);
    const fs::path log = root.path() / "cut.log";
    TraceOpenLogFile(log.c_str(), nullptr); // no module: the name as given
    const std::string message(2000, 'm');
    const int line = __LINE__; TracePrint(__FILE__, __LINE__, TL_ERROR, "%s\n", message.c_str());
    TracePrint(__FILE__, __LINE__, TL_ERROR, "next\n");
    const std::string prefix = "12:34:56 E[CL-TraceLumivaneTest.cpp:" + std::to_string(line) + "] ";
    const auto texts = debugger.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], prefix + std::string(1023, 'm'));
    const std::string content = ReadFile(log);
    EXPECT_EQ(content.substr(0, prefix.size() + 1023), prefix + std::string(1023, 'm'));
    EXPECT_EQ(content.substr(prefix.size() + 1023, 9), "12:34:56 "); // the next line follows at once
}

TEST(TraceLumivane, LogNameFallsBackToNumberedNames)
{
    TempRoot root;
    const fs::path dir = root.path() / "log";
    fs::create_directories(dir);
    const std::string self = SelfName();
    // Another process holds the plain name and .01.
    FILE* plain = _fsopen((dir / ("trace_" + self + ".txt")).c_str(), "w", _SH_DENYWR);
    FILE* first = _fsopen((dir / ("trace_" + self + ".01.txt")).c_str(), "w", _SH_DENYWR);
    ASSERT_TRUE(plain && first);
    TraceSetLevel(TL_ERROR);
    TraceOpenLogFile((dir / "trace.txt").c_str(), GetModuleHandleA(nullptr));
    TraceOutput(TL_ERROR, "into the third\n");
    EXPECT_EQ(ReadFile(dir / ("trace_" + self + ".02.txt")), "into the third\n");
    std::fclose(plain);
    std::fclose(first);
}

TEST(TraceLumivane, NoFreeNameLeavesTheDebuggerOnly)
{
    TempRoot root;
    const std::string self = SelfName();
    std::vector<FILE*> held;
    held.push_back(_fsopen((root.path() / ("t_" + self + ".log")).c_str(), "w", _SH_DENYWR));
    for (int n = 1; n <= 99; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "t_%s.%02d.log", self.c_str(), n);
        held.push_back(_fsopen((root.path() / name).c_str(), "w", _SH_DENYWR));
    }
    for (FILE* f : held)
        ASSERT_NE(f, nullptr);
    platform::DebugOutputCapture debugger;
    TraceOpenLogFile((root.path() / "t.log").c_str(), GetModuleHandleA(nullptr));
    TraceOutput(TL_ERROR, "only here\n");
    EXPECT_EQ(debugger.joined(), "only here\n");
    EXPECT_EQ(FilesIn(root.path()).size(), 100u); // the 100 held files, nothing new
    for (FILE* f : held)
        std::fclose(f);
}

// Host processes: the stand-in host loads the stand-in add-in, which initialises its trace
// writer from Lumivane.ini.

TEST(TraceLumivaneHost, DebugLevelOneWritesHeaderWarningsAndErrors)
{
    TempRoot root;
    const fs::path dir = root.path() / "log";
    fs::create_directories(dir);
    WriteIni("Lumivane.ini", "[CL]\nDebugLevel=1\nDebugFile=" + (dir / "trace.txt").string() + "\n");
    const fs::path host = HostNamed(root, "MAILHOST.EXE");
    const fs::path debuggerFile = root.path() / "debugger.txt";
    ChildProcess child(host.string(), {TRACE_TEST_ADDIN, "0:an error", "1:a warning", "2:some info", "open"},
                       {{platform::kDebugOutputVariable, debuggerFile.string()}});
    ASSERT_EQ(child.wait(), 0);

    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"trace_MAILHOST.EXE.txt"});
    const std::string log = ReadFile(dir / "trace_MAILHOST.EXE.txt");
    const auto lines = Lines(log);
    ASSERT_EQ(lines.size(), 10u) << log; // the scope tracer's level-3 lines are not among them
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "* * *");
    EXPECT_EQ(lines[2], host.string()); // the host has no version: its path alone, as an error line
    EXPECT_EQ(lines[3], std::string(TRACE_TEST_ADDIN) + " 2.0.0.1");
    EXPECT_TRUE(IsDate(lines[4])) << lines[4];
    EXPECT_EQ(lines[5], "* * *");
    EXPECT_EQ(lines[6], "");
    EXPECT_TRUE(IsPrefixedLine(lines[7], 'E', "CL", "TraceTestAddin.cpp", "an error")) << lines[7];
    EXPECT_TRUE(IsPrefixedLine(lines[8], 'W', "CL", "TraceTestAddin.cpp", "a warning")) << lines[8];
    EXPECT_TRUE(IsPrefixedLine(lines[9], 'E', "CL", "TraceTestAddin.cpp", "OpenMsgStore() failed. hr=0x80004005"))
        << lines[9];
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(ReadFile(debuggerFile), log); // the debugger saw the same
}

TEST(TraceLumivaneHost, TwoHostProgramsWriteTwoFiles)
{
    TempRoot root;
    const fs::path dir = root.path() / "log";
    fs::create_directories(dir);
    WriteIni("Lumivane.ini", "[CL]\nDebugLevel=0\nDebugFile=" + (dir / "trace.txt").string() + "\n");
    ChildProcess mailhost(HostNamed(root, "MAILHOST.EXE").string(), {TRACE_TEST_ADDIN, "0:from mailhost", "hold"});
    ASSERT_EQ(mailhost.readLine(), "ready");
    ChildProcess other(HostNamed(root, "other-host").string(), {TRACE_TEST_ADDIN, "0:from other", "hold"});
    ASSERT_EQ(other.readLine(), "ready");
    EXPECT_EQ(mailhost.wait(), 0);
    EXPECT_EQ(other.wait(), 0);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"trace_MAILHOST.EXE.txt", "trace_other-host.txt"}));
    EXPECT_NE(ReadFile(dir / "trace_MAILHOST.EXE.txt").find("from mailhost\n"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "trace_other-host.txt").find("from other\n"), std::string::npos);
}

TEST(TraceLumivaneHost, TwoInstancesOfOneHostGetPlainAndNumberedName)
{
    TempRoot root;
    const fs::path dir = root.path() / "log";
    fs::create_directories(dir);
    WriteIni("Lumivane.ini", "[CL]\nDebugLevel=0\nDebugFile=" + (dir / "trace.txt").string() + "\n");
    const fs::path host = HostNamed(root, "MAILHOST.EXE");
    ChildProcess first(host.string(), {TRACE_TEST_ADDIN, "0:first", "hold"});
    ASSERT_EQ(first.readLine(), "ready");
    ChildProcess second(host.string(), {TRACE_TEST_ADDIN, "0:second", "hold"});
    ASSERT_EQ(second.readLine(), "ready");
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(second.wait(), 0);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"trace_MAILHOST.EXE.01.txt", "trace_MAILHOST.EXE.txt"}));
    EXPECT_NE(ReadFile(dir / "trace_MAILHOST.EXE.txt").find("first\n"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "trace_MAILHOST.EXE.01.txt").find("second\n"), std::string::npos);
}

TEST(TraceLumivaneHost, DebugFileWithoutExtensionNumbersBeforeTheHostExtension)
{
    TempRoot root;
    const fs::path dir = root.path() / "log";
    fs::create_directories(dir);
    // Written with backslashes, as a user of the platform would.
    std::string debugFile = (dir / "trace").string();
    for (char& c : debugFile)
        if (c == '/')
            c = '\\';
    WriteIni("Lumivane.ini", "[CL]\nDebugLevel=0\nDebugFile=" + debugFile + "\n");
    const fs::path host = HostNamed(root, "MAILHOST.EXE");
    ChildProcess first(host.string(), {TRACE_TEST_ADDIN, "0:first", "hold"});
    ASSERT_EQ(first.readLine(), "ready");
    ChildProcess second(host.string(), {TRACE_TEST_ADDIN, "0:second", "hold"});
    ASSERT_EQ(second.readLine(), "ready");
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(second.wait(), 0);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"trace_MAILHOST.01.EXE", "trace_MAILHOST.EXE"}));
    EXPECT_NE(ReadFile(dir / "trace_MAILHOST.01.EXE").find("second\n"), std::string::npos);
}
