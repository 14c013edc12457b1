// ProfileRegistry: MAPI profiles kept in the registry under
// HKCU\Software\Microsoft\Windows Messaging Subsystem\Profiles. A profile is a key holding its
// unique search key and its stores (one subkey per store: file path, entry ID, display name,
// provider); the value DefaultProfile of the Profiles key names the default profile.
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
};

} // namespace mapi
