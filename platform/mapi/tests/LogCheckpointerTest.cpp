// The log's checkpoints on a thread of their own: who copies when, the log starting over, none
// after Stop, nothing lost when the writer is killed in the middle, and no log left behind by a
// store file's last close.
#include "mapi/LogCheckpointer.h"

#include "MapiTestUtil.h"
#include "TempRoot.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using mapi::LogCheckpointer;
using namespace mapitest;

// A database in log mode whose commits report to a checkpointer, as a store file's do.
struct LoggedDb {
    explicit LoggedDb(const std::filesystem::path& path)
    {
        EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 15000); // as a store file's connection waits
        Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
             " CREATE TABLE IF NOT EXISTS t(id INTEGER PRIMARY KEY, v BLOB)");
    }
    ~LoggedDb() { sqlite3_close_v2(db); }
    void Hook(LogCheckpointer& checkpointer) { checkpointer.Attach(db); }
    void Exec(const char* sql) { EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql; }
    // One commit of a row of about a page.
    void Insert(int id)
    {
        const std::string sql = "INSERT INTO t VALUES(" + std::to_string(id) + ", zeroblob(3000))";
        Exec(sql.c_str());
    }
    int Count(const char* sql = "SELECT count(*) FROM t")
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
        sqlite3_finalize(st);
        return n;
    }
    sqlite3* db = nullptr;
};

std::uintmax_t SizeOf(const std::filesystem::path& p)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(p, ec);
    return ec ? 0 : size;
}

template <class Done>
bool WaitFor(Done done)
{
    for (int i = 0; i < 500 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

} // namespace

TEST(LogCheckpointer, TheThreadCopiesALongLogAndTheCommitterTheRest)
{
    TempRoot root;
    const auto path = root.path() / "db";
    LoggedDb db(path);
    for (int i = 0; i < 100; ++i)
        db.Insert(i);
    LogCheckpointer checkpointer(path, 50);
    EXPECT_FALSE(checkpointer.Committed(10)) << "a short log stays as it is";
    EXPECT_FALSE(checkpointer.Committed(60)) << "due: the thread copies it";
    ASSERT_TRUE(WaitFor([&] { return checkpointer.Made() == 1; }));
    EXPECT_TRUE(checkpointer.Committed(60)) << "what came since is the committer's";
    EXPECT_FALSE(checkpointer.Committed(60)) << "and the thread's again once due";
    EXPECT_TRUE(checkpointer.Committed(200)) << "a log four times as long is copied at once";
    ASSERT_TRUE(WaitFor([&] { return checkpointer.Made() == 2; }));
    checkpointer.Stop();
    EXPECT_FALSE(checkpointer.Committed(1000));
    EXPECT_EQ(checkpointer.Made(), 2);
}

TEST(LogCheckpointer, TheLogStartsOverOnceCopied)
{
    TempRoot root;
    const auto path = root.path() / "db";
    const auto log = root.path() / "db-wal";
    LoggedDb db(path);
    LogCheckpointer checkpointer(path, 50);
    db.Hook(checkpointer);
    int id = 0;
    while (checkpointer.Made() == 0 && id < 1000) {
        db.Insert(id++);
        if (SizeOf(log) >= 50 * 4120) { // due: the thread's checkpoint is let finish
            ASSERT_TRUE(WaitFor([&] { return checkpointer.Made() == 1; }));
        }
    }
    db.Insert(id++); // the committer copies what is left
    db.Insert(id++); // and this commit starts the log over at its beginning
    const auto size = SizeOf(log);
    for (int i = 0; i < 20; ++i)
        db.Insert(id++);
    EXPECT_EQ(SizeOf(log), size) << "the log's pages are written again, the log does not grow";
    EXPECT_EQ(db.Count(), id);
    EXPECT_EQ(db.Count("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"), 0);
}

TEST(LogCheckpointer, NothingIsCopiedAfterStop)
{
    TempRoot root;
    const auto path = root.path() / "db";
    LoggedDb db(path);
    LogCheckpointer checkpointer(path, 20);
    db.Hook(checkpointer);
    checkpointer.Stop();
    for (int i = 0; i < 100; ++i)
        db.Insert(i);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(checkpointer.Made(), 0);
}

TEST(LogCheckpointer, AWriterKilledDuringCheckpointsLosesNoCommit)
{
    TempRoot root;
    const auto path = root.path() / "db";
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // The child commits rows one by one and says which are committed.
            close(fds[0]);
            LoggedDb db(path);
            LogCheckpointer checkpointer(path, 20);
            db.Hook(checkpointer);
            for (int id = db.Count("SELECT coalesce(max(id), -1) + 1 FROM t");; ++id) {
                db.Insert(id);
                if (write(fds[1], &id, sizeof id) != sizeof id)
                    _exit(1);
            }
        }
        close(fds[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 17 * round));
        kill(pid, SIGKILL);
        int st = 0;
        waitpid(pid, &st, 0);
        int last = -1, id = 0;
        while (read(fds[0], &id, sizeof id) == sizeof id)
            last = id;
        close(fds[0]);
        LoggedDb db(path);
        EXPECT_EQ(db.Count("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"), 0);
        // Every row the child reported is there, and they run without a gap.
        EXPECT_GE(db.Count("SELECT coalesce(max(id), -1) FROM t"), last);
        EXPECT_EQ(db.Count(), db.Count("SELECT coalesce(max(id), -1) + 1 FROM t"));
    }
}

TEST_F(StoreTest, AStoreFileClosedLastLeavesNoLog)
{
    auto folder = NewFolder(Subtree().get(), "Closed");
    for (int i = 0; i < 20; ++i)
        NewMessage(folder.get(), "m" + std::to_string(i));
    const std::filesystem::path log = path.string() + "-wal";
    EXPECT_TRUE(std::filesystem::exists(log));
    folder.Release();
    store.Release();
    EXPECT_FALSE(std::filesystem::exists(log)) << "the last connection copies the log and removes it";
    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    ASSERT_EQ(Subtree()->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Closed"), nullptr, nullptr, OPEN_IF_EXISTS,
                                      folder.put()),
              S_OK);
    ULONG count = 0;
    ComPtr<IMAPITable> table;
    ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 20u);
}
