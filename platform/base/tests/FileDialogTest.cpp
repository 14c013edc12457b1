#include "base/AnswerQueue.h"
#include "base/FileDialog.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

class AskingPresenter : public platform::FileDialogPresenter {
public:
    std::optional<platform::FileDialogResult> Ask(const platform::FileDialogRequest& request) override
    {
        seen = request;
        ++asked;
        return answer;
    }
    std::optional<platform::FileDialogResult> answer;
    platform::FileDialogRequest seen;
    int asked = 0;
};

class FileDialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ClearAnswers();
        std::ofstream(root.path() / "ring.wav") << "RIFF";
        std::memset(file, 0, sizeof file);
        std::strcpy(file, "old.wav");
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = "Wave Files (*.wav)\0*.wav\0All Files\0*.*\0";
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = sizeof title;
        ofn.lpstrDefExt = "wav";
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    }
    void TearDown() override
    {
        platform::SetFileDialogPresenter(nullptr);
        platform::ClearAnswers();
    }
    TempRoot root;
    char file[MAX_PATH];
    char title[64] = {};
    OPENFILENAMEA ofn{};
};

} // namespace

TEST_F(FileDialogFixture, AQueuedFileFillsTheBuffer)
{
    const std::string path = (root.path() / "ring.wav").string();
    ASSERT_TRUE(platform::PushAnswer("file " + path));
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), path);
    EXPECT_EQ(std::string(title), "ring.wav");
    EXPECT_EQ(std::string(file + ofn.nFileOffset), "ring.wav");
    EXPECT_EQ(std::string(file + ofn.nFileExtension), "wav");
    const auto records = platform::PromptRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, platform::PromptKind::FileDialog);
    EXPECT_EQ(records[0].caption, "Open");
    EXPECT_EQ(records[0].text, "old.wav");
    EXPECT_EQ(records[0].path, path);
    EXPECT_EQ(records[0].answer, TRUE);
}

TEST_F(FileDialogFixture, ARelativeNameWithoutExtensionIsCompleted)
{
    const std::string folder = root.path().string();
    ofn.lpstrInitialDir = folder.c_str();
    ASSERT_TRUE(platform::PushAnswer("file ring"));
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), (root.path() / "ring.wav").string());
}

TEST_F(FileDialogFixture, CancelAndNoneQueuedGiveFalse)
{
    ASSERT_TRUE(platform::PushAnswer("cancel"));
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_STREQ(file, "old.wav");
    // Headless, with nobody to ask.
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(platform::PromptRecords().size(), 2u);
    EXPECT_EQ(platform::PromptRecords()[1].caption, "Save As");
}

TEST_F(FileDialogFixture, AMissingFileIsRefusedWhenItMustExist)
{
    ASSERT_TRUE(platform::PushAnswer("file " + (root.path() / "none.wav").string()));
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_INVALIDFILENAME));
    ASSERT_EQ(platform::AnswerErrors().size(), 1u);
    // Saving may name a new file, in an existing folder.
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    ASSERT_TRUE(platform::PushAnswer("file " + (root.path() / "new.wav").string()));
    EXPECT_TRUE(GetSaveFileNameA(&ofn));
    ASSERT_TRUE(platform::PushAnswer("file " + (root.path() / "no" / "new.wav").string()));
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
}

TEST_F(FileDialogFixture, ASmallBufferGetsTheNeededSize)
{
    char small[8] = "x";
    ofn.lpstrFile = small;
    ofn.nMaxFile = sizeof small;
    const std::string path = (root.path() / "ring.wav").string();
    ASSERT_TRUE(platform::PushAnswer("file " + path));
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    WORD needed = 0;
    std::memcpy(&needed, small, sizeof needed);
    EXPECT_EQ(needed, path.size() + 1);
}

TEST_F(FileDialogFixture, WrongStructSizeOrAnswerKind)
{
    ofn.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    ofn.lStructSize = sizeof ofn;
    ASSERT_TRUE(platform::PushAnswer("yes"));
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    ASSERT_EQ(platform::AnswerErrors().size(), 1u);
    EXPECT_NE(platform::AnswerErrors()[0].find("file dialog"), std::string::npos);
}

TEST_F(FileDialogFixture, ThePresenterSeesTheRequestAndAnswers)
{
    auto presenter = std::make_shared<AskingPresenter>();
    platform::SetFileDialogPresenter(presenter);
    ofn.lpstrTitle = "Choose a sound";
    ofn.nFilterIndex = 2;
    presenter->answer = platform::FileDialogResult{(root.path() / "ring.wav").string(), 1};
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(presenter->asked, 1);
    EXPECT_FALSE(presenter->seen.save);
    EXPECT_EQ(presenter->seen.title, "Choose a sound");
    ASSERT_EQ(presenter->seen.filters.size(), 2u);
    EXPECT_EQ(presenter->seen.filters[0].description, "Wave Files (*.wav)");
    EXPECT_EQ(presenter->seen.filters[0].patterns, "*.wav");
    EXPECT_EQ(presenter->seen.filters[1].patterns, "*.*");
    EXPECT_EQ(presenter->seen.filterIndex, 2u);
    EXPECT_EQ(presenter->seen.fileName, "old.wav");
    EXPECT_EQ(presenter->seen.defaultExtension, "wav");
    EXPECT_EQ(ofn.nFilterIndex, 1u);
    // A queued answer still comes first; the presenter is not asked.
    ASSERT_TRUE(platform::PushAnswer("cancel"));
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(presenter->asked, 1);
    presenter->answer.reset();
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(presenter->asked, 2);
}
