#include "base/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// Runs fn with standard error sent to a file and returns what it wrote.
template <typename Fn>
std::string CaptureStderr(Fn fn)
{
    char name[] = "/tmp/msgbox-XXXXXX";
    const int fd = mkstemp(name);
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(fd, 2);
    fn();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(fd);
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    unlink(name);
    return text.str();
}

} // namespace

TEST(MessageBox, WritesCaptionAndTextToStandardErrorAndAnswersOk)
{
    int answer = 0;
    const std::string text = CaptureStderr(
        [&] { answer = MessageBoxA(nullptr, "Line one\n\nLine two", "The caption", MB_ICONINFORMATION); });
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(text, "The caption\nLine one\n\nLine two\n");
}

TEST(MessageBox, NullCaptionAndText)
{
    const std::string text = CaptureStderr([] { MessageBoxA(nullptr, nullptr, nullptr, MB_OK); });
    EXPECT_EQ(text, "Error\n\n");
}

TEST(MessageBox, AnswersWithTheDefaultButton)
{
    CaptureStderr([] {
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDOK);
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_ICONQUESTION), IDYES);
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_CANCELTRYCONTINUE | MB_DEFBUTTON3), IDCONTINUE);
        // A default button the box does not have falls back to the first.
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_DEFBUTTON3), IDYES);
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK | MB_DEFBUTTON4), IDOK);
    });
}
