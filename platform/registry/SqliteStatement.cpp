#include "registry/SqliteStatement.h"

#include "registry/RegistryDatabase.h"

#include <sqlite3.h>

namespace platform::registry {

SqliteStatement::~SqliteStatement()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value)
{
    m_db.Check(sqlite3_bind_int64(m_stmt, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text)
{
    // An empty view may have no data pointer; NULL is not empty text.
    const char* p = text.data() ? text.data() : "";
    m_db.Check(sqlite3_bind_text(m_stmt, index, p, static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::span<const BYTE> data)
{
    // A zero-length blob must still be a blob (not NULL): the column is NOT NULL.
    static const BYTE empty = 0;
    const void* p = data.empty() ? &empty : data.data();
    m_db.Check(sqlite3_bind_blob(m_stmt, index, p, static_cast<int>(data.size()), SQLITE_TRANSIENT));
    return *this;
}

bool SqliteStatement::Step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    m_db.Check(rc);
    return false;
}

void SqliteStatement::Run()
{
    while (Step()) {
    }
}

std::int64_t SqliteStatement::Int(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string SqliteStatement::Text(int column) const
{
    const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    return p ? std::string(p, static_cast<std::size_t>(n)) : std::string();
}

std::vector<BYTE> SqliteStatement::Blob(int column) const
{
    const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>();
}

} // namespace platform::registry
