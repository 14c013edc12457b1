#include "com/GuidString.h"
#include "com/TaskMem.h"
#include "com/Unknown.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr GUID kSample = MakeGuid("3f2a8c11-7d40-4e2b-9a65-0c1d2e3f4a5b");

TEST(GuidString, BracedUpperCaseWithTerminatorCount)
{
    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(kSample, text, 39), 39);
    EXPECT_EQ(std::u16string(text), u"{3F2A8C11-7D40-4E2B-9A65-0C1D2E3F4A5B}");
    EXPECT_EQ(StringFromGUID2(kSample, text, 38), 0); // no room for the terminator
    EXPECT_EQ(platform::GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidString, TaskMemoryForms)
{
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(kSample, &text), S_OK);
    EXPECT_EQ(std::u16string(text), u"{3F2A8C11-7D40-4E2B-9A65-0C1D2E3F4A5B}");
    CoTaskMemFree(text);
    ASSERT_EQ(StringFromIID(IID_IUnknown, &text), S_OK);
    EXPECT_EQ(std::u16string(text), u"{00000000-0000-0000-C000-000000000046}");
    CoTaskMemFree(text);
}

TEST(GuidString, ParsesBracedTextInAnyCase)
{
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(u"{3f2a8c11-7D40-4e2b-9A65-0c1d2E3F4a5b}", &clsid), S_OK);
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
    EXPECT_EQ(CLSIDFromString(u"{3f2a8c11-7d40-4E2b-9a65-0c1d2E3F4a5}", &clsid), CO_E_CLASSSTRING);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_NULL));
    EXPECT_EQ(CLSIDFromString(u"{3f2a8c11-7d40-4E2b-9a65+0c1d2E3F4a5B}", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"{3f2a8c1G-7d40-4E2b-9a65-0c1d2E3F4a5B}", &clsid), CO_E_CLASSSTRING);
    IID iid{};
    EXPECT_EQ(IIDFromString(u"3f2a8c11-7d40-4E2b-9a65-0c1d2E3F4a5B", &iid), CO_E_IIDSTRING);
    EXPECT_EQ(IIDFromString(u"{3f2a8c11-7d40-4E2b-9a65-0c1d2E3F4a5B}x", &iid), CO_E_IIDSTRING);
    EXPECT_FALSE(platform::GuidFromString("{3f2a8c11-7d40-4E2b-9a65-0c1d2E3F4a5B"));
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
