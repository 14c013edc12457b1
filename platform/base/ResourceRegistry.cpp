#include "base/ResourceRegistry.h"

#include "base/DebugOutput.h"
#include "base/Module.h"
#include "base/ResourceFormat.h"
#include "base/Resources.h"
#include "base/UiLanguage.h"
#include "base/Utf.h"
#include "base/WinError.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <mutex>

namespace {

// A name stored in the block: zero-terminated inside it.
bool ReadName(const std::uint8_t* block, std::size_t size, std::uint32_t offset, std::string& out)
{
    if (offset >= size)
        return false;
    const void* end = std::memchr(block + offset, 0, size - offset);
    if (!end)
        return false;
    out.assign(reinterpret_cast<const char*>(block + offset));
    return !out.empty();
}

bool ReadKey(const std::uint8_t* block, std::size_t size, std::uint32_t id, std::uint32_t nameOffset, std::string& key)
{
    if (nameOffset == 0) {
        key = "#" + std::to_string(id);
        return id <= 0xFFFF;
    }
    std::string name;
    if (!ReadName(block, size, nameOffset, name))
        return false;
    key = platform::ToUpperAscii(name);
    return true;
}

const platform::ResourceRegistry::Entry* Pick(const std::vector<platform::ResourceRegistry::Entry>& list, WORD language)
{
    auto exact = [&](WORD wanted) -> const platform::ResourceRegistry::Entry* {
        for (const auto& e : list)
            if (e.language == wanted)
                return &e;
        return nullptr;
    };
    if (const auto* e = exact(language))
        return e;
    // The same primary language: its default sublanguage first, else the lowest.
    const platform::ResourceRegistry::Entry* same = nullptr;
    for (const auto& e : list) {
        if (e.language == 0 || PRIMARYLANGID(e.language) != PRIMARYLANGID(language))
            continue;
        if (!same || (SUBLANGID(e.language) == SUBLANG_DEFAULT && SUBLANGID(same->language) != SUBLANG_DEFAULT) ||
            (SUBLANGID(e.language) != SUBLANG_DEFAULT && SUBLANGID(same->language) != SUBLANG_DEFAULT &&
             e.language < same->language))
            same = &e;
    }
    if (same)
        return same;
    if (const auto* e = exact(1033))
        return e;
    return exact(0);
}

} // namespace

namespace platform {

ResourceRegistry& ResourceRegistry::Instance()
{
    // Never destroyed: modules unregister from their destructors, which may run after the
    // static objects of this library are gone.
    static ResourceRegistry* registry = new ResourceRegistry;
    return *registry;
}

std::string ResourceRegistry::KeyOf(LPCSTR typeOrName)
{
    if (IS_INTRESOURCE(typeOrName))
        return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(typeOrName));
    std::string key = ToUpperAscii(typeOrName);
    if (key.size() > 1 && key[0] == '#' && key.find_first_not_of("0123456789", 1) == std::string::npos) {
        const unsigned long id = std::strtoul(key.c_str() + 1, nullptr, 10);
        return "#" + std::to_string(id);
    }
    return key;
}

bool ResourceRegistry::Register(const void* block, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    ResourceBlockHeader header{};
    if (!block || size < sizeof header)
        return false;
    std::memcpy(&header, bytes, sizeof header);
    if (std::memcmp(header.magic, kResourceMagic, sizeof header.magic) != 0 ||
        header.count > (size - sizeof header) / sizeof(ResourceEntryRecord))
        return false;

    Table table;
    table.block = block;
    Dl_info info{};
    if (!dladdr(block, &info) || !info.dli_fbase)
        return false;
    table.module = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    for (std::uint32_t i = 0; i < header.count; ++i) {
        ResourceEntryRecord record{};
        std::memcpy(&record, bytes + sizeof header + i * sizeof record, sizeof record);
        std::string type, name;
        if (!ReadKey(bytes, size, record.typeId, record.typeName, type) ||
            !ReadKey(bytes, size, record.nameId, record.nameName, name) || record.language > 0xFFFF ||
            record.dataOffset > size || record.dataSize > size - record.dataOffset)
            return false;
        auto& list = table.types[type][name];
        if (std::any_of(list.begin(), list.end(), [&](const Entry& e) { return e.language == record.language; }))
            return false;
        list.push_back({static_cast<WORD>(record.language), bytes + record.dataOffset, record.dataSize});
    }
    std::unique_lock guard(m_lock);
    m_tables.push_back(std::move(table));
    return true;
}

void ResourceRegistry::Unregister(const void* block)
{
    std::unique_lock guard(m_lock);
    m_tables.remove_if([&](const Table& t) { return t.block == block; });
}

const ResourceRegistry::Entry* ResourceRegistry::Find(HMODULE module, LPCSTR type, LPCSTR name, WORD language,
                                                      DWORD* error) const
{
    if (!type || !name) {
        if (error)
            *error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    return FindByKey(module, KeyOf(type), KeyOf(name), language, error);
}

const ResourceRegistry::Entry* ResourceRegistry::FindByKey(HMODULE module, const std::string& typeKey,
                                                           const std::string& nameKey, WORD language,
                                                           DWORD* error) const
{
    DWORD reason = ERROR_RESOURCE_DATA_NOT_FOUND;
    const Entry* found = nullptr;
    {
        if (!module)
            module = GetModuleHandleA(nullptr);
        if (PRIMARYLANGID(language) == LANG_NEUTRAL)
            language = GetThreadUILanguage();
        std::shared_lock guard(m_lock);
        for (const Table& table : m_tables) {
            if (table.module != reinterpret_cast<std::uintptr_t>(module))
                continue;
            reason = std::max<DWORD>(reason, ERROR_RESOURCE_TYPE_NOT_FOUND);
            const auto t = table.types.find(typeKey);
            if (t == table.types.end())
                continue;
            reason = std::max<DWORD>(reason, ERROR_RESOURCE_NAME_NOT_FOUND);
            const auto n = t->second.find(nameKey);
            if (n == t->second.end())
                continue;
            reason = ERROR_RESOURCE_LANG_NOT_FOUND;
            if ((found = Pick(n->second, language)))
                break;
        }
    }
    if (!found && error)
        *error = reason;
    return found;
}

bool ResourceRegistry::Owns(HMODULE module, const Entry* entry) const
{
    if (!entry)
        return false;
    std::shared_lock guard(m_lock);
    for (const Table& table : m_tables) {
        if (module && table.module != reinterpret_cast<std::uintptr_t>(module))
            continue;
        for (const auto& [type, names] : table.types)
            for (const auto& [name, list] : names)
                if (!list.empty() && entry >= list.data() && entry < list.data() + list.size())
                    return true;
    }
    return false;
}

} // namespace platform

void platform_register_module_resources(const void* block, unsigned long size)
{
    if (!platform::ResourceRegistry::Instance().Register(block, size)) {
        const std::string path = platform::ModulePathOfAddress(block);
        OutputDebugStringA(("Resources of " + path + " are damaged and were not loaded.\n").c_str());
    }
}

void platform_unregister_module_resources(const void* block)
{
    platform::ResourceRegistry::Instance().Unregister(block);
}
