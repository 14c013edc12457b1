// Table notifications: a sink that keeps the rows of an advised table in step from its events
// alone must end up equal to a fresh query, whoever made the changes.
#include "MapiTestUtil.h"

#include "base/MessageLoop.h"
#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

using namespace mapitest;

struct CachedRow {
    std::string key;
    std::string subject;
    LONG importance = -1;
    bool operator==(const CachedRow&) const = default;
};

CachedRow FromRow(const SRow& row)
{
    CachedRow r;
    for (ULONG i = 0; i < row.cValues; ++i) {
        const SPropValue& v = row.lpProps[i];
        if (v.ulPropTag == PR_INSTANCE_KEY)
            r.key = Hex(Bytes(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb));
        else if (v.ulPropTag == PR_SUBJECT_A)
            r.subject = v.Value.lpszA;
        else if (v.ulPropTag == PR_IMPORTANCE)
            r.importance = v.Value.l;
    }
    return r;
}

std::string KeyOf(const SPropValue& v)
{
    return Hex(Bytes(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb));
}

std::vector<CachedRow> FreshRows(IMAPITable* table)
{
    std::vector<CachedRow> out;
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    LPSRowSet rows = nullptr;
    EXPECT_EQ(table->QueryRows(10000, 0, &rows), S_OK);
    for (ULONG i = 0; rows && i < rows->cRows; ++i)
        out.push_back(FromRow(rows->aRow[i]));
    FreeProws(rows);
    return out;
}

// Keeps rows as a list-view cache would: inserts after propPrior, removes by propIndex.
class CachingSink : public IMAPIAdviseSink {
public:
    explicit CachingSink(IMAPITable* table) : m_table(table) { rows = FreshRows(table); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPIAdviseSink)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override { return --m_refs; } // lives on the test's stack

    ULONG OnNotify(ULONG cNotif, LPNOTIFICATION n) override
    {
        if (inCall)
            ++reentrant;
        for (ULONG i = 0; i < cNotif; ++i) {
            EXPECT_EQ(n[i].ulEventType, fnevTableModified);
            const TABLE_NOTIFICATION& t = n[i].info.tab;
            ++events[t.ulTableEvent];
            switch (t.ulTableEvent) {
            case TABLE_ROW_ADDED:
            case TABLE_ROW_MODIFIED: {
                const std::string key = KeyOf(t.propIndex);
                auto it = Find(key);
                if (t.ulTableEvent == TABLE_ROW_ADDED)
                    EXPECT_TRUE(it == rows.end()) << "added twice";
                else
                    EXPECT_TRUE(it != rows.end()) << "modified row unknown";
                if (it != rows.end())
                    rows.erase(it);
                CachedRow row = FromRow(t.row);
                EXPECT_EQ(row.key, key);
                if (t.propPrior.ulPropTag == PR_NULL) {
                    rows.insert(rows.begin(), row);
                } else {
                    auto prior = Find(KeyOf(t.propPrior));
                    EXPECT_TRUE(prior != rows.end()) << "prior row unknown";
                    rows.insert(prior == rows.end() ? rows.end() : prior + 1, row);
                }
                break;
            }
            case TABLE_ROW_DELETED: {
                auto it = Find(KeyOf(t.propIndex));
                EXPECT_TRUE(it != rows.end()) << "deleted row unknown";
                if (it != rows.end())
                    rows.erase(it);
                break;
            }
            case TABLE_CHANGED:
            case TABLE_RELOAD:
                rows = FreshRows(m_table);
                break;
            default:
                break;
            }
        }
        return 0;
    }

    std::vector<CachedRow>::iterator Find(const std::string& key)
    {
        return std::find_if(rows.begin(), rows.end(), [&](const CachedRow& r) { return r.key == key; });
    }

    std::vector<CachedRow> rows;
    std::map<ULONG, int> events;
    int reentrant = 0;
    bool inCall = false;

private:
    IMAPITable* m_table;
    std::atomic<ULONG> m_refs{1};
};

void Pump()
{
    auto& loop = platform::MessageLoop::Current();
    while (loop.RunPending() > 0) {
    }
}

class NotificationTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        auto subtree = Subtree();
        a = NewFolder(subtree.get(), "A");
        b = NewFolder(subtree.get(), "B");
        ASSERT_EQ(a->GetContentsTable(0, table.put()), S_OK);
        SizedSPropTagArray(3, cols) = {3, {PR_INSTANCE_KEY, PR_SUBJECT_A, PR_IMPORTANCE}};
        ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    }

    // Only messages of some importance, the most important first.
    void RestrictAndSort()
    {
        SPropValue zero{};
        zero.ulPropTag = PR_IMPORTANCE;
        zero.Value.l = 0;
        SRestriction r{};
        r.rt = RES_PROPERTY;
        r.res.resProperty = {RELOP_NE, PR_IMPORTANCE, &zero};
        ASSERT_EQ(table->Restrict(&r, 0), S_OK);
        std::vector<char> buf(CbNewSSortOrderSet(2));
        auto* sort = reinterpret_cast<LPSSortOrderSet>(buf.data());
        *sort = {2, 0, 0, {{PR_IMPORTANCE, TABLE_SORT_DESCEND}}};
        sort->aSort[1] = {PR_SUBJECT_A, TABLE_SORT_ASCEND};
        ASSERT_EQ(table->SortTable(sort, 0), S_OK);
    }

    ComPtr<IMessage> Add(IMAPIFolder* folder, const std::string& subject, LONG importance)
    {
        auto m = NewMessage(folder, subject);
        EXPECT_EQ(SetLong(m.get(), PR_IMPORTANCE, importance), S_OK);
        EXPECT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        return m;
    }

    std::string Hexed(const Bytes& b) { return Hex(b); }

    ComPtr<IMAPIFolder> a, b;
    ComPtr<IMAPITable> table;
};

} // namespace

TEST_F(NotificationTest, AdviseNeedsASinkAndUnadviseAKnownConnection)
{
    ULONG conn = 0;
    EXPECT_EQ(table->Advise(fnevTableModified, nullptr, &conn), MAPI_E_INVALID_PARAMETER);
    CachingSink sink(table.get());
    EXPECT_EQ(table->Advise(fnevTableModified, &sink, nullptr), MAPI_E_INVALID_PARAMETER);
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    EXPECT_NE(conn, 0u);
    EXPECT_EQ(table->Unadvise(conn + 1), MAPI_E_NOT_FOUND);
    EXPECT_EQ(table->Unadvise(conn), S_OK);
    EXPECT_EQ(table->Unadvise(conn), MAPI_E_NOT_FOUND);
}

TEST_F(NotificationTest, EventsArriveOnTheLoopNeverInsideTheCausingCall)
{
    CachingSink sink(table.get());
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    sink.inCall = true;
    auto m = Add(a.get(), "one", 1);
    // The table itself is read inside a call too: still nothing is delivered there.
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 1u);
    sink.inCall = false;
    EXPECT_TRUE(sink.events.empty());
    Pump();
    EXPECT_EQ(sink.reentrant, 0);
    EXPECT_EQ(sink.events[TABLE_ROW_ADDED], 1);
    EXPECT_EQ(sink.rows, FreshRows(table.get()));

    // After Unadvise nothing more arrives, not even what was already posted.
    ASSERT_EQ(SetText(m.get(), PR_SUBJECT, "two"), S_OK);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK); // takes the change in and posts the event
    ASSERT_EQ(table->Unadvise(conn), S_OK);
    Pump();
    EXPECT_EQ(sink.events[TABLE_ROW_MODIFIED], 0);
}

TEST_F(NotificationTest, RowsEnterAndLeaveTheRestrictionAndMoveWithTheirSortKey)
{
    RestrictAndSort();
    auto low = Add(a.get(), "low", 1);
    auto high = Add(a.get(), "high", 2);
    auto none = Add(a.get(), "none", 0);
    CachingSink sink(table.get());
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    ASSERT_EQ(sink.rows.size(), 2u);

    // "none" enters the restriction: added, at the end (below "low").
    ASSERT_EQ(SetLong(none.get(), PR_IMPORTANCE, 1), S_OK);
    ASSERT_EQ(none->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    Pump();
    EXPECT_EQ(sink.events[TABLE_ROW_ADDED], 1);
    EXPECT_EQ(sink.rows, FreshRows(table.get()));
    EXPECT_EQ(sink.rows.back().subject, "none");

    // "low" moves to the top: modified, with no row before it.
    ASSERT_EQ(SetLong(low.get(), PR_IMPORTANCE, 3), S_OK);
    ASSERT_EQ(low->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    Pump();
    EXPECT_EQ(sink.events[TABLE_ROW_MODIFIED], 1);
    ASSERT_FALSE(sink.rows.empty());
    EXPECT_EQ(sink.rows.front().subject, "low");
    EXPECT_EQ(sink.rows, FreshRows(table.get()));

    // "high" leaves the restriction: deleted.
    ASSERT_EQ(SetLong(high.get(), PR_IMPORTANCE, 0), S_OK);
    ASSERT_EQ(high->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    Pump();
    EXPECT_EQ(sink.events[TABLE_ROW_DELETED], 1);
    EXPECT_EQ(sink.rows, FreshRows(table.get()));
    EXPECT_EQ(sink.rows.size(), 2u);

    // A change outside the restriction raises nothing.
    ASSERT_EQ(SetText(high.get(), PR_SUBJECT, "still out"), S_OK);
    ASSERT_EQ(high->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    Pump();
    EXPECT_EQ(sink.events[TABLE_ROW_DELETED] + sink.events[TABLE_ROW_ADDED] + sink.events[TABLE_ROW_MODIFIED], 3);
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}

TEST_F(NotificationTest, SortRestrictAndColumnChangesAreReported)
{
    CachingSink sink(table.get());
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    RestrictAndSort();
    SizedSPropTagArray(3, cols) = {3, {PR_INSTANCE_KEY, PR_SUBJECT_A, PR_IMPORTANCE}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    EXPECT_TRUE(sink.events.empty());
    Pump();
    EXPECT_EQ(sink.events[TABLE_RESTRICT_DONE], 1);
    EXPECT_EQ(sink.events[TABLE_SORT_DONE], 1);
    EXPECT_EQ(sink.events[TABLE_SETCOL_DONE], 1);
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}

TEST_F(NotificationTest, CachedRowsStayEqualThroughARandomSeries)
{
    RestrictAndSort();
    CachingSink sink(table.get());
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    std::mt19937 rng(1234);
    std::vector<Bytes> inA, inB;
    for (int step = 0; step < 300; ++step) {
        const bool fromA = rng() % 2;
        auto& from = fromA ? inA : inB;
        IMAPIFolder* src = fromA ? a.get() : b.get();
        IMAPIFolder* dst = fromA ? b.get() : a.get();
        const int op = from.empty() ? 0 : static_cast<int>(rng() % 4);
        sink.inCall = true;
        if (op == 0) {
            auto m = Add(src, "s" + std::to_string(rng() % 40), static_cast<LONG>(rng() % 3));
            from.push_back(GetBin(m.get(), PR_ENTRYID));
        } else {
            const std::size_t i = rng() % from.size();
            Bytes id = from[i];
            SBinary bin{ULONG(id.size()), reinterpret_cast<LPBYTE>(id.data())};
            ENTRYLIST list{1, &bin};
            if (op == 1) {
                auto m = OpenAs<IMessage>(store.get(), id);
                ASSERT_TRUE(m);
                ASSERT_EQ(SetLong(m.get(), PR_IMPORTANCE, static_cast<LONG>(rng() % 3)), S_OK);
                if (rng() % 2) {
                    ASSERT_EQ(SetText(m.get(), PR_SUBJECT, "s" + std::to_string(rng() % 40)), S_OK);
                }
                ASSERT_EQ(m->SaveChanges(0), S_OK);
            } else if (op == 2) {
                ASSERT_EQ(src->CopyMessages(&list, nullptr, dst, 0, nullptr, MESSAGE_MOVE), S_OK);
                from.erase(from.begin() + static_cast<std::ptrdiff_t>(i));
                // A moved message gets a new entry ID in its new folder; find it there.
                (fromA ? inB : inA).clear();
                ComPtr<IMAPITable> t;
                ASSERT_EQ(dst->GetContentsTable(0, t.put()), S_OK);
                SizedSPropTagArray(1, eid) = {1, {PR_ENTRYID}};
                LPSRowSet rows = nullptr;
                ASSERT_EQ(HrQueryAllRows(t.get(), reinterpret_cast<LPSPropTagArray>(&eid), nullptr, nullptr, 0, &rows),
                          S_OK);
                for (ULONG r = 0; r < rows->cRows; ++r)
                    (fromA ? inB : inA)
                        .emplace_back(reinterpret_cast<const char*>(rows->aRow[r].lpProps[0].Value.bin.lpb),
                                      rows->aRow[r].lpProps[0].Value.bin.cb);
                FreeProws(rows);
            } else {
                ASSERT_EQ(src->DeleteMessages(&list, 0, nullptr, 0), S_OK);
                from.erase(from.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        sink.inCall = false;
        // Pump only now and then, so that several changes come in one check.
        if (rng() % 3 == 0) {
            Pump();
            ASSERT_EQ(sink.rows, FreshRows(table.get())) << "after step " << step;
        }
    }
    Pump();
    EXPECT_EQ(sink.rows, FreshRows(table.get()));
    EXPECT_EQ(sink.reentrant, 0);
    EXPECT_GT(sink.events[TABLE_ROW_ADDED], 10);
    EXPECT_GT(sink.events[TABLE_ROW_DELETED], 10);
    EXPECT_GT(sink.events[TABLE_ROW_MODIFIED], 3);
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}

TEST_F(NotificationTest, ChangesOfAnotherProcessArriveThroughTheLoop)
{
    RestrictAndSort();
    Add(a.get(), "seed", 1);
    CachingSink sink(table.get());
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    for (int seed = 1; seed <= 3; ++seed) {
        std::vector<std::string> args = {MAPI_TEST_WRITER,
                                         "churn",
                                         path.string(),
                                         Hexed(GetBin(a.get(), PR_ENTRYID)),
                                         Hexed(GetBin(b.get(), PR_ENTRYID)),
                                         std::to_string(seed),
                                         "60"};
        std::vector<char*> argv;
        for (auto& s : args)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, MAPI_TEST_WRITER, nullptr, nullptr, argv.data(), environ), 0);
        // Check while the other process writes, then once more after it ended.
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            ASSERT_EQ(HrDispatchNotifications(0), S_OK);
            Pump();
        }
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_EQ(HrDispatchNotifications(0), S_OK);
        Pump();
        EXPECT_EQ(sink.rows, FreshRows(table.get())) << "after writer " << seed;
    }
    EXPECT_GT(sink.events[TABLE_ROW_ADDED] + sink.events[TABLE_RELOAD], 0);
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}

TEST_F(NotificationTest, WithoutAskingTheLoopFindsOtherProcessesChangesWithinAboutASecond)
{
    CachingSink sink(table.get());
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    std::string cmd = std::string(MAPI_TEST_WRITER) + " stamp '" + path.string() + "' " +
                      Hexed(GetBin(a.get(), PR_ENTRYID));
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto& loop = platform::MessageLoop::Current();
    const auto start = std::chrono::steady_clock::now();
    bool timedOut = false;
    UINT_PTR guard = loop.StartTimer(5000, [&] { timedOut = true; }, platform::MessageLoop::TimerRepeat::Once);
    loop.RunUntil([&] { return timedOut || sink.events[TABLE_ROW_ADDED] > 0; });
    loop.StopTimer(guard);
    EXPECT_FALSE(timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_EQ(sink.rows, FreshRows(table.get()));
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}

TEST_F(NotificationTest, ACheckThatFindsNothingLeavesTheLoopIdle)
{
    Add(a.get(), "seed", 1);
    CachingSink sink(table.get());
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    Pump();
    auto& loop = platform::MessageLoop::Current();
    // A caller may pump "until nothing is pending" after each check: that has to end.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(HrDispatchNotifications(0), S_OK);
        EXPECT_FALSE(loop.HasPendingWork()) << "check " << i;
        EXPECT_EQ(loop.RunPending(), 0u) << "check " << i;
    }
    // Another process's change is still found by the next check.
    std::string cmd = std::string(MAPI_TEST_WRITER) + " stamp '" + path.string() + "' " +
                      Hexed(GetBin(a.get(), PR_ENTRYID));
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    ASSERT_EQ(HrDispatchNotifications(0), S_OK);
    Pump();
    EXPECT_EQ(sink.events[TABLE_ROW_ADDED], 1);
    EXPECT_EQ(sink.rows, FreshRows(table.get()));
    ASSERT_EQ(HrDispatchNotifications(0), S_OK);
    EXPECT_EQ(loop.RunPending(), 0u);
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}

TEST_F(NotificationTest, StoreTableTellsOfStoresAddedToAndRemovedFromTheProfile)
{
    ComPtr<IProfAdmin> admin;
    ASSERT_EQ(MAPIAdminProfiles(0, admin.put()), S_OK);
    ASSERT_EQ(admin->CreateProfile(const_cast<char*>("Notify"), nullptr, 0, 0), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Notify", path), S_OK);
    ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
    ComPtr<IMAPISession> session;
    ASSERT_EQ(MAPILogonEx(0, const_cast<char*>("Notify"), nullptr, MAPI_NEW_SESSION | MAPI_NO_MAIL, session.put()),
              S_OK);
    ComPtr<IMAPITable> stores;
    ASSERT_EQ(session->GetMsgStoresTable(0, stores.put()), S_OK);
    struct StoreSink : IMAPIAdviseSink {
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
    ASSERT_EQ(stores->Advise(fnevTableModified, &sink, &conn), S_OK);
    const auto second = platform::StoresDirectory() / "second.store";
    ASSERT_EQ(mapi::CreateStoreFile(second, mapi::StoreKind::Personal, u"Second"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Notify", second), S_OK);
    Pump();
    ASSERT_EQ(sink.seen, std::vector<ULONG>{TABLE_ROW_ADDED});
    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Notify", second), S_OK);
    Pump();
    EXPECT_EQ(sink.seen, (std::vector<ULONG>{TABLE_ROW_ADDED, TABLE_ROW_DELETED}));
    ASSERT_EQ(stores->Unadvise(conn), S_OK);
    stores = nullptr;
    session->Logoff(0, 0, 0);
    session = nullptr;
    MAPIUninitialize();
}

TEST_F(NotificationTest, HierarchyTablesTellOfFoldersRowByRow)
{
    ComPtr<IMAPITable> folders;
    ASSERT_EQ(Subtree()->GetHierarchyTable(0, folders.put()), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_INSTANCE_KEY, PR_DISPLAY_NAME_A}};
    ASSERT_EQ(folders->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    struct Sink : IMAPIAdviseSink {
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        ULONG OnNotify(ULONG c, LPNOTIFICATION n) override
        {
            for (ULONG i = 0; i < c; ++i) {
                seen.push_back(n[i].info.tab.ulTableEvent);
                if (n[i].info.tab.row.cValues == 2)
                    names.push_back(n[i].info.tab.row.lpProps[1].Value.lpszA);
            }
            return 0;
        }
        std::vector<ULONG> seen;
        std::vector<std::string> names;
    } sink;
    ULONG conn = 0;
    ASSERT_EQ(folders->Advise(fnevTableModified, &sink, &conn), S_OK);
    // A new message changes its folder's row (its content count), and nothing else.
    Add(a.get(), "one more", 1);
    Pump();
    EXPECT_EQ(sink.seen, std::vector<ULONG>{TABLE_ROW_MODIFIED});
    EXPECT_EQ(sink.names, std::vector<std::string>{"A"});
    auto c = NewFolder(Subtree().get(), "C");
    Pump();
    ASSERT_EQ(sink.seen, (std::vector<ULONG>{TABLE_ROW_MODIFIED, TABLE_ROW_ADDED}));
    EXPECT_EQ(sink.names, (std::vector<std::string>{"A", "C"}));
    ASSERT_EQ(folders->Unadvise(conn), S_OK);
}

TEST_F(NotificationTest, ChangesOnAnotherThreadArriveOnTheAdvisingThread)
{
    struct ThreadSink : IMAPIAdviseSink {
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        ULONG OnNotify(ULONG c, LPNOTIFICATION) override
        {
            if (std::this_thread::get_id() != owner)
                ++wrongThread;
            count += static_cast<int>(c);
            return 0;
        }
        std::thread::id owner = std::this_thread::get_id();
        std::atomic<int> wrongThread{0};
        std::atomic<int> count{0};
    } sink;
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    const Bytes folderId = GetBin(a.get(), PR_ENTRYID);
    std::thread writer([&] {
        ComPtr<IMsgStore> own;
        ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, own.put()), S_OK);
        auto folder = OpenAs<IMAPIFolder>(own.get(), folderId);
        for (int i = 0; i < 5; ++i)
            NewMessage(folder.get(), "from the writer");
    });
    writer.join();
    EXPECT_EQ(sink.count, 0); // nothing before this thread's loop runs
    Pump();
    EXPECT_EQ(sink.count, 5);
    EXPECT_EQ(sink.wrongThread, 0);
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}
