#include "base/HtmlHelp.h"
#include "base/Process.h"
#include "base/Window.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

class HtmlHelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The opener records the page it was given.
        opener = root.path() / "opener";
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record.string() << ".tmp'\nmv '"
                              << record.string() << ".tmp' '" << record.string() << "'\n";
        fs::permissions(opener, fs::perms::owner_all);
        if (const char* old = std::getenv(platform::kShellOpenVariable))
            previous = old;
        setenv(platform::kShellOpenVariable, opener.c_str(), 1);
        fs::create_directories(root.path() / "Manual");
        for (const char* page : {"index.html", "101.html", "intro.htm"})
            std::ofstream(root.path() / "Manual" / page) << "<html></html>";
        std::ofstream(root.path() / "Single.html") << "<html></html>";
        chm = (root.path() / "Manual.chm").string();
    }
    void TearDown() override
    {
        previous.empty() ? unsetenv(platform::kShellOpenVariable)
                         : setenv(platform::kShellOpenVariable, previous.c_str(), 1);
    }
    // The page the opener got ("" when none within a few seconds).
    std::string Opened()
    {
        for (int i = 0; i < 500 && !fs::exists(record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record);
        std::string page;
        std::getline(in, page);
        fs::remove(record);
        return page;
    }

    TempRoot root;
    fs::path opener;
    fs::path record = root.path() / "opened.txt";
    std::string previous;
    std::string chm;
};

} // namespace

TEST_F(HtmlHelpTest, ContextAndContentsPages)
{
    HWND help = HtmlHelpA(nullptr, chm.c_str(), HH_HELP_CONTEXT, 101);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(IsWindow(help));
    EXPECT_EQ(Opened(), (root.path() / "Manual" / "101.html").string());
    ASSERT_NE(HtmlHelpA(nullptr, chm.c_str(), HH_DISPLAY_TOC, 0), nullptr);
    EXPECT_EQ(Opened(), (root.path() / "Manual" / "index.html").string());
    ASSERT_NE(HtmlHelpA(nullptr, (chm + "::/intro.htm>main").c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(Opened(), (root.path() / "Manual" / "intro.htm").string());
    // Backslashes and the extension's letter case do not matter.
    std::string windowsStyle = (root.path() / "Manual.CHM").string();
    ASSERT_NE(HtmlHelpA(nullptr, windowsStyle.c_str(), HH_HELP_CONTEXT, 101), nullptr);
    EXPECT_EQ(Opened(), (root.path() / "Manual" / "101.html").string());
}

TEST_F(HtmlHelpTest, ASinglePageWhereThereIsNoFolder)
{
    const std::string single = (root.path() / "Single.chm").string();
    ASSERT_NE(HtmlHelpA(nullptr, single.c_str(), HH_HELP_CONTEXT, 7), nullptr);
    EXPECT_EQ(Opened(), (root.path() / "Single.html").string());
    ASSERT_NE(HtmlHelpA(nullptr, single.c_str(), HH_DISPLAY_TOC, 0), nullptr);
    EXPECT_EQ(Opened(), (root.path() / "Single.html").string());
}

TEST_F(HtmlHelpTest, NoPageNoWindow)
{
    EXPECT_EQ(HtmlHelpA(nullptr, chm.c_str(), HH_HELP_CONTEXT, 999), nullptr);
    EXPECT_EQ(HtmlHelpA(nullptr, (root.path() / "None.chm").c_str(), HH_DISPLAY_TOC, 0), nullptr);
    EXPECT_EQ(HtmlHelpA(nullptr, chm.c_str(), HH_CLOSE_ALL, 0), nullptr);
    EXPECT_EQ(HtmlHelpA(nullptr, nullptr, HH_DISPLAY_TOC, 0), nullptr);
    EXPECT_FALSE(fs::exists(record));
}
