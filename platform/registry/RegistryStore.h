// The registry's semantics over the database: handles, the merged HKEY_CLASSES_ROOT view,
// keys and values. The functions of Registry.h marshal their buffers and call in here. One
// process-wide instance; every call holds its lock and runs as one database transaction.
#pragma once

#include "base/WinTypes.h"
#include "registry/Registry.h"
#include "registry/RegistryDatabase.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::registry {

struct SubkeyEntry {
    std::string name;
    std::string keyClass;
    std::int64_t lastWrite = 0;
};

struct ValueEntry {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct KeySummary {
    std::string keyClass;
    std::vector<SubkeyEntry> subkeys;
    std::vector<ValueEntry> values;
    std::int64_t lastWrite = 0;
};

class RegistryStore {
public:
    static RegistryStore& Instance();

    // With PLATFORM_REGISTRY_USER=ordinary, opening a key of HKEY_LOCAL_MACHINE with a write right
    // in `access`, creating one, and every write or deletion there are refused with
    // ERROR_ACCESS_DENIED, as for a user without administrator rights.
    LONG OpenKey(HKEY key, const char* subKey, REGSAM access, HKEY* result);
    LONG CreateKey(HKEY key, const char* subKey, std::string_view keyClass, REGSAM access, HKEY* result,
                   DWORD* disposition);
    LONG CloseKey(HKEY key);
    // Checks that a handle names an existing key.
    LONG Validate(HKEY key);

    LONG QueryValue(HKEY key, std::string_view name, ValueEntry& value);
    LONG SetValue(HKEY key, std::string_view name, DWORD type, std::span<const BYTE> data);
    LONG DeleteValue(HKEY key, std::string_view name);

    LONG DeleteKey(HKEY key, const char* subKey);
    LONG DeleteTree(HKEY key, const char* subKey);

    LONG EnumKey(HKEY key, DWORD index, SubkeyEntry& subkey);
    LONG EnumValue(HKEY key, DWORD index, ValueEntry& value);
    LONG QueryInfo(HKEY key, KeySummary& summary);

    // Batches (RegistryBatch): the calling thread holds the registry and one write
    // transaction until EndBatch; calls in between are savepoints inside it. A batch begun
    // inside another is a savepoint of it.
    LONG BeginBatch();
    LONG EndBatch(bool commit);

private:
    // What a handle stands for: a stored key, or a path below HKEY_CLASSES_ROOT.
    struct HandleEntry {
        std::uint64_t generation = 0;
        bool classes = false;
        std::int64_t id = 0;
        std::vector<std::string> path;
    };
    // A handle resolved against the database.
    struct View {
        bool classes = false;
        std::int64_t id = 0;              // stored key
        std::vector<std::string> path;    // below HKEY_CLASSES_ROOT
        std::int64_t user = 0;            // HKCU\Software\Classes\<path>, 0 when absent
        std::int64_t machine = 0;         // HKLM\Software\Classes\<path>, 0 when absent
        std::vector<std::int64_t> Keys() const; // in precedence order
    };

    // Subkeys and values of a handle's key as last read, so that enumerating index by index
    // reads the key once instead of once per index.
    struct EnumCache {
        RegistryDatabase::Stamp keysStamp;
        std::vector<SubkeyEntry> keys;
        RegistryDatabase::Stamp valuesStamp;
        std::vector<ValueEntry> values;
    };

    RegistryStore() = default;

    static bool IsPredefined(HKEY key);
    LONG Run(bool write, const std::function<LONG()>& work);
    HKEY AddHandle(const HandleEntry& entry);

    LONG Resolve(HKEY key, View& view);
    void ResolveClasses(View& view);
    LONG Child(const View& parent, const std::vector<std::string>& parts, View& child);
    std::int64_t Lookup(std::int64_t parent, std::string_view name);
    std::int64_t Walk(std::int64_t start, const std::vector<std::string>& parts);
    std::int64_t CreatePath(std::int64_t start, const std::vector<std::string>& parts, std::string_view keyClass,
                            bool& created);
    std::int64_t ClassesTarget(View& view); // the stored key that a write through a classes view changes
    bool KeyExists(std::int64_t id);
    // Whether the ordinary user may not change this stored key (one of HKEY_LOCAL_MACHINE).
    bool Protected(std::int64_t id);
    bool HasSubkeys(std::int64_t id);
    void Touch(std::int64_t id);
    void RemoveKey(std::int64_t id);         // the key, its subkeys and values
    void RemoveContents(std::int64_t id);    // subkeys and values, keeping the key
    std::vector<SubkeyEntry> Subkeys(const View& view);
    std::vector<ValueEntry> Values(const View& view);
    bool FindValue(std::int64_t id, std::string_view fold, ValueEntry* value);

    std::recursive_mutex m_mutex;
    RegistryDatabase m_db;
    std::unordered_map<std::uintptr_t, HandleEntry> m_handles;
    std::unordered_map<std::uintptr_t, EnumCache> m_enumCache;
    std::uintptr_t m_nextHandle = 0x1000;
};

} // namespace platform::registry
