#include "mapi/StoreFile.h"

#include "mapi/LogCheckpointer.h"
#include "mapi/Notifier.h"

#include "mapi/MapiCodes.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"
#include "base/DamageMark.h"
#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/WinTime.h"
#include "registry/DatabaseCheck.h"

#include <sqlite3.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <random>

namespace mapi {

namespace {

constexpr const char* kFormat = "platform-mapi-store";
// 2: values of kOutOfLine bytes and more lie in their own table (bigvalues), so that the
// properties' tree holds only small values and a scan of a folder's keys reads few pages. A
// file of version 1 is read as it is and gets the table when first opened for writing.
constexpr int kSchemaVersion = 2;
constexpr std::size_t kOutOfLine = 256;
// From this size on a value is written and read in pieces, never whole in SQLite's memory.
constexpr std::size_t kStreamedFrom = 1u << 20;
constexpr std::size_t kStreamPiece = 1u << 20;
// Readers that want at most this many properties have the others filtered out by SQLite.
constexpr std::size_t kFilteredUpTo = 24;
// Room made at once in an object's properties for as many as a reader wants, up to this many.
constexpr std::size_t kReservedUpTo = 4;
// A store up to this size is checked whole (SQLite's structural check) when a process opens it,
// in a few milliseconds, so that damage shows before anything is read from it; a larger one is
// not, to keep its open fast, and is checked by "mapiadmin store check".
constexpr std::uintmax_t kCheckedOnOpen = 4u << 20;

// A statement from the file's statement cache: reset, not finalized, when done with.
struct Stmt {
    sqlite3_stmt* s = nullptr;
    ~Stmt()
    {
        if (s) {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    }
    operator sqlite3_stmt*() const { return s; }
};

std::mutex& OpenFilesMutex()
{
    static std::mutex m;
    return m;
}
std::map<std::string, std::weak_ptr<StoreFile>>& OpenFiles()
{
    static std::map<std::string, std::weak_ptr<StoreFile>> files;
    return files;
}

std::string FileKey(const std::filesystem::path& path)
{
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(path, ec);
    return (ec ? std::filesystem::absolute(path) : canonical).string();
}

HRESULT ResultOf(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return S_OK;
    case SQLITE_NOMEM:
        return MAPI_E_NOT_ENOUGH_MEMORY;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return MAPI_E_BUSY;
    case SQLITE_FULL:
        return MAPI_E_NOT_ENOUGH_DISK;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        return MAPI_E_CORRUPT_STORE;
    case SQLITE_CANTOPEN:
        return MAPI_E_NOT_FOUND;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return MAPI_E_NO_ACCESS;
    case SQLITE_IOERR:
        return MAPI_E_DISK_ERROR;
    default:
        return MAPI_E_CALL_FAILED;
    }
}

GUID NewGuid()
{
    static std::mutex m;
    static std::random_device rd;
    static std::mt19937_64 gen(rd() ^ (std::uint64_t(rd()) << 32) ^
                               std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::lock_guard lock(m);
    GUID g;
    std::uint64_t a = gen(), b = gen();
    std::memcpy(&g, &a, 8);
    std::memcpy(reinterpret_cast<char*>(&g) + 8, &b, 8);
    g.Data3 = static_cast<WORD>((g.Data3 & 0x0FFF) | 0x4000);
    g.Data4[0] = static_cast<BYTE>((g.Data4[0] & 0x3F) | 0x80);
    return g;
}

void PutLE(Bytes& out, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace

const MAPIUID& ProviderUidOf(StoreKind kind)
{
    switch (kind) {
    case StoreKind::PrivateMailbox:
        return kPrivateMailboxProvider;
    case StoreKind::DelegateMailbox:
        return kDelegateMailboxProvider;
    case StoreKind::PublicFolders:
        return kPublicFoldersProvider;
    default:
        return kPersonalStoreProvider;
    }
}

std::optional<StoreKind> KindOfProvider(const BYTE* uid, std::size_t cb)
{
    if (cb < 16)
        return std::nullopt;
    for (StoreKind k : {StoreKind::Personal, StoreKind::PrivateMailbox, StoreKind::DelegateMailbox,
                        StoreKind::PublicFolders}) {
        if (std::memcmp(ProviderUidOf(k).ab, uid, 16) == 0)
            return k;
    }
    return std::nullopt;
}

std::int64_t CurrentFileTime()
{
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return static_cast<std::int64_t>(platform::FileTimeToUInt64(ft));
}

StoreFile::~StoreFile()
{
    m_checkpointer.reset(); // before the file's connection, which then makes the last checkpoint
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    sqlite3_finalize(m_dataVersion);
    if (m_db)
        sqlite3_close_v2(m_db);
}

HRESULT StoreFile::FromSqlite(int rc)
{
    const int primary = rc & 0xFF;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        MarkDamaged(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
    // A write or a read refused because the file is damaged is reported as what it is.
    if ((primary == SQLITE_READONLY || primary == SQLITE_AUTH) && m_damaged)
        return MAPI_E_CORRUPT_STORE;
    return ResultOf(rc);
}

void StoreFile::StopWriting()
{
    if (!m_db)
        return;
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_wal_autocheckpoint(m_db, 0); // takes the checkpointer's hook off too
    if (m_checkpointer)
        m_checkpointer->Stop();
    sqlite3_exec(m_db, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
    // A damaged table may read as if it had fewer rows: reading it fails instead.
    platform::registry::DatabaseCheck::RefuseReads(m_db, &m_damagedTables);
}

void StoreFile::MarkDamaged(const std::string& what, std::set<std::string> tables)
{
    std::lock_guard lock(m_mutex);
    if (m_damaged)
        return;
    // Which tables are damaged: a whole check, once, when the damage shows.
    m_damagedTables = tables.empty() ? platform::registry::DatabaseCheck::Run(m_path).damagedTables : tables;
    if (m_damagedTables.empty())
        m_damagedTables = {platform::registry::DatabaseCheck::kAllTables};
    m_damaged = true;
    platform::DamageMark::Mark(m_path, what, m_damagedTables);
    StopWriting();
}

bool StoreFile::TakeUpMark()
{
    std::lock_guard lock(m_mutex);
    if (m_damaged)
        return true;
    if (!platform::DamageMark::IsMarked(m_path))
        return false;
    m_damagedTables = platform::DamageMark::Parts(m_path);
    m_damaged = true;
    StopWriting();
    return true;
}

HRESULT StoreFile::Exec(const char* sql)
{
    char* err = nullptr;
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &err);
    sqlite3_free(err);
    return FromSqlite(rc);
}

HRESULT StoreFile::Run(const char* sql)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare(sql, &st.s);
    if (FAILED(hr))
        return hr;
    const int rc = sqlite3_step(st);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::Prepare(const char* sql, sqlite3_stmt** stmt)
{
    // Statements are prepared once per file: parsing SQL would cost more than most of the work.
    std::lock_guard lock(m_mutex);
    auto it = m_statements.find(sql);
    if (it != m_statements.end()) {
        *stmt = it->second;
        return S_OK;
    }
    HRESULT hr = FromSqlite(sqlite3_prepare_v2(m_db, sql, -1, stmt, nullptr));
    if (SUCCEEDED(hr))
        m_statements.emplace(sql, *stmt);
    return hr;
}

HRESULT StoreFile::OpenDb(const std::filesystem::path& path, bool create)
{
    m_path = path;
    // Every use of the connection holds m_mutex, so SQLite need not lock it again on each call.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        return ResultOf(rc);
    sqlite3_busy_timeout(m_db, 15000);
    sqlite3_extended_result_codes(m_db, 0);
    return S_OK;
}

HRESULT StoreFile::ReadMeta()
{
    // Only reads until the file is known to be a store: a foreign file is left as it was.
    struct Owned {
        sqlite3_stmt* s = nullptr;
        ~Owned() { sqlite3_finalize(s); }
        operator sqlite3_stmt*() const { return s; }
    } st;
    if (sqlite3_prepare_v2(m_db, "SELECT key, value FROM meta", -1, &st.s, nullptr) != SQLITE_OK)
        return MAPI_E_CORRUPT_STORE;
    bool format = false, guid = false, kind = false;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::string key = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        if (key == "format") {
            const char* v = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            format = v && std::strcmp(v, kFormat) == 0;
        } else if (key == "version") {
            m_version = sqlite3_column_int(st, 1);
            if (m_version > kSchemaVersion)
                return MAPI_E_VERSION;
        } else if (key == "guid") {
            if (sqlite3_column_bytes(st, 1) != 16)
                return MAPI_E_CORRUPT_STORE;
            std::memcpy(&m_guid, sqlite3_column_blob(st, 1), 16);
            guid = true;
        } else if (key == "kind") {
            int k = sqlite3_column_int(st, 1);
            if (k < 0 || k > 3)
                return MAPI_E_CORRUPT_STORE;
            m_kind = static_cast<StoreKind>(k);
            kind = true;
        }
    }
    if (rc != SQLITE_DONE) {
        FromSqlite(rc); // damage inside the file marks it
        return MAPI_E_CORRUPT_STORE;
    }
    if (!format || !guid || !kind)
        return MAPI_E_CORRUPT_STORE;
    return S_OK;
}

HRESULT StoreFile::Open(const std::filesystem::path& relative, std::shared_ptr<StoreFile>& out)
{
    std::error_code absEc;
    const std::filesystem::path path = std::filesystem::absolute(relative, absEc); // entry IDs carry the full path
    std::lock_guard lock(OpenFilesMutex());
    const std::string key = FileKey(path);
    if (auto existing = OpenFiles()[key].lock()) {
        out = existing;
        return S_OK;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return MAPI_E_NOT_FOUND;
    {
        std::ifstream probe(path, std::ios::binary);
        if (!probe)
            return MAPI_E_NO_ACCESS;
        char header[16] = {};
        probe.read(header, sizeof header);
        if (probe.gcount() != 16 || std::memcmp(header, "SQLite format 3", 16) != 0)
            return MAPI_E_CORRUPT_STORE;
    }
    // The check runs before this process holds a connection to the file (it reads the file only
    // through SQLite, but the header probe above must stay before it too): closing any other
    // descriptor of a file drops the process's locks on it, and without its shared lock another
    // process takes this connection for gone and resets the log under it.
    std::optional<platform::registry::DatabaseCheck> check;
    if (!platform::DamageMark::IsMarked(path) && std::filesystem::file_size(path, ec) <= kCheckedOnOpen && !ec)
        check = platform::registry::DatabaseCheck::Run(path, true);
    std::shared_ptr<StoreFile> file(new StoreFile());
    HRESULT hr = file->OpenDb(path, false);
    if (FAILED(hr))
        return hr == MAPI_E_NOT_FOUND ? MAPI_E_NO_ACCESS : hr;
    // A damaged file stays as it is: no log checkpoint, no change of its journal.
    const bool marked = file->TakeUpMark();
    hr = file->ReadMeta();
    if (FAILED(hr))
        return hr;
    if (!marked && check && check->database && check->Damaged())
        file->MarkDamaged(check->Lines().front(), check->damagedTables);
    // cell_size_check lets every read see more kinds of damage (at no noticeable cost), so a
    // damaged table fails instead of listing part of its rows. A commit reaches the log without
    // waiting for the disk (synchronous NORMAL: a killed process loses nothing committed, a
    // power cut at most the last commits, never the file's consistency); the log is copied into
    // the file by a thread of its own (LogCheckpointer), so commits do not wait for its long
    // flushes to the disk.
    if (file->damaged())
        hr = file->Exec("PRAGMA foreign_keys=OFF; PRAGMA cell_size_check=ON;");
    else
        hr = file->Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                        " PRAGMA foreign_keys=OFF;"
                        " PRAGMA cell_size_check=ON;");
    if (FAILED(hr))
        return hr;
    if (!file->damaged()) {
        file->m_checkpointer = std::make_unique<LogCheckpointer>(path);
        file->m_checkpointer->Attach(file->m_db);
    }
    if (!file->damaged() && file->m_version < kSchemaVersion)
        file->Upgrade(); // a file that cannot be written now stays readable as it is
    OpenFiles()[key] = file;
    out = std::move(file);
    return S_OK;
}

void StoreFile::Upgrade()
{
    Transaction tx(*this);
    if (FAILED(tx.Begin()) ||
        FAILED(Run("CREATE TABLE IF NOT EXISTS bigvalues(id INTEGER PRIMARY KEY, value BLOB NOT NULL)")) ||
        FAILED(Run("UPDATE meta SET value = 2 WHERE key = 'version'")) || FAILED(tx.Commit()))
        return;
    m_version = kSchemaVersion;
}

HRESULT StoreFile::Create(const std::filesystem::path& relative, StoreKind kind, const std::u16string& displayName,
                          std::shared_ptr<StoreFile>& out)
{
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(relative, ec);
    if (std::filesystem::exists(path, ec))
        return MAPI_E_COLLISION;
    if (!std::filesystem::is_directory(path.parent_path(), ec))
        return MAPI_E_NOT_FOUND;
    // Built under a name of this call's own and moved into place only where no file is, so that
    // no half-made store is seen and of two processes making the same store one wins.
    auto temp = path;
    {
        const GUID unique = NewGuid();
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".creating-%d-%08x", static_cast<int>(getpid()),
                      static_cast<unsigned>(unique.Data1));
        temp += suffix;
    }
    {
        StoreFile file;
        HRESULT hr = file.OpenDb(temp, true);
        if (FAILED(hr))
            return hr;
        file.m_guid = NewGuid();
        file.m_kind = kind;
        file.m_version = kSchemaVersion;
        file.m_path = path; // entry IDs name the final path
        hr = file.Exec("PRAGMA journal_mode=DELETE;"
                       "CREATE TABLE meta(key TEXT PRIMARY KEY, value);"
                       // Object numbers are never reused: an old entry ID must not open a newer object.
                       "CREATE TABLE objects(id INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER NOT NULL, parent INTEGER NOT NULL,"
                       " assoc INTEGER NOT NULL DEFAULT 0, num INTEGER NOT NULL DEFAULT 0);"
                       "CREATE INDEX objects_parent ON objects(parent, type, assoc);"
                       // A value of kOutOfLine bytes or more is in bigvalues: its row there is the
                       // integer in props.value (small values are blobs).
                       "CREATE TABLE props(obj INTEGER NOT NULL, tag INTEGER NOT NULL, value BLOB,"
                       " PRIMARY KEY(obj, tag)) WITHOUT ROWID;"
                       "CREATE TABLE bigvalues(id INTEGER PRIMARY KEY, value BLOB NOT NULL);"
                       "CREATE TABLE names(id INTEGER PRIMARY KEY, guid BLOB NOT NULL, kind INTEGER NOT NULL,"
                       " lid INTEGER NOT NULL, name TEXT NOT NULL);"
                       "CREATE UNIQUE INDEX names_key ON names(guid, kind, lid, name);"
                       "CREATE TABLE changes(seq INTEGER PRIMARY KEY AUTOINCREMENT, obj INTEGER NOT NULL,"
                       " parent INTEGER NOT NULL, type INTEGER NOT NULL);"
                       "CREATE INDEX changes_parent ON changes(parent, seq);");
        if (SUCCEEDED(hr))
            hr = file.Populate(displayName);
        for (auto& [sql, stmt] : file.m_statements)
            sqlite3_finalize(stmt);
        file.m_statements.clear();
        sqlite3_close_v2(file.m_db);
        file.m_db = nullptr;
        if (FAILED(hr)) {
            std::filesystem::remove(temp, ec);
            return hr;
        }
    }
    // A mark beside the new file's place belongs to a file that is gone.
    platform::DamageMark::Clear(path);
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        HRESULT hr = error == EEXIST ? MAPI_E_COLLISION : MAPI_E_DISK_ERROR;
        if (error == EINVAL || error == ENOSYS) {
            // A file system without the exclusive rename: a hard link fails just as surely when
            // the name is taken.
            hr = ::link(temp.c_str(), path.c_str()) == 0 ? S_OK : errno == EEXIST ? MAPI_E_COLLISION : MAPI_E_DISK_ERROR;
        }
        std::filesystem::remove(temp, ec);
        if (FAILED(hr))
            return hr;
    }
    return Open(path, out);
}

Bytes StoreFile::StoreEntryId() const
{
    // flags, wrapper uid, version and flag bytes, store identity, provider, a zero byte, then
    // the file's path, so that the entry ID alone finds the store.
    Bytes e(4, '\0');
    e.append(reinterpret_cast<const char*>(kStoreWrapUid.ab), 16);
    e.push_back('\0');
    e.push_back('\0');
    e.append(reinterpret_cast<const char*>(&m_guid), 16);
    e.append(2, '\0');
    e.append(reinterpret_cast<const char*>(ProviderUidOf(m_kind).ab), 16);
    e.push_back('\0');
    e += m_path.string();
    return e;
}

Bytes StoreFile::StoreRecordKey() const { return Bytes(reinterpret_cast<const char*>(&m_guid), 16); }

Bytes StoreFile::EntryIdOf(ULONG type, std::int64_t id) const
{
    if (type == MAPI_STORE)
        return StoreEntryId();
    Bytes e(4, '\0');
    e.append(reinterpret_cast<const char*>(ProviderUidOf(m_kind).ab), 16);
    e.append(reinterpret_cast<const char*>(&m_guid), 16);
    PutLE(e, type, 4);
    PutLE(e, static_cast<std::uint64_t>(id), 8);
    return e;
}

Bytes StoreFile::RecordKeyOf(std::int64_t id) const
{
    if (id == kStoreObjectId)
        return StoreRecordKey();
    Bytes k(reinterpret_cast<const char*>(&m_guid), 8);
    for (int i = 7; i >= 0; --i)
        k.push_back(static_cast<char>((static_cast<std::uint64_t>(id) >> (8 * i)) & 0xFF));
    return k;
}

StoreFile::Transaction::Transaction(StoreFile& file) : m_file(file), m_lock(file.m_mutex) {}

StoreFile::Transaction::~Transaction()
{
    if (m_open)
        m_file.Run("ROLLBACK");
}

StoreFile::ReadTransaction::ReadTransaction(StoreFile& file) : m_file(file), m_lock(file.m_mutex)
{
    if (sqlite3_get_autocommit(m_file.m_db))
        m_open = SUCCEEDED(m_file.Run("BEGIN"));
}

StoreFile::ReadTransaction::~ReadTransaction()
{
    // Nothing was written: ending it cannot fail in a way that loses anything.
    if (m_open && !sqlite3_get_autocommit(m_file.m_db))
        m_file.Run("COMMIT");
}

HRESULT StoreFile::Transaction::Begin()
{
    // A file found damaged, here or by another process, is not written.
    if (m_file.TakeUpMark())
        return MAPI_E_CORRUPT_STORE;
    HRESULT hr = m_file.Run("BEGIN IMMEDIATE");
    m_open = SUCCEEDED(hr);
    return hr;
}

HRESULT StoreFile::Transaction::Commit()
{
    // Damage met inside the transaction: none of it is kept (the destructor rolls back).
    if (m_file.damaged())
        return MAPI_E_CORRUPT_STORE;
    HRESULT hr = m_file.BumpChangeCounter();
    if (SUCCEEDED(hr))
        hr = m_file.Run("COMMIT");
    if (FAILED(hr))
        return hr;
    m_open = false;
    m_file.m_localChanges.fetch_add(1);
    Notifier::Instance().Changed();
    return S_OK;
}

HRESULT StoreFile::BumpChangeCounter()
{
    return Run("INSERT INTO meta(key, value) VALUES('changes', 1)"
               " ON CONFLICT(key) DO UPDATE SET value = value + 1");
}

namespace {

std::atomic<std::uint64_t> g_batch{1};

// A new turn of the calling thread's message loop starts a new batch. Learned by looking, not
// by posting a task for it: a posted task would keep a loop that is otherwise idle busy.
void NewBatchOnNewTurn()
{
    thread_local std::uint64_t seenTurn = 0;
    const std::uint64_t turn = platform::MessageLoop::TurnsOfThisThread();
    if (turn != seenTurn) {
        seenTurn = turn;
        StoreFile::NewBatch();
    }
}

} // namespace

void StoreFile::NewBatch() { g_batch.fetch_add(1); }

std::uint64_t StoreFile::Version()
{
    std::lock_guard lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    NewBatchOnNewTurn();
    const std::uint64_t batch = g_batch.load();
    if (m_externalBatch != batch || now - m_externalAt >= kBatchWindow) {
        if (!m_dataVersion)
            sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &m_dataVersion, nullptr);
        if (m_dataVersion) {
            if (sqlite3_step(m_dataVersion) == SQLITE_ROW)
                m_external = static_cast<std::uint64_t>(sqlite3_column_int64(m_dataVersion, 0));
            sqlite3_reset(m_dataVersion);
        }
        m_externalBatch = batch;
        m_externalAt = now;
    }
    return (m_external << 32) ^ m_localChanges.load();
}

HRESULT StoreFile::GetObject(std::int64_t id, ObjectInfo& out)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare("SELECT type, parent, assoc, num FROM objects WHERE id = ?", &st.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(st, 1, id);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        return MAPI_E_NOT_FOUND;
    if (rc != SQLITE_ROW)
        return FromSqlite(rc);
    out.id = id;
    out.type = static_cast<ULONG>(sqlite3_column_int(st, 0));
    out.parent = sqlite3_column_int64(st, 1);
    out.associated = sqlite3_column_int(st, 2) != 0;
    out.num = static_cast<ULONG>(sqlite3_column_int64(st, 3));
    return S_OK;
}

HRESULT StoreFile::LoadProps(std::int64_t id, PropMap& out, const PropIdSet* only)
{
    std::lock_guard lock(m_mutex);
    out.Clear();
    Stmt st;
    HRESULT hr = Prepare("SELECT tag, value FROM props WHERE obj = ? ORDER BY tag", &st.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(st, 1, id);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const ULONG tag = static_cast<ULONG>(sqlite3_column_int64(st, 0));
        if (only && !only->Has(PROP_ID(tag)))
            continue;
        PropValue v;
        if (HRESULT hrValue = ReadValue(st, 1, tag, v); FAILED(hrValue))
            return hrValue;
        out.Append(std::move(v));
    }
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

namespace {
const char* ChildFilter(std::optional<bool> associated)
{
    return associated ? " AND assoc = ?" : "";
}

// Only attachments and recipients are numbered: for other objects the number is not read, so
// that the parent index alone answers and no object row is looked up.
std::string NumColumn(ULONG type, const char* column)
{
    return type == MAPI_ATTACH || type == MAPI_MAILUSER ? column : "0";
}

// Binds "parent = ? AND type = ?" and, with ChildFilter's clause, the associated flag.
void BindChildFilter(sqlite3_stmt* st, std::int64_t parent, ULONG type, std::optional<bool> associated)
{
    sqlite3_bind_int64(st, 1, parent);
    sqlite3_bind_int(st, 2, static_cast<int>(type));
    if (associated)
        sqlite3_bind_int(st, 3, *associated ? 1 : 0);
}
} // namespace

HRESULT StoreFile::Children(std::int64_t parent, ULONG type, std::optional<bool> associated,
                            std::vector<ObjectInfo>& out)
{
    std::lock_guard lock(m_mutex);
    out.clear();
    std::string sql = "SELECT id, assoc, " + NumColumn(type, "num") +
                      " FROM objects WHERE parent = ? AND type = ?";
    sql += ChildFilter(associated);
    sql += " ORDER BY id";
    Stmt st;
    HRESULT hr = Prepare(sql.c_str(), &st.s);
    if (FAILED(hr))
        return hr;
    BindChildFilter(st, parent, type, associated);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ObjectInfo info;
        info.id = sqlite3_column_int64(st, 0);
        info.type = type;
        info.parent = parent;
        info.associated = sqlite3_column_int(st, 1) != 0;
        info.num = static_cast<ULONG>(sqlite3_column_int64(st, 2));
        out.push_back(info);
    }
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::CountChildren(std::int64_t parent, ULONG type, std::optional<bool> associated, ULONG& count)
{
    std::lock_guard lock(m_mutex);
    std::string sql = "SELECT count(*) FROM objects WHERE parent = ? AND type = ?";
    sql += ChildFilter(associated);
    Stmt st;
    HRESULT hr = Prepare(sql.c_str(), &st.s);
    if (FAILED(hr))
        return hr;
    BindChildFilter(st, parent, type, associated);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW)
        return FromSqlite(rc);
    count = static_cast<ULONG>(sqlite3_column_int64(st, 0));
    return S_OK;
}

HRESULT StoreFile::LoadChildren(std::int64_t parent, ULONG type, std::optional<bool> associated,
                                std::vector<std::pair<ObjectInfo, PropMap>>& out, const PropIdSet* only)
{
    std::lock_guard lock(m_mutex);
    out.clear();
    std::string sql = "SELECT o.id, o.assoc, " + NumColumn(type, "o.num") +
                      ", p.tag, p.value FROM objects o LEFT JOIN props p ON p.obj = o.id";
    if (only && only->empty()) {
        sql += " AND 0"; // the objects alone
    } else if (only && only->size() <= kFilteredUpTo) {
        // The other properties' rows do not even leave SQLite (the few sets that tables ask for
        // are prepared once each). The tags are compared as ranges of the key, so that SQLite
        // seeks to the first wanted row of each object and stops after the last one instead of
        // decoding every row of it.
        const auto lowest = [](ULONG id) { return std::to_string(std::int64_t(id) << 16); };
        const auto highest = [](ULONG id) { return std::to_string((std::int64_t(id) << 16) | 0xFFFF); };
        sql += " AND p.tag BETWEEN " + lowest(*only->begin()) + " AND " + highest(*std::prev(only->end())) + " AND (";
        for (auto it = only->begin(); it != only->end();) {
            auto last = it;
            while (std::next(last) != only->end() && *std::next(last) == *last + 1)
                ++last; // neighbouring identifiers make one range
            sql += (it == only->begin() ? "p.tag BETWEEN " : " OR p.tag BETWEEN ") + lowest(*it) + " AND " +
                   highest(*last);
            it = std::next(last);
        }
        sql += ")";
    }
    sql += " WHERE o.parent = ? AND o.type = ?";
    if (associated)
        sql += " AND o.assoc = ?";
    sql += " ORDER BY o.id, p.tag";
    Stmt st;
    HRESULT hr = Prepare(sql.c_str(), &st.s);
    if (FAILED(hr))
        return hr;
    BindChildFilter(st, parent, type, associated);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::int64_t id = sqlite3_column_int64(st, 0);
        if (out.empty() || out.back().first.id != id) {
            ObjectInfo info;
            info.id = id;
            info.type = type;
            info.parent = parent;
            info.associated = sqlite3_column_int(st, 1) != 0;
            info.num = static_cast<ULONG>(sqlite3_column_int64(st, 2));
            out.emplace_back(info, PropMap());
            if (only)
                out.back().second.Reserve(std::min(only->size(), kReservedUpTo));
        }
        if (sqlite3_column_type(st, 3) == SQLITE_NULL)
            continue;
        const ULONG tag = static_cast<ULONG>(sqlite3_column_int64(st, 3));
        if (only && !only->Has(PROP_ID(tag)))
            continue; // its value is never read
        PropValue v;
        if (HRESULT hrValue = ReadValue(st, 4, tag, v); FAILED(hrValue))
            return hrValue;
        out.back().second.Append(std::move(v));
    }
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::InsertObject(ULONG type, std::int64_t parent, bool associated, ULONG num, std::int64_t& id)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare("INSERT INTO objects(type, parent, assoc, num) VALUES(?, ?, ?, ?)", &st.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int(st, 1, static_cast<int>(type));
    sqlite3_bind_int64(st, 2, parent);
    sqlite3_bind_int(st, 3, associated ? 1 : 0);
    sqlite3_bind_int64(st, 4, num);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return FromSqlite(rc);
    id = sqlite3_last_insert_rowid(m_db);
    return S_OK;
}

namespace {

// The values of one property of an object, whatever their type: a range of the key.
constexpr const char* kDeleteOneProp = "DELETE FROM props WHERE obj = ? AND tag BETWEEN ? AND ?";
constexpr const char* kOnePropRows = "obj = ?1 AND tag BETWEEN ?2 AND ?3";

void BindPropId(sqlite3_stmt* st, std::int64_t obj, ULONG id)
{
    sqlite3_bind_int64(st, 1, obj);
    sqlite3_bind_int64(st, 2, std::int64_t(id) << 16);
    sqlite3_bind_int64(st, 3, (std::int64_t(id) << 16) | 0xFFFF);
}

} // namespace

HRESULT StoreFile::SetProps(std::int64_t id, const std::vector<PropValue>& values)
{
    std::lock_guard lock(m_mutex);
    Stmt del, ins;
    HRESULT hr = Prepare(kDeleteOneProp, &del.s);
    if (SUCCEEDED(hr))
        hr = Prepare("INSERT INTO props(obj, tag, value) VALUES(?, ?, ?)", &ins.s);
    if (FAILED(hr))
        return hr;
    for (const auto& v : values) {
        if (FAILED(hr = DeleteBigValues(kOnePropRows, [&](sqlite3_stmt* st) { BindPropId(st, id, v.id()); })))
            return hr;
        BindPropId(del, id, v.id());
        int rc = sqlite3_step(del);
        sqlite3_reset(del);
        if (rc != SQLITE_DONE)
            return FromSqlite(rc);
        if (FAILED(hr = InsertValue(ins, id, v)))
            return hr;
    }
    return S_OK;
}

HRESULT StoreFile::InsertValue(sqlite3_stmt* ins, std::int64_t obj, const PropValue& v)
{
    Bytes serialized;
    std::string_view data;
    if (!v.StorageView(data)) {
        serialized = v.Serialize();
        data = serialized;
    }
    sqlite3_bind_int64(ins, 1, obj);
    sqlite3_bind_int64(ins, 2, v.tag());
    if (data.size() >= kOutOfLine && m_version >= 2) {
        std::int64_t ref = 0;
        if (HRESULT hr = InsertBigValue(data, ref); FAILED(hr))
            return hr;
        sqlite3_bind_int64(ins, 3, ref);
    } else {
        sqlite3_bind_blob64(ins, 3, data.empty() ? "" : data.data(), data.size(), SQLITE_STATIC);
    }
    const int rc = sqlite3_step(ins);
    sqlite3_reset(ins);
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::InsertBigValue(std::string_view data, std::int64_t& ref)
{
    Stmt st;
    HRESULT hr = Prepare("INSERT INTO bigvalues(value) VALUES(?)", &st.s);
    if (FAILED(hr))
        return hr;
    if (data.size() < kStreamedFrom) {
        sqlite3_bind_blob64(st, 1, data.data(), data.size(), SQLITE_STATIC);
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE)
            return FromSqlite(rc);
        ref = sqlite3_last_insert_rowid(m_db);
        return S_OK;
    }
    // Written piece by piece into a row of zeros: SQLite would otherwise build the whole row in
    // memory once more. The reference is negative, so that reading streams it as well.
    sqlite3_bind_zeroblob64(st, 1, data.size());
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return FromSqlite(rc);
    const std::int64_t row = sqlite3_last_insert_rowid(m_db);
    sqlite3_blob* blob = nullptr;
    rc = sqlite3_blob_open(m_db, "main", "bigvalues", "value", row, 1, &blob);
    for (std::size_t at = 0; rc == SQLITE_OK && at < data.size(); at += kStreamPiece) {
        const std::size_t n = std::min(kStreamPiece, data.size() - at);
        rc = sqlite3_blob_write(blob, data.data() + at, static_cast<int>(n), static_cast<int>(at));
    }
    const int closed = sqlite3_blob_close(blob);
    if (rc != SQLITE_OK || closed != SQLITE_OK)
        return FromSqlite(rc != SQLITE_OK ? rc : closed);
    ref = -row;
    return S_OK;
}

HRESULT StoreFile::ReadValue(sqlite3_stmt* st, int col, ULONG tag, PropValue& out)
{
    if (sqlite3_column_type(st, col) != SQLITE_INTEGER)
        return PropValue::Deserialize(tag, sqlite3_column_blob(st, col), sqlite3_column_bytes(st, col), out)
                   ? S_OK
                   : MAPI_E_CORRUPT_STORE;
    const std::int64_t ref = sqlite3_column_int64(st, col);
    if (ref > 0) {
        Stmt big;
        HRESULT hr = Prepare("SELECT value FROM bigvalues WHERE id = ?", &big.s);
        if (FAILED(hr))
            return hr;
        sqlite3_bind_int64(big, 1, ref);
        const int rc = sqlite3_step(big);
        if (rc == SQLITE_DONE)
            return MAPI_E_CORRUPT_STORE; // a reference to nothing
        if (rc != SQLITE_ROW)
            return FromSqlite(rc);
        return PropValue::Deserialize(tag, sqlite3_column_blob(big, 0), sqlite3_column_bytes(big, 0), out)
                   ? S_OK
                   : MAPI_E_CORRUPT_STORE;
    }
    // A streamed value is read straight into the memory the value keeps.
    sqlite3_blob* blob = nullptr;
    int rc = sqlite3_blob_open(m_db, "main", "bigvalues", "value", -ref, 0, &blob);
    if (rc != SQLITE_OK) {
        sqlite3_blob_close(blob);
        return rc == SQLITE_ERROR ? MAPI_E_CORRUPT_STORE : FromSqlite(rc); // SQLITE_ERROR: no such row
    }
    const auto size = static_cast<std::size_t>(sqlite3_blob_bytes(blob));
    auto read = [&](void* into, std::size_t n) {
        for (std::size_t at = 0; rc == SQLITE_OK && at < n; at += kStreamPiece)
            rc = sqlite3_blob_read(blob, static_cast<char*>(into) + at,
                                   static_cast<int>(std::min(kStreamPiece, n - at)), static_cast<int>(at));
    };
    bool ok = true;
    if (PROP_TYPE(tag) == PT_BINARY) {
        Bytes data(size, '\0');
        read(data.data(), size);
        out = PropValue::Binary(tag, std::move(data));
    } else if (PROP_TYPE(tag) == PT_UNICODE && std::endian::native == std::endian::little && size % 2 == 0) {
        std::u16string text(size / 2, u'\0');
        read(text.data(), size);
        out = PropValue::Text(tag, std::move(text));
    } else {
        Bytes data(size, '\0');
        read(data.data(), size);
        ok = rc != SQLITE_OK || PropValue::Deserialize(tag, data.data(), data.size(), out);
    }
    sqlite3_blob_close(blob);
    if (rc != SQLITE_OK)
        return FromSqlite(rc);
    return ok ? S_OK : MAPI_E_CORRUPT_STORE;
}

template <class Bind>
HRESULT StoreFile::DeleteBigValues(const char* where, Bind bind)
{
    if (m_version < 2)
        return S_OK;
    const std::string sql = std::string("DELETE FROM bigvalues WHERE id IN (SELECT abs(value) FROM props WHERE ") +
                            where + " AND typeof(value) = 'integer')";
    Stmt st;
    HRESULT hr = Prepare(sql.c_str(), &st.s);
    if (FAILED(hr))
        return hr;
    bind(st.s);
    const int rc = sqlite3_step(st);
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::InsertProps(std::int64_t id, const PropMap& props)
{
    std::lock_guard lock(m_mutex);
    Stmt ins;
    HRESULT hr = Prepare("INSERT INTO props(obj, tag, value) VALUES(?, ?, ?)", &ins.s);
    if (FAILED(hr))
        return hr;
    for (const auto& v : props)
        if (FAILED(hr = InsertValue(ins, id, v)))
            return hr;
    return S_OK;
}

HRESULT StoreFile::ReplaceProps(std::int64_t id, const PropMap& props, bool fresh)
{
    std::lock_guard lock(m_mutex);
    if (!fresh) {
        HRESULT hr = DeleteBigValues("obj = ?1", [&](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, id); });
        if (FAILED(hr))
            return hr;
        Stmt del;
        hr = Prepare("DELETE FROM props WHERE obj = ?", &del.s);
        if (FAILED(hr))
            return hr;
        sqlite3_bind_int64(del, 1, id);
        const int rc = sqlite3_step(del);
        if (rc != SQLITE_DONE)
            return FromSqlite(rc);
    }
    return InsertProps(id, props); // each property written once
}

HRESULT StoreFile::DeleteProps(std::int64_t id, const std::vector<ULONG>& ids)
{
    std::lock_guard lock(m_mutex);
    Stmt del;
    HRESULT hr = Prepare(kDeleteOneProp, &del.s);
    if (FAILED(hr))
        return hr;
    for (ULONG pid : ids) {
        if (FAILED(hr = DeleteBigValues(kOnePropRows, [&](sqlite3_stmt* st) { BindPropId(st, id, pid); })))
            return hr;
        BindPropId(del, id, pid);
        int rc = sqlite3_step(del);
        sqlite3_reset(del);
        if (rc != SQLITE_DONE)
            return FromSqlite(rc);
    }
    return S_OK;
}

HRESULT StoreFile::DeleteObjectTree(std::int64_t id)
{
    std::lock_guard lock(m_mutex);
    Stmt st1, st2;
    const char* tree = "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT o.id FROM objects o JOIN t ON o.parent = t.id)";
    // Open tables learn of every folder and message that goes, not only of the tree's top.
    std::string journal = std::string(tree) + " INSERT INTO changes(obj, parent, type) SELECT id, parent, type FROM objects"
                                              " WHERE id IN (SELECT id FROM t) AND type IN (3, 5)";
    {
        Stmt st;
        HRESULT hr = Prepare(journal.c_str(), &st.s);
        if (FAILED(hr))
            return hr;
        sqlite3_bind_int64(st, 1, id);
        int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE)
            return FromSqlite(rc);
    }
    if (m_version >= 2) {
        Stmt big;
        const std::string delBig = std::string(tree) +
                                   " DELETE FROM bigvalues WHERE id IN (SELECT abs(value) FROM props"
                                   " WHERE obj IN (SELECT id FROM t) AND typeof(value) = 'integer')";
        HRESULT hr = Prepare(delBig.c_str(), &big.s);
        if (FAILED(hr))
            return hr;
        sqlite3_bind_int64(big, 1, id);
        if (const int rc = sqlite3_step(big); rc != SQLITE_DONE)
            return FromSqlite(rc);
    }
    std::string delProps = std::string(tree) + " DELETE FROM props WHERE obj IN (SELECT id FROM t)";
    std::string delObjs = std::string(tree) + " DELETE FROM objects WHERE id IN (SELECT id FROM t)";
    HRESULT hr = Prepare(delProps.c_str(), &st1.s);
    if (SUCCEEDED(hr))
        hr = Prepare(delObjs.c_str(), &st2.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(st1, 1, id);
    sqlite3_bind_int64(st2, 1, id);
    int rc = sqlite3_step(st1);
    if (rc != SQLITE_DONE)
        return FromSqlite(rc);
    rc = sqlite3_step(st2);
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::MoveObject(std::int64_t id, std::int64_t newParent)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare("UPDATE objects SET parent = ? WHERE id = ?", &st.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(st, 1, newParent);
    sqlite3_bind_int64(st, 2, id);
    int rc = sqlite3_step(st);
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::ReplaceSubObjects(std::int64_t message, ULONG type, const std::vector<SubObject>& subs, bool fresh)
{
    std::lock_guard lock(m_mutex);
    HRESULT hr = S_OK;
    if (!fresh) {
        std::vector<ObjectInfo> existing;
        hr = Children(message, type, std::nullopt, existing);
        for (const auto& info : existing) {
            if (FAILED(hr))
                break;
            hr = DeleteObjectTree(info.id);
        }
    }
    for (const auto& sub : subs) {
        if (FAILED(hr))
            break;
        std::int64_t id = 0;
        hr = InsertObject(type, message, false, sub.num, id);
        if (SUCCEEDED(hr))
            hr = ReplaceProps(id, sub.props, true);
    }
    return hr;
}

HRESULT StoreFile::NextModificationTime(std::int64_t now, std::int64_t& stamp)
{
    std::lock_guard lock(m_mutex);
    std::int64_t last = 0;
    {
        Stmt st;
        HRESULT hr = Prepare("SELECT value FROM meta WHERE key = 'lasttime'", &st.s);
        if (FAILED(hr))
            return hr;
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            last = sqlite3_column_int64(st, 0);
        else if (rc != SQLITE_DONE)
            return FromSqlite(rc);
    }
    stamp = now > last ? now : last + 1;
    Stmt up;
    HRESULT hr = Prepare("INSERT INTO meta(key, value) VALUES('lasttime', ?)"
                         " ON CONFLICT(key) DO UPDATE SET value = excluded.value",
                         &up.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(up, 1, stamp);
    int rc = sqlite3_step(up);
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::IdFromName(const GUID& set, ULONG kind, LONG lid, const std::u16string& name, bool create,
                              ULONG& id)
{
    std::lock_guard lock(m_mutex);
    const std::string utf8(reinterpret_cast<const char*>(name.data()), name.size() * 2);
    auto lookup = [&]() -> HRESULT {
        Stmt st;
        HRESULT hr = Prepare("SELECT id FROM names WHERE guid = ? AND kind = ? AND lid = ? AND name = ?", &st.s);
        if (FAILED(hr))
            return hr;
        sqlite3_bind_blob(st, 1, &set, 16, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, static_cast<int>(kind));
        sqlite3_bind_int64(st, 3, kind == MNID_ID ? lid : 0);
        sqlite3_bind_blob(st, 4, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            id = static_cast<ULONG>(0x8000 + sqlite3_column_int64(st, 0) - 1);
            return S_OK;
        }
        return rc == SQLITE_DONE ? MAPI_E_NOT_FOUND : FromSqlite(rc);
    };
    HRESULT hr = lookup();
    if (hr != MAPI_E_NOT_FOUND || !create)
        return hr;
    Transaction tx(*this);
    if (FAILED(hr = tx.Begin()))
        return hr;
    // Another process may have created it since the lookup.
    if (SUCCEEDED(hr = lookup()))
        return S_OK;
    Stmt ins;
    if (FAILED(hr = Prepare("INSERT INTO names(guid, kind, lid, name) VALUES(?, ?, ?, ?)", &ins.s)))
        return hr;
    sqlite3_bind_blob(ins, 1, &set, 16, SQLITE_TRANSIENT);
    sqlite3_bind_int(ins, 2, static_cast<int>(kind));
    sqlite3_bind_int64(ins, 3, kind == MNID_ID ? lid : 0);
    sqlite3_bind_blob(ins, 4, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(ins);
    if (rc != SQLITE_DONE)
        return FromSqlite(rc);
    std::int64_t row = sqlite3_last_insert_rowid(m_db);
    if (row > 0x7FFF)
        return MAPI_E_NOT_ENOUGH_RESOURCES; // the named range 0x8000-0xFFFE is full
    if (FAILED(hr = tx.Commit()))
        return hr;
    id = static_cast<ULONG>(0x8000 + row - 1);
    return S_OK;
}

HRESULT StoreFile::NameFromId(ULONG id, GUID& set, ULONG& kind, LONG& lid, std::u16string& name)
{
    std::lock_guard lock(m_mutex);
    if (id < 0x8000)
        return MAPI_E_NOT_FOUND;
    Stmt st;
    HRESULT hr = Prepare("SELECT guid, kind, lid, name FROM names WHERE id = ?", &st.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(st, 1, std::int64_t(id) - 0x8000 + 1);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        return MAPI_E_NOT_FOUND;
    if (rc != SQLITE_ROW)
        return FromSqlite(rc);
    if (sqlite3_column_bytes(st, 0) != 16)
        return MAPI_E_CORRUPT_STORE;
    std::memcpy(&set, sqlite3_column_blob(st, 0), 16);
    kind = static_cast<ULONG>(sqlite3_column_int(st, 1));
    lid = static_cast<LONG>(sqlite3_column_int64(st, 2));
    const int n = sqlite3_column_bytes(st, 3);
    name.assign(static_cast<std::size_t>(n / 2), u'\0');
    if (n >= 2)
        std::memcpy(name.data(), sqlite3_column_blob(st, 3), static_cast<std::size_t>(n / 2) * 2);
    return S_OK;
}

HRESULT StoreFile::AllNames(std::vector<ULONG>& ids)
{
    std::lock_guard lock(m_mutex);
    ids.clear();
    Stmt st;
    HRESULT hr = Prepare("SELECT id FROM names ORDER BY id", &st.s);
    if (FAILED(hr))
        return hr;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        ids.push_back(static_cast<ULONG>(0x8000 + sqlite3_column_int64(st, 0) - 1));
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::Journal(std::int64_t obj, std::int64_t parent, ULONG type)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare("INSERT INTO changes(obj, parent, type) VALUES(?, ?, ?)", &st.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(st, 1, obj);
    sqlite3_bind_int64(st, 2, parent);
    sqlite3_bind_int(st, 3, static_cast<int>(type));
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        return FromSqlite(rc);
    // Keep the journal short: readers that fall behind reload instead.
    std::int64_t seq = sqlite3_last_insert_rowid(m_db);
    if (seq % 1024 == 0) {
        Stmt prune;
        if (SUCCEEDED(Prepare("DELETE FROM changes WHERE seq <= ?", &prune.s))) {
            sqlite3_bind_int64(prune, 1, seq - 20000);
            sqlite3_step(prune);
        }
    }
    return S_OK;
}

HRESULT StoreFile::LastChange(std::int64_t& seq)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare("SELECT coalesce(max(seq), 0) FROM changes", &st.s);
    if (FAILED(hr))
        return hr;
    int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW)
        return FromSqlite(rc);
    seq = sqlite3_column_int64(st, 0);
    return S_OK;
}

HRESULT StoreFile::ChangesSince(std::int64_t seq, std::int64_t parent, std::vector<std::int64_t>& objs,
                                std::int64_t& newSeq, bool& gap)
{
    std::lock_guard lock(m_mutex);
    objs.clear();
    gap = false;
    {
        Stmt st;
        // Two sub-queries: SQLite answers a lone min() or max() from the key's ends, but a query
        // that asks for both scans the whole journal.
        HRESULT hr = Prepare("SELECT coalesce((SELECT min(seq) FROM changes), 0),"
                             " coalesce((SELECT max(seq) FROM changes), 0)",
                             &st.s);
        if (FAILED(hr))
            return hr;
        if (const int rc = sqlite3_step(st); rc != SQLITE_ROW)
            return rc == SQLITE_DONE ? MAPI_E_CALL_FAILED : FromSqlite(rc);
        std::int64_t minSeq = sqlite3_column_int64(st, 0);
        newSeq = sqlite3_column_int64(st, 1);
        if (newSeq > seq && minSeq > seq + 1) {
            gap = true;
            return S_OK;
        }
    }
    Stmt st;
    HRESULT hr = Prepare("SELECT DISTINCT obj FROM changes WHERE parent = ? AND seq > ? AND seq <= ?", &st.s);
    if (FAILED(hr))
        return hr;
    sqlite3_bind_int64(st, 1, parent);
    sqlite3_bind_int64(st, 2, seq);
    sqlite3_bind_int64(st, 3, newSeq);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        objs.push_back(sqlite3_column_int64(st, 0));
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

HRESULT StoreFile::GetReceiveFolder(const std::string& messageClass, std::int64_t& folder, std::string& explicitClass)
{
    std::lock_guard lock(m_mutex);
    // The longest registered class that is a prefix of the message class at a "." boundary.
    std::string cls = messageClass;
    for (;;) {
        Stmt st;
        HRESULT hr = Prepare("SELECT key, value FROM meta WHERE lower(key) = lower(?)", &st.s);
        if (FAILED(hr))
            return hr;
        std::string key = "receive:" + cls;
        sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            folder = sqlite3_column_int64(st, 1);
            explicitClass = reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) + 8;
            return S_OK;
        }
        if (rc != SQLITE_DONE)
            return FromSqlite(rc);
        if (cls.empty())
            return MAPI_E_NOT_FOUND;
        auto dot = cls.rfind('.');
        cls = dot == std::string::npos ? std::string() : cls.substr(0, dot);
    }
}

HRESULT StoreFile::SetReceiveFolder(const std::string& messageClass, std::int64_t folder)
{
    Transaction tx(*this);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    Stmt del;
    if (FAILED(hr = Prepare("DELETE FROM meta WHERE lower(key) = lower(?)", &del.s)))
        return hr;
    std::string key = "receive:" + messageClass;
    sqlite3_bind_text(del, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    if (const int rc = sqlite3_step(del); rc != SQLITE_DONE)
        return FromSqlite(rc);
    if (folder != 0) {
        Stmt ins;
        if (FAILED(hr = Prepare("INSERT INTO meta(key, value) VALUES(?, ?)", &ins.s)))
            return hr;
        sqlite3_bind_text(ins, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(ins, 2, folder);
        if (const int rc = sqlite3_step(ins); rc != SQLITE_DONE)
            return FromSqlite(rc);
    }
    return tx.Commit();
}

HRESULT StoreFile::LoadSearchCriteria(std::int64_t folder, Bytes& out)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare("SELECT value FROM meta WHERE key = ?", &st.s);
    if (FAILED(hr))
        return hr;
    const std::string key = "search:" + std::to_string(folder);
    sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        return MAPI_E_NOT_INITIALIZED;
    if (rc != SQLITE_ROW)
        return FromSqlite(rc);
    out.assign(static_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
    return S_OK;
}

HRESULT StoreFile::SaveSearchCriteria(std::int64_t folder, const Bytes& data)
{
    std::lock_guard lock(m_mutex);
    Stmt st;
    HRESULT hr = Prepare("INSERT INTO meta(key, value) VALUES(?, ?) ON CONFLICT(key) DO UPDATE SET value = excluded.value",
                         &st.s);
    if (FAILED(hr))
        return hr;
    const std::string key = "search:" + std::to_string(folder);
    sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(st, 2, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    return rc == SQLITE_DONE ? S_OK : FromSqlite(rc);
}

} // namespace mapi
