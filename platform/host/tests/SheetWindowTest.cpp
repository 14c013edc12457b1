// Property sheets in the host: an add-in's own sheet (PropertySheetA through "comctl32.dll")
// answered by a queued answer headless, and shown as a modal window by the windowed host, where
// a script goes on inside it.
#include "HostFixture.h"
#include "VirtualDisplay.h"

#include "base/AnswerQueue.h"

#include <algorithm>
#include <cstdlib>

namespace {

class SheetWindows : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        platform::ClearAnswers();
        setenv("HOST_TEST_DIALOG", "1", 1);
    }
    void TearDown() override
    {
        unsetenv("HOST_TEST_DIALOG");
        platform::ClearAnswers();
        HostFixture::TearDown();
    }
};

} // namespace

TEST_F(SheetWindows, HeadlessTheSheetTakesTheQueuedAnswer)
{
    RegisterAddIn();
    auto program = StartHost();
    program->Execute("answer ok");
    program->Execute("click-item \"Test Dialog\" 108");
    EXPECT_EQ(AddInLogOf("sheet"), (std::vector<std::string>{"sheet page apply", "sheet 1"}));
    program->Execute("click-item \"Test Dialog\" 108"); // nothing queued: cancelled
    EXPECT_EQ(AddInLogOf("sheet"), (std::vector<std::string>{"sheet page apply", "sheet 1", "sheet page reset", "sheet 0"}));
}

TEST_F(SheetWindows, TheWindowedSheetIsModalAndTheScriptGoesOnInsideIt)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    RegisterAddIn();
    std::vector<std::string> lines;
    std::string text;
    const std::string script = "click-item \"Test Dialog\" 108\n"
                               "windows\n"
                               "send \"Test Sheet Properties/Sheet Page\" WM_COMMAND 1\n"
                               "screenshot \"Test Sheet Properties\" sheet-apply-enabled\n"
                               "click-item \"Test Sheet Properties\" 12321\n"
                               "click-item \"Test Sheet Properties\" 12321\n"
                               "click-item \"Test Sheet Properties\" 1\n"
                               "windows\n"
                               "quit\n";
    ASSERT_EQ(RunWindowedHost(script, lines, &text), 0) << text;
    EXPECT_TRUE(HasLine(lines, "sheet window shown: 1 pages, 1 page views")) << text;
    EXPECT_TRUE(HasLine(lines, "window \"Test Sheet Properties\" class \"#32770\" shown")) << text;
    EXPECT_NE(text.find("screenshot "), std::string::npos) << text;
    EXPECT_NE(text.find("sheet-apply-enabled.png"), std::string::npos) << text;
    // Apply applied once and was disabled then; OK applied again and closed the sheet.
    EXPECT_TRUE(HasLine(lines, "error: the control 12321 is disabled")) << text;
    EXPECT_EQ(AddInLogOf("sheet"),
              (std::vector<std::string>{"sheet page changed", "sheet page apply", "sheet page apply", "sheet 1"}));
    const auto after = std::find(lines.rbegin(), lines.rend(), "click-item 1 \"OK\"");
    ASSERT_NE(after, lines.rend()) << text;
    EXPECT_EQ(text.find("\"Test Sheet Properties\"", text.rfind("click-item 1 \"OK\"")), std::string::npos) << text;
    EXPECT_EQ(lines.back(), "host stopped");
}

TEST_F(SheetWindows, QuittingInsideTheSheetCancelsIt)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    RegisterAddIn();
    std::vector<std::string> lines;
    std::string text;
    ASSERT_EQ(RunWindowedHost("click-item \"Test Dialog\" 108\nquit\nwindows\n", lines, &text), 0) << text;
    EXPECT_EQ(AddInLogOf("sheet"), (std::vector<std::string>{"sheet page reset", "sheet 0"}));
    EXPECT_EQ(lines.back(), "host stopped");
    EXPECT_EQ(text.find("window \""), std::string::npos) << text; // nothing after quit ran
}
