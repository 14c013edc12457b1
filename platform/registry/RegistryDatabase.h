// The connection to the registry database: <platform root>/registry.db, an SQLite file in WAL
// mode shared by every process of the machine. The connection follows the platform root (a
// new root opens a new file) and is opened again in a forked child.
//
// A file that is not ours (not SQLite, another program's database, a newer format) is never
// written to: the layer reports it once on stderr and every call fails with a registry error.
// A damaged file is marked as such (base/DamageMark.h) the moment any statement meets the
// damage or the check on open finds it; from then on no process writes into it, and reads
// go on as far as they can.
#pragma once

#include "base/WinTypes.h"
#include "registry/SqliteStatement.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <sys/types.h>
#include <unordered_map>

struct sqlite3;

namespace platform::registry {

class RegistryDatabase {
public:
    // Fixed ids of the three stored roots.
    static constexpr std::int64_t kMachineRoot = 1;
    static constexpr std::int64_t kUserRoot = 2;
    static constexpr std::int64_t kUsersRoot = 3;

    // The current time as a FILETIME count (100 ns since 1601-01-01 UTC).
    static std::int64_t Now();

    RegistryDatabase() = default;
    ~RegistryDatabase();
    RegistryDatabase(const RegistryDatabase&) = delete;
    RegistryDatabase& operator=(const RegistryDatabase&) = delete;

    // Makes sure the connection is open on the database of the current platform root.
    // ERROR_SUCCESS, or the registry error of an unusable file.
    LONG Ensure();
    // Changes whenever the connection moves to another file: handles of an older generation
    // are no longer valid.
    std::uint64_t Generation() const { return m_generation; }
    const std::filesystem::path& Path() const { return m_path; }

    // A cached prepared statement (sql must be a string literal: it is the cache key).
    SqliteStatement Prepare(const char* sql);
    void Exec(const char* sql);
    // Throws DatabaseError for an SQLite failure code.
    void Check(int rc);
    // The registry error for an SQLite result code (reporting corruption on stderr once).
    LONG Translate(int rc);

    // Transaction nesting: the outermost level is a real transaction (BEGIN IMMEDIATE for
    // writers, so that waiting for the lock happens up front), inner levels are savepoints.
    void Begin(bool write);
    void Commit();
    void Rollback();
    int Depth() const { return m_depth; }

    // Changes whenever the database may have changed: a commit by another connection, or any
    // write (committed or not) through this one. Cached enumerations compare it.
    struct Stamp {
        std::uint64_t generation = 0;
        std::int64_t dataVersion = -1;
        std::uint64_t local = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp CurrentStamp();

private:
    enum class FileState { Fresh, Ours };

    LONG Open();
    LONG Classify(sqlite3* db, FileState& state);
    void CreateSchema();
    bool IsTruncated() const;
    void Close(bool abandon);
    void Report(LONG code, const std::string& message);
    // Marks the file damaged (for every process) and stops writing into it and reading its
    // damaged tables. Without `tables`, a check of the file tells which they are.
    void MarkDamaged(const std::string& what, std::set<std::string> tables = {});
    // Takes up a mark that another process (or an earlier run) left.
    void HonourMark();
    // No transaction and no checkpoint of the log writes into the file any more.
    void StopWriting();

    sqlite3* m_db = nullptr;
    std::filesystem::path m_path;
    pid_t m_pid = 0;
    std::uint64_t m_generation = 0;
    std::unordered_map<std::string, std::uint64_t> m_generations; // per database path
    int m_depth = 0;
    bool m_writing = false; // the outermost transaction writes
    bool m_corrupt = false; // corruption seen in this file: no more writes
    std::set<std::string> m_damagedTables; // and no reads of these
    std::uint64_t m_localChanges = 0;
    std::unordered_map<const char*, struct sqlite3_stmt*> m_statements;
    std::set<std::string> m_reported;
};

} // namespace platform::registry
