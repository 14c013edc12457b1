// Memory functions and the utility functions of the MAPI library.
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MapiMemory, MoreBlocksAreFreedWithTheirParent)
{
    void* parent = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(32, &parent), S_OK);
    for (int i = 0; i < 100; ++i) {
        void* more = nullptr;
        ASSERT_EQ(MAPIAllocateMore(64, parent, &more), S_OK);
        std::memset(more, 0xAB, 64);
    }
    // Leak checkers (the sanitizer build) see anything left behind.
    EXPECT_EQ(MAPIFreeBuffer(parent), 0u);
    EXPECT_EQ(MAPIFreeBuffer(nullptr), 0u);
}

TEST(MapiMemory, MoreOnAChainedBlockIsRefused)
{
    void* parent = nullptr;
    void* more = nullptr;
    void* more2 = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(8, &parent), S_OK);
    ASSERT_EQ(MAPIAllocateMore(8, parent, &more), S_OK);
    EXPECT_EQ(MAPIAllocateMore(8, more, &more2), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(more2, nullptr);
    MAPIFreeBuffer(parent);
}

TEST(MapiUtil, HexTextRoundTripsInUpperCase)
{
    BYTE bytes[] = {0x00, 0x4E, 0xAB, 0xFF};
    char text[9];
    HexFromBin(bytes, 4, text);
    EXPECT_STREQ(text, "004EABFF");
    BYTE back[4] = {};
    char lower[] = "004eabff";
    EXPECT_TRUE(FBinFromHex(lower, back));
    EXPECT_EQ(std::memcmp(back, bytes, 4), 0);
}

TEST(MapiUtil, MalformedHexIsRejected)
{
    BYTE out[4] = {};
    char odd[] = "ABC";
    char bad[] = "ABZZ";
    EXPECT_FALSE(FBinFromHex(odd, out));
    EXPECT_FALSE(FBinFromHex(bad, out));
    EXPECT_EQ(out[0], 0); // nothing written for bad input
    char empty[] = "";
    EXPECT_TRUE(FBinFromHex(empty, out));
}

TEST(MapiUtil, DupPropsetCopiesEveryTypeIntoOneBlock)
{
    char subject[] = "Subject text";
    WCHAR wide[] = u"Wide";
    BYTE bin[] = {1, 2, 3};
    SBinary mv[] = {{3, bin}, {1, bin}};
    LPSTR strs[] = {subject, subject};
    SPropValue in[5] = {};
    in[0].ulPropTag = PR_SUBJECT_A;
    in[0].Value.lpszA = subject;
    in[1].ulPropTag = PR_BODY_W;
    in[1].Value.lpszW = wide;
    in[2].ulPropTag = PR_ENTRYID;
    in[2].Value.bin = {3, bin};
    in[3].ulPropTag = PR_ADDITIONAL_REN_ENTRYIDS;
    in[3].Value.MVbin = {2, mv};
    in[4].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x8001);
    in[4].Value.MVszA = {2, strs};

    LPSPropValue out = nullptr;
    ASSERT_EQ(ScDupPropset(5, in, MAPIAllocateBuffer, &out), S_OK);
    subject[0] = 'X'; // the copy does not share the caller's memory
    bin[0] = 9;
    EXPECT_STREQ(out[0].Value.lpszA, "Subject text");
    EXPECT_EQ(std::u16string(out[1].Value.lpszW), u"Wide");
    EXPECT_EQ(out[2].Value.bin.cb, 3u);
    EXPECT_EQ(out[2].Value.bin.lpb[0], 1);
    EXPECT_EQ(out[3].Value.MVbin.lpbin[1].cb, 1u);
    EXPECT_EQ(out[3].Value.MVbin.lpbin[0].lpb[0], 1);
    EXPECT_STREQ(out[4].Value.MVszA.lppszA[1], "Subject text");
    EXPECT_EQ(PpropFindProp(out, 5, PR_ENTRYID), &out[2]);
    EXPECT_EQ(PpropFindProp(out, 5, PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_BODY))), &out[1]);
    EXPECT_EQ(PpropFindProp(out, 5, PR_BODY_A), nullptr);
    MAPIFreeBuffer(out);
}

TEST(MapiUtil, PropCopyMoreChainsToTheGivenBlock)
{
    void* parent = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(sizeof(SPropValue), &parent), S_OK);
    char text[] = "abc";
    SPropValue src{};
    src.ulPropTag = PR_SUBJECT_A;
    src.Value.lpszA = text;
    auto* dst = static_cast<LPSPropValue>(parent);
    ASSERT_EQ(PropCopyMore(dst, &src, MAPIAllocateMore, parent), S_OK);
    EXPECT_NE(dst->Value.lpszA, text);
    EXPECT_STREQ(dst->Value.lpszA, "abc");
    MAPIFreeBuffer(parent);
}
