// Every restriction kind against a contents table, including properties that are not columns
// and rows that lack the property.
#include "MapiTestUtil.h"

using namespace mapitest;

namespace {

constexpr ULONG PR_NUM = PROP_TAG(PT_LONG, 0x6740);
constexpr ULONG PR_OTHER = PROP_TAG(PT_LONG, 0x6741);
constexpr ULONG PR_TAGS = PROP_TAG(PT_MV_STRING8, 0x6742);
constexpr ULONG PR_BLOB = PROP_TAG(PT_BINARY, 0x6743);

class RestrictionFixture : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        folder = NewFolder(Subtree().get(), "Restrict");
        Add("Meeting notes", 5, 5, {"work", "urgent"}, Bytes("\x01\x02", 2), "Ann");
        Add("meeting AGENDA", 12, 3, {"work"}, Bytes("\x01\x02\x03", 3), "Bob");
        Add("Holiday", 0x10, 20, {}, Bytes("\xFF", 1), nullptr);
        Add("Invoice", -1, -1, {"money"}, Bytes(), nullptr); // -1: no number properties
        ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    }

    void Add(const std::string& subject, LONG num, LONG other, std::vector<std::string> tags, const Bytes& blob,
             const char* recipient)
    {
        auto m = NewMessage(folder.get(), subject);
        if (num >= 0) {
            ASSERT_EQ(SetLong(m.get(), PR_NUM, num), S_OK);
            ASSERT_EQ(SetLong(m.get(), PR_OTHER, other), S_OK);
        }
        if (!tags.empty()) {
            std::vector<LPSTR> ptrs;
            for (auto& t : tags)
                ptrs.push_back(t.data());
            SPropValue v{};
            v.ulPropTag = PR_TAGS;
            v.Value.MVszA = {ULONG(ptrs.size()), ptrs.data()};
            ASSERT_EQ(HrSetOneProp(m.get(), &v), S_OK);
        }
        if (!blob.empty()) {
            ASSERT_EQ(SetBin(m.get(), PR_BLOB, blob), S_OK);
        }
        if (recipient) {
            SPropValue p[2] = {};
            p[0].ulPropTag = PR_DISPLAY_NAME_A;
            p[0].Value.lpszA = const_cast<char*>(recipient);
            p[1].ulPropTag = PR_RECIPIENT_TYPE;
            p[1].Value.l = MAPI_TO;
            SRowSet list{1, {{0, 2, p}}};
            ASSERT_EQ(m->ModifyRecipients(MODRECIP_ADD, &list), S_OK);
        }
        ASSERT_EQ(m->SaveChanges(0), S_OK);
    }

    std::vector<std::string> Match(SRestriction* r)
    {
        EXPECT_EQ(table->Restrict(r, 0), S_OK);
        SizedSPropTagArray(1, cols) = {1, {PR_SUBJECT_A}};
        EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
        LPSRowSet rows = nullptr;
        EXPECT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &rows), S_OK);
        std::vector<std::string> out;
        for (ULONG i = 0; rows && i < rows->cRows; ++i)
            out.push_back(rows->aRow[i].lpProps[0].Value.lpszA);
        FreeProws(rows);
        return out;
    }

    static SRestriction Prop(ULONG relop, SPropValue* v)
    {
        SRestriction r{};
        r.rt = RES_PROPERTY;
        r.res.resProperty = {relop, v->ulPropTag, v};
        return r;
    }

    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
};

using V = std::vector<std::string>;

} // namespace

TEST_F(RestrictionFixture, PropertyRelopsAndMissingValues)
{
    SPropValue v{};
    v.ulPropTag = PR_NUM;
    v.Value.l = 12;
    SRestriction r = Prop(RELOP_LT, &v);
    EXPECT_EQ(Match(&r), (V{"Meeting notes"}));
    r = Prop(RELOP_LE, &v);
    EXPECT_EQ(Match(&r), (V{"Meeting notes", "meeting AGENDA"}));
    r = Prop(RELOP_GT, &v);
    EXPECT_EQ(Match(&r), (V{"Holiday"}));
    r = Prop(RELOP_GE, &v);
    EXPECT_EQ(Match(&r), (V{"meeting AGENDA", "Holiday"}));
    r = Prop(RELOP_EQ, &v);
    EXPECT_EQ(Match(&r), (V{"meeting AGENDA"}));
    // NE is false for a row without the property, as every comparison is.
    r = Prop(RELOP_NE, &v);
    EXPECT_EQ(Match(&r), (V{"Meeting notes", "Holiday"}));
    SRestriction notR{};
    notR.rt = RES_NOT;
    notR.res.resNot = {0, &r};
    EXPECT_EQ(Match(&notR), (V{"meeting AGENDA", "Invoice"}));
    // Text equality ignores case; binary compares length before bytes.
    SPropValue s{};
    s.ulPropTag = PR_SUBJECT_A;
    s.Value.lpszA = const_cast<char*>("HOLIDAY");
    r = Prop(RELOP_EQ, &s);
    EXPECT_EQ(Match(&r), (V{"Holiday"}));
    SPropValue b{};
    BYTE big[] = {0x05};
    b.ulPropTag = PR_BLOB;
    b.Value.bin = {1, big};
    r = Prop(RELOP_GT, &b);
    EXPECT_EQ(Match(&r), (V{"Meeting notes", "meeting AGENDA", "Holiday"}));
    // A multi-valued property matches when one of its values does.
    SPropValue t{};
    t.ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(PR_TAGS));
    t.Value.lpszA = const_cast<char*>("urgent");
    SRestriction mv{};
    mv.rt = RES_PROPERTY;
    mv.res.resProperty = {RELOP_EQ, PR_TAGS, &t};
    EXPECT_EQ(Match(&mv), (V{"Meeting notes"}));
}

TEST_F(RestrictionFixture, ContentSubstringPrefixAndCase)
{
    SPropValue v{};
    v.ulPropTag = PR_SUBJECT_A;
    v.Value.lpszA = const_cast<char*>("meeting");
    SRestriction r{};
    r.rt = RES_CONTENT;
    r.res.resContent = {FL_PREFIX, PR_SUBJECT_A, &v};
    EXPECT_EQ(Match(&r), (V{"meeting AGENDA"}));
    r.res.resContent.ulFuzzyLevel = FL_PREFIX | FL_IGNORECASE;
    EXPECT_EQ(Match(&r), (V{"Meeting notes", "meeting AGENDA"}));
    v.Value.lpszA = const_cast<char*>("NOTE");
    r.res.resContent.ulFuzzyLevel = FL_SUBSTRING | FL_IGNORECASE;
    EXPECT_EQ(Match(&r), (V{"Meeting notes"}));
    r.res.resContent.ulFuzzyLevel = FL_SUBSTRING;
    EXPECT_EQ(Match(&r), (V{}));
    v.Value.lpszA = const_cast<char*>("holiday");
    r.res.resContent.ulFuzzyLevel = FL_FULLSTRING | FL_IGNORECASE;
    EXPECT_EQ(Match(&r), (V{"Holiday"}));
}

TEST_F(RestrictionFixture, ExistBitmaskCompareSizeAndLogic)
{
    SRestriction exist{};
    exist.rt = RES_EXIST;
    exist.res.resExist = {0, PR_NUM, 0};
    EXPECT_EQ(Match(&exist), (V{"Meeting notes", "meeting AGENDA", "Holiday"}));

    SRestriction bits{};
    bits.rt = RES_BITMASK;
    bits.res.resBitMask = {BMR_NEZ, PR_NUM, 0x4};
    EXPECT_EQ(Match(&bits), (V{"Meeting notes", "meeting AGENDA"}));
    bits.res.resBitMask.relBMR = BMR_EQZ;
    EXPECT_EQ(Match(&bits), (V{"Holiday"})); // the row without the property matches neither

    SRestriction cmp{};
    cmp.rt = RES_COMPAREPROPS;
    cmp.res.resCompareProps = {RELOP_GT, PR_NUM, PR_OTHER};
    EXPECT_EQ(Match(&cmp), (V{"meeting AGENDA"}));
    cmp.res.resCompareProps.relop = RELOP_EQ;
    EXPECT_EQ(Match(&cmp), (V{"Meeting notes"}));

    SRestriction size{};
    size.rt = RES_SIZE;
    size.res.resSize = {RELOP_GE, PR_BLOB, 2};
    EXPECT_EQ(Match(&size), (V{"Meeting notes", "meeting AGENDA"}));

    SRestriction both[2] = {exist, size};
    SRestriction andR{};
    andR.rt = RES_AND;
    andR.res.resAnd = {2, both};
    both[1].res.resSize.relop = RELOP_LT;
    EXPECT_EQ(Match(&andR), (V{"Holiday"}));
    SRestriction orR{};
    orR.rt = RES_OR;
    orR.res.resOr = {2, both};
    both[0].res.resExist.ulPropTag = PR_TAGS;
    EXPECT_EQ(Match(&orR), (V{"Meeting notes", "meeting AGENDA", "Holiday", "Invoice"}));
    // Removing the restriction shows everything again.
    EXPECT_EQ(Match(nullptr).size(), 4u);
}

TEST_F(RestrictionFixture, SubRestrictionOnRecipients)
{
    SPropValue v{};
    v.ulPropTag = PR_DISPLAY_NAME_A;
    v.Value.lpszA = const_cast<char*>("bob");
    SRestriction inner = Prop(RELOP_EQ, &v);
    SRestriction sub{};
    sub.rt = RES_SUBRESTRICTION;
    sub.res.resSub = {PR_MESSAGE_RECIPIENTS, &inner};
    EXPECT_EQ(Match(&sub), (V{"meeting AGENDA"}));
}

TEST_F(RestrictionFixture, UnsupportedRestrictionsAreRefused)
{
    SRestriction count{};
    count.rt = RES_COUNT;
    EXPECT_EQ(table->Restrict(&count, 0), MAPI_E_TOO_COMPLEX);
    SRestriction broken{};
    broken.rt = RES_NOT;
    broken.res.resNot = {0, nullptr};
    EXPECT_EQ(table->Restrict(&broken, 0), MAPI_E_INVALID_PARAMETER);
    // The table keeps working after a refused restriction.
    EXPECT_EQ(Match(nullptr).size(), 4u);
}
