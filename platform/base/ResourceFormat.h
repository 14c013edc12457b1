// The layout of a module's compiled resources: one read-only block that the resource compiler
// (tools/rescomp) writes into the module and that the module registers when it is loaded.
// All numbers are little-endian 32-bit words; offsets count from the start of the block.
//
//   magic "MODRES1\0"
//   count
//   count entries of ResourceEntryRecord
//   names (zero-terminated, upper case) and data, each data block aligned to 8
//
// A type or name is a number (its `...Name` offset 0) or a text at that offset (its `...Id` 0).
// Strings (RT_STRING) are entries of their own, named by the string id, holding UTF-8 text
// without a terminator. Menus (RT_MENU) hold the menu record below; icons (RT_GROUP_ICON),
// bitmaps (RT_BITMAP) and typed binary resources hold the bytes of their files.
//
// Menu record: a 16-bit item count, then the items; an item is 16-bit flags (MF_*), a 16-bit
// command id, its UTF-8 text with a terminating zero, and for a popup (MF_POPUP) its own count
// and items.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr char kResourceMagic[8] = {'M', 'O', 'D', 'R', 'E', 'S', '1', '\0'};

struct ResourceEntryRecord {
    std::uint32_t typeId;
    std::uint32_t typeName;
    std::uint32_t nameId;
    std::uint32_t nameName;
    std::uint32_t language;
    std::uint32_t dataOffset;
    std::uint32_t dataSize;
};

struct ResourceBlockHeader {
    char magic[8];
    std::uint32_t count;
};

} // namespace platform

// Called by the code the resource compiler generates, when the module is loaded and unloaded.
extern "C" {
void platform_register_module_resources(const void* block, unsigned long size);
void platform_unregister_module_resources(const void* block);
}
