// StoreFile: one message store kept in one SQLite database file (WAL, busy timeout). Every
// process opens a file once and shares the connection between its sessions and threads; every
// change is one transaction, so a killed process leaves either all of a change or none.
// A store that any statement finds damaged is marked so (base/DamageMark.h): from then on no
// process writes into it, nor reads its damaged tables (MAPI_E_CORRUPT_STORE); the tables that
// are intact can still be read.
#pragma once

#include "mapi/MapiCodes.h"
#include "mapi/MapiDefs.h"
#include "mapi/PropIdSet.h"
#include "mapi/PropMap.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace mapi {

class LogCheckpointer;

enum class StoreKind : int { Personal = 0, PrivateMailbox = 1, DelegateMailbox = 2, PublicFolders = 3 };

const MAPIUID& ProviderUidOf(StoreKind kind);
std::optional<StoreKind> KindOfProvider(const BYTE* uid, std::size_t cb);

// Object identifiers of the fixed objects of every store.
inline constexpr std::int64_t kStoreObjectId = 1;
inline constexpr std::int64_t kRootFolderId = 2;

struct ObjectInfo {
    std::int64_t id = 0;
    ULONG type = 0; // MAPI_STORE, MAPI_FOLDER, MAPI_MESSAGE, MAPI_ATTACH, MAPI_MAILUSER
    std::int64_t parent = 0;
    bool associated = false;
    ULONG num = 0; // attachment number or recipient row id
};

// A child object of a message as it is saved with it.
struct SubObject {
    ULONG num = 0;
    PropMap props;
};

class StoreFile {
public:
    ~StoreFile();
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    // Opens an existing store file (shared within the process). A missing file gives
    // MAPI_E_NOT_FOUND; a file that is not a store gives MAPI_E_CORRUPT_STORE and is not changed.
    // A file marked damaged opens for reading only. A small file is checked whole on open; a
    // large one is not, as it would pay for it every time (DatabaseCheck does that on request).
    static HRESULT Open(const std::filesystem::path& path, std::shared_ptr<StoreFile>& out);
    // Creates a new store file with its folder set; an existing file gives MAPI_E_COLLISION, also
    // when another process creates the same file at the same moment (exactly one of them wins).
    // The folder must exist (MAPI_E_NOT_FOUND otherwise).
    static HRESULT Create(const std::filesystem::path& path, StoreKind kind, const std::u16string& displayName,
                          std::shared_ptr<StoreFile>& out);

    const std::filesystem::path& path() const { return m_path; }
    // The file was found damaged, by this process or another: it is only read.
    bool damaged() const { return m_damaged.load(); }
    const GUID& guid() const { return m_guid; }
    StoreKind kind() const { return m_kind; }

    // The entry ID and record key of the store and of its objects.
    Bytes StoreEntryId() const;
    Bytes StoreRecordKey() const;
    Bytes EntryIdOf(ULONG type, std::int64_t id) const;
    Bytes RecordKeyOf(std::int64_t id) const;

    // A write transaction (BEGIN IMMEDIATE); rolled back unless committed. Holds the file's lock.
    class Transaction {
    public:
        explicit Transaction(StoreFile& file);
        ~Transaction();
        HRESULT Begin();
        HRESULT Commit();

    private:
        StoreFile& m_file;
        std::unique_lock<std::recursive_mutex> m_lock;
        bool m_open = false;
    };

    // One read transaction around several reads (none when a transaction is open already): they
    // see one state of the file, and the log's read lock is taken and given back once, not per
    // statement. Holds the file's lock.
    class ReadTransaction {
    public:
        explicit ReadTransaction(StoreFile& file);
        ~ReadTransaction();
        ReadTransaction(const ReadTransaction&) = delete;
        ReadTransaction& operator=(const ReadTransaction&) = delete;

    private:
        StoreFile& m_file;
        std::unique_lock<std::recursive_mutex> m_lock;
        bool m_open = false;
    };

    std::recursive_mutex& mutex() { return m_mutex; }
    // What the last full read of a folder's contents gave, for the next table over it (the
    // contents tables decide what it holds); it goes with the file. Guarded by mutex().
    std::shared_ptr<void>& ScannedContents() { return m_scannedContents; }

    // Reading (each call takes the lock itself). Where `only` is given, just the properties with
    // those identifiers are read; the others are not even decoded.
    HRESULT GetObject(std::int64_t id, ObjectInfo& out);
    HRESULT LoadProps(std::int64_t id, PropMap& out, const PropIdSet* only = nullptr);
    HRESULT Children(std::int64_t parent, ULONG type, std::optional<bool> associated, std::vector<ObjectInfo>& out);
    HRESULT CountChildren(std::int64_t parent, ULONG type, std::optional<bool> associated, ULONG& count);
    // The objects below parent with their properties, in creation order (table rows).
    HRESULT LoadChildren(std::int64_t parent, ULONG type, std::optional<bool> associated,
                         std::vector<std::pair<ObjectInfo, PropMap>>& out, const PropIdSet* only = nullptr);

    // Writing (inside a Transaction).
    HRESULT InsertObject(ULONG type, std::int64_t parent, bool associated, ULONG num, std::int64_t& id);
    // Replaces every property of an object; fresh: the object has none yet (just inserted).
    HRESULT ReplaceProps(std::int64_t id, const PropMap& props, bool fresh = false);
    HRESULT SetProps(std::int64_t id, const std::vector<PropValue>& values);
    HRESULT DeleteProps(std::int64_t id, const std::vector<ULONG>& ids);
    HRESULT DeleteObjectTree(std::int64_t id);
    HRESULT MoveObject(std::int64_t id, std::int64_t newParent);
    // Replaces the attachments and recipients of a message (fresh: it has none yet).
    HRESULT ReplaceSubObjects(std::int64_t message, ULONG type, const std::vector<SubObject>& subs,
                              bool fresh = false);
    // A modification time later than every one this store handed out before.
    HRESULT NextModificationTime(std::int64_t now, std::int64_t& stamp);

    // Named properties: identifiers from 0x8000, per store.
    HRESULT IdFromName(const GUID& set, ULONG kind, LONG lid, const std::u16string& name, bool create, ULONG& id);
    HRESULT NameFromId(ULONG id, GUID& set, ULONG& kind, LONG& lid, std::u16string& name);
    HRESULT AllNames(std::vector<ULONG>& ids);

    // A number that changes whenever this store file changed, in this process or another.
    // Changes made in this process show at once. Asking the file for other processes' changes
    // costs a query and file locks, so that is done once per batch of calls: again after
    // kBatchWindow, at the next turn of the calling thread's message loop, or after NewBatch.
    std::uint64_t Version();
    static constexpr std::chrono::milliseconds kBatchWindow{50};
    // Every file asks again at its next Version() (the notification checks call it).
    static void NewBatch();

    // The change journal: every write records the objects it touched with their parents, so
    // that open tables can bring themselves up to date row by row.
    HRESULT Journal(std::int64_t obj, std::int64_t parent, ULONG type);
    // Objects changed below parent since seq (of any type when type is 0). gap is set when
    // the journal no longer reaches back that far (the reader must reload everything).
    HRESULT ChangesSince(std::int64_t seq, std::int64_t parent, std::vector<std::int64_t>& objs,
                         std::int64_t& newSeq, bool& gap);
    HRESULT LastChange(std::int64_t& seq);

    // The criteria of a search folder (SearchCriteria form); MAPI_E_NOT_INITIALIZED when it has
    // none yet. Saving needs an open Transaction.
    HRESULT LoadSearchCriteria(std::int64_t folder, Bytes& out);
    HRESULT SaveSearchCriteria(std::int64_t folder, const Bytes& data);

    // Receive folders by message class ("" is the default).
    HRESULT GetReceiveFolder(const std::string& messageClass, std::int64_t& folder, std::string& explicitClass);
    HRESULT SetReceiveFolder(const std::string& messageClass, std::int64_t folder);

private:
    StoreFile() = default;
    HRESULT OpenDb(const std::filesystem::path& path, bool create);
    HRESULT ReadMeta();
    HRESULT Exec(const char* sql);
    // Runs a statement without results through the statement cache.
    HRESULT Run(const char* sql);
    HRESULT Prepare(const char* sql, sqlite3_stmt** stmt);
    HRESULT InsertProps(std::int64_t id, const PropMap& props);
    // One property row through ins (obj, tag, value); a large value goes into bigvalues first,
    // straight from the value's own memory.
    HRESULT InsertValue(sqlite3_stmt* ins, std::int64_t obj, const PropValue& v);
    HRESULT InsertBigValue(std::string_view data, std::int64_t& ref);
    // The value in column col of a props row (its own blob, or a reference into bigvalues).
    HRESULT ReadValue(sqlite3_stmt* st, int col, ULONG tag, PropValue& out);
    // Removes the bigvalues rows of the props rows that `sql` (bound by bind) selects by
    // "obj = ?1 ..." conditions.
    template <class Bind>
    HRESULT DeleteBigValues(const char* where, Bind bind);
    // Adds what a file of an older version lacks (in a transaction of its own).
    void Upgrade();
    HRESULT Populate(const std::u16string& displayName);
    HRESULT BumpChangeCounter();
    // The HRESULT of an SQLite result; corruption marks the file damaged.
    HRESULT FromSqlite(int rc);
    // Without `tables`, a check of the file tells which are damaged.
    void MarkDamaged(const std::string& what, std::set<std::string> tables = {});
    // Stops every write into the file, the log's checkpoints included.
    void StopWriting();
    // True when another process marked the file since it was opened here.
    bool TakeUpMark();

    std::filesystem::path m_path;
    std::shared_ptr<void> m_scannedContents;
    sqlite3* m_db = nullptr;
    std::recursive_mutex m_mutex;
    GUID m_guid{};
    StoreKind m_kind = StoreKind::Personal;
    int m_version = 1; // of the file's layout
    std::atomic<std::uint64_t> m_localChanges{0};
    std::atomic<bool> m_damaged{false};
    std::set<std::string> m_damagedTables; // not read once the file is damaged
    sqlite3_stmt* m_dataVersion = nullptr;
    std::uint64_t m_external = 0; // the file's data version at the last look
    std::uint64_t m_externalBatch = 0;
    std::chrono::steady_clock::time_point m_externalAt{};
    std::map<std::string, sqlite3_stmt*> m_statements;
    std::unique_ptr<LogCheckpointer> m_checkpointer; // none while the file is only read
};

// Time now as a FILETIME count (100 ns since 1601).
std::int64_t CurrentFileTime();

} // namespace mapi
