#include "registry/DatabaseCheck.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace platform::registry {

namespace {

// SQLite results that mean damage, as opposed to a file that is busy or cannot be read now.
bool IsDamage(int rc)
{
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_FORMAT;
}

// The lines of one integrity check ("" as the table: the whole file). A check cut short by
// damage adds SQLite's error; one cut short for another reason sets `unfinished`.
std::vector<std::string> CheckLines(sqlite3* db, const std::string& table, bool quick, int maxProblems,
                                    std::string& unfinished)
{
    std::string sql = quick ? "PRAGMA quick_check" : "PRAGMA integrity_check";
    if (!table.empty()) {
        std::string quoted;
        for (const char c : table)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        sql += "(\"" + quoted + "\")";
    } else {
        sql += "(" + std::to_string(maxProblems) + ")";
    }
    std::vector<std::string> lines;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            const std::string row = text ? text : "";
            // One row may hold several problems, one a line.
            std::size_t start = 0;
            for (;;) {
                const auto end = row.find('\n', start);
                const std::string one = row.substr(start, end == std::string::npos ? std::string::npos : end - start);
                if (!one.empty() && one != "ok" && one.rfind("*** in database", 0) != 0)
                    lines.push_back(one);
                if (end == std::string::npos)
                    break;
                start = end + 1;
            }
        }
    }
    if (rc != SQLITE_DONE) {
        if (IsDamage(rc))
            lines.push_back(sqlite3_errmsg(db));
        else if (unfinished.empty())
            unfinished = sqlite3_errmsg(db);
    }
    sqlite3_finalize(st);
    return lines;
}

int RefuseDamaged(void* arg, int action, const char* table, const char*, const char*, const char*)
{
    if (action != SQLITE_READ || !table)
        return SQLITE_OK;
    const auto& damaged = *static_cast<const std::set<std::string>*>(arg);
    const std::string name = table;
    if (name == "sqlite_master" || name == "sqlite_schema" || name == "sqlite_temp_master")
        return SQLITE_OK;
    return damaged.count(name) || damaged.count(DatabaseCheck::kAllTables) ? SQLITE_DENY : SQLITE_OK;
}

} // namespace

std::vector<std::string> DatabaseCheck::Lines() const
{
    std::vector<std::string> lines;
    for (const auto& p : problems)
        lines.push_back(p.table.empty() ? p.text : p.table + ": " + p.text);
    return lines;
}

DatabaseCheck DatabaseCheck::Run(const std::filesystem::path& file, bool quick, int maxProblems)
{
    DatabaseCheck result;
    // The file is read only through SQLite: this process may have it open already, and closing a
    // descriptor of its own on the file would drop the locks that SQLite holds on it.
    sqlite3* db = nullptr;
    if (const int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        rc != SQLITE_OK) {
        const std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        if (IsDamage(rc)) {
            result.problems.push_back({"", why});
            result.damagedTables.insert(kAllTables);
        } else {
            result.unfinished = why;
        }
        sqlite3_close(db);
        return result;
    }
    {
        sqlite3_file* handle = nullptr;
        char header[16] = {};
        if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &handle) != SQLITE_OK || !handle ||
            !handle->pMethods) {
            result.unfinished = "the file cannot be read";
            sqlite3_close(db);
            return result;
        }
        const int rc = handle->pMethods->xRead(handle, header, sizeof header, 0);
        if ((rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) ) {
            result.unfinished = sqlite3_errstr(rc);
            sqlite3_close(db);
            return result;
        }
        if (rc == SQLITE_IOERR_SHORT_READ || std::memcmp(header, "SQLite format 3", 16) != 0) {
            result.problems.push_back({"", "not an SQLite database"});
            sqlite3_close(db);
            return result;
        }
        result.database = true;
    }
    result.opened = true;
    sqlite3_busy_timeout(db, 10000);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_exec(db, "PRAGMA query_only=1", nullptr, nullptr, nullptr);

    const std::vector<std::string> whole = CheckLines(db, "", quick, maxProblems, result.unfinished);
    if (!whole.empty()) {
        // Each table on its own, to tell where the damage lies.
        std::vector<std::string> tables;
        sqlite3_stmt* st = nullptr;
        bool listed = sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st,
                                         nullptr) == SQLITE_OK;
        int rc = SQLITE_DONE;
        while (listed && (rc = sqlite3_step(st)) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        listed = listed && rc == SQLITE_DONE;
        sqlite3_finalize(st);
        std::vector<std::string> seen;
        for (const auto& table : listed ? tables : std::vector<std::string>()) {
            for (const auto& line : CheckLines(db, table, quick, maxProblems, result.unfinished)) {
                result.damagedTables.insert(table);
                if (static_cast<int>(result.problems.size()) < maxProblems)
                    result.problems.push_back({table, line});
                seen.push_back(line);
            }
        }
        // What the whole file's check found beyond the tables (pages lost from every tree).
        for (const auto& line : whole)
            if (std::find(seen.begin(), seen.end(), line) == seen.end() &&
                static_cast<int>(result.problems.size()) < maxProblems)
                result.problems.push_back({"", line});
        if (result.damagedTables.empty())
            result.damagedTables.insert(kAllTables);
    }
    sqlite3_close(db);
    return result;
}

void DatabaseCheck::RefuseReads(sqlite3* db, const std::set<std::string>* tables)
{
    // Setting the authorizer also expires the statements prepared so far.
    sqlite3_set_authorizer(db, RefuseDamaged, const_cast<std::set<std::string>*>(tables));
}

} // namespace platform::registry
