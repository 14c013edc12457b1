#include "base/Utf.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Utf, RoundTripsEveryPlane)
{
    const std::string text = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80z"; // A ä € 😀 z
    const std::u16string wide = Utf8ToUtf16(text);
    ASSERT_EQ(wide.size(), 6u); // the emoji takes a surrogate pair
    EXPECT_EQ(wide[0], u'A');
    EXPECT_EQ(wide[1], u'\u00E4');
    EXPECT_EQ(wide[2], u'\u20AC');
    EXPECT_EQ(wide[3], 0xD83D);
    EXPECT_EQ(wide[4], 0xDE00);
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Utf, IllFormedInputBecomesReplacementWithoutLosingTheRest)
{
    EXPECT_EQ(Utf8ToUtf16("\xE2" "a"), u"\uFFFD" u"a");
    EXPECT_EQ(Utf8ToUtf16("\xFF" "b"), u"\uFFFD" u"b");
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD"); // overlong NUL
    const char16_t lone[] = {0xD800, u'x', 0};
    EXPECT_EQ(Utf16ToUtf8(lone), "\xEF\xBF\xBDx");
}

TEST(Utf, CaseInsensitiveComparisonOrdersLikeLowerCase)
{
    EXPECT_TRUE(EqualNoCase("Software\\Classes", "SOFTWARE\\classes"));
    EXPECT_FALSE(EqualNoCase("abc", "abcd"));
    EXPECT_LT(CompareNoCase("Apple", "banana"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_LT(CompareNoCase("abc", "ABCD"), 0);
    EXPECT_EQ(WideLength(u"four"), 4u);
    EXPECT_EQ(WideLength(nullptr), 0u);
}
