// A PNG of a top-level window: it lands under build/artifacts/<test program>/, has the window's
// size and shows what the window draws.
#include "ToolkitTestEnvironment.h"

#include "ui/WindowCapture.h"

#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <set>

TEST(WindowCapture, APictureOfAWindowHasItsSizeAndIsNotBlank)
{
    REQUIRE_TOOLKIT();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Capture", wxDefaultPosition, wxSize(320, 200));
    auto* panel = new wxPanel(frame);
    panel->SetBackgroundColour(wxColour(40, 90, 160));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* text = new wxStaticText(panel, wxID_ANY, "A window to take a picture of");
    text->SetForegroundColour(*wxWHITE);
    sizer->Add(text, 0, wxALL, 20);
    panel->SetSizer(sizer);
    frame->Show();
    std::string error;
    const auto file = platform::ui::CaptureWindow(frame, "capture-test", &error);
    ASSERT_FALSE(file.empty()) << error;
    EXPECT_EQ(file, platform::ui::ArtifactsFolder() / "capture-test.png");
    EXPECT_EQ(file.parent_path().filename(), "platform_ui_tests");
    EXPECT_EQ(file.parent_path().parent_path().filename(), "artifacts");
    wxImage image;
    ASSERT_TRUE(image.LoadFile(wxString::FromUTF8(file.string()), wxBITMAP_TYPE_PNG));
    EXPECT_EQ(image.GetWidth(), frame->GetSize().x);
    EXPECT_EQ(image.GetHeight(), frame->GetSize().y);
    std::set<unsigned> colours;
    for (int y = 0; y < image.GetHeight(); y += 2)
        for (int x = 0; x < image.GetWidth(); x += 2)
            colours.insert((unsigned(image.GetRed(x, y)) << 16) | (unsigned(image.GetGreen(x, y)) << 8) |
                           image.GetBlue(x, y));
    EXPECT_GT(colours.size(), 2u);
    EXPECT_TRUE(colours.count((40u << 16) | (90u << 8) | 160u)) << "the panel's colour is missing";
    frame->Destroy();
}

TEST(WindowCapture, AHiddenWindowOrABadNameGivesNoPicture)
{
    REQUIRE_TOOLKIT();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Hidden");
    std::string error;
    EXPECT_TRUE(platform::ui::CaptureWindow(frame, "hidden", &error).empty());
    EXPECT_EQ(error, "the window is not shown");
    frame->Show();
    EXPECT_TRUE(platform::ui::CaptureWindow(frame, "../escape", &error).empty());
    EXPECT_EQ(error, "\"../escape\" is not a file name");
    frame->Destroy();
}

TEST(WindowCapture, APictureShowsTheWindowAsItIsNowNotAsItWas)
{
    REQUIRE_TOOLKIT();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Changing", wxDefaultPosition, wxSize(320, 200));
    auto* panel = new wxPanel(frame);
    panel->SetBackgroundColour(wxColour(40, 90, 160));
    frame->Show();
    std::string error;
    ASSERT_FALSE(platform::ui::CaptureWindow(frame, "capture-before", &error).empty()) << error;
    panel->SetBackgroundColour(wxColour(200, 60, 30));
    panel->Refresh();
    const auto file = platform::ui::CaptureWindow(frame, "capture-after", &error);
    ASSERT_FALSE(file.empty()) << error;
    wxImage image;
    ASSERT_TRUE(image.LoadFile(wxString::FromUTF8(file.string()), wxBITMAP_TYPE_PNG));
    const int x = image.GetWidth() / 2;
    const int y = image.GetHeight() / 2;
    EXPECT_EQ(wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)), wxColour(200, 60, 30));
    frame->Destroy();
}
