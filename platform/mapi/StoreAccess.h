// Opening and creating store files directly (sessions use these; so do the admin tool and tests).
#pragma once

#include "mapi/MapiX.h"
#include "mapi/StoreFile.h"

#include <filesystem>
#include <string_view>

namespace mapi {

// Creates a store file with the folder set of its kind. MAPI_E_COLLISION if the file exists.
HRESULT CreateStoreFile(const std::filesystem::path& path, StoreKind kind, std::u16string_view displayName);
// Opens a store file; MDB_WRITE in flags allows changes.
HRESULT OpenStoreFile(const std::filesystem::path& path, ULONG flags, IMsgStore** out);
// Opens the store an entry ID of a store names.
HRESULT OpenStoreByEntryId(const void* entryId, std::size_t cb, ULONG flags, IMsgStore** out);
// The store entry ID of a store file (reads the file).
HRESULT StoreEntryIdOfFile(const std::filesystem::path& path, Bytes& entryId);

} // namespace mapi
