// The toolkit's message box and file dialog behind MessageBoxA and GetOpen/SaveFileNameA, answered
// by the test as a user would; queued answers come before them.
#include "ToolkitDialogs.h"
#include "ToolkitTestEnvironment.h"

#include "base/AnswerQueue.h"
#include "base/DisplayState.h"
#include "base/FileDialog.h"
#include "base/MessageBox.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"
#include "ui/WindowCapture.h"

#include "TempRoot.h"

#include <wx/button.h>
#include <wx/filedlg.h>

#include <wx/frame.h>
#include <wx/utils.h>

#include <cstring>
#include <fstream>

namespace {

class Presenters : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_TOOLKIT();
        platform::ClearAnswers();
        m_platform = std::make_unique<platform::ui::ToolkitPlatform>();
    }
    void TearDown() override
    {
        m_platform.reset();
        platform::ClearAnswers();
    }

    std::unique_ptr<platform::ui::ToolkitPlatform> m_platform;
};

} // namespace

TEST_F(Presenters, TheToolkitDisplayFlagIsSetWhileThePlatformRuns)
{
    EXPECT_TRUE(platform::ToolkitDisplayRunning());
    m_platform.reset();
    EXPECT_FALSE(platform::ToolkitDisplayRunning());
}

TEST_F(Presenters, AMessageBoxOwnedByAWindowShowsItsButtonsAndGivesTheClickedOne)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Owner", wxDefaultPosition, wxSize(400, 300));
    frame->Show();
    const auto binding = platform::ui::WindowBinding::Attach(frame, "OwnerFrame");
    ASSERT_TRUE(binding);
    wxWindow* parent = nullptr;
    std::string shot;
    ModalAnswerer answerer([&](wxDialog& box) {
        parent = box.GetParent();
        EXPECT_EQ(box.GetTitle(), "Sync");
        EXPECT_NE(box.FindWindow(wxID_YES), nullptr);
        EXPECT_NE(box.FindWindow(wxID_CANCEL), nullptr);
        std::string error;
        shot = platform::ui::CaptureWindow(&box, "message-box", &error).string();
        EXPECT_FALSE(shot.empty()) << error;
        ClickButton(box, wxID_NO);
    });
    EXPECT_EQ(MessageBoxA(binding->Handle(), "Delete the profile?", "Sync", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(parent, frame);
    const auto records = platform::PromptRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].caption, "Sync");
    EXPECT_EQ(records[0].answer, IDNO);
    EXPECT_FALSE(records[0].queued);
    frame->Destroy();
}

TEST_F(Presenters, BoxesWithoutTheToolkitsOwnButtonsAnswerWithTheirIds)
{
    int round = 0;
    ModalAnswerer answerer([&](wxDialog& box) {
        ++round;
        if (round == 1) {
            // Abort, Retry, Ignore: the middle one.
            auto* retry = dynamic_cast<wxButton*>(box.FindWindow(wxID_NO));
            ASSERT_NE(retry, nullptr);
            EXPECT_EQ(retry->GetLabel(), "&Retry");
            ClickButton(box, wxID_NO);
        } else if (round == 2) {
            ClickButton(box, wxID_OK); // Retry of Retry, Cancel
        } else {
            box.EndModal(wxID_CANCEL); // the close box of an OK box
        }
    });
    EXPECT_EQ(MessageBoxA(nullptr, "Disk", "Copy", MB_ABORTRETRYIGNORE), IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, "Again?", "Copy", MB_RETRYCANCEL), IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, "Done", "Copy", MB_OK | MB_ICONINFORMATION), IDOK);
}

TEST_F(Presenters, AQueuedAnswerComesBeforeTheToolkitsBox)
{
    ModalAnswerer answerer([](wxDialog& box) { box.EndModal(wxID_CANCEL); });
    ASSERT_TRUE(platform::PushAnswer("yes"));
    EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Sync", MB_YESNO), IDYES);
    EXPECT_EQ(answerer.answered(), 0);
    EXPECT_TRUE(platform::PromptRecords().at(0).queued);
}

TEST_F(Presenters, TheFileDialogGivesTheChosenPathOrNothingWhenCancelled)
{
    TempRoot root;
    const auto file = root.path() / "alarm.wav";
    std::ofstream(file) << "RIFF";
    ModalAnswerer answerer([&](wxDialog& dialog) {
        auto* files = dynamic_cast<wxFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->GetMessage(), "Choose a sound");
        EXPECT_EQ(files->GetWildcard(), "Wave Files (*.wav)|*.wav|All Files (*.*)|*.*");
        if (answerer.answered() == 1) {
            // The chooser takes the file once it has read its folder, a moment later.
            files->SetPath(wxString::FromUTF8(file.string()));
            for (int i = 0; i < 200 && files->GetPath().empty(); ++i) {
                wxYield();
                wxMilliSleep(10);
            }
            dialog.EndModal(wxID_OK);
        } else {
            dialog.EndModal(wxID_CANCEL);
        }
    });
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = "Wave Files (*.wav)\0*.wav\0All Files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Choose a sound";
    ofn.Flags = OFN_FILEMUSTEXIST;
    ASSERT_TRUE(GetOpenFileNameA(&ofn)) << CommDlgExtendedError();
    EXPECT_EQ(std::string(path), file.string());
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(answerer.answered(), 2);
}
