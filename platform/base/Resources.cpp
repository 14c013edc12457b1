#include "base/Resources.h"

#include "base/LastError.h"
#include "base/ResourceRegistry.h"
#include "base/Utf.h"
#include "base/WinError.h"

#include <cstring>
#include <string_view>

namespace {

using platform::ResourceRegistry;

const ResourceRegistry::Entry* EntryOf(HRSRC resource)
{
    return reinterpret_cast<const ResourceRegistry::Entry*>(resource);
}

HRSRC Find(HMODULE module, LPCSTR type, LPCSTR name, WORD language)
{
    DWORD error = 0;
    const auto* entry = ResourceRegistry::Instance().Find(module, type, name, language, &error);
    if (!entry) {
        SetLastError(error);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceRegistry::Entry*>(entry));
}

} // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    return Find(module, type, name, 0);
}

HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language)
{
    return Find(module, type, name, language);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    if (!ResourceRegistry::Instance().Owns(module, EntryOf(resource))) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return const_cast<std::uint8_t*>(EntryOf(resource)->data);
}

LPVOID LockResource(HGLOBAL data)
{
    return data;
}

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    if (!ResourceRegistry::Instance().Owns(module, EntryOf(resource))) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    return EntryOf(resource)->size;
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax)
{
    if (!buffer || bufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    if (id > 0xFFFF) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    DWORD error = 0;
    const auto* entry = ResourceRegistry::Instance().FindByKey(instance, "#6", "#" + std::to_string(id), 0, &error);
    if (!entry) {
        SetLastError(error);
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(entry->data), entry->size);
    std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(bufferMax) - 1);
    // Never cut a character in two.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}
