#include "base/Utf.h"

#include "base/LastError.h"
#include "base/WinError.h"

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

TEST(CodePages, SizesAndTruncation)
{
    const char* text = "Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80"; // six characters, one outside the BMP
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 8); // two units for the last, and the zero
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 3, nullptr, 0), 3);  // "Gr" and a cut ü
    WCHAR wide[16];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 16), 8);
    EXPECT_EQ(std::u16string(wide), u"Gr\u00FC\u00DF \U0001F600");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 7), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    // A cut sequence: replaced, or refused when asked.
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 3, wide, 16), 3);
    EXPECT_EQ(wide[2], u'\uFFFD');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, 3, wide, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Gr\u00FC\u00DF", -1, nullptr, 0, nullptr, nullptr), 7);
    char narrow[16];
    BOOL usedDefault = TRUE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Gr\u00FC\u00DF", -1, narrow, 16, "?", &usedDefault), 7);
    EXPECT_STREQ(narrow, "Gr\xC3\xBC\xC3\x9F");
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"Gr\u00FC\u00DF", 4, narrow, 6, nullptr, nullptr), 6); // no zero
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"Gr\u00FC\u00DF", -1, narrow, 6, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    const WCHAR lone[] = {u'a', 0xD800, u'b', 0};
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, -1, narrow, 16, nullptr, nullptr), 6);
    EXPECT_STREQ(narrow, "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, narrow, 16, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePages, Faults)
{
    WCHAR wide[4];
    char narrow[4];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "", 0, wide, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, wide, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", -1, wide, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", -1, wide, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, narrow, 4, "?", nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", -1, narrow, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, u"a", -1, narrow, 4, nullptr, nullptr), 2);
}
