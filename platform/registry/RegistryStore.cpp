#include "registry/RegistryStore.h"

#include "base/Utf.h"
#include "base/WinError.h"
#include "registry/DatabaseError.h"
#include "registry/KeyName.h"
#include "registry/Transaction.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <map>
#include <new>

namespace platform::registry {

namespace {

// The rights that change a key (KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE,
// WRITE_DAC, WRITE_OWNER, GENERIC_WRITE, GENERIC_ALL).
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000 | 0x00040000 |
                                0x00080000 | 0x40000000 | 0x10000000;

bool OrdinaryUser()
{
    const char* user = std::getenv("PLATFORM_REGISTRY_USER");
    return user && platform::EqualNoCase(user, "ordinary");
}

const std::vector<std::string> kClassesPath = {"Software", "Classes"};

std::uintptr_t HandleValue(HKEY key)
{
    return reinterpret_cast<std::uintptr_t>(key);
}

std::vector<std::string> Join(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    std::vector<std::string> out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

} // namespace

std::vector<std::int64_t> RegistryStore::View::Keys() const
{
    if (!classes)
        return {id};
    std::vector<std::int64_t> keys;
    if (user)
        keys.push_back(user);
    if (machine)
        keys.push_back(machine);
    return keys;
}

RegistryStore& RegistryStore::Instance()
{
    // Never destroyed: handles may be closed from static destructors of other modules.
    static RegistryStore* store = new RegistryStore();
    return *store;
}

LONG RegistryStore::Run(bool write, const std::function<LONG()>& work)
{
    std::lock_guard lock(m_mutex);
    // SQLite can report a conflict with another process as busy without waiting (a snapshot
    // that moved, a log being reset). The unit of work was rolled back, so it is run again.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int attempt = 0;; ++attempt) {
        LONG rc = ERROR_SUCCESS;
        try {
            rc = m_db.Ensure();
            if (rc == ERROR_SUCCESS) {
                Transaction tx(m_db, write);
                rc = work();
                if (rc == ERROR_SUCCESS)
                    tx.Commit();
            }
        } catch (const DatabaseError& e) {
            rc = e.code();
        } catch (const std::bad_alloc&) {
            return ERROR_OUTOFMEMORY;
        }
        if (rc != ERROR_BUSY || m_db.Depth() > 0 || std::chrono::steady_clock::now() >= deadline)
            return rc;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(1 + 5 * attempt, 50)));
    }
}

HKEY RegistryStore::AddHandle(const HandleEntry& entry)
{
    std::lock_guard lock(m_mutex);
    const std::uintptr_t value = m_nextHandle;
    m_nextHandle += 0x10;
    m_handles.emplace(value, entry);
    return reinterpret_cast<HKEY>(value);
}

// --- resolving handles and paths ------------------------------------------------------------

std::int64_t RegistryStore::Lookup(std::int64_t parent, std::string_view name)
{
    auto s = m_db.Prepare("SELECT id FROM keys WHERE parent = ? AND fold = ?");
    s.Bind(1, parent).Bind(2, KeyName::Fold(name));
    return s.Step() ? s.Int(0) : 0;
}

std::int64_t RegistryStore::Walk(std::int64_t start, const std::vector<std::string>& parts)
{
    std::int64_t id = start;
    for (const auto& part : parts) {
        id = Lookup(id, part);
        if (id == 0)
            return 0;
    }
    return id;
}

bool RegistryStore::Protected(std::int64_t id)
{
    if (!OrdinaryUser() || id == 0)
        return false;
    auto s = m_db.Prepare("WITH RECURSIVE up(id, parent) AS (SELECT id, parent FROM keys WHERE id = ?"
                          " UNION ALL SELECT keys.id, keys.parent FROM keys JOIN up ON keys.id = up.parent)"
                          " SELECT 1 FROM up WHERE id = ?");
    s.Bind(1, id).Bind(2, RegistryDatabase::kMachineRoot);
    return s.Step();
}

bool RegistryStore::KeyExists(std::int64_t id)
{
    auto s = m_db.Prepare("SELECT 1 FROM keys WHERE id = ?");
    s.Bind(1, id);
    return s.Step();
}

void RegistryStore::ResolveClasses(View& view)
{
    view.user = Walk(RegistryDatabase::kUserRoot, Join(kClassesPath, view.path));
    view.machine = Walk(RegistryDatabase::kMachineRoot, Join(kClassesPath, view.path));
}

LONG RegistryStore::Resolve(HKEY key, View& view)
{
    view = View();
    const std::uintptr_t value = HandleValue(key);
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_USERS) {
        view.id = key == HKEY_LOCAL_MACHINE  ? RegistryDatabase::kMachineRoot
                  : key == HKEY_CURRENT_USER ? RegistryDatabase::kUserRoot
                                             : RegistryDatabase::kUsersRoot;
        return ERROR_SUCCESS;
    }
    if (key == HKEY_CLASSES_ROOT) {
        view.classes = true;
        ResolveClasses(view);
        return ERROR_SUCCESS;
    }
    const auto it = m_handles.find(value);
    if (it == m_handles.end() || it->second.generation != m_db.Generation())
        return ERROR_INVALID_HANDLE;
    const HandleEntry& entry = it->second;
    if (entry.classes) {
        view.classes = true;
        view.path = entry.path;
        ResolveClasses(view);
        return view.user || view.machine || view.path.empty() ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    }
    view.id = entry.id;
    return KeyExists(entry.id) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG RegistryStore::Child(const View& parent, const std::vector<std::string>& parts, View& child)
{
    child = View();
    if (parent.classes) {
        child.classes = true;
        child.path = Join(parent.path, parts);
        ResolveClasses(child);
        return child.user || child.machine || child.path.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }
    child.id = Walk(parent.id, parts);
    return child.id ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

std::int64_t RegistryStore::CreatePath(std::int64_t start, const std::vector<std::string>& parts,
                                       std::string_view keyClass, bool& created)
{
    created = false;
    std::int64_t id = start;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::int64_t next = Lookup(id, parts[i]);
        if (next) {
            id = next;
            continue;
        }
        const std::int64_t now = RegistryDatabase::Now();
        const bool last = i + 1 == parts.size();
        m_db.Prepare("INSERT INTO keys(parent, name, fold, class, mtime) VALUES(?, ?, ?, ?, ?)")
            .Bind(1, id)
            .Bind(2, parts[i])
            .Bind(3, KeyName::Fold(parts[i]))
            .Bind(4, last ? keyClass : std::string_view())
            .Bind(5, now)
            .Run();
        Touch(id);
        id = Lookup(id, parts[i]);
        if (id == 0)
            throw DatabaseError(ERROR_REGISTRY_IO_FAILED);
        created = last;
    }
    return id;
}

std::int64_t RegistryStore::ClassesTarget(View& view)
{
    if (view.user)
        return view.user;
    if (view.machine)
        return view.machine;
    bool created = false;
    view.machine = CreatePath(RegistryDatabase::kMachineRoot, Join(kClassesPath, view.path), {}, created);
    return view.machine;
}

void RegistryStore::Touch(std::int64_t id)
{
    m_db.Prepare("UPDATE keys SET mtime = ? WHERE id = ?").Bind(1, RegistryDatabase::Now()).Bind(2, id).Run();
}

bool RegistryStore::HasSubkeys(std::int64_t id)
{
    auto s = m_db.Prepare("SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
    s.Bind(1, id);
    return s.Step();
}

void RegistryStore::RemoveContents(std::int64_t id)
{
    m_db.Prepare("WITH RECURSIVE tree(id) AS (SELECT id FROM keys WHERE parent = ?1"
                 " UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)"
                 " DELETE FROM vals WHERE key = ?1 OR key IN tree")
        .Bind(1, id)
        .Run();
    m_db.Prepare("WITH RECURSIVE tree(id) AS (SELECT id FROM keys WHERE parent = ?1"
                 " UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)"
                 " DELETE FROM keys WHERE id IN tree")
        .Bind(1, id)
        .Run();
    Touch(id);
}

void RegistryStore::RemoveKey(std::int64_t id)
{
    std::int64_t parent = 0;
    {
        auto s = m_db.Prepare("SELECT parent FROM keys WHERE id = ?");
        s.Bind(1, id);
        if (s.Step())
            parent = s.Int(0);
    }
    RemoveContents(id);
    m_db.Prepare("DELETE FROM keys WHERE id = ?").Bind(1, id).Run();
    if (parent)
        Touch(parent);
}

bool RegistryStore::FindValue(std::int64_t id, std::string_view fold, ValueEntry* value)
{
    auto s = m_db.Prepare("SELECT name, type, data FROM vals WHERE key = ? AND fold = ?");
    s.Bind(1, id).Bind(2, fold);
    if (!s.Step())
        return false;
    if (value) {
        value->name = s.Text(0);
        value->type = static_cast<DWORD>(s.Int(1));
        value->data = s.Blob(2);
    }
    return true;
}

std::vector<SubkeyEntry> RegistryStore::Subkeys(const View& view)
{
    // Merged by folded name; the first key in precedence order gives the spelling.
    std::map<std::string, SubkeyEntry> merged;
    for (const std::int64_t id : view.Keys()) {
        auto s = m_db.Prepare("SELECT name, class, mtime, fold FROM keys WHERE parent = ? ORDER BY fold");
        s.Bind(1, id);
        while (s.Step())
            merged.try_emplace(s.Text(3), SubkeyEntry{s.Text(0), s.Text(1), s.Int(2)});
    }
    std::vector<SubkeyEntry> out;
    out.reserve(merged.size());
    for (auto& [fold, entry] : merged)
        out.push_back(std::move(entry));
    return out;
}

std::vector<ValueEntry> RegistryStore::Values(const View& view)
{
    std::map<std::string, ValueEntry> merged;
    for (const std::int64_t id : view.Keys()) {
        auto s = m_db.Prepare("SELECT name, type, data, fold FROM vals WHERE key = ? ORDER BY fold");
        s.Bind(1, id);
        while (s.Step())
            merged.try_emplace(s.Text(3), ValueEntry{s.Text(0), static_cast<DWORD>(s.Int(1)), s.Blob(2)});
    }
    std::vector<ValueEntry> out;
    out.reserve(merged.size());
    for (auto& [fold, entry] : merged)
        out.push_back(std::move(entry));
    return out;
}

// --- operations ------------------------------------------------------------------------------

LONG RegistryStore::Validate(HKEY key)
{
    return Run(false, [&]() -> LONG {
        View view;
        return Resolve(key, view);
    });
}

LONG RegistryStore::OpenKey(HKEY key, const char* subKey, REGSAM access, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::string> parts;
    if (const LONG rc = KeyName::Split(subKey, parts); rc != ERROR_SUCCESS)
        return rc;
    HandleEntry entry;
    const LONG rc = Run(false, [&]() -> LONG {
        View view;
        View child;
        LONG r = Resolve(key, view);
        if (r == ERROR_SUCCESS)
            r = Child(view, parts, child);
        if (r != ERROR_SUCCESS)
            return r;
        if ((access & kWriteRights) && OrdinaryUser()) {
            // Below HKEY_CLASSES_ROOT a write goes to the user's key when there is one.
            if (child.classes ? child.user == 0 : Protected(child.id))
                return ERROR_ACCESS_DENIED;
        }
        entry = HandleEntry{m_db.Generation(), child.classes, child.id, child.path};
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = AddHandle(entry);
    return ERROR_SUCCESS;
}

LONG RegistryStore::CreateKey(HKEY key, const char* subKey, std::string_view keyClass, REGSAM access, HKEY* result,
                              DWORD* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::string> parts;
    if (const LONG rc = KeyName::Split(subKey, parts); rc != ERROR_SUCCESS)
        return rc;
    HandleEntry entry;
    bool created = false;
    const LONG rc = Run(true, [&]() -> LONG {
        View view;
        if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS)
            return r;
        created = false;
        if (OrdinaryUser()) {
            // Creating a key, or opening one to write, where the user may not write.
            View child;
            const bool exists = Child(view, parts, child) == ERROR_SUCCESS;
            const bool refused = child.classes ? child.user == 0 && (!exists || (access & kWriteRights))
                                               : Protected(view.id) && (!exists || (access & kWriteRights));
            if (refused)
                return ERROR_ACCESS_DENIED;
        }
        if (view.classes) {
            View child;
            if (Child(view, parts, child) != ERROR_SUCCESS) {
                // New keys below HKEY_CLASSES_ROOT go to the machine's classes.
                CreatePath(RegistryDatabase::kMachineRoot, Join(kClassesPath, child.path), keyClass, created);
            }
            entry = HandleEntry{m_db.Generation(), true, 0, child.path};
        } else {
            const std::int64_t id = CreatePath(view.id, parts, keyClass, created);
            entry = HandleEntry{m_db.Generation(), false, id, {}};
        }
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = AddHandle(entry);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

bool RegistryStore::IsPredefined(HKEY key)
{
    return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_USERS || key == HKEY_CLASSES_ROOT;
}

LONG RegistryStore::CloseKey(HKEY key)
{
    if (IsPredefined(key))
        return ERROR_SUCCESS;
    std::lock_guard lock(m_mutex);
    m_enumCache.erase(HandleValue(key));
    return m_handles.erase(HandleValue(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegistryStore::QueryValue(HKEY key, std::string_view name, ValueEntry& value)
{
    const std::string fold = KeyName::Fold(name);
    return Run(false, [&]() -> LONG {
        View view;
        if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS)
            return r;
        for (const std::int64_t id : view.Keys())
            if (FindValue(id, fold, &value))
                return ERROR_SUCCESS;
        return ERROR_FILE_NOT_FOUND;
    });
}

LONG RegistryStore::SetValue(HKEY key, std::string_view name, DWORD type, std::span<const BYTE> data)
{
    if (KeyName::CharacterCount(name) > kMaxValueNameLength)
        return ERROR_INVALID_PARAMETER;
    const std::string fold = KeyName::Fold(name);
    return Run(true, [&]() -> LONG {
        View view;
        if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS)
            return r;
        if (view.classes ? view.user == 0 && OrdinaryUser() : Protected(view.id))
            return ERROR_ACCESS_DENIED;
        const std::int64_t id = view.classes ? ClassesTarget(view) : view.id;
        // An existing value keeps the spelling of its name.
        m_db.Prepare("INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)"
                     " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data")
            .Bind(1, id)
            .Bind(2, name)
            .Bind(3, fold)
            .Bind(4, static_cast<std::int64_t>(type))
            .BindBlob(5, data)
            .Run();
        Touch(id);
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteValue(HKEY key, std::string_view name)
{
    const std::string fold = KeyName::Fold(name);
    return Run(true, [&]() -> LONG {
        View view;
        if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS)
            return r;
        if (!view.classes && Protected(view.id))
            return ERROR_ACCESS_DENIED;
        for (const std::int64_t id : view.Keys()) {
            if (FindValue(id, fold, nullptr)) {
                if (Protected(id))
                    return ERROR_ACCESS_DENIED;
                m_db.Prepare("DELETE FROM vals WHERE key = ? AND fold = ?").Bind(1, id).Bind(2, fold).Run();
                Touch(id);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

LONG RegistryStore::DeleteKey(HKEY key, const char* subKey)
{
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    std::vector<std::string> parts;
    if (const LONG rc = KeyName::Split(subKey, parts); rc != ERROR_SUCCESS)
        return rc;
    return Run(true, [&]() -> LONG {
        View view;
        View child;
        LONG r = Resolve(key, view);
        if (r == ERROR_SUCCESS)
            r = Child(view, parts, child);
        if (r != ERROR_SUCCESS)
            return r;
        // The key itself: the user's classes key before the machine's.
        std::int64_t id = child.classes ? (child.user ? child.user : child.machine) : child.id;
        const bool root = child.classes ? child.path.empty()
                                        : (id == RegistryDatabase::kMachineRoot || id == RegistryDatabase::kUserRoot ||
                                           id == RegistryDatabase::kUsersRoot);
        if (root || Protected(id))
            return ERROR_ACCESS_DENIED;
        if (HasSubkeys(id))
            return ERROR_ACCESS_DENIED;
        RemoveKey(id);
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteTree(HKEY key, const char* subKey)
{
    std::vector<std::string> parts;
    if (const LONG rc = KeyName::Split(subKey, parts); rc != ERROR_SUCCESS)
        return rc;
    return Run(true, [&]() -> LONG {
        View view;
        if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS)
            return r;
        if (parts.empty()) {
            for (const std::int64_t id : view.Keys())
                if (Protected(id))
                    return ERROR_ACCESS_DENIED;
            for (const std::int64_t id : view.Keys())
                RemoveContents(id);
            return ERROR_SUCCESS;
        }
        View child;
        if (const LONG r = Child(view, parts, child); r != ERROR_SUCCESS)
            return r;
        for (const std::int64_t id : child.Keys())
            if (Protected(id))
                return ERROR_ACCESS_DENIED;
        // Below HKEY_CLASSES_ROOT both the user's and the machine's tree go.
        for (const std::int64_t id : child.Keys())
            RemoveKey(id);
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::EnumKey(HKEY key, DWORD index, SubkeyEntry& subkey)
{
    return Run(false, [&]() -> LONG {
        EnumCache& cache = m_enumCache[HandleValue(key)];
        const auto stamp = m_db.CurrentStamp();
        if (!(cache.keysStamp == stamp)) {
            View view;
            if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS) {
                m_enumCache.erase(HandleValue(key));
                return r;
            }
            cache.keys = Subkeys(view);
            cache.keysStamp = stamp;
        } else if (!m_handles.count(HandleValue(key)) && !IsPredefined(key)) {
            return ERROR_INVALID_HANDLE;
        }
        if (index >= cache.keys.size())
            return ERROR_NO_MORE_ITEMS;
        subkey = cache.keys[index];
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::EnumValue(HKEY key, DWORD index, ValueEntry& value)
{
    return Run(false, [&]() -> LONG {
        EnumCache& cache = m_enumCache[HandleValue(key)];
        const auto stamp = m_db.CurrentStamp();
        if (!(cache.valuesStamp == stamp)) {
            View view;
            if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS) {
                m_enumCache.erase(HandleValue(key));
                return r;
            }
            cache.values = Values(view);
            cache.valuesStamp = stamp;
        } else if (!m_handles.count(HandleValue(key)) && !IsPredefined(key)) {
            return ERROR_INVALID_HANDLE;
        }
        if (index >= cache.values.size())
            return ERROR_NO_MORE_ITEMS;
        value = cache.values[index];
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::QueryInfo(HKEY key, KeySummary& summary)
{
    return Run(false, [&]() -> LONG {
        View view;
        if (const LONG r = Resolve(key, view); r != ERROR_SUCCESS)
            return r;
        summary = KeySummary();
        for (const std::int64_t id : view.Keys()) {
            auto s = m_db.Prepare("SELECT class, mtime FROM keys WHERE id = ?");
            s.Bind(1, id);
            if (s.Step()) {
                if (summary.lastWrite == 0)
                    summary.keyClass = s.Text(0);
                summary.lastWrite = std::max(summary.lastWrite, s.Int(1));
            }
        }
        summary.subkeys = Subkeys(view);
        summary.values = Values(view);
        return ERROR_SUCCESS;
    });
}

// --- batches ---------------------------------------------------------------------------------

LONG RegistryStore::BeginBatch()
{
    m_mutex.lock();
    try {
        if (const LONG rc = m_db.Ensure(); rc != ERROR_SUCCESS) {
            m_mutex.unlock();
            return rc;
        }
        m_db.Begin(true); // a savepoint when a batch is already open on this thread
        return ERROR_SUCCESS;
    } catch (const DatabaseError& e) {
        m_mutex.unlock();
        return e.code();
    }
}

LONG RegistryStore::EndBatch(bool commit)
{
    LONG rc = ERROR_SUCCESS;
    if (commit) {
        try {
            m_db.Commit();
        } catch (const DatabaseError& e) {
            rc = e.code();
            m_db.Rollback();
        }
    } else {
        m_db.Rollback();
    }
    m_mutex.unlock();
    return rc;
}

} // namespace platform::registry
