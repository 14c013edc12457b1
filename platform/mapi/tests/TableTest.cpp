// Tables: columns, sorting, positions, bookmarks, FindRow, and staying in step with the store.
#include "MapiTestUtil.h"

#include <atomic>
#include <sqlite3.h>
#include <thread>

using namespace mapitest;

namespace {

constexpr ULONG PR_KEY = PROP_TAG(PT_BINARY, 0x6730);
constexpr ULONG PR_RANK = PROP_TAG(PT_LONG, 0x6731);

class TableFixture : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        folder = NewFolder(Subtree().get(), "Table");
        // name, rank, key
        const std::vector<std::tuple<std::string, LONG, std::string>> rows = {
            {"delta", 2, "k4"}, {"alpha", 1, "k1"}, {"charlie", 2, "k3"}, {"bravo", 1, "k2"}, {"echo", 3, "k1"}};
        for (const auto& [name, rank, key] : rows) {
            auto m = NewMessage(folder.get(), name);
            ASSERT_EQ(SetLong(m.get(), PR_RANK, rank), S_OK);
            ASSERT_EQ(SetBin(m.get(), PR_KEY, key), S_OK);
            ASSERT_EQ(m->SaveChanges(0), S_OK);
        }
        ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
        SizedSPropTagArray(2, cols) = {2, {PR_SUBJECT_A, PR_RANK}};
        ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    }

    std::vector<std::string> Read(LONG count = 100)
    {
        LPSRowSet rows = nullptr;
        EXPECT_EQ(table->QueryRows(count, 0, &rows), S_OK);
        std::vector<std::string> out;
        for (ULONG i = 0; rows && i < rows->cRows; ++i)
            out.push_back(rows->aRow[i].lpProps[0].Value.lpszA);
        FreeProws(rows);
        return out;
    }
    std::string Current()
    {
        LPSRowSet rows = nullptr;
        EXPECT_EQ(table->QueryRows(1, TBL_NOADVANCE, &rows), S_OK);
        std::string s = rows && rows->cRows ? rows->aRow[0].lpProps[0].Value.lpszA : "<end>";
        FreeProws(rows);
        return s;
    }
    HRESULT FindKey(const std::string& key, BOOKMARK from, ULONG flags = 0)
    {
        SPropValue v{};
        v.ulPropTag = PR_KEY;
        v.Value.bin = {ULONG(key.size()), (LPBYTE)key.data()};
        SRestriction r{};
        r.rt = RES_PROPERTY;
        r.res.resProperty = {RELOP_EQ, PR_KEY, &v};
        return table->FindRow(&r, from, flags);
    }
    void Sort(std::vector<SSortOrder> keys)
    {
        std::vector<char> buf(CbNewSSortOrderSet(keys.size()));
        auto* set = reinterpret_cast<LPSSortOrderSet>(buf.data());
        set->cSorts = ULONG(keys.size());
        set->cCategories = 0;
        set->cExpanded = 0;
        for (size_t i = 0; i < keys.size(); ++i)
            set->aSort[i] = keys[i];
        ASSERT_EQ(table->SortTable(set, 0), S_OK);
    }

    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
};

} // namespace

TEST_F(TableFixture, RowsComeInCreationOrderWithMissingColumnsAsErrors)
{
    SizedSPropTagArray(3, cols) = {3, {PR_SUBJECT_W, PR_BODY_A, PR_INSTANCE_KEY}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(table->QueryRows(2, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(std::u16string(rows->aRow[0].lpProps[0].Value.lpszW), u"delta");
    EXPECT_EQ(rows->aRow[0].lpProps[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_BODY)));
    EXPECT_EQ(rows->aRow[0].lpProps[1].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(rows->aRow[0].lpProps[2].ulPropTag, PR_INSTANCE_KEY);
    EXPECT_NE(Bytes((char*)rows->aRow[0].lpProps[2].Value.bin.lpb, rows->aRow[0].lpProps[2].Value.bin.cb),
              Bytes((char*)rows->aRow[1].lpProps[2].Value.bin.lpb, rows->aRow[1].lpProps[2].Value.bin.cb));
    FreeProws(rows);
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 5u);
}

TEST_F(TableFixture, SortsOnSeveralKeysAreStable)
{
    // Rank descending; ties keep the table's own order.
    Sort({{PR_RANK, TABLE_SORT_DESCEND}});
    EXPECT_EQ(Read(), (std::vector<std::string>{"echo", "delta", "charlie", "alpha", "bravo"}));
    Sort({{PR_RANK, TABLE_SORT_ASCEND}, {PR_SUBJECT_A, TABLE_SORT_DESCEND}});
    EXPECT_EQ(Read(), (std::vector<std::string>{"bravo", "alpha", "delta", "charlie", "echo"}));
    // A sort on a property that is not a column, and that one row lacks (it sorts first).
    auto extra = NewMessage(folder.get(), "foxtrot");
    Sort({{PR_KEY, TABLE_SORT_ASCEND}, {PR_SUBJECT_A, TABLE_SORT_ASCEND}});
    EXPECT_EQ(Read(), (std::vector<std::string>{"foxtrot", "alpha", "echo", "bravo", "charlie", "delta"}));
}

TEST_F(TableFixture, QueryRowsForwardsAndBackwards)
{
    Sort({{PR_SUBJECT_A, TABLE_SORT_ASCEND}});
    EXPECT_EQ(Read(2), (std::vector<std::string>{"alpha", "bravo"}));
    EXPECT_EQ(Read(2), (std::vector<std::string>{"charlie", "delta"}));
    EXPECT_EQ(Read(-3), (std::vector<std::string>{"bravo", "charlie", "delta"}));
    EXPECT_EQ(Current(), "bravo");
    LONG sought = 0;
    ASSERT_EQ(table->SeekRow(BOOKMARK_END, -2, &sought), S_OK);
    EXPECT_EQ(sought, -2);
    EXPECT_EQ(Current(), "delta");
    ASSERT_EQ(table->SeekRow(BOOKMARK_CURRENT, 10, &sought), S_OK);
    EXPECT_EQ(sought, 2);
    EXPECT_TRUE(Read().empty());
    ASSERT_EQ(table->SeekRowApprox(2, 5), S_OK);
    EXPECT_EQ(Current(), "charlie");
    ULONG row = 0, num = 0, den = 0;
    ASSERT_EQ(table->QueryPosition(&row, &num, &den), S_OK);
    EXPECT_EQ(row, 2u);
    EXPECT_EQ(den, 5u);
}

TEST_F(TableFixture, FindRowFromBookmarksInBothDirections)
{
    Sort({{PR_SUBJECT_A, TABLE_SORT_ASCEND}}); // alpha(k1) bravo(k2) charlie(k3) delta(k4) echo(k1)
    ASSERT_EQ(FindKey("k1", BOOKMARK_BEGINNING), S_OK);
    EXPECT_EQ(Current(), "alpha");
    BOOKMARK mark = 0;
    ASSERT_EQ(table->SeekRow(BOOKMARK_CURRENT, 1, nullptr), S_OK);
    ASSERT_EQ(table->CreateBookmark(&mark), S_OK);
    ASSERT_EQ(FindKey("k1", mark), S_OK);
    EXPECT_EQ(Current(), "echo");
    ASSERT_EQ(FindKey("k1", mark, DIR_BACKWARD), S_OK);
    EXPECT_EQ(Current(), "alpha");
    ASSERT_EQ(FindKey("k1", BOOKMARK_END, DIR_BACKWARD), S_OK);
    EXPECT_EQ(Current(), "echo");
    EXPECT_EQ(FindKey("k9", BOOKMARK_BEGINNING), MAPI_E_NOT_FOUND);
    EXPECT_EQ(Current(), "echo"); // a failed search leaves the cursor alone
    ASSERT_EQ(table->FreeBookmark(mark), S_OK);
    EXPECT_EQ(table->FreeBookmark(mark), MAPI_E_INVALID_BOOKMARK);
    EXPECT_EQ(FindKey("k1", mark), MAPI_E_INVALID_BOOKMARK);
    // A linear search (not an equality) gives the same answers.
    SPropValue v{};
    v.ulPropTag = PR_RANK;
    v.Value.l = 2;
    SRestriction r{};
    r.rt = RES_PROPERTY;
    r.res.resProperty = {RELOP_GE, PR_RANK, &v};
    ASSERT_EQ(table->FindRow(&r, BOOKMARK_BEGINNING, 0), S_OK);
    EXPECT_EQ(Current(), "charlie");
}

TEST_F(TableFixture, TableFollowsChangesToTheFolder)
{
    ASSERT_EQ(FindKey("k4", BOOKMARK_BEGINNING), S_OK); // builds the index
    BOOKMARK mark = 0;
    ASSERT_EQ(table->CreateBookmark(&mark), S_OK);
    EXPECT_EQ(Current(), "delta");

    // A new message shows up, and the index finds it.
    auto golf = NewMessage(folder.get(), "golf");
    ASSERT_EQ(SetBin(golf.get(), PR_KEY, "k7"), S_OK);
    ASSERT_EQ(golf->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 6u);
    ASSERT_EQ(FindKey("k7", BOOKMARK_BEGINNING), S_OK);
    EXPECT_EQ(Current(), "golf");

    // A changed key moves in the index.
    ASSERT_EQ(SetBin(golf.get(), PR_KEY, "k8"), S_OK);
    ASSERT_EQ(golf->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(FindKey("k7", BOOKMARK_BEGINNING), MAPI_E_NOT_FOUND);
    ASSERT_EQ(FindKey("k8", BOOKMARK_BEGINNING), S_OK);

    // The bookmarked row is deleted: the bookmark still works, and says the position moved.
    ComPtr<IMAPITable> all;
    SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_SUBJECT_A}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(folder->GetContentsTable(0, all.put()), S_OK);
    ASSERT_EQ(HrQueryAllRows(all.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    SBinary victim = rows->aRow[0].lpProps[0].Value.bin; // "delta"
    ENTRYLIST list{1, &victim};
    ASSERT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    FreeProws(rows);
    EXPECT_EQ(table->SeekRow(mark, 0, nullptr), MAPI_W_POSITION_CHANGED);
    EXPECT_EQ(FindKey("k4", BOOKMARK_BEGINNING), MAPI_E_NOT_FOUND);
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 5u);
}

TEST_F(TableFixture, AChangedRowThatCannotBeReadComesOnceItCanBe)
{
    EXPECT_EQ(Read().size(), 5u);
    auto golf = NewMessage(folder.get(), "golf");
    ASSERT_EQ(golf->SaveChanges(0), S_OK);
    // Its subject refers to a large value that is not there (past the store layer, as another
    // program might leave it); the original is put back afterwards.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string where = "WHERE tag = " + std::to_string(PR_SUBJECT_W) +
                              " AND obj = (SELECT max(id) FROM objects WHERE type = " + std::to_string(MAPI_MESSAGE) + ")";
    ASSERT_EQ(sqlite3_exec(db, ("CREATE TEMP TABLE kept AS SELECT value FROM props " + where).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, ("UPDATE props SET value = 987654321 " + where).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_changes(db), 1);

    ULONG count = 0;
    EXPECT_EQ(table->GetRowCount(0, &count), MAPI_E_CORRUPT_STORE);
    ASSERT_EQ(sqlite3_exec(db, ("UPDATE props SET value = (SELECT value FROM kept) " + where).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 6u);
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    EXPECT_EQ(Read().back(), "golf");
}

TEST_F(TableFixture, ANewTableOverTheFolderSeesEveryChangeSinceTheLastRead)
{
    // Each new table may start from the rows the one before read: what changed in between, in
    // this process or another, must show all the same.
    auto subjects = [&](ULONG extraColumn) {
        ComPtr<IMAPITable> t;
        EXPECT_EQ(folder->GetContentsTable(0, t.put()), S_OK);
        SizedSPropTagArray(2, cols) = {2, {PR_SUBJECT_A, extraColumn}};
        LPSRowSet rows = nullptr;
        EXPECT_EQ(HrQueryAllRows(t.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
        std::vector<std::string> out;
        for (ULONG i = 0; rows && i < rows->cRows; ++i)
            out.push_back(rows->aRow[i].lpProps[0].Value.lpszA +
                          (PROP_TYPE(rows->aRow[i].lpProps[1].ulPropTag) == PT_LONG
                               ? ":" + std::to_string(rows->aRow[i].lpProps[1].Value.l)
                               : std::string()));
        FreeProws(rows);
        return out;
    };
    EXPECT_EQ(subjects(PR_RANK), (std::vector<std::string>{"delta:2", "alpha:1", "charlie:2", "bravo:1", "echo:3"}));

    // Changed, deleted and added here.
    ComPtr<IMAPITable> all;
    SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_SUBJECT_A}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(folder->GetContentsTable(0, all.put()), S_OK);
    ASSERT_EQ(HrQueryAllRows(all.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    const SBinary alphaId = rows->aRow[1].lpProps[0].Value.bin;
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    ASSERT_EQ(folder->OpenEntry(alphaId.cb, reinterpret_cast<LPENTRYID>(alphaId.lpb), nullptr, MAPI_MODIFY, &type,
                                unk.put()),
              S_OK);
    ComPtr<IMessage> alpha;
    ASSERT_EQ(unk.As(alpha), S_OK);
    ASSERT_EQ(SetLong(alpha.get(), PR_RANK, 7), S_OK);
    ASSERT_EQ(alpha->SaveChanges(0), S_OK);
    SBinary victim = rows->aRow[0].lpProps[0].Value.bin; // delta
    ENTRYLIST list{1, &victim};
    ASSERT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    FreeProws(rows);
    auto foxtrot = NewMessage(folder.get(), "foxtrot");
    ASSERT_EQ(SetLong(foxtrot.get(), PR_RANK, 4), S_OK);
    ASSERT_EQ(foxtrot->SaveChanges(0), S_OK);
    EXPECT_EQ(subjects(PR_RANK), (std::vector<std::string>{"alpha:7", "charlie:2", "bravo:1", "echo:3", "foxtrot:4"}));

    // Added by another process; then a table that wants a property the others did not read.
    const std::string cmd = std::string(MAPI_TEST_WRITER) + " stamp '" + path.string() + "' " +
                            mapitest::Hex(GetBin(folder.get(), PR_ENTRYID)) + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(subjects(PR_RANK), (std::vector<std::string>{"alpha:7", "charlie:2", "bravo:1", "echo:3", "foxtrot:4", "stamp"}));
    EXPECT_EQ(subjects(PR_IMPORTANCE).size(), 6u);
}

TEST_F(TableFixture, HrQueryAllRowsAppliesRestrictionAndSort)
{
    SPropValue v{};
    v.ulPropTag = PR_RANK;
    v.Value.l = 1;
    SRestriction r{};
    r.rt = RES_PROPERTY;
    r.res.resProperty = {RELOP_GT, PR_RANK, &v};
    std::vector<char> buf(CbNewSSortOrderSet(1));
    auto* sort = reinterpret_cast<LPSSortOrderSet>(buf.data());
    *sort = {1, 0, 0, {{PR_SUBJECT_A, TABLE_SORT_DESCEND}}};
    SizedSPropTagArray(1, cols) = {1, {PR_SUBJECT_A}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), &r, sort, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 3u);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "echo");
    EXPECT_STREQ(rows->aRow[2].lpProps[0].Value.lpszA, "charlie");
    FreeProws(rows);
    EXPECT_EQ(HrQueryAllRows(table.get(), nullptr, &r, nullptr, 2, &rows), MAPI_E_TABLE_TOO_BIG);
}

TEST_F(TableFixture, InstanceKeysStayWithTheirRowsAndAllColumnsAreListed)
{
    auto keyOf = [&](const std::string& subject) {
        SizedSPropTagArray(2, cols) = {2, {PR_SUBJECT_A, PR_INSTANCE_KEY}};
        EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
        LPSRowSet rows = nullptr;
        EXPECT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &rows), S_OK);
        Bytes key;
        for (ULONG i = 0; rows && i < rows->cRows; ++i)
            if (subject == rows->aRow[i].lpProps[0].Value.lpszA)
                key.assign((char*)rows->aRow[i].lpProps[1].Value.bin.lpb, rows->aRow[i].lpProps[1].Value.bin.cb);
        FreeProws(rows);
        return key;
    };
    const Bytes before = keyOf("charlie");
    Sort({{PR_SUBJECT_A, TABLE_SORT_DESCEND}});
    NewMessage(folder.get(), "another");
    EXPECT_EQ(keyOf("charlie"), before);

    LPSPropTagArray all = nullptr;
    ASSERT_EQ(table->QueryColumns(TBL_ALL_COLUMNS, &all), S_OK);
    bool rank = false, key = false;
    for (ULONG i = 0; i < all->cValues; ++i) {
        rank |= all->aulPropTag[i] == PR_RANK;
        key |= all->aulPropTag[i] == PR_KEY;
    }
    MAPIFreeBuffer(all);
    EXPECT_TRUE(rank && key);
    LPSSortOrderSet order = nullptr;
    ASSERT_EQ(table->QuerySortOrder(&order), S_OK);
    ASSERT_EQ(order->cSorts, 1u);
    EXPECT_EQ(order->aSort[0].ulOrder, TABLE_SORT_DESCEND);
    MAPIFreeBuffer(order);
    SSortOrderSet categorised{1, 1, 1, {{PR_RANK, TABLE_SORT_ASCEND}}};
    EXPECT_EQ(table->SortTable(&categorised, 0), S_OK); // one category, expanded
}

TEST_F(TableFixture, ReadersOnOtherThreadsSeeConsistentTables)
{
    // One thread saves messages while another reads, sorts and searches the same table.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 60; ++i) {
            ComPtr<IMessage> m;
            ASSERT_EQ(folder->CreateMessage(nullptr, 0, m.put()), S_OK);
            ASSERT_EQ(SetText(m.get(), PR_SUBJECT, "t" + std::to_string(i)), S_OK);
            ASSERT_EQ(SetBin(m.get(), PR_KEY, "w" + std::to_string(i)), S_OK);
            ASSERT_EQ(m->SaveChanges(0), S_OK);
        }
        done = true;
    });
    ULONG last = 0;
    while (!done) {
        ULONG count = 0;
        ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
        EXPECT_GE(count, last);
        last = count;
        Sort({{PR_SUBJECT_A, TABLE_SORT_ASCEND}});
        FindKey("w0", BOOKMARK_BEGINNING);
    }
    writer.join();
    ASSERT_EQ(FindKey("w59", BOOKMARK_BEGINNING), S_OK);
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 65u);
}

TEST_F(TableFixture, ColumnsChosenAfterTheRowsWereReadShowTheirValues)
{
    EXPECT_EQ(Read(1), std::vector<std::string>{"delta"});
    NewMessage(folder.get(), "foxtrot"); // saved: the table's next call sees it
    SizedSPropTagArray(5, cols) = {5, {PR_SUBJECT_A, PR_KEY, PR_ENTRYID, PR_RECORD_KEY, PR_PARENT_ENTRYID}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 6u);
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SRow& row = rows->aRow[i];
        ASSERT_EQ(row.cValues, 5u);
        const std::string subject = row.lpProps[0].Value.lpszA;
        EXPECT_EQ(row.lpProps[1].ulPropTag, subject == "foxtrot" ? PROP_TAG(PT_ERROR, PROP_ID(PR_KEY)) : PR_KEY);
        ASSERT_EQ(row.lpProps[2].ulPropTag, PR_ENTRYID);
        const Bytes eid(reinterpret_cast<const char*>(row.lpProps[2].Value.bin.lpb), row.lpProps[2].Value.bin.cb);
        auto msg = OpenAs<IMessage>(store.get(), eid);
        ASSERT_TRUE(msg) << subject;
        EXPECT_EQ(GetText(msg.get(), PR_SUBJECT_A), subject);
        ASSERT_EQ(row.lpProps[3].ulPropTag, PR_RECORD_KEY);
        EXPECT_EQ(Bytes(reinterpret_cast<const char*>(row.lpProps[3].Value.bin.lpb), row.lpProps[3].Value.bin.cb),
                  GetBin(msg.get(), PR_RECORD_KEY));
        ASSERT_EQ(row.lpProps[4].ulPropTag, PR_PARENT_ENTRYID);
        EXPECT_EQ(Bytes(reinterpret_cast<const char*>(row.lpProps[4].Value.bin.lpb), row.lpProps[4].Value.bin.cb),
                  GetBin(folder.get(), PR_ENTRYID));
    }
    FreeProws(rows);
}

TEST_F(TableFixture, RestrictionSortAndFindRowLookAtPropertiesOutsideTheColumns)
{
    SizedSPropTagArray(1, cols) = {1, {PR_SUBJECT_A}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    SPropValue k1{};
    k1.ulPropTag = PR_KEY;
    k1.Value.bin = {2, (LPBYTE) "k1"};
    SRestriction r{};
    r.rt = RES_PROPERTY;
    r.res.resProperty = {RELOP_EQ, PR_KEY, &k1};
    ASSERT_EQ(table->Restrict(&r, 0), S_OK);
    Sort({{PR_RANK, TABLE_SORT_DESCEND}});
    EXPECT_EQ(Read(), (std::vector<std::string>{"echo", "alpha"}));
    ASSERT_EQ(table->Restrict(nullptr, 0), S_OK);
    // A record key the store computes, found through the index and by a scan alike.
    auto golf = NewMessage(folder.get(), "golf");
    const Bytes key = GetBin(golf.get(), PR_RECORD_KEY);
    SPropValue v{};
    v.ulPropTag = PR_RECORD_KEY;
    v.Value.bin = {ULONG(key.size()), (LPBYTE)key.data()};
    r.res.resProperty = {RELOP_EQ, PR_RECORD_KEY, &v};
    ASSERT_EQ(table->FindRow(&r, BOOKMARK_BEGINNING, 0), S_OK);
    EXPECT_EQ(Current(), "golf");
    SRestriction notLess{};
    notLess.rt = RES_PROPERTY;
    notLess.res.resProperty = {RELOP_GE, PR_RECORD_KEY, &v};
    ASSERT_EQ(table->FindRow(&notLess, BOOKMARK_BEGINNING, 0), S_OK);
    EXPECT_EQ(Current(), "golf");
}

TEST_F(TableFixture, FindRowFindsARowJustSaved)
{
    ASSERT_EQ(FindKey("k2", BOOKMARK_BEGINNING), S_OK);
    EXPECT_EQ(Current(), "bravo");
    for (int i = 0; i < 20; ++i) {
        const std::string name = "new" + std::to_string(i);
        auto m = NewMessage(folder.get(), name);
        ASSERT_EQ(SetBin(m.get(), PR_KEY, "n" + std::to_string(i)), S_OK);
        ASSERT_EQ(m->SaveChanges(0), S_OK);
        ASSERT_EQ(FindKey("n" + std::to_string(i), BOOKMARK_BEGINNING), S_OK) << name;
        EXPECT_EQ(Current(), name);
    }
    EXPECT_EQ(FindKey("k9", BOOKMARK_BEGINNING), MAPI_E_NOT_FOUND);
}

TEST_F(TableFixture, ColumnsOfScatteredIdentifiersShowJustTheirOwnValues)
{
    // Asked for: the subject, two neighbours, a multi-valued property and a named one; the
    // properties between and around them must not show up in their places.
    GUID set{};
    set.Data1 = 0x5EA7C0DE;
    MAPINAMEID name{&set, MNID_STRING, {}};
    name.Kind.lpwstrName = const_cast<LPWSTR>(u"Scattered");
    LPMAPINAMEID names[] = {&name};
    LPSPropTagArray named = nullptr;
    ASSERT_EQ(store->GetIDsFromNames(1, names, MAPI_CREATE, &named), S_OK);
    const ULONG PR_NAMED = CHANGE_PROP_TYPE(named->aulPropTag[0], PT_LONG);
    MAPIFreeBuffer(named);
    constexpr ULONG PR_LIST = PROP_TAG(PT_MV_LONG, 0x6733);
    constexpr ULONG PR_BETWEEN = PROP_TAG(PT_LONG, 0x6732);

    auto scattered = NewFolder(Subtree().get(), "Scattered");
    for (LONG i = 0; i < 3; ++i) {
        auto m = NewMessage(scattered.get(), "m" + std::to_string(i));
        ASSERT_EQ(SetLong(m.get(), PR_RANK, 10 + i), S_OK);
        ASSERT_EQ(SetBin(m.get(), PR_KEY, "k" + std::to_string(i)), S_OK);
        ASSERT_EQ(SetLong(m.get(), PR_BETWEEN, -1), S_OK);
        ASSERT_EQ(SetText(m.get(), PR_BODY_A, "not asked for"), S_OK);
        if (i != 1) {
            LONG list[] = {i, i + 1};
            SPropValue v{};
            v.ulPropTag = PR_LIST;
            v.Value.MVl = {2, list};
            ASSERT_EQ(HrSetOneProp(m.get(), &v), S_OK);
            ASSERT_EQ(SetLong(m.get(), PR_NAMED, 100 + i), S_OK);
        }
        ASSERT_EQ(m->SaveChanges(0), S_OK);
    }
    ComPtr<IMAPITable> t;
    ASSERT_EQ(scattered->GetContentsTable(0, t.put()), S_OK);
    SizedSPropTagArray(5, cols) = {5, {PR_SUBJECT_A, PR_KEY, PR_RANK, PR_LIST, PR_NAMED}};
    ASSERT_EQ(t->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(t->QueryRows(10, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 3u);
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* p = rows->aRow[i].lpProps;
        ASSERT_EQ(rows->aRow[i].cValues, 5u);
        EXPECT_EQ(std::string(p[0].Value.lpszA), "m" + std::to_string(i));
        ASSERT_EQ(p[1].ulPropTag, PR_KEY);
        EXPECT_EQ(Bytes(reinterpret_cast<const char*>(p[1].Value.bin.lpb), p[1].Value.bin.cb), "k" + std::to_string(i));
        ASSERT_EQ(p[2].ulPropTag, PR_RANK);
        EXPECT_EQ(p[2].Value.l, LONG(10 + i));
        if (i == 1) {
            EXPECT_EQ(p[3].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_LIST)));
            EXPECT_EQ(p[4].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_NAMED)));
            continue;
        }
        ASSERT_EQ(p[3].ulPropTag, PR_LIST);
        ASSERT_EQ(p[3].Value.MVl.cValues, 2u);
        EXPECT_EQ(p[3].Value.MVl.lpl[1], LONG(i + 1));
        ASSERT_EQ(p[4].ulPropTag, PR_NAMED);
        EXPECT_EQ(p[4].Value.l, LONG(100 + i));
    }
    FreeProws(rows);

    // Only computed columns: the rows are there, nothing else is read.
    SizedSPropTagArray(1, idOnly) = {1, {PR_ENTRYID}};
    ComPtr<IMAPITable> ids;
    ASSERT_EQ(scattered->GetContentsTable(0, ids.put()), S_OK);
    ASSERT_EQ(ids->SetColumns(reinterpret_cast<LPSPropTagArray>(&idOnly), 0), S_OK);
    ASSERT_EQ(ids->QueryRows(10, 0, &rows), S_OK);
    EXPECT_EQ(rows->cRows, 3u);
    for (ULONG i = 0; i < rows->cRows; ++i)
        EXPECT_EQ(rows->aRow[i].lpProps[0].ulPropTag, PR_ENTRYID);
    FreeProws(rows);
}
