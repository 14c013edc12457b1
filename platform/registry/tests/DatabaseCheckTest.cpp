// The integrity check of a file that the calling process itself holds open: it must leave the
// locks of the process's connection as they were, or another process would take that
// connection for gone (and reset the log under it).
#include "registry/DatabaseCheck.h"

#include "TempRoot.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using platform::registry::DatabaseCheck;

// The bytes of SQLite's shared lock on a database file.
constexpr off_t kSharedFirst = 0x40000000 + 2;
constexpr off_t kSharedSize = 510;

// Whether another process sees a shared lock on the file (F_GETLK cannot see the caller's own).
bool OthersSeeSharedLock(const fs::path& file)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = ::open(file.c_str(), O_RDONLY);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = kSharedFirst;
        lock.l_len = kSharedSize;
        const bool held = fd >= 0 && fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type == F_RDLCK;
        _exit(held ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class DatabaseCheckLocks : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = root.path() / "held.db";
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "PRAGMA journal_mode=WAL; CREATE TABLE t(a, b); "
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
                               " INSERT INTO t SELECT i, randomblob(100) FROM n; SELECT count(*) FROM t;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db); }

    TempRoot root;
    fs::path file;
    sqlite3* db = nullptr;
};

TEST_F(DatabaseCheckLocks, CheckOfAnOpenFileKeepsTheConnectionsLock)
{
    ASSERT_TRUE(OthersSeeSharedLock(file)) << "a connection in WAL mode holds its shared lock";
    const DatabaseCheck check = DatabaseCheck::Run(file);
    EXPECT_TRUE(check.database);
    EXPECT_TRUE(check.Intact());
    EXPECT_TRUE(OthersSeeSharedLock(file)) << "the check dropped the connection's lock";

    // What the check must not do: any other descriptor of the file, once closed, drops it.
    { std::ifstream probe(file, std::ios::binary); }
    EXPECT_FALSE(OthersSeeSharedLock(file));
}

TEST_F(DatabaseCheckLocks, ForeignAndMissingFilesAreToldApart)
{
    const fs::path text = root.path() / "text.db";
    std::ofstream(text) << "not a database at all, only some text that is long enough";
    DatabaseCheck check = DatabaseCheck::Run(text);
    EXPECT_FALSE(check.database);
    EXPECT_FALSE(check.Intact());
    ASSERT_FALSE(check.Lines().empty());
    EXPECT_EQ(check.Lines().front(), "not an SQLite database");

    check = DatabaseCheck::Run(root.path() / "missing.db");
    EXPECT_FALSE(check.database);
    EXPECT_FALSE(check.Intact());
    EXPECT_FALSE(fs::exists(root.path() / "missing.db")) << "checking creates nothing";
}

} // namespace
