// A prepared statement of the registry database, reset when the object goes out of scope so
// that a cached statement can be used again. Failures throw DatabaseError.
#pragma once

#include "base/WinTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace platform::registry {

class RegistryDatabase;

class SqliteStatement {
public:
    SqliteStatement(RegistryDatabase& db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& BindBlob(int index, std::span<const BYTE> data);

    // Advances to the next row: true when there is one, false at the end.
    bool Step();
    // Runs a statement that returns no rows.
    void Run();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::vector<BYTE> Blob(int column) const;

private:
    RegistryDatabase& m_db;
    sqlite3_stmt* m_stmt;
};

} // namespace platform::registry
