// The link control without a display: colours and underline by state, hovering, fitting the
// window to its text, opening the target (with the ".htm" command when the shell cannot) and
// the texts of the shell's error codes.
#include "DlgAppAbout.h"
#include "LinkStatic.h"

#include "ToolTestSupport.h"

#include "TempRoot.h"
#include "base/MessageBox.h"
#include "base/Process.h"
#include "base/Sound.h"
#include "registry/Registry.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

constexpr COLORREF kHighlight = 0x123456;

void SetClassesDefault(const std::string& key, const std::string& value)
{
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

class LinkStatic : public ::testing::Test {
protected:
    void SetUp() override
    {
        // No opener for the shell: it cannot open a web address by itself.
        setenv(platform::kShellOpenVariable, "no-such-opener", 1);
        platform::ClearSoundRecords();
    }
    void TearDown() override { unsetenv(platform::kShellOpenVariable); }

    TempRoot root;
    tooltest::ConsoleBoxes boxes;
};

TEST_F(LinkStatic, ColourAndUnderlineFollowTheState)
{
    CLinkStatic link;
    int redraws = 0;
    link.m_onRedraw = [&] { ++redraws; };
    EXPECT_EQ(link.TextColour(kHighlight), CLinkStatic::kLinkColour);
    EXPECT_FALSE(link.IsUnderlined()) << "underlined only while hovering";
    EXPECT_TRUE(link.OnMouseMove());
    EXPECT_FALSE(link.OnMouseMove()) << "already hovering";
    EXPECT_EQ(link.TextColour(kHighlight), CLinkStatic::kHoverColour);
    EXPECT_TRUE(link.IsUnderlined());
    EXPECT_FALSE(link.OnHoverTimer(true));
    EXPECT_TRUE(link.OnHoverTimer(false)) << "the mouse left";
    EXPECT_FALSE(link.IsHovering());
    EXPECT_FALSE(link.IsUnderlined());
    link.SetVisited(TRUE);
    EXPECT_EQ(link.TextColour(kHighlight), CLinkStatic::kVisitedColour);
    EXPECT_EQ(redraws, 3);

    link.SetUnderline(1);
    EXPECT_TRUE(link.IsUnderlined());
    link.SetUnderline(0);
    link.OnMouseMove();
    EXPECT_FALSE(link.IsUnderlined());
    link.SetColours(0x010101, 0x020202);
    EXPECT_EQ(link.TextColour(kHighlight), kHighlight) << "hover -1: the highlight colour";
    link.OnHoverTimer(false);
    EXPECT_EQ(link.TextColour(kHighlight), 0x020202u);

    // The About box's links keep one colour.
    CDlgAppAbout about;
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(about.m_linkInfo.GetURL(), "http://www.example.com/orvinta/");
    EXPECT_EQ(about.m_linkContact.GetURL().rfind("mailto:", 0), 0u);
    about.m_linkInfo.OnMouseMove();
    EXPECT_EQ(about.m_linkInfo.TextColour(kHighlight), CDlgAppAbout::kLinkColour);
    about.m_linkContact.SetVisited(TRUE);
    EXPECT_EQ(about.m_linkContact.TextColour(kHighlight), CDlgAppAbout::kLinkColour);
}

TEST_F(LinkStatic, SetUpSharesTextAndTarget)
{
    CLinkStatic link;
    DWORD style = 0;
    EXPECT_EQ(link.SetUp("www.example.com", style), "www.example.com");
    EXPECT_EQ(link.GetURL(), "www.example.com");
    EXPECT_EQ(style, DWORD(SS_NOTIFY));
    CLinkStatic target;
    target.SetURL("mailto:team@example.com");
    EXPECT_EQ(target.SetUp("", style), "mailto:team@example.com");
    EXPECT_EQ(target.SetUp("Write to us", style), "Write to us");
    EXPECT_EQ(target.GetURL(), "mailto:team@example.com");
}

TEST_F(LinkStatic, WindowFitsItsTextAsItsStyleSays)
{
    const CRect window{100, 50, 300, 90};
    const CSize text{60, 14};
    const CSize borders{2, 2};
    EXPECT_EQ(CLinkStatic::FitToText(window, text, borders, 0), (CRect{100, 50, 162, 66}));
    EXPECT_EQ(CLinkStatic::FitToText(window, text, borders, SS_RIGHT), (CRect{238, 50, 300, 66}));
    EXPECT_EQ(CLinkStatic::FitToText(window, text, borders, SS_CENTER), (CRect{169, 50, 231, 66}));
    EXPECT_EQ(CLinkStatic::FitToText(window, text, borders, SS_CENTERIMAGE), (CRect{100, 62, 162, 78}));
}

TEST_F(LinkStatic, HtmCommandOpensWhatTheShellCannot)
{
    const auto record = std::filesystem::path(root.path()) / "opened.txt";
    const auto browser = std::filesystem::path(root.path()) / "browser";
    {
        std::ofstream script(browser);
        script << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" << record.string() << ".tmp\"\nmv \"" << record.string()
               << ".tmp\" \"" << record.string() << "\"\n";
    }
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
    SetClassesDefault(".htm", "htmlfile");
    SetClassesDefault("htmlfile\\shell\\open\\command", "\"" + browser.string() + "\" -nohome \"%1\"");

    CLinkStatic link;
    link.SetURL("http://www.example.com/orvinta/");
    link.OnClick(nullptr);
    for (int i = 0; i < 200 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(record);
    std::string args;
    std::getline(in, args);
    EXPECT_EQ(args, "-nohome|http://www.example.com/orvinta/|") << "the command cut before \"%1\", the target after it";
    EXPECT_TRUE(link.GetVisited());
    EXPECT_TRUE(tooltest::Boxes().empty());
    EXPECT_TRUE(platform::BeepRecords().empty());

    // Without the quotes the command is cut before %1.
    std::filesystem::remove(record);
    SetClassesDefault("htmlfile\\shell\\open\\command", browser.string() + " %1");
    EXPECT_GT(CLinkStatic::OpenLink("http://www.example.com/", SW_SHOW), 32);
    for (int i = 0; i < 200 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream again(record);
    std::getline(again, args);
    EXPECT_EQ(args, "http://www.example.com/|");
}

TEST_F(LinkStatic, LinkThatCannotOpenBeepsAndSaysWhy)
{
    CLinkStatic link;
    link.SetURL("http://www.example.com/orvinta/");
    link.OnMouseMove();
    link.OnClick(nullptr);
    EXPECT_FALSE(link.GetVisited());
    EXPECT_FALSE(link.IsHovering());
    EXPECT_EQ(platform::BeepRecords(), std::vector<UINT>{MB_ICONEXCLAMATION});
    const auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(shown[0].type & MB_ICONMASK, UINT(MB_ICONEXCLAMATION));
}

TEST_F(LinkStatic, ShellCodesHaveTheirTexts)
{
    EXPECT_EQ(CLinkStatic::ErrorText(0), "Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources.");
    EXPECT_EQ(CLinkStatic::ErrorText(2), "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_EQ(CLinkStatic::ErrorText(11),
              "Unable to open hyperlink:\n\nThe .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    EXPECT_EQ(CLinkStatic::ErrorText(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(CLinkStatic::ErrorText(32), "Unable to open hyperlink:\n\nThe specified dynamic-link library was not found.");
    EXPECT_EQ(CLinkStatic::ErrorText(99), "Unable to open hyperlink:\n\nUnknown Error (99) occurred.");
}

} // namespace
