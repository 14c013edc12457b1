#include "base/Format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

template <typename... Args>
std::string Fmt(const char* format, Args... args)
{
    char buf[WSPRINTF_LIMIT + 64];
    std::memset(buf, 'X', sizeof buf);
    const int n = wsprintfA(buf, format, args...);
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf, n);
}

} // namespace

TEST(Format, IntegersWithFlagsWidthAndPrecision)
{
    EXPECT_EQ(Fmt("%d|%i|%u", -12, 34, 4000000000u), "-12|34|4000000000");
    EXPECT_EQ(Fmt("%02d:%02d:%02d", 7, 5, 59), "07:05:59");
    EXPECT_EQ(Fmt("%08lx|%lx|%lX", 0x12f4a0L, static_cast<long>(static_cast<int>(0x80004005)), 0xabcL),
              "0012f4a0|80004005|ABC");
    EXPECT_EQ(Fmt("%-5d|%5d|%05d", 42, 42, -42), "42   |   42|-0042");
    EXPECT_EQ(Fmt("%#x|%#X|%#x", 255, 255, 0), "0xff|0XFF|0");
    EXPECT_EQ(Fmt("%ld|%lu", -5L, 7UL), "-5|7");
    EXPECT_EQ(Fmt("%.4d", 7), "0007");
    EXPECT_EQ(Fmt("%hd", 70000), "4464");
    EXPECT_EQ(Fmt("100%%"), "100%");
    EXPECT_EQ(Fmt("%q"), "%q"); // not a conversion: copied
}

TEST(Format, StringsNarrowAndWide)
{
    EXPECT_EQ(Fmt("[%s] [%hs] [%c]", "abc", "def", 'g'), "[abc] [def] [g]");
    EXPECT_EQ(Fmt("[%-6s] [%6s] [%.2s]", "ab", "ab", "abcdef"), "[ab    ] [    ab] [ab]");
    EXPECT_EQ(Fmt("%S and %ls", u"Gr\u00fc\u00dfe", u"\u20ac"), "Gr\xC3\xBC\xC3\x9F" "e and \xE2\x82\xAC");
    EXPECT_EQ(Fmt("%s|%S", static_cast<const char*>(nullptr), static_cast<const char16_t*>(nullptr)),
              "(null)|(null)");
    // A precision stops reading: the text need not be terminated.
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(Fmt("%.3s", unterminated), "xyz");
}

TEST(Format, PointerHasFullWidth)
{
    const void* p = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x12f4a0));
    EXPECT_EQ(Fmt("%p", p), std::string(sizeof(void*) * 2 - 6, '0') + "12F4A0");
}

TEST(Format, OutputIsCutAt1024BytesWithItsZero)
{
    const std::string longText(3000, 'a');
    char buf[4096];
    std::memset(buf, 'X', sizeof buf);
    const int n = wsprintfA(buf, "%s-end", longText.c_str());
    EXPECT_EQ(n, 1023);
    EXPECT_EQ(buf[1023], '\0');
    EXPECT_EQ(buf[1024], 'X'); // nothing written behind the limit
    EXPECT_EQ(std::string(buf, 1023), std::string(1023, 'a'));
}
