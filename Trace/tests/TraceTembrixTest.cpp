// The engine form of the trace writer: settings without a header, the log path as written
// with "%s%d" fall-backs, its failed-call form, and its state apart from an add-in's.
#include "TraceScope.h"
#include "TraceTestSupport.h"

#include "base/DebugOutput.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/Path.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

TEST(TraceTembrix, SettingsWithoutHeaderAndLogFileAsWritten)
{
    TempRoot root;
    FixedTime time;
    const fs::path log = root.path() / "engine.txt";
    WriteIni("tembrix.ini", "[cl]\ndebuglevel = 2\nDebugFile=" + log.string() + "\n");
    platform::DebugOutputCapture debugger;
    TraceInit("CL", "tembrix.ini");
    const int line = __LINE__; TracePrint(__FILE__, __LINE__, TL_DEBUG, "store %s opened\n", "Mailbox");
    TracePrint(__FILE__, __LINE__, TL_CALL, "hidden\n");
    const std::string expected =
        "12:34:56 D[CL-TraceTembrixTest.cpp:" + std::to_string(line) + "] store Mailbox opened\n";
    EXPECT_EQ(debugger.joined(), expected); // no start header
    EXPECT_EQ(ReadFile(log), expected);
}

TEST(TraceTembrix, WithoutIniFileOnlyErrors)
{
    TempRoot root;
    FixedTime time;
    platform::DebugOutputCapture debugger;
    TraceInit("CL", "tembrix.ini");
    TracePrint(__FILE__, __LINE__, TL_WARNING, "warning\n");
    SetLastError(77);
    const int line = __LINE__; TRACE_FAILED(OpenEntry, E_FAIL);
    EXPECT_EQ(GetLastError(), 77u);
    EXPECT_EQ(debugger.joined(),
              "12:34:56 E[CL-TraceTembrixTest.cpp:" + std::to_string(line) + "] OpenEntry() failed: hr=80004005\n");
    EXPECT_TRUE(fs::is_empty(root.path() / "Windows"));
}

TEST(TraceTembrix, NegativeDebugLevelSilencesEverything)
{
    TempRoot root;
    WriteIni("tembrix.ini", "[CL]\nDebugLevel=-1\n");
    platform::DebugOutputCapture debugger;
    TraceInit("CL", "tembrix.ini");
    EXPECT_EQ(TraceSetLevel(-1), -1);
    TRACE_FAILED(OpenEntry, E_FAIL);
    EXPECT_EQ(debugger.joined(), "");
}

TEST(TraceTembrix, LogPathFallsBackToNumberedSuffixes)
{
    TempRoot root;
    const std::string path = (root.path() / "trace.txt").string();
    FILE* plain = _fsopen(path.c_str(), "w", _SH_DENYWR);
    FILE* zero = _fsopen((path + "0").c_str(), "w", _SH_DENYWR);
    ASSERT_TRUE(plain && zero);
    TraceOpenLogFile(path.c_str());
    TraceOutput(TL_ERROR, "second fall-back\n");
    EXPECT_EQ(ReadFile(path + "1"), "second fall-back\n");
    EXPECT_EQ(ReadFile(path), "");
    std::fclose(plain);
    std::fclose(zero);
}

TEST(TraceTembrix, AnAddInInTheSameProcessKeepsItsOwnState)
{
    TempRoot root;
    FixedTime time;
    WriteIni("Lumivane.ini", "[CL]\nDebugLevel=2\n");
    TraceSetModuleLabel("EN");
    TraceSetLevel(TL_ERROR);
    platform::DebugOutputCapture debugger;
    const HMODULE addin = LoadLibraryA(TRACE_TEST_ADDIN); // initialises the add-in's writer
    ASSERT_NE(addin, nullptr);
    using Level = int (*)();
    using Trace = void (*)(int, const char*);
    const auto addinLevel = reinterpret_cast<Level>(GetProcAddress(addin, "TestAddinLevel"));
    const auto addinTrace = reinterpret_cast<Trace>(GetProcAddress(addin, "TestAddinTrace"));
    ASSERT_TRUE(addinLevel && addinTrace);
    // The add-in exports none of its trace functions, so no other module can bind to them.
    for (const char* name : {"TraceInit", "TraceSetLevel", "TracePrint", "TraceOutput", "TraceFailed"})
        EXPECT_EQ(GetProcAddress(addin, name), nullptr) << name;
    EXPECT_EQ(addinLevel(), 2);
    EXPECT_EQ(TraceSetLevel(TL_ERROR), TL_ERROR); // ours is untouched
    // The add-in wrote its start header (level 1) with its own label-free raw lines.
    EXPECT_NE(debugger.joined().find("\n* * *\n"), std::string::npos);

    debugger.clear();
    addinTrace(TL_DEBUG, "addin info\n");
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "engine info\n");
    const int line = __LINE__; TracePrint(__FILE__, __LINE__, TL_ERROR, "engine error\n");
    const auto texts = debugger.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].substr(0, 13), "12:34:56 D[CL");
    EXPECT_EQ(texts[1], "12:34:56 E[EN-TraceTembrixTest.cpp:" + std::to_string(line) + "] engine error\n");
    EXPECT_TRUE(FreeLibrary(addin));
}
