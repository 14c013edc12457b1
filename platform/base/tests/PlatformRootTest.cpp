#include "base/PlatformRoot.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(PlatformRoot, FollowsTheEnvironmentVariableAndCreatesFolders)
{
    TempRoot root;
    EXPECT_EQ(platform::RootDirectory(), root.path());
    const fs::path windows = platform::WindowsDirectory();
    EXPECT_EQ(windows.parent_path(), root.path());
    EXPECT_TRUE(fs::is_directory(windows));
    EXPECT_TRUE(fs::is_directory(platform::AppDataDirectory()));

    TempRoot other;
    EXPECT_EQ(platform::RootDirectory(), other.path());
}
