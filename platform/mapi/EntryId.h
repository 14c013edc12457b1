// Entry IDs of this store provider. A store's entry ID carries the store's identity, its
// provider and the path of its file; a folder's or message's carries the provider, the store's
// identity, the object type and the object's number, so that each can be opened from it alone.
#pragma once

#include "mapi/StoreFile.h"

#include <string>

namespace mapi {

struct ParsedEntryId {
    bool isStore = false;
    GUID store{};
    StoreKind kind = StoreKind::Personal;
    ULONG type = 0;        // MAPI_FOLDER or MAPI_MESSAGE for object entry IDs
    std::int64_t id = 0;   // object number
    std::string path;      // store entry IDs: the file
};

bool ParseEntryId(const void* data, std::size_t cb, ParsedEntryId& out);
// TRUE when both name the same object; entry IDs of other providers compare by their bytes.
bool SameEntry(const void* a, std::size_t cba, const void* b, std::size_t cbb);

// The properties every store object computes.
void AddIdentityProps(const StoreFile& file, ULONG type, std::int64_t id, PropMap& props);

} // namespace mapi
