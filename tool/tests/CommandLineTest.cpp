// The command line: the tool's words as switches in any letter case, the profile name's
// quoting, and words that are no switch.
#include "OrvCommandLineInfo.h"

#include <gtest/gtest.h>

namespace {

COrvCommandLineInfo Parse(const std::vector<std::string>& args)
{
    COrvCommandLineInfo info;
    info.ParseCommandLine(args);
    return info;
}

TEST(CommandLine, WordsAreSwitchesInAnyCaseWithSlashOrDash)
{
    const auto info = Parse({"/OLSTART", "-olStop", "/AutoSync"});
    EXPECT_TRUE(info.m_bOlStart);
    EXPECT_TRUE(info.m_bOlStop);
    EXPECT_TRUE(info.m_bAutoSync);
    EXPECT_TRUE(info.m_strFileName.empty());

    const auto none = Parse({});
    EXPECT_FALSE(none.m_bOlStart || none.m_bOlStop || none.m_bAutoSync);
}

TEST(CommandLine, WordsAreComparedWhole)
{
    const auto info = Parse({"/olstartx", "-auto", "/olsto"});
    EXPECT_FALSE(info.m_bOlStart);
    EXPECT_FALSE(info.m_bAutoSync);
    EXPECT_FALSE(info.m_bOlStop);
    EXPECT_TRUE(info.m_strFileName.empty()) << "unknown switches are no document";
}

TEST(CommandLine, ProfileNameLosesTrailingSpaceThenQuotes)
{
    EXPECT_EQ(Parse({"/profile:Public"}).m_strProfile, "Public");
    EXPECT_EQ(Parse({"-PROFILE:\"My Profile\"  "}).m_strProfile, "My Profile");
    EXPECT_EQ(Parse({"/Profile:"}).m_strProfile, "");
    // Quotes inside the name stay.
    EXPECT_EQ(Parse({"/profile:a\"b"}).m_strProfile, "a\"b");
    // Only the prefix is compared without case.
    EXPECT_EQ(Parse({"/profile:MiXed"}).m_strProfile, "MiXed");
}

TEST(CommandLine, WordWithoutSwitchSignIsKept)
{
    const auto info = Parse({"olstart", "/autosync", "second"});
    EXPECT_FALSE(info.m_bOlStart);
    EXPECT_TRUE(info.m_bAutoSync);
    EXPECT_EQ(info.m_strFileName, "olstart");
}

} // namespace
