#include "registry/RegistryDatabase.h"

#include "base/Clock.h"
#include "base/DamageMark.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"
#include "registry/DatabaseCheck.h"
#include "registry/DatabaseError.h"
#include "registry/KeyName.h"
#include "registry/Registry.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <thread>
#include <algorithm>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform::registry {

namespace {

// Marks a database file as ours (SQLite header field "application id": "REG1").
constexpr int kApplicationId = 0x52454731;
constexpr int kFormatVersion = 1;
constexpr int kBusyTimeoutMs = 10000;
// A registry up to this size is checked whole (SQLite's structural check) each time a process
// opens it, in a few milliseconds: damage is then found before anything is read from it or
// written into it.
constexpr std::uintmax_t kCheckedOnOpen = 4u << 20;

} // namespace

std::int64_t RegistryDatabase::Now()
{
    // The platform's clock, so that tests that fix the time also fix last-write times.
    return static_cast<std::int64_t>(ActiveClock()->utcNow());
}

namespace {

std::string Describe(LONG code)
{
    switch (code) {
    case ERROR_BADDB:
        return "not a registry database";
    case ERROR_REGISTRY_CORRUPT:
        return "The configuration registry database is corrupt.";
    case ERROR_CANTOPEN:
        return "the registry database cannot be opened";
    case ERROR_REGISTRY_IO_FAILED:
        return "input/output error on the registry database";
    default:
        return "registry database error " + std::to_string(code);
    }
}

} // namespace

RegistryDatabase::~RegistryDatabase()
{
    Close(false);
}

void RegistryDatabase::Close(bool abandon)
{
    if (!m_db)
        return;
    if (abandon) {
        // A connection inherited through fork() belongs to the parent: closing it here could
        // disturb the parent's file locks. It is left alone.
        m_statements.clear();
        m_db = nullptr;
        m_depth = 0;
        return;
    }
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    m_statements.clear();
    sqlite3_close(m_db);
    m_db = nullptr;
    m_depth = 0;
}

void RegistryDatabase::Report(LONG code, const std::string& message)
{
    const std::string key = m_path.string() + '\n' + std::to_string(code);
    if (!m_reported.insert(key).second)
        return;
    if (code == ERROR_REGISTRY_CORRUPT)
        std::fprintf(stderr, "registry: %s: %s Found: %s. It is no longer written; replace it with a good copy.\n",
                     m_path.c_str(), Describe(code).c_str(), message.c_str());
    else
        std::fprintf(stderr, "registry: %s: %s (%s); the file is left as it is\n", m_path.c_str(),
                     Describe(code).c_str(), message.c_str());
    std::fflush(stderr);
}

void RegistryDatabase::StopWriting()
{
    if (!m_db)
        return;
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_wal_autocheckpoint(m_db, 0);
    // A damaged table may read as if it had fewer rows: reading it fails instead.
    DatabaseCheck::RefuseReads(m_db, &m_damagedTables);
}

void RegistryDatabase::MarkDamaged(const std::string& what, std::set<std::string> tables)
{
    if (tables.empty())
        tables = DatabaseCheck::Run(m_path).damagedTables;
    if (tables.empty())
        tables = {DatabaseCheck::kAllTables}; // SQLite met damage that its check cannot place
    m_corrupt = true;
    m_damagedTables = tables;
    platform::DamageMark::Mark(m_path, what, tables);
    StopWriting();
    Report(ERROR_REGISTRY_CORRUPT, what);
}

void RegistryDatabase::HonourMark()
{
    m_corrupt = true;
    m_damagedTables = platform::DamageMark::Parts(m_path);
    StopWriting();
    Report(ERROR_REGISTRY_CORRUPT, "found damaged before: " + platform::DamageMark::Reason(m_path) + "; see " +
                                       platform::DamageMark::PathOf(m_path).string());
}

LONG RegistryDatabase::Translate(int rc)
{
    LONG code = ERROR_REGISTRY_IO_FAILED;
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_AUTH:
        // The reads of a damaged table are refused.
        return m_corrupt ? ERROR_REGISTRY_CORRUPT : ERROR_ACCESS_DENIED;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return ERROR_ACCESS_DENIED;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    case SQLITE_NOTADB:
        code = ERROR_BADDB;
        break;
    case SQLITE_CORRUPT:
    case SQLITE_SCHEMA:
    case SQLITE_MISMATCH:
        code = ERROR_REGISTRY_CORRUPT;
        break;
    case SQLITE_CANTOPEN:
        code = ERROR_CANTOPEN;
        break;
    default:
        code = ERROR_REGISTRY_IO_FAILED;
        break;
    }
    const std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
    if (code == ERROR_REGISTRY_CORRUPT)
        MarkDamaged(message);
    else
        Report(code, message);
    return code;
}

void RegistryDatabase::Check(int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    throw DatabaseError(Translate(rc));
}

LONG RegistryDatabase::Ensure()
{
    if (m_db && m_depth > 0)
        return ERROR_SUCCESS; // never switch files inside a transaction
    fs::path path;
    try {
        path = RootDirectory() / "registry.db";
    } catch (const std::exception&) {
        return ERROR_CANTOPEN;
    }
    const pid_t pid = getpid();
    if (m_db && path == m_path && pid == m_pid)
        return ERROR_SUCCESS;
    Close(m_db && pid != m_pid);
    if (path != m_path) {
        // Handles stay valid when a process comes back to a database it used before.
        const auto [it, added] = m_generations.try_emplace(path.string(), m_generations.size() + 1);
        m_generation = it->second;
        m_path = path;
        m_corrupt = false;
        m_damagedTables.clear();
    }
    m_pid = pid;
    // Setting a new file up (or switching it to WAL) can meet another process doing the same
    // and get SQLITE_BUSY without the busy handler being asked; such an open is tried again.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (int attempt = 0;; ++attempt) {
        const LONG rc = Open();
        if (rc != ERROR_BUSY || std::chrono::steady_clock::now() >= deadline)
            return rc;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(5 + 5 * attempt, 50)));
    }
}

LONG RegistryDatabase::Classify(sqlite3* db, FileState& state)
{
    int appId = 0;
    int version = 0;
    int tables = 0;
    bool haveKeys = false;
    bool haveValues = false;
    auto query = [&](const char* sql, auto&& onRow) -> int {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            return rc;
        }
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            onRow(stmt);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    };
    // All three reads in one snapshot: another process may be setting the file up right now.
    const bool ownTransaction = sqlite3_get_autocommit(db) != 0;
    int rc = ownTransaction ? sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) : SQLITE_OK;
    if (rc == SQLITE_OK)
        rc = query("PRAGMA application_id", [&](sqlite3_stmt* s) { appId = sqlite3_column_int(s, 0); });
    if (rc == SQLITE_OK)
        rc = query("PRAGMA user_version", [&](sqlite3_stmt* s) { version = sqlite3_column_int(s, 0); });
    if (rc == SQLITE_OK)
        rc = query("SELECT name FROM sqlite_master", [&](sqlite3_stmt* s) {
            ++tables;
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            const std::string n = name ? name : "";
            haveKeys = haveKeys || n == "keys";
            haveValues = haveValues || n == "vals";
        });
    if (ownTransaction)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return Translate(rc);
    if (appId == kApplicationId) {
        if (version > kFormatVersion) {
            Report(ERROR_BADDB, "written by a newer version of the registry, format " + std::to_string(version));
            return ERROR_BADDB;
        }
        if (!haveKeys || !haveValues) {
            Report(ERROR_REGISTRY_CORRUPT, "tables of the registry are missing");
            return ERROR_REGISTRY_CORRUPT;
        }
        state = FileState::Ours;
        return ERROR_SUCCESS;
    }
    if (appId == 0 && tables == 0) {
        state = FileState::Fresh;
        return ERROR_SUCCESS;
    }
    Report(ERROR_BADDB, "an SQLite database of another program");
    return ERROR_BADDB;
}

bool RegistryDatabase::IsTruncated() const
{
    // With a write-ahead log present the main file may lag behind its header (a checkpoint
    // cut short); the log completes it, so only a file without one is judged.
    std::error_code ec;
    const auto walSize = fs::file_size(m_path.string() + "-wal", ec);
    if (!ec && walSize > 0)
        return false;
    std::ifstream in(m_path, std::ios::binary);
    unsigned char header[100] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return false;
    auto be32 = [&](int at) {
        return (std::uint32_t{header[at]} << 24) | (std::uint32_t{header[at + 1]} << 16) |
               (std::uint32_t{header[at + 2]} << 8) | header[at + 3];
    };
    std::uint64_t pageSize = (std::uint32_t{header[16]} << 8) | header[17];
    if (pageSize == 1)
        pageSize = 65536;
    const std::uint32_t pages = be32(28);
    // The page count in the header is only valid when written by the same change as the
    // counter beside it.
    if (pages == 0 || be32(92) != be32(24))
        return false;
    const auto size = fs::file_size(m_path, ec);
    return !ec && size < pageSize * pages;
}

LONG RegistryDatabase::Open()
{
    std::error_code ec;
    const auto status = fs::status(m_path, ec);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status)) {
        Report(ERROR_CANTOPEN, "not a regular file");
        return ERROR_CANTOPEN;
    }
    // A file that exists is first looked at through a read-only connection: nothing that a
    // read-write connection might do on its own (rolling back another program's journal,
    // checkpointing its log on close) may touch a file that turns out not to be ours.
    const auto size = exists ? fs::file_size(m_path, ec) : 0;
    if (exists && size > 0 && !ec) {
        // What is left of a damaged file may still be read, but nothing is written into it.
        if (!m_corrupt && platform::DamageMark::IsMarked(m_path))
            HonourMark();
        else if (!m_corrupt && IsTruncated())
            MarkDamaged("the file is shorter than its header says; it was cut off");
        sqlite3* probe = nullptr;
        int rc = sqlite3_open_v2(m_path.c_str(), &probe, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close(probe);
            return Translate(rc);
        }
        sqlite3_busy_timeout(probe, kBusyTimeoutMs);
        FileState state = FileState::Fresh;
        const LONG result = Classify(probe, state);
        sqlite3_close(probe);
        if (result != ERROR_SUCCESS)
            return result;
        if (state == FileState::Ours && !m_corrupt && size <= kCheckedOnOpen) {
            const DatabaseCheck check = DatabaseCheck::Run(m_path, true);
            if (check.Damaged())
                MarkDamaged(check.Lines().empty() ? std::string("the check on open failed") : check.Lines().front(),
                            check.damagedTables);
        }
    }

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return Translate(rc);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    m_db = db;
    try {
        FileState state = FileState::Fresh;
        if (const LONG result = Classify(db, state); result != ERROR_SUCCESS) {
            Close(false);
            return result;
        }
        if (state == FileState::Fresh) {
            // A new registry in the place of a damaged one: the old file's mark is void.
            platform::DamageMark::Clear(m_path);
            Exec("PRAGMA journal_mode=WAL");
            Begin(true);
            try {
                // Another process may have set the file up while this one waited for the lock.
                if (Classify(db, state) != ERROR_SUCCESS) {
                    Rollback();
                    Close(false);
                    return ERROR_BADDB;
                }
                if (state == FileState::Fresh)
                    CreateSchema();
                Commit();
            } catch (...) {
                Rollback();
                throw;
            }
        }
        if (m_corrupt) {
            StopWriting();
        } else {
            Exec("PRAGMA journal_mode=WAL");
            Exec("PRAGMA synchronous=NORMAL");
        }
    } catch (const DatabaseError& e) {
        Close(false);
        return e.code();
    }
    return ERROR_SUCCESS;
}

void RegistryDatabase::CreateSchema()
{
    Exec("CREATE TABLE keys("
         " id INTEGER PRIMARY KEY AUTOINCREMENT,"
         " parent INTEGER NOT NULL,"
         " name TEXT NOT NULL,"
         " fold TEXT NOT NULL,"
         " class TEXT NOT NULL DEFAULT '',"
         " mtime INTEGER NOT NULL)");
    Exec("CREATE UNIQUE INDEX keys_child ON keys(parent, fold)");
    Exec("CREATE TABLE vals("
         " key INTEGER NOT NULL,"
         " name TEXT NOT NULL,"
         " fold TEXT NOT NULL,"
         " type INTEGER NOT NULL,"
         " data BLOB NOT NULL,"
         " PRIMARY KEY(key, fold)) WITHOUT ROWID");
    const std::int64_t now = Now();
    auto add = [&](std::int64_t id, std::int64_t parent, std::string_view name) {
        Prepare("INSERT INTO keys(id, parent, name, fold, mtime) VALUES(?, ?, ?, ?, ?)")
            .Bind(1, id)
            .Bind(2, parent)
            .Bind(3, name)
            .Bind(4, KeyName::Fold(name))
            .Bind(5, now)
            .Run();
    };
    add(kMachineRoot, 0, "HKEY_LOCAL_MACHINE");
    add(kUserRoot, 0, "HKEY_CURRENT_USER");
    add(kUsersRoot, 0, "HKEY_USERS");
    add(4, kMachineRoot, "Software");
    add(5, 4, "Classes");
    add(6, kUserRoot, "Software");
    add(7, 6, "Classes");
    add(8, kUsersRoot, ".DEFAULT");
    Exec("PRAGMA application_id=1380271921"); // kApplicationId
    Exec("PRAGMA user_version=1");            // kFormatVersion
    static_assert(kApplicationId == 1380271921 && kFormatVersion == 1);
}

RegistryDatabase::Stamp RegistryDatabase::CurrentStamp()
{
    Stamp stamp;
    stamp.generation = m_generation;
    stamp.local = m_localChanges;
    auto s = Prepare("PRAGMA data_version");
    if (s.Step())
        stamp.dataVersion = s.Int(0);
    return stamp;
}

SqliteStatement RegistryDatabase::Prepare(const char* sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            Check(rc);
        }
        it = m_statements.emplace(sql, stmt).first;
    }
    return SqliteStatement(*this, it->second);
}

void RegistryDatabase::Exec(const char* sql)
{
    Check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

void RegistryDatabase::Begin(bool write)
{
    // Once corruption has shown, here or in another process, the file is only read: writing
    // into a damaged file could spread the damage over data that is still intact.
    if (write && m_depth == 0 && !m_corrupt && platform::DamageMark::IsMarked(m_path))
        HonourMark();
    if (write && m_depth == 0 && m_corrupt)
        throw DatabaseError(ERROR_REGISTRY_CORRUPT);
    if (write)
        ++m_localChanges;
    if (m_depth == 0)
        m_writing = write;
    Exec(m_depth == 0 ? (write ? "BEGIN IMMEDIATE" : "BEGIN") : "SAVEPOINT nested");
    ++m_depth;
}

void RegistryDatabase::Commit()
{
    if (m_depth == 1 && m_writing && m_corrupt) {
        // Damage met inside the transaction: none of it is kept.
        Rollback();
        throw DatabaseError(ERROR_REGISTRY_CORRUPT);
    }
    Exec(m_depth == 1 ? "COMMIT" : "RELEASE nested");
    --m_depth;
}

void RegistryDatabase::Rollback()
{
    if (m_depth == 0 || !m_db)
        return;
    ++m_localChanges;
    // Errors of a rollback change nothing for the caller: the transaction is gone either way.
    sqlite3_exec(m_db, m_depth == 1 ? "ROLLBACK" : "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
    --m_depth;
}

} // namespace platform::registry
