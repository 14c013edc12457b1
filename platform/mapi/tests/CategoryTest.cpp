// Categorised views: headings with their row type, depth and count, expanding and collapsing,
// collapse states, and a view that follows changes.
#include "MapiTestUtil.h"

#include "base/MessageLoop.h"

namespace {

using namespace mapitest;

constexpr ULONG PR_STORE_KEY = PROP_TAG(PT_BINARY, 0x6701);
constexpr ULONG PR_FOLDER_KEY = PROP_TAG(PT_BINARY, 0x6702);

struct ViewRow {
    ULONG type = 0;
    LONG depth = -1;
    std::string label; // heading: its keys; leaf: its subject
    Bytes instanceKey;
    LONG count = -1;
};

class CategoryTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        folder = NewFolder(Subtree().get(), "Back");
        Add("a1", "A", "f1");
        Add("a2", "A", "f1");
        Add("a3", "A", "f2");
        Add("b1", "B", "f3");
        ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
        SizedSPropTagArray(7, cols) = {7, {PR_ENTRYID, PR_INSTANCE_KEY, PR_ROW_TYPE, PR_DEPTH, PR_STORE_KEY,
                                           PR_FOLDER_KEY, PR_SUBJECT_A}};
        ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
        SizedSSortOrderSet(3, sort) = {3, 2, 1,
                                       {{PR_STORE_KEY, TABLE_SORT_ASCEND},
                                        {PR_FOLDER_KEY, TABLE_SORT_ASCEND},
                                        {PR_SUBJECT_A, TABLE_SORT_ASCEND}}};
        ASSERT_EQ(table->SortTable(reinterpret_cast<LPSSortOrderSet>(&sort), 0), S_OK);
    }

    ComPtr<IMessage> Add(const std::string& subject, const std::string& store, const std::string& fold)
    {
        auto m = NewMessage(folder.get(), subject);
        EXPECT_EQ(SetBin(m.get(), PR_STORE_KEY, store), S_OK);
        EXPECT_EQ(SetBin(m.get(), PR_FOLDER_KEY, fold), S_OK);
        EXPECT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        return m;
    }

    std::vector<ViewRow> Read(LONG count = 100)
    {
        LPSRowSet rows = nullptr;
        EXPECT_EQ(table->QueryRows(count, 0, &rows), S_OK);
        std::vector<ViewRow> out;
        for (ULONG i = 0; rows && i < rows->cRows; ++i) {
            const SRow& r = rows->aRow[i];
            ViewRow v;
            v.instanceKey = Bytes(reinterpret_cast<char*>(r.lpProps[1].Value.bin.lpb), r.lpProps[1].Value.bin.cb);
            v.type = r.lpProps[2].Value.l;
            v.depth = r.lpProps[3].Value.l;
            if (v.type == TBL_LEAF_ROW) {
                v.label = r.lpProps[6].Value.lpszA;
                EXPECT_EQ(r.lpProps[0].ulPropTag, PR_ENTRYID);
            } else {
                EXPECT_EQ(PROP_TYPE(r.lpProps[0].ulPropTag), PT_ERROR);
                v.label = Bytes(reinterpret_cast<char*>(r.lpProps[4].Value.bin.lpb), r.lpProps[4].Value.bin.cb);
                if (v.depth == 1)
                    v.label += "/" + Bytes(reinterpret_cast<char*>(r.lpProps[5].Value.bin.lpb),
                                           r.lpProps[5].Value.bin.cb);
                else
                    EXPECT_EQ(PROP_TYPE(r.lpProps[5].ulPropTag), PT_ERROR);
            }
            out.push_back(v);
        }
        FreeProws(rows);
        return out;
    }

    std::vector<std::string> Labels()
    {
        EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
        std::vector<std::string> out;
        for (const auto& r : Read())
            out.push_back((r.type == TBL_LEAF_ROW ? "  " : r.type == TBL_EXPANDED_CATEGORY ? "+" : "-") + r.label);
        return out;
    }

    ViewRow Heading(const std::string& label)
    {
        EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
        for (const auto& r : Read())
            if (r.type != TBL_LEAF_ROW && r.label == label)
                return r;
        ADD_FAILURE() << "no heading " << label;
        return {};
    }

    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
};

} // namespace

TEST_F(CategoryTest, HeadingsComeWithTypeDepthAndTheFirstLevelExpanded)
{
    EXPECT_EQ(Labels(), (std::vector<std::string>{"+A", "-A/f1", "-A/f2", "+B", "-B/f3"}));
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 5u);
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    auto rows = Read();
    EXPECT_EQ(rows[0].depth, 0);
    EXPECT_EQ(rows[1].depth, 1);
    EXPECT_NE(rows[0].instanceKey, rows[3].instanceKey);
    LPSSortOrderSet order = nullptr;
    ASSERT_EQ(table->QuerySortOrder(&order), S_OK);
    EXPECT_EQ(order->cCategories, 2u);
    EXPECT_EQ(order->cExpanded, 1u);
    MAPIFreeBuffer(order);
    SizedSSortOrderSet(1, bad) = {1, 2, 0, {{PR_STORE_KEY, TABLE_SORT_ASCEND}}};
    EXPECT_EQ(table->SortTable(reinterpret_cast<LPSSortOrderSet>(&bad), 0), MAPI_E_INVALID_PARAMETER);
}

TEST_F(CategoryTest, ExpandingWithoutRowsLeavesThemForTheNextQuery)
{
    ViewRow f1 = Heading("A/f1");
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    ASSERT_EQ(Read(2).size(), 2u); // the cursor is past the heading, as in a batch walk
    ULONG more = 0;
    ASSERT_EQ(table->ExpandRow(ULONG(f1.instanceKey.size()), (LPBYTE)f1.instanceKey.data(), 0, 0, nullptr, &more),
              S_OK);
    EXPECT_EQ(more, 2u);
    auto next = Read(2);
    ASSERT_EQ(next.size(), 2u);
    EXPECT_EQ(next[0].label, "a1");
    EXPECT_EQ(next[0].type, ULONG(TBL_LEAF_ROW));
    EXPECT_EQ(next[0].depth, 2);
    EXPECT_EQ(next[1].label, "a2");
    EXPECT_EQ(Labels(), (std::vector<std::string>{"+A", "+A/f1", "  a1", "  a2", "-A/f2", "+B", "-B/f3"}));
    // Expanding again, or a leaf, or an unknown key is refused.
    EXPECT_EQ(table->ExpandRow(ULONG(f1.instanceKey.size()), (LPBYTE)f1.instanceKey.data(), 0, 0, nullptr, &more),
              MAPI_E_INVALID_PARAMETER);
    std::uint32_t unknown = 12345;
    EXPECT_EQ(table->ExpandRow(sizeof unknown, (LPBYTE)&unknown, 0, 0, nullptr, &more), MAPI_E_NOT_FOUND);
}

TEST_F(CategoryTest, ExpandReturnsRowsAndCollapseHidesTheWholeCategory)
{
    ViewRow a = Heading("A");
    ViewRow f2 = Heading("A/f2");
    LPSRowSet rows = nullptr;
    ULONG more = 9;
    ASSERT_EQ(table->ExpandRow(ULONG(f2.instanceKey.size()), (LPBYTE)f2.instanceKey.data(), 5, 0, &rows, &more), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    EXPECT_STREQ(rows->aRow[0].lpProps[6].Value.lpszA, "a3");
    EXPECT_EQ(more, 0u);
    FreeProws(rows);
    ULONG removed = 0;
    ASSERT_EQ(table->CollapseRow(ULONG(a.instanceKey.size()), (LPBYTE)a.instanceKey.data(), 0, &removed), S_OK);
    EXPECT_EQ(removed, 3u); // f1, f2 and a3
    EXPECT_EQ(Labels(), (std::vector<std::string>{"-A", "+B", "-B/f3"}));
    ASSERT_EQ(table->ExpandRow(ULONG(a.instanceKey.size()), (LPBYTE)a.instanceKey.data(), 0, 0, nullptr, &more), S_OK);
    // Its sub-categories come back as they were left.
    EXPECT_EQ(Labels(), (std::vector<std::string>{"+A", "-A/f1", "+A/f2", "  a3", "+B", "-B/f3"}));
}

TEST_F(CategoryTest, CollapseStateRoundTripsWithABookmark)
{
    ViewRow f3 = Heading("B/f3");
    ULONG more = 0;
    ASSERT_EQ(table->ExpandRow(ULONG(f3.instanceKey.size()), (LPBYTE)f3.instanceKey.data(), 0, 0, nullptr, &more), S_OK);
    ULONG cb = 0;
    LPBYTE state = nullptr;
    ASSERT_EQ(table->GetCollapseState(0, ULONG(f3.instanceKey.size()), (LPBYTE)f3.instanceKey.data(), &cb, &state),
              S_OK);
    ASSERT_EQ(table->CollapseRow(ULONG(f3.instanceKey.size()), (LPBYTE)f3.instanceKey.data(), 0, &more), S_OK);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"+A", "-A/f1", "-A/f2", "+B", "-B/f3"}));
    BOOKMARK bk = 0;
    ASSERT_EQ(table->SetCollapseState(0, cb, state, &bk), S_OK);
    MAPIFreeBuffer(state);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"+A", "-A/f1", "-A/f2", "+B", "+B/f3", "  b1"}));
    ASSERT_EQ(table->SeekRow(bk, 0, nullptr), S_OK);
    EXPECT_EQ(Read(1)[0].label, "B/f3");
    BYTE junk[] = "XX";
    EXPECT_EQ(table->SetCollapseState(0, sizeof junk, junk, &bk), MAPI_E_CORRUPT_DATA);
}

TEST_F(CategoryTest, TheViewFollowsChangesAndAdvisedSinksAreToldToReadAgain)
{
    struct Sink : IMAPIAdviseSink {
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        ULONG OnNotify(ULONG c, LPNOTIFICATION n) override
        {
            for (ULONG i = 0; i < c; ++i)
                seen.push_back(n[i].info.tab.ulTableEvent);
            return 0;
        }
        std::vector<ULONG> seen;
    } sink;
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    Add("c1", "C", "f9");
    Add("a0", "A", "f0");
    auto& loop = platform::MessageLoop::Current();
    while (loop.RunPending() > 0) {
    }
    ASSERT_FALSE(sink.seen.empty());
    EXPECT_EQ(sink.seen.back(), ULONG(TABLE_CHANGED));
    EXPECT_EQ(Labels(), (std::vector<std::string>{"+A", "-A/f0", "-A/f1", "-A/f2", "+B", "-B/f3", "+C", "-C/f9"}));
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 1, nullptr), S_OK);
    SizedSPropTagArray(1, count) = {1, {PR_CONTENT_COUNT}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&count), 0), S_OK);
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(table->QueryRows(3, 0, &rows), S_OK);
    EXPECT_EQ(rows->aRow[0].lpProps[0].Value.l, 4); // A holds four copies
    EXPECT_EQ(rows->aRow[2].lpProps[0].Value.l, 2); // A/f1 two
    FreeProws(rows);
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}
