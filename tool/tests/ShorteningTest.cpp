// Texts shortened to the width they have: folder paths in the association list and store names
// in the coloured static, measured with a font whose every character is 10 pixels wide.
#include "FolderLinkListCtrl.h"
#include "StaticEx.h"

#include <gtest/gtest.h>

namespace {

const TextMeasure kMeasure = FixedWidthMeasure(10);

std::string Shorten(const std::string& path, int width)
{
    return CFolderLinkListCtrl::ShortenPath(path, width, 0, kMeasure);
}

TEST(ShortenPath, APathThatFitsStaysWhole)
{
    EXPECT_EQ(Shorten("*/Projects/Alpha", 160), "*/Projects/Alpha");
    EXPECT_EQ(Shorten("*", 10), "*");
}

TEST(ShortenPath, TheFirstFolderNameIsCutFirst)
{
    // 150 pixels less ".." and 2 leave 12 characters.
    EXPECT_EQ(Shorten("*/Projects/Alpha", 150), "*/Pr../Alpha");
    EXPECT_EQ(Shorten("*/Projects/Alpha/Deep/Note", 250), "*/Pr../Alpha/Deep/Note");
}

TEST(ShortenPath, FoldersLeftOutOneAfterAnotherKeepTheEnd)
{
    const std::string path = "*/Projects/Alpha/Deep/Note";
    EXPECT_EQ(Shorten(path, 260), path);
    EXPECT_EQ(Shorten(path, 150), "*/../../../Note");
    // Several left-out folders read "/..../"; then the end is cut.
    EXPECT_EQ(Shorten(path, 120), "*/..../No..");
    EXPECT_EQ(Shorten(path, 100), "*/..../..");
    EXPECT_EQ(Shorten(path, 60), "*/...");
}

TEST(ShortenPath, NoWidthLeavesOnlyTheDots)
{
    EXPECT_EQ(Shorten("*/Projects/Alpha/Deep/Note", 0), "..");
    EXPECT_EQ(Shorten("*/Projects", -50), "..");
    EXPECT_EQ(Shorten("Not available", 0), "..");
}

TEST(ShortenPath, CharactersAreCutWhole)
{
    // Two-byte characters: a cut never leaves half of one.
    EXPECT_EQ(Shorten("*/Ärgerlich/Ö", 95), "*/Ä../Ö");
}

TEST(StaticEx, ALongTextShowsItsEndAfterDots)
{
    CStaticEx label;
    label.SetMeasure(kMeasure);
    label.SetWindowText("C:/stores/personal.store");
    EXPECT_EQ(label.GetShownText(), "C:/stores/personal.store") << "not sized yet: whole";
    label.OnSize(200);
    // 200 - "... " (40) - 5 leaves 15 characters.
    EXPECT_EQ(label.GetShownText(), "... /personal.store");
    EXPECT_EQ(label.GetFullText(), "C:/stores/personal.store");
    label.OnSize(300);
    EXPECT_EQ(label.GetShownText(), "C:/stores/personal.store") << "the full text comes back";
    label.OnSize(0);
    EXPECT_EQ(label.GetShownText(), "... ") << "narrower than its dots";
    label.SetWindowText("");
    EXPECT_EQ(label.GetShownText(), "");
}

TEST(StaticEx, ColourIsKeptAndTheOldOneReturned)
{
    CStaticEx label;
    EXPECT_EQ(label.GetStaticColour(), 0x000000u);
    EXPECT_EQ(label.SetStaticColour(0x0000FF), 0x000000u);
    EXPECT_EQ(label.GetStaticColour(), 0x0000FFu);
    EXPECT_EQ(CStaticEx::Shorten("Öffentliche Ordner", 95, kMeasure), "... rdner");
}

} // namespace
