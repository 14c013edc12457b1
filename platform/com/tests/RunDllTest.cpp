// The rundll tool as a child process sharing the test's platform root.
#include "RunChild.h"
#include "TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

class RunDll : public ::testing::Test {
protected:
    std::string Log() const
    {
        std::ifstream in(root.path() / "rundll.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TempRoot root;
};

TEST_F(RunDll, CallsTheEntryWithAWindowTheLibraryAndTheArguments)
{
    const ChildResult run = RunChild({RUNDLL_PROGRAM, std::string(RUNDLL_TEST_LIBRARY) + ",RecordCall", "one", "two"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Log(), "RecordCall window=yes instance=self args=\"one two\" show=1\n");

    const ChildResult bare = RunChild({RUNDLL_PROGRAM, std::string(RUNDLL_TEST_LIBRARY) + ",RecordOther"});
    EXPECT_EQ(bare.exitCode, 0) << bare.err;
    EXPECT_NE(Log().find("RecordOther window=yes instance=self args=\"\" show=1\n"), std::string::npos);
}

TEST_F(RunDll, ALibraryNamedWithBackslashesAndARelativePath)
{
    const std::filesystem::path library(RUNDLL_TEST_LIBRARY);
    std::string relative = std::filesystem::relative(library, std::filesystem::current_path()).string();
    for (char& c : relative)
        if (c == '/')
            c = '\\';
    const ChildResult run = RunChild({RUNDLL_PROGRAM, relative + ",RecordCall"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Log(), "RecordCall window=yes instance=self args=\"\" show=1\n");
}

TEST_F(RunDll, FailuresAreReportedWithTheirStatus)
{
    const ChildResult noEntry = RunChild({RUNDLL_PROGRAM, std::string(RUNDLL_TEST_LIBRARY) + ",Missing"});
    EXPECT_EQ(noEntry.exitCode, 4);
    EXPECT_NE(noEntry.err.find("has no entry \"Missing\""), std::string::npos) << noEntry.err;

    const ChildResult noLibrary = RunChild({RUNDLL_PROGRAM, (root.path() / "none.so").string() + ",RecordCall"});
    EXPECT_EQ(noLibrary.exitCode, 3);
    EXPECT_NE(noLibrary.err.find("cannot be loaded"), std::string::npos) << noLibrary.err;

    for (const std::string& bad : {std::string(RUNDLL_TEST_LIBRARY), std::string(",RecordCall"),
                                   std::string(RUNDLL_TEST_LIBRARY) + ","}) {
        const ChildResult run = RunChild({RUNDLL_PROGRAM, bad});
        EXPECT_EQ(run.exitCode, 1) << bad;
        EXPECT_NE(run.err.find("Usage: rundll LIBRARY,ENTRY [ARGS]"), std::string::npos);
    }
    EXPECT_EQ(RunChild({RUNDLL_PROGRAM}).exitCode, 1);
    EXPECT_EQ(Log(), "");
}

} // namespace
