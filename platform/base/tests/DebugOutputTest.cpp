#include "base/DebugOutput.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

TEST(DebugOutput, CaptureCollectsTextsFromAllThreads)
{
    platform::DebugOutputCapture capture;
    OutputDebugStringA("one\n");
    OutputDebugStringA(nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i)
                OutputDebugStringA("x");
        });
    for (auto& th : threads)
        th.join();
    const auto texts = capture.texts();
    ASSERT_EQ(texts.size(), 401u);
    EXPECT_EQ(texts.front(), "one\n");
    capture.clear();
    {
        platform::DebugOutputCapture inner;
        OutputDebugStringA("both");
        EXPECT_EQ(inner.joined(), "both");
    }
    OutputDebugStringA("outer");
    EXPECT_EQ(capture.joined(), "bothouter");
}

TEST(DebugOutput, EnvironmentChoosesAFile)
{
    TempRoot root;
    const auto file = root.path() / "debugger.txt";
    setenv(platform::kDebugOutputVariable, file.c_str(), 1);
    OutputDebugStringA("first ");
    OutputDebugStringA("second\n");
    EXPECT_TRUE(IsDebuggerPresent());
    unsetenv(platform::kDebugOutputVariable);
    EXPECT_FALSE(IsDebuggerPresent()); // nothing listens
    OutputDebugStringA("silent");
    {
        platform::DebugOutputCapture capture;
        EXPECT_TRUE(IsDebuggerPresent());
    }
    EXPECT_FALSE(IsDebuggerPresent());
    std::ifstream in(file);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "first second\n");
}
