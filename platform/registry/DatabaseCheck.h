// SQLite's integrity check of a database file (the registry's or a message store's), on a
// read-only connection of its own: nothing is written and no log is checkpointed. When the file
// is damaged, each table is checked on its own as well, to tell which tables hold the damage.
//
// RefuseReads then keeps a connection from reading those tables: a damaged table may read as
// if it held fewer rows than it does, and a listing cut short must fail, not pass for whole.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

struct sqlite3;

namespace platform::registry {

struct DatabaseProblem {
    std::string table; // the damaged table ("" when it cannot be told)
    std::string text;  // SQLite's words
};

class __attribute__((visibility("default"))) DatabaseCheck {
public:
    // Every table, where the damaged tables cannot be told apart.
    static constexpr const char* kAllTables = "*";

    bool database = false; // the file begins as an SQLite database does (else it is another kind of file)
    bool opened = false;   // false: the file could not be read at all (problems or unfinished say why)
    // Why the check could not run to its end for a reason that is no damage (the file busy for
    // too long, out of memory, an input/output error); "" when it did. Nothing is then known.
    std::string unfinished;
    std::vector<DatabaseProblem> problems; // damage found; none: no damage seen
    std::set<std::string> damagedTables;   // the tables with problems, or kAllTables

    bool Intact() const { return opened && unfinished.empty() && problems.empty(); }
    bool Damaged() const { return !problems.empty(); }
    // The problems as one line each ("<table>: <text>", or the text alone).
    std::vector<std::string> Lines() const;

    // At most maxProblems problems are gathered. quick: the structural check alone (SQLite's
    // quick_check, about two thirds of the time), without comparing indexes with their tables.
    static DatabaseCheck Run(const std::filesystem::path& file, bool quick = false, int maxProblems = 100);

    // From now on the connection prepares no statement that reads one of `tables` (kAllTables:
    // any table); statements prepared already are prepared again when next run, and fail with
    // SQLITE_AUTH. The set must live as long as the connection.
    static void RefuseReads(sqlite3* db, const std::set<std::string>* tables);
};

} // namespace platform::registry
