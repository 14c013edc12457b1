#include "com/GuidString.h"
#include "com/TaskMem.h"
#include "com/Unknown.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr GUID kSample = MakeGuid("5835290b-8949-4f11-b2b1-5795aaeda16c");

TEST(GuidString, BracedUpperCaseWithTerminatorCount)
{
    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(kSample, text, 39), 39);
    EXPECT_EQ(std::u16string(text), u"{5835290B-8949-4F11-B2B1-5795AAEDA16C}");
    EXPECT_EQ(StringFromGUID2(kSample, text, 38), 0); // no room for the terminator
    EXPECT_EQ(platform::GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidString, TaskMemoryForms)
{
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(kSample, &text), S_OK);
    EXPECT_EQ(std::u16string(text), u"{5835290B-8949-4F11-B2B1-5795AAEDA16C}");
    CoTaskMemFree(text);
    ASSERT_EQ(StringFromIID(IID_IUnknown, &text), S_OK);
    EXPECT_EQ(std::u16string(text), u"{00000000-0000-0000-C000-000000000046}");
    CoTaskMemFree(text);
}

TEST(GuidString, ParsesBracedTextInAnyCase)
{
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(u"{5835290b-8949-4F11-b2b1-5795AAEDA16C}", &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, kSample));
    IID iid{};
    ASSERT_EQ(IIDFromString(u"{00000000-0000-0000-C000-000000000046}", &iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, IID_IUnknown));
    // A null string is the null GUID.
    ASSERT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_NULL));
}

TEST(GuidString, RejectsMalformedText)
{
    CLSID clsid = kSample;
    EXPECT_EQ(CLSIDFromString(u"{5835290B-8949-4F11-B2B1-5795AAEDA16}", &clsid), CO_E_CLASSSTRING);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_NULL));
    EXPECT_EQ(CLSIDFromString(u"{5835290B-8949-4F11-B2B1+5795AAEDA16C}", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"{5835290G-8949-4F11-B2B1-5795AAEDA16C}", &clsid), CO_E_CLASSSTRING);
    IID iid{};
    EXPECT_EQ(IIDFromString(u"5835290B-8949-4F11-B2B1-5795AAEDA16C", &iid), CO_E_IIDSTRING);
    EXPECT_EQ(IIDFromString(u"{5835290B-8949-4F11-B2B1-5795AAEDA16C}x", &iid), CO_E_IIDSTRING);
    EXPECT_FALSE(platform::GuidFromString("{5835290B-8949-4F11-B2B1-5795AAEDA16C"));
}

TEST(GuidString, RoundTripsNewGuids)
{
    GUID a{};
    GUID b{};
    ASSERT_EQ(CoCreateGuid(&a), S_OK);
    ASSERT_EQ(CoCreateGuid(&b), S_OK);
    EXPECT_FALSE(IsEqualGUID(a, b));
    EXPECT_EQ((a.Data3 >> 12) & 0xF, 4); // random (version 4) UUIDs
    const auto parsed = platform::GuidFromString(platform::GuidToString(a));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(IsEqualGUID(*parsed, a));
}

} // namespace
