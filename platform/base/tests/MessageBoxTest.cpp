#include "base/AnswerQueue.h"
#include "base/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

// A presenter that answers with a fixed button and remembers what it was shown.
class FixedPresenter : public platform::MessageBoxPresenter {
public:
    explicit FixedPresenter(int answer) : m_answer(answer) {}
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override
    {
        ++shown;
        lastOwner = owner;
        lastText = text;
        lastCaption = caption;
        lastType = type;
        return m_answer;
    }
    int shown = 0;
    HWND lastOwner = nullptr;
    std::string lastText, lastCaption;
    UINT lastType = 0;

private:
    int m_answer;
};

class MessageBoxFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ClearAnswers();
        unsetenv(platform::kMessageBoxVariable);
    }
    void TearDown() override
    {
        platform::SetMessageBoxPresenter(nullptr);
        platform::ClearAnswers();
        unsetenv(platform::kMessageBoxVariable);
    }
};

} // namespace

TEST_F(MessageBoxFixture, ConsoleWritesCaptionAndTextAndAnswersOk)
{
    int answer = 0;
    const std::string text = CaptureStderr(
        [&] { answer = MessageBoxA(nullptr, "Line one\n\nLine two", "The caption", MB_ICONINFORMATION); });
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(text, "The caption\nLine one\n\nLine two\n");
}

TEST_F(MessageBoxFixture, NullCaptionReadsError)
{
    const std::string text = CaptureStderr([] { MessageBoxA(nullptr, nullptr, nullptr, MB_OK); });
    EXPECT_EQ(text, "Error\n\n");
    ASSERT_EQ(platform::PromptRecords().size(), 1u);
    EXPECT_EQ(platform::PromptRecords()[0].caption, "Error");
}

TEST_F(MessageBoxFixture, ConsoleAnswersWithTheDefaultButton)
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

TEST_F(MessageBoxFixture, QueuedAnswersAreTakenInOrderBeforeAnyPresenter)
{
    auto presenter = std::make_shared<FixedPresenter>(IDNO);
    platform::SetMessageBoxPresenter(presenter);
    ASSERT_TRUE(platform::PushAnswer("yes"));
    ASSERT_TRUE(platform::PushAnswer("  CANCEL "));
    EXPECT_EQ(platform::PendingAnswers(), 2u);

    EXPECT_EQ(MessageBoxA(nullptr, "Delete it?", "First", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Second", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(presenter->shown, 0);
    // Nothing queued any more: the presenter answers.
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x10), "Again?", "Third", MB_YESNO | MB_DEFBUTTON1), IDNO);
    EXPECT_EQ(presenter->shown, 1);
    EXPECT_EQ(presenter->lastOwner, reinterpret_cast<HWND>(0x10));
    EXPECT_EQ(presenter->lastCaption, "Third");
    EXPECT_EQ(presenter->lastText, "Again?");

    const auto records = platform::PromptRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].kind, platform::PromptKind::MessageBox);
    EXPECT_EQ(records[0].caption, "First");
    EXPECT_EQ(records[0].text, "Delete it?");
    EXPECT_EQ(records[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(records[0].answer, IDYES);
    EXPECT_TRUE(records[0].queued);
    EXPECT_EQ(records[1].answer, IDCANCEL);
    EXPECT_EQ(records[2].answer, IDNO);
    EXPECT_FALSE(records[2].queued);
    EXPECT_TRUE(platform::AnswerErrors().empty());
}

TEST_F(MessageBoxFixture, AnAnswerOfTheWrongKindIsAnErrorAndTheBoxGoesOn)
{
    auto presenter = std::make_shared<FixedPresenter>(IDCANCEL);
    platform::SetMessageBoxPresenter(presenter);
    ASSERT_TRUE(platform::PushAnswer("menu 32777"));
    ASSERT_TRUE(platform::PushAnswer("yes")); // a button the box does not have
    ASSERT_TRUE(platform::PushAnswer("ok"));

    EXPECT_EQ(MessageBoxA(nullptr, "t", "Box one", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "Box two", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "Box three", MB_OKCANCEL), IDOK);
    EXPECT_EQ(presenter->shown, 2);
    const auto errors = platform::AnswerErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find("menu 32777"), std::string::npos);
    EXPECT_NE(errors[0].find("Box one"), std::string::npos);
    EXPECT_NE(errors[1].find("'yes'"), std::string::npos);
    EXPECT_NE(errors[1].find("Box two"), std::string::npos);
}

TEST_F(MessageBoxFixture, APresenterThatCannotShowGivesTheDefaultButton)
{
    platform::SetMessageBoxPresenter(std::make_shared<FixedPresenter>(0));
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
}

TEST_F(MessageBoxFixture, TheVariableForcesTheConsolePresenter)
{
    auto presenter = std::make_shared<FixedPresenter>(IDCANCEL);
    platform::SetMessageBoxPresenter(presenter);
    setenv(platform::kMessageBoxVariable, "console", 1);
    int answer = 0;
    const std::string text = CaptureStderr([&] { answer = MessageBoxA(nullptr, "Text", "Caption", MB_OKCANCEL); });
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(text, "Caption\nText\n");
    EXPECT_EQ(presenter->shown, 0);
    // The queue still comes first.
    platform::PushAnswer("cancel");
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", MB_OKCANCEL), IDCANCEL);
    unsetenv(platform::kMessageBoxVariable);
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(presenter->shown, 1);
}

TEST_F(MessageBoxFixture, InstallingReturnsThePreviousPresenter)
{
    auto first = std::make_shared<FixedPresenter>(IDOK);
    auto previous = platform::SetMessageBoxPresenter(first);
    ASSERT_NE(previous, nullptr); // the console presenter
    EXPECT_EQ(platform::CurrentMessageBoxPresenter(), first);
    EXPECT_EQ(platform::SetMessageBoxPresenter(previous), first);
    EXPECT_EQ(platform::CurrentMessageBoxPresenter(), previous);
}

TEST(AnswerParsing, WordsMenusAndFiles)
{
    std::string error;
    auto a = platform::ParseAnswer("No");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->ButtonId(), IDNO);
    a = platform::ParseAnswer("menu 164");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->kind, platform::AnswerKind::Menu);
    EXPECT_EQ(a->menuId, 164u);
    EXPECT_EQ(a->Text(), "menu 164");
    a = platform::ParseAnswer("file /tmp/a folder/b.wav");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->path, "/tmp/a folder/b.wav");
    EXPECT_EQ(a->ButtonId(), 0);

    EXPECT_FALSE(platform::ParseAnswer("", &error));
    EXPECT_FALSE(platform::ParseAnswer("maybe", &error));
    EXPECT_NE(error.find("maybe"), std::string::npos);
    EXPECT_FALSE(platform::ParseAnswer("menu", &error));
    EXPECT_FALSE(platform::ParseAnswer("menu 12x", &error));
    EXPECT_FALSE(platform::ParseAnswer("menu 0", &error));
    EXPECT_FALSE(platform::ParseAnswer("menu 70000", &error));
    EXPECT_FALSE(platform::ParseAnswer("file", &error));
    EXPECT_FALSE(platform::ParseAnswer("ok now", &error));

    platform::ClearAnswers();
    EXPECT_FALSE(platform::PushAnswer("menu x"));
    EXPECT_EQ(platform::PendingAnswers(), 0u);
}
