// ProfileRegistry: MAPI profiles kept in the registry under
// HKCU\Software\Microsoft\Windows Messaging Subsystem\Profiles. A profile is a key holding its
// unique search key and its stores (one subkey per store: file path, entry ID, display name,
// provider, and what is read-only for the profile: ReadOnly (REG_DWORD 1) for the whole store,
// ReadOnlyFolders (REG_MULTI_SZ, folder entry IDs in hex) for some folders); the value
// DefaultProfile of the Profiles key names the default profile.
#pragma once

#include "mapi/StoreFile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace mapi {

struct ProfileStore {
    std::string key; // the store's subkey
    std::filesystem::path path;
    Bytes entryId;
    Bytes recordKey;
    Bytes provider;
    std::u16string displayName;
    bool isDefault = false;
    // What sessions of the profile may not change: the whole store, or these folders (entry IDs)
    // with the messages in them.
    bool readOnly = false;
    std::vector<Bytes> readOnlyFolders;
};

class ProfileRegistry {
public:
    static HRESULT List(std::vector<std::string>& names, std::string& defaultName);
    static bool Exists(const std::string& name);
    // MAPI_E_NO_ACCESS when a profile of that name exists.
    static HRESULT Create(const std::string& name);
    static HRESULT Delete(const std::string& name);
    static HRESULT SetDefault(const std::string& name);
    static HRESULT SearchKey(const std::string& name, Bytes& key);
    // The profile's name as stored (profile names compare without case).
    static HRESULT CanonicalName(const std::string& name, std::string& stored);

    static HRESULT Stores(const std::string& profile, std::vector<ProfileStore>& stores);
    // Adds a store file to a profile; the first store becomes the default store.
    static HRESULT AddStore(const std::string& profile, const std::filesystem::path& path);
    static HRESULT RemoveStore(const std::string& profile, const std::filesystem::path& path);
    static HRESULT SetDefaultStore(const std::string& profile, const Bytes& storeRecordKey);
    // Sets what the profile's sessions may not change in one of its stores: all of it, or the
    // folders given (entry IDs of that store); neither makes it writable again. MAPI_E_NOT_FOUND
    // when the store is not in the profile, MAPI_E_INVALID_ENTRYID for a folder of another store.
    static HRESULT SetStoreAccess(const std::string& profile, const std::filesystem::path& path, bool readOnly,
                                  const std::vector<Bytes>& readOnlyFolders);
};

} // namespace mapi
