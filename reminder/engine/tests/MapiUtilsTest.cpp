// Hex keys, binary comparison, string-type switching and the cached row set kept in step with
// table notifications.
#include "MapiUtils.h"

#include "base/DebugOutput.h"
#include "com/Bstr.h"
#include "mapi/Mapi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::u16string Text(BSTR b)
{
    return std::u16string(b ? b : u"", SysStringLen(b));
}

struct Bin {
    std::vector<BYTE> bytes;
    SBinary sbin() { return SBinary{static_cast<ULONG>(bytes.size()), bytes.data()}; }
};

} // namespace

TEST(HexKeys, BytesToTextAndBack)
{
    Bin b{{0x0A, 0xFF}};
    SBinary in = b.sbin();
    BSTR text = nullptr;
    ASSERT_EQ(SBin2bstr(&in, &text), S_OK);
    EXPECT_EQ(Text(text), u"0aff");
    SBinary out{};
    ASSERT_EQ(bstr2SBin(text, &out), S_OK);
    ASSERT_EQ(out.cb, 2u);
    EXPECT_EQ(out.lpb[0], 0x0A);
    EXPECT_EQ(out.lpb[1], 0xFF);
    EXPECT_EQ(FreeSBinary(&out), &out);
    EXPECT_EQ(out.lpb, nullptr);
    SysFreeString(text);

    // A last odd digit is ignored; upper case is read too.
    BSTR odd = SysAllocString(u"0AF");
    ASSERT_EQ(bstr2SBin(odd, &out), S_OK);
    ASSERT_EQ(out.cb, 1u);
    EXPECT_EQ(out.lpb[0], 0x0A);
    FreeSBinary(&out);
    SysFreeString(odd);

    // The empty key is the empty text.
    SBinary empty{0, nullptr};
    ASSERT_EQ(SBin2bstr(&empty, &text), S_OK);
    EXPECT_EQ(Text(text), u"");
    SysFreeString(text);
    ASSERT_EQ(bstr2SBin(nullptr, &out), S_OK);
    EXPECT_EQ(out.cb, 0u);

    EXPECT_EQ(HexString(2, b.bytes.data()), "0aff");
    std::vector<BYTE> parsed;
    EXPECT_TRUE(ParseHexString("0AfF", parsed));
    EXPECT_EQ(parsed, b.bytes);
}

TEST(HexKeys, TextThatIsNoHexHandsOutNothing)
{
    for (const char16_t* bad : {u"0g", u"zz00", u"00 1", u"-1", u"0x"}) {
        BSTR text = SysAllocString(bad);
        SBinary out{7, reinterpret_cast<LPBYTE>(&out)};
        EXPECT_EQ(bstr2SBin(text, &out), E_INVALIDARG) << std::string(text, text + SysStringLen(text));
        EXPECT_EQ(out.cb, 0u);
        EXPECT_EQ(out.lpb, nullptr);
        SysFreeString(text);
    }
    std::vector<BYTE> parsed{1};
    EXPECT_FALSE(ParseHexString("0g", parsed));
    EXPECT_TRUE(parsed.empty());
}

TEST(HexKeys, CopyAndCompare)
{
    Bin a{{1, 2, 3}};
    SBinary sa = a.sbin();
    SBinary copy{};
    ASSERT_EQ(CopySBinary(&sa, &copy), S_OK);
    EXPECT_NE(copy.lpb, sa.lpb);
    EXPECT_EQ(CompareSBinary(&sa, &copy), 0);
    copy.lpb[2] = 4;
    EXPECT_LT(CompareSBinary(&sa, &copy), 0);
    FreeSBinary(&copy);

    EXPECT_EQ(CompareBinary(0, nullptr, 0, nullptr), 0);
    BYTE five[5] = {};
    EXPECT_EQ(CompareBinary(3, a.bytes.data(), 5, five), -2);
    EXPECT_EQ(CompareBinary(5, five, 3, a.bytes.data()), 2);
    SBinary empty{0, nullptr};
    ASSERT_EQ(CopySBinary(&empty, &copy), S_OK);
    EXPECT_EQ(copy.cb, 0u);
}

TEST(ContainerClasses, TheFirstComponentsIgnoringCase)
{
    EXPECT_TRUE(CompareContainerClassA("IPF.Note", "IPF.NOTE", 2));
    EXPECT_TRUE(CompareContainerClassA("IPF.Note.Custom", "IPF.NOTE", 2));
    EXPECT_TRUE(CompareContainerClassA("IPF.Note.OutlookHomepage", "IPF.NOTE.OUTLOOKHOMEPAGE", 3));
    EXPECT_FALSE(CompareContainerClassA("IPF.Note", "IPF.NOTE.OUTLOOKHOMEPAGE", 3));
    EXPECT_FALSE(CompareContainerClassA("IPF.Notes", "IPF.NOTE", 2));
    EXPECT_FALSE(CompareContainerClassA("IPF.Appointment", "IPF.NOTE", 2));
    EXPECT_TRUE(CompareContainerClassA("IPF.Äpfel", "ipf.äPFEL", 2));
    EXPECT_FALSE(CompareContainerClassA(nullptr, "IPF.NOTE", 2));
    EXPECT_TRUE(CompareContainerClassW(u"IPF.Task.Custom", u"IPF.TASK", 2));
    EXPECT_TRUE(CompareContainerClassW(u"IPF.StickyNote", u"IPF.STICKYNOTE", 2));
    EXPECT_FALSE(CompareContainerClassW(u"IPF.Contacts", u"IPF.CONTACT", 2));
    EXPECT_FALSE(CompareContainerClassW(u"", u"IPF.CONTACT", 2));
}

TEST(TagArrays, StringTypesSwitchBackAndForth)
{
    SizedSPropTagArray(5, tags) = {5,
                                   {PR_SUBJECT_A, PROP_TAG(PT_MV_STRING8, 0x8001), PR_ENTRYID, PR_SUBJECT_W,
                                    PROP_TAG(PT_LONG, 0x0E08)}};
    auto* array = reinterpret_cast<LPSPropTagArray>(&tags);
    AdjustPropTagArrayCharSet(array, true);
    EXPECT_EQ(array->aulPropTag[0], PR_SUBJECT_W);
    EXPECT_EQ(array->aulPropTag[1], PROP_TAG(PT_MV_UNICODE, 0x8001));
    EXPECT_EQ(array->aulPropTag[2], PR_ENTRYID); // binary tags are never touched
    EXPECT_EQ(array->aulPropTag[3], PR_SUBJECT_W);
    AdjustPropTagArrayCharSet(array, false);
    EXPECT_EQ(array->aulPropTag[0], PR_SUBJECT_A);
    EXPECT_EQ(array->aulPropTag[1], PROP_TAG(PT_MV_STRING8, 0x8001));
    EXPECT_EQ(array->aulPropTag[2], PR_ENTRYID);
    EXPECT_EQ(array->aulPropTag[3], PR_SUBJECT_A);
    EXPECT_EQ(array->aulPropTag[4], PROP_TAG(PT_LONG, 0x0E08));

    SizedSSortOrderSet(2, sort) = {2, 0, 0, {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}, {PR_ENTRYID, TABLE_SORT_ASCEND}}};
    SortOrderSetSwitchStringType(reinterpret_cast<LPSSortOrderSet>(&sort), true);
    EXPECT_EQ(sort.aSort[0].ulPropTag, PR_DISPLAY_NAME_W);
    EXPECT_EQ(sort.aSort[1].ulPropTag, PR_ENTRYID);
    SortOrderSetSwitchStringType(reinterpret_cast<LPSSortOrderSet>(&sort), false);
    EXPECT_EQ(sort.aSort[0].ulPropTag, PR_DISPLAY_NAME_A);
}

namespace {

// A cached table of rows (instance key, subject), and notifications about it.
class CachedRows : public ::testing::Test {
protected:
    ~CachedRows() override { FreeRowSet(&rows); }

    static SRow Row(BYTE key, const char* subject, SPropValue (&values)[2], BYTE (&keyByte)[1])
    {
        keyByte[0] = key;
        values[0].ulPropTag = PR_INSTANCE_KEY;
        values[0].Value.bin = {1, keyByte};
        values[1].ulPropTag = PR_SUBJECT_A;
        values[1].Value.lpszA = const_cast<char*>(subject);
        return SRow{0, 2, values};
    }

    HRESULT Add(BYTE key, const char* subject, int prior) // prior: -1 PR_NULL, else its key
    {
        SPropValue values[2];
        BYTE k[1], p[1] = {static_cast<BYTE>(prior)};
        TABLE_NOTIFICATION n{};
        n.ulTableEvent = TABLE_ROW_ADDED;
        n.row = Row(key, subject, values, k);
        n.propIndex = values[0];
        if (prior < 0) {
            n.propPrior.ulPropTag = PR_NULL;
        } else {
            n.propPrior.ulPropTag = PR_INSTANCE_KEY;
            n.propPrior.Value.bin = {1, p};
        }
        return PropSetAddRow(&n, &rows);
    }

    HRESULT Modify(BYTE key, const char* subject)
    {
        SPropValue values[2];
        BYTE k[1];
        TABLE_NOTIFICATION n{};
        n.ulTableEvent = TABLE_ROW_MODIFIED;
        n.row = Row(key, subject, values, k);
        n.propIndex = values[0];
        return PropSetModifyRow(&n, &rows);
    }

    HRESULT Delete(BYTE key, SRow* removed = nullptr)
    {
        BYTE k[1] = {key};
        TABLE_NOTIFICATION n{};
        n.ulTableEvent = TABLE_ROW_DELETED;
        n.propIndex.ulPropTag = PR_INSTANCE_KEY;
        n.propIndex.Value.bin = {1, k};
        return PropSetDeleteRow(&n, &rows, removed);
    }

    std::string Subjects() const
    {
        std::string s;
        for (ULONG i = 0; rows && i < rows->cRows; ++i)
            s += std::string(i ? "," : "") + rows->aRow[i].lpProps[1].Value.lpszA;
        return s;
    }

    LPSRowSet rows = nullptr;
};

} // namespace

TEST_F(CachedRows, RowsAreAddedModifiedAndDeleted)
{
    ASSERT_EQ(Add(1, "one", -1), S_OK); // into an empty cache
    ASSERT_EQ(Add(2, "two", -1), S_OK);
    EXPECT_EQ(Subjects(), "two,one");
    ASSERT_EQ(Add(3, "three", 1), S_OK); // at the place of the prior row
    EXPECT_EQ(Subjects(), "two,three,one");
    ASSERT_EQ(Modify(3, "THREE"), S_OK);
    EXPECT_EQ(Subjects(), "two,THREE,one");

    ULONG index = 99;
    SPropValue key{};
    BYTE one = 1;
    key.ulPropTag = PR_INSTANCE_KEY;
    key.Value.bin = {1, &one};
    ASSERT_EQ(GetRowIndex(&key, rows, &index), S_OK);
    EXPECT_EQ(index, 2u);
    ASSERT_EQ(GetColIndex(PR_SUBJECT_A, rows, &index), S_OK);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(GetColIndex(PR_ENTRYID, rows, &index), MAPI_E_NOT_FOUND);
    EXPECT_EQ(GetColIndex(PR_ENTRYID, nullptr, &index), MAPI_E_NOT_FOUND);

    SRow removed{};
    ASSERT_EQ(Delete(3, &removed), S_OK);
    EXPECT_EQ(removed.cValues, 2u);
    EXPECT_STREQ(removed.lpProps[1].Value.lpszA, "THREE");
    MAPIFreeBuffer(removed.lpProps);
    ASSERT_EQ(Delete(2), S_OK);
    EXPECT_EQ(Subjects(), "one");
}

TEST_F(CachedRows, DeletingAnUncachedRowChangesNothing)
{
    ASSERT_EQ(Add(1, "one", -1), S_OK);
    SRow removed{0, 7, nullptr};
    EXPECT_EQ(Delete(9, &removed), MAPI_E_NOT_FOUND);
    EXPECT_EQ(removed.cValues, 0u); // an all-zero row
    EXPECT_EQ(Subjects(), "one");
}

TEST_F(CachedRows, RowsWhosePlaceIsUnknownAreKeptAndTheirDeletionMirrored)
{
    ASSERT_EQ(Add(1, "one", -1), S_OK);
    ASSERT_EQ(Add(2, "two", 7), S_OK); // the prior row is not cached
    EXPECT_EQ(Subjects(), "one,two");
    ASSERT_EQ(Modify(5, "five"), S_OK); // a row the cache never saw
    EXPECT_EQ(Subjects(), "one,two,five");
    ASSERT_EQ(Delete(2), S_OK);
    ASSERT_EQ(Delete(5), S_OK);
    EXPECT_EQ(Subjects(), "one");

    // A prior of another kind is refused.
    SPropValue values[2];
    BYTE k[1];
    TABLE_NOTIFICATION n{};
    n.row = Row(6, "six", values, k);
    n.propPrior.ulPropTag = PR_ENTRYID;
    platform::DebugOutputCapture capture;
    EXPECT_EQ(PropSetAddRow(&n, &rows), E_FAIL);
    EXPECT_NE(capture.joined().find("Unexpected ulPropTag:0x0fff0102 failed. hr=0x80004005"), std::string::npos);
    EXPECT_EQ(Subjects(), "one");
}
