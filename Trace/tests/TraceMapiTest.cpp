// The MAPI dumps of the add-in's trace library: exact output for each value type and event,
// and nothing at all (not even a look at the argument) below level 2.
#include "TraceMapi.h"

#include "base/DebugOutput.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

class TraceMapiTest : public ::testing::Test {
protected:
    void SetUp() override { m_old = TraceSetLevel(TL_DEBUG); }
    void TearDown() override { TraceSetLevel(m_old); }
    std::string Out() const { return debugger.joined(); }

    TempRoot root;
    platform::DebugOutputCapture debugger;

private:
    int m_old = 0;
};

std::string Hex(int n, int from = 0)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < n; ++i) {
        const int b = (from + i) & 0xff;
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

} // namespace

TEST_F(TraceMapiTest, TagNamesFollowTheTripleRuleForText)
{
    TracePropTag(PR_SUBJECT);
    TracePropTag(PR_SUBJECT_W);
    TracePropTag(PR_SUBJECT_A);
    TracePropTag(PR_ENTRYID);
    TracePropTag(PR_STORE_OFFLINE);
    TracePropTag(0x8003001f); // a named property
    TracePropTag(0x0000abcd);
    EXPECT_EQ(Out(), "PR_SUBJECTPR_SUBJECT_WPR_SUBJECTPR_ENTRYIDPR_STORE_OFFLINE8003001f0000abcd");
}

TEST_F(TraceMapiTest, EachValueTypeHasItsLine)
{
    char text[] = "Hello";
    char16_t wide[] = u"Grüße";
    BYTE bytes[] = {0x00, 0xab, 0x10};
    std::vector<SPropValue> v(8);
    v[0].ulPropTag = PROP_TAG(PT_NULL, 0x6001);
    v[1].ulPropTag = PR_IMPORTANCE;
    v[1].Value.l = 0x2a;
    v[2].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_SUBJECT));
    v[2].Value.err = MAPI_E_NOT_FOUND;
    v[3].ulPropTag = PR_STORE_OFFLINE;
    v[3].Value.b = 1;
    v[4].ulPropTag = PR_SUBJECT_A;
    v[4].Value.lpszA = text;
    v[5].ulPropTag = PR_SUBJECT_W;
    v[5].Value.lpszW = wide;
    v[6].ulPropTag = PR_ENTRYID;
    v[6].Value.bin = {3, bytes};
    v[7].ulPropTag = PR_LAST_MODIFICATION_TIME; // PT_SYSTIME
    TracePropValues(static_cast<ULONG>(v.size()), v.data());
    EXPECT_EQ(Out(), "8 values.\n"
                     "60010001\nNULL\n"
                     "PR_IMPORTANCE\nl=0x0000002a\n"
                     "0037000a\nERROR\n"
                     "PR_STORE_OFFLINE\nb=1 (true)\n"
                     "PR_SUBJECT\nlpszA=Hello\n"
                     "PR_SUBJECT_W\nlpszW=Grüße\n"
                     "PR_ENTRYID\n(3) 00ab10\n"
                     "PR_LAST_MODIFICATION_TIME\n...\n");
}

TEST_F(TraceMapiTest, FalseBooleansAndOtherTypesAndNulls)
{
    SPropValue v[2] = {};
    v[0].ulPropTag = PROP_TAG(PT_BOOLEAN, 0x6002);
    v[0].Value.b = 0;
    v[1].ulPropTag = PROP_TAG(PT_I8, 0x6003);
    TracePropValues(2, v);
    TracePropValues(0, nullptr);
    TraceRow(nullptr);
    EXPECT_EQ(Out(), "2 values.\n6002000b\nb=0 (false)\n60030014\n...\nNULL\nNULL\n");
}

TEST_F(TraceMapiTest, LongBinariesAreCutAfter1025Bytes)
{
    std::vector<BYTE> big(2000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<BYTE>(i);
    TraceBinary(static_cast<ULONG>(big.size()), big.data());
    EXPECT_EQ(Out(), "(2000) " + Hex(1025) + "...\n");
}

TEST_F(TraceMapiTest, ExactlyTheLimitStillEndsWithDots)
{
    std::vector<BYTE> exact(1025, 0x7f);
    std::vector<BYTE> below(1024, 0x7f);
    TraceBinary(static_cast<ULONG>(exact.size()), exact.data());
    const std::string first = Out();
    EXPECT_EQ(first.substr(first.size() - 4), "...\n");
    TraceBinary(static_cast<ULONG>(below.size()), below.data());
    const std::string both = Out();
    std::string pairs;
    for (int k = 0; k < 1024; ++k)
        pairs += "7f";
    EXPECT_EQ(both.substr(first.size()), "(1024) " + pairs + "\n");
}

TEST_F(TraceMapiTest, RowSetsNumberTheirRows)
{
    SPropValue a{PR_IMPORTANCE, 0, {}};
    a.Value.l = 1;
    SPropValue b{PR_IMPORTANCE, 0, {}};
    b.Value.l = 2;
    std::vector<char> buf(CbNewSRowSet(2));
    auto* rows = reinterpret_cast<LPSRowSet>(buf.data());
    rows->cRows = 2;
    rows->aRow[0] = {0, 1, &a};
    rows->aRow[1] = {0, 1, &b};
    TraceRowSet(rows);
    EXPECT_EQ(Out(), "2 rows.\nrow 0:\n1 values.\nPR_IMPORTANCE\nl=0x00000001\n"
                     "row 1:\n1 values.\nPR_IMPORTANCE\nl=0x00000002\n");
}

TEST_F(TraceMapiTest, TableNotificationsShowIndexPriorAndRow)
{
    BYTE index[] = {1, 0, 0, 0};
    SPropValue col{PR_IMPORTANCE, 0, {}};
    col.Value.l = 5;
    NOTIFICATION n{};
    n.ulEventType = fnevTableModified;
    n.info.tab.ulTableEvent = TABLE_ROW_ADDED;
    n.info.tab.propIndex.ulPropTag = PR_INSTANCE_KEY;
    n.info.tab.propIndex.Value.bin = {4, index};
    n.info.tab.propPrior.ulPropTag = PR_NULL;
    n.info.tab.row = {0, 1, &col};
    TraceNotification(&n);
    EXPECT_EQ(Out(), "ulEventType: fnevTableModified\nulTableEvent: TABLE_ROW_ADDED\n"
                     "propIndex: \n(4) 01000000\npropPrior: \n(0) \nrow: \n1 values.\nPR_IMPORTANCE\nl=0x00000005\n\n");
}

TEST_F(TraceMapiTest, TableErrorsShowTheirResultAndUnknownEventsTheirNumber)
{
    NOTIFICATION n{};
    n.ulEventType = fnevTableModified;
    n.info.tab.ulTableEvent = TABLE_ERROR;
    n.info.tab.hResult = MAPI_E_NOT_FOUND;
    TraceNotification(&n);
    n.info.tab.ulTableEvent = 42;
    TraceNotification(&n);
    EXPECT_EQ(Out(), "ulEventType: fnevTableModified\nulTableEvent: TABLE_ERROR\nhResult: 0x8004010f\n"
                     "propIndex: \n(0) \npropPrior: \n(0) \nrow: \nNULL\n\n"
                     "ulEventType: fnevTableModified\nulTableEvent: 42 (unknown)\n"
                     "propIndex: \n(0) \npropPrior: \n(0) \nrow: \nNULL\n\n");
}

TEST_F(TraceMapiTest, EveryTableEventHasItsName)
{
    const char* names[] = {"TABLE_CHANGED",       "TABLE_ERROR",     "TABLE_ROW_ADDED",
                           "TABLE_ROW_DELETED",   "TABLE_ROW_MODIFIED", "TABLE_SORT_DONE",
                           "TABLE_RESTRICT_DONE", "TABLE_SETCOL_DONE", "TABLE_RELOAD"};
    for (ULONG e = 1; e <= 9; ++e) {
        debugger.clear();
        NOTIFICATION n{};
        n.ulEventType = fnevTableModified;
        n.info.tab.ulTableEvent = e;
        TraceNotification(&n);
        EXPECT_NE(Out().find(std::string("ulTableEvent: ") + names[e - 1] + "\n"), std::string::npos) << e;
    }
}

TEST_F(TraceMapiTest, OtherEventsGetAnEmptyBody)
{
    NOTIFICATION n{};
    n.ulEventType = fnevNewMail;
    TraceNotification(&n);
    n.ulEventType = fnevExtended;
    TraceNotification(&n);
    n.ulEventType = fnevObjectCreated | fnevObjectDeleted; // a combination never matches
    TraceNotification(&n);
    EXPECT_EQ(Out(), "ulEventType: fnevNewMail\n\nulEventType: fnevExtended\n\nulEventType: 12 (unknown)\n\n");
}

TEST_F(TraceMapiTest, ContextsAndSheetFlags)
{
    TraceExtensionContext(1);
    TraceExtensionContext(10);
    TraceExtensionContext(14);
    TraceExtensionContext(15);
    TracePropSheetFlags(3);
    TracePropSheetFlags(0);
    EXPECT_EQ(Out(), "Context: EECONTEXT_SESSION\nContext: EEONTEXT_READREPORTMESSAGE\nContext: EECONTEXT_TASK\n"
                     "Unknown context : 15 \nFlag: EEPS_STORE\nUnknown flag: 0 \n");
}

TEST_F(TraceMapiTest, BelowLevelTwoNothingIsReadOrWritten)
{
    TraceSetLevel(TL_WARNING);
    // Pointers that must not be touched: any read would crash (or be reported by the sanitizer).
    auto* bad = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x10));
    TracePropValues(3, static_cast<const SPropValue*>(bad));
    TraceRow(static_cast<const SRow*>(bad));
    TraceRowSet(static_cast<const SRowSet*>(bad));
    TraceNotification(static_cast<const NOTIFICATION*>(bad));
    TraceBinary(100, static_cast<const BYTE*>(bad));
    TracePropTag(PR_SUBJECT);
    TraceExtensionContext(1);
    TracePropSheetFlags(1);
    EXPECT_EQ(Out(), "");
    // And the level is left as it was.
    EXPECT_EQ(TraceSetLevel(TL_DEBUG), TL_WARNING);
}
