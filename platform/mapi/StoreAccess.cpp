#include "mapi/StoreAccess.h"

#include "mapi/EntryId.h"
#include "mapi/MsgStore.h"

namespace mapi {

HRESULT CreateStoreFile(const std::filesystem::path& path, StoreKind kind, std::u16string_view displayName)
{
    std::shared_ptr<StoreFile> file;
    return StoreFile::Create(path, kind, std::u16string(displayName), file);
}

HRESULT OpenStoreFile(const std::filesystem::path& path, ULONG flags, IMsgStore** out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    std::shared_ptr<StoreFile> file;
    HRESULT hr = StoreFile::Open(path, file);
    if (FAILED(hr))
        return hr;
    return MsgStore::Create(std::move(file), (flags & MDB_WRITE) != 0, out);
}

HRESULT OpenStoreByEntryId(const void* entryId, std::size_t cb, ULONG flags, IMsgStore** out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    ParsedEntryId parsed;
    if (!ParseEntryId(entryId, cb, parsed) || !parsed.isStore)
        return MAPI_E_INVALID_ENTRYID;
    std::shared_ptr<StoreFile> file;
    HRESULT hr = StoreFile::Open(parsed.path, file);
    if (FAILED(hr))
        return hr;
    // The file at that path must still be the store the entry ID names.
    if (!IsEqualGUID(file->guid(), parsed.store))
        return MAPI_E_NOT_FOUND;
    return MsgStore::Create(std::move(file), (flags & MDB_WRITE) != 0, out);
}

HRESULT StoreEntryIdOfFile(const std::filesystem::path& path, Bytes& entryId)
{
    std::shared_ptr<StoreFile> file;
    HRESULT hr = StoreFile::Open(path, file);
    if (FAILED(hr))
        return hr;
    entryId = file->StoreEntryId();
    return S_OK;
}

} // namespace mapi
