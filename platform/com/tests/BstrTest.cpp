#include "com/Bstr.h"
#include "com/ComBstr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Bstr, LengthPrefixAndTerminator)
{
    BSTR s = SysAllocString(u"Account");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 7u);
    EXPECT_EQ(SysStringByteLen(s), 14u);
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
    EXPECT_EQ(prefix, 14u);
    EXPECT_EQ(s[7], 0);
    SysFreeString(s);
}

TEST(Bstr, NullAndEmpty)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(Bstr, EmbeddedZerosKeepTheirLength)
{
    const OLECHAR data[] = {u'a', 0, u'b', 0, u'c'};
    BSTR s = SysAllocStringLen(data, 5);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 5u);
    EXPECT_EQ(std::u16string(s, 5), std::u16string(data, 5));
    ComBstr copy;
    copy.Attach(SysAllocStringLen(s, SysStringLen(s)));
    ComBstr again(copy);
    EXPECT_EQ(again.Length(), 5u);
    EXPECT_EQ(again.View(), std::u16string_view(data, 5));
    SysFreeString(s);
}

TEST(Bstr, AllocLenWithoutSourceIsZeroed)
{
    BSTR s = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 4u);
    for (int i = 0; i <= 4; ++i)
        EXPECT_EQ(s[i], 0);
    SysFreeString(s);
}

TEST(Bstr, ByteStringsKeepOddLengths)
{
    BSTR s = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringByteLen(s), 3u);
    EXPECT_EQ(SysStringLen(s), 1u);
    EXPECT_EQ(std::memcmp(s, "abc", 3), 0);
    EXPECT_EQ(reinterpret_cast<const char*>(s)[3], 0);
    EXPECT_EQ(reinterpret_cast<const char*>(s)[4], 0);
    // A byte string copied by ComBstr keeps its exact byte length.
    ComBstr holder;
    holder.Attach(s);
    ComBstr copy(holder);
    EXPECT_EQ(copy.ByteLength(), 3u);
}

TEST(Bstr, ReallocCopiesFromInsideTheOldString)
{
    BSTR s = SysAllocString(u"Hello, world");
    ASSERT_TRUE(SysReAllocString(&s, s + 7));
    EXPECT_EQ(std::u16string(s), u"world");
    ASSERT_TRUE(SysReAllocStringLen(&s, s, 3));
    EXPECT_EQ(std::u16string(s), u"wor");
    EXPECT_EQ(SysStringLen(s), 3u);
    ASSERT_TRUE(SysReAllocString(&s, nullptr));
    EXPECT_EQ(s, nullptr);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

TEST(ComBstrHolder, OwnsCopiesAndHandsOver)
{
    ComBstr a(std::string_view("Grüße"));
    EXPECT_EQ(a.Length(), 5u);
    EXPECT_EQ(a.Utf8(), "Grüße");
    ComBstr b = a;
    EXPECT_NE(b.get(), a.get());
    EXPECT_TRUE(a == b);
    ComBstr c = std::move(b);
    EXPECT_EQ(b.get(), nullptr);
    BSTR out = nullptr;
    ASSERT_EQ(c.CopyTo(&out), S_OK);
    EXPECT_EQ(std::u16string(out), u"Grüße");
    SysFreeString(out);
    BSTR raw = c.Detach();
    EXPECT_EQ(c.get(), nullptr);
    SysFreeString(raw);
    ComBstr d(u"x");
    SysReAllocString(d.put(), u"y"); // put() frees first, so this allocates into an empty slot
    EXPECT_EQ(d.View(), u"y");
    EXPECT_EQ(ComBstr().CopyTo(nullptr), E_POINTER);
}

} // namespace
