// The resources of the loaded modules: each module registers its compiled block when it is
// loaded (base/ResourceFormat.h) and unregisters it when it is unloaded. Lookups go by module,
// type, name and language in the order base/Resources.h describes.
#pragma once

#include "base/WinTypes.h"

#include <cstdint>
#include <list>
#include <map>
#include <shared_mutex>
#include <string>
#include <vector>

namespace platform {

class ResourceRegistry {
public:
    struct Entry {
        WORD language = 0;
        const std::uint8_t* data = nullptr;
        DWORD size = 0;
    };

    static ResourceRegistry& Instance();

    // False (and nothing registered) for a block that is not a well-formed resource block.
    bool Register(const void* block, std::size_t size);
    void Unregister(const void* block);

    // The entry for a type and name (numbers as MAKEINTRESOURCEA, or texts) in the module (null:
    // the executable), from `language` (0: the thread's UI language) along the lookup order.
    // Null with the reason in `error` (ERROR_RESOURCE_...) when there is none.
    const Entry* Find(HMODULE module, LPCSTR type, LPCSTR name, WORD language, DWORD* error) const;
    // The same by the keys KeyOf gives.
    const Entry* FindByKey(HMODULE module, const std::string& typeKey, const std::string& nameKey, WORD language,
                           DWORD* error) const;
    // Whether the entry belongs to the module (null: to any module).
    bool Owns(HMODULE module, const Entry* entry) const;

    // The key a type or name is filed under: "#123" for a number (also for the text "#123"), else
    // the text in upper case.
    static std::string KeyOf(LPCSTR typeOrName);

private:
    struct Table {
        const void* block = nullptr;
        std::uintptr_t module = 0;
        // type key -> name key -> the entry in each language
        std::map<std::string, std::map<std::string, std::vector<Entry>>> types;
    };

    mutable std::shared_mutex m_lock;
    std::list<Table> m_tables;
};

} // namespace platform
