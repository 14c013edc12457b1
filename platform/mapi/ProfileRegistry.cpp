#include "mapi/ProfileRegistry.h"

#include "mapi/Notifier.h"

#include "base/Utf.h"
#include "mapi/EntryId.h"
#include "mapi/MapiTags.h"
#include "registry/Registry.h"
#include "registry/RegistryBatch.h"

#include <cstdio>
#include <random>

namespace mapi {

namespace {

constexpr const char* kProfilesKey = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";

class Key {
public:
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    HKEY* put() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

HRESULT FromWin32(LONG rc)
{
    switch (rc) {
    case ERROR_SUCCESS:
        return S_OK;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return MAPI_E_NOT_FOUND;
    case ERROR_ACCESS_DENIED:
        return MAPI_E_NO_ACCESS;
    default:
        return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
    }
}

bool ValidName(const std::string& name)
{
    return !name.empty() && name.size() <= 64 && name.find('\\') == std::string::npos;
}

HRESULT ReadString(HKEY key, const char* value, std::string& out)
{
    DWORD type = 0, cb = 0;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, nullptr, &cb);
    if (rc != ERROR_SUCCESS)
        return FromWin32(rc);
    std::string buf(cb, '\0');
    rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(buf.data()), &cb);
    if (rc != ERROR_SUCCESS)
        return FromWin32(rc);
    buf.resize(cb);
    while (!buf.empty() && buf.back() == '\0')
        buf.pop_back();
    out = buf;
    return S_OK;
}

HRESULT ReadBinary(HKEY key, const char* value, Bytes& out)
{
    DWORD type = 0, cb = 0;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, nullptr, &cb);
    if (rc != ERROR_SUCCESS)
        return FromWin32(rc);
    out.assign(cb, '\0');
    rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(out.data()), &cb);
    out.resize(cb);
    return FromWin32(rc);
}

HRESULT WriteString(HKEY key, const char* value, const std::string& text)
{
    return FromWin32(RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>(text.size() + 1)));
}

HRESULT WriteBinary(HKEY key, const char* value, const Bytes& data)
{
    return FromWin32(RegSetValueExA(key, value, 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<DWORD>(data.size())));
}

constexpr const char* kReadOnlyValue = "ReadOnly";
constexpr const char* kReadOnlyFoldersValue = "ReadOnlyFolders";

std::string Hex(const Bytes& data)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : data) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

bool FromHex(const std::string& text, Bytes& out)
{
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    if (text.empty() || text.size() % 2)
        return false;
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = digit(text[i]), lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

// Reads what the profile makes read-only in a store. A value that cannot be read as written
// makes the whole store read-only: a damaged setting never grants more than it said.
void ReadAccess(HKEY key, ProfileStore& store)
{
    DWORD type = 0, value = 0, cb = sizeof value;
    const LONG rc = RegQueryValueExA(key, kReadOnlyValue, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &cb);
    if (rc == ERROR_SUCCESS)
        store.readOnly = type != REG_DWORD || cb != sizeof value || value != 0;
    else if (rc != ERROR_FILE_NOT_FOUND)
        store.readOnly = true;
    Bytes list;
    const HRESULT hr = ReadBinary(key, kReadOnlyFoldersValue, list);
    if (hr == MAPI_E_NOT_FOUND)
        return;
    std::string item;
    for (char c : list) {
        if (c != '\0') {
            item += c;
            continue;
        }
        if (item.empty())
            continue;
        Bytes folder;
        if (!FromHex(item, folder))
            store.readOnly = true;
        else
            store.readOnlyFolders.push_back(std::move(folder));
        item.clear();
    }
    if (FAILED(hr) || !item.empty())
        store.readOnly = true;
}

std::vector<std::string> SubKeys(HKEY key)
{
    std::vector<std::string> out;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD cch = sizeof name;
        if (RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        out.emplace_back(name, cch);
    }
    return out;
}

HRESULT OpenProfile(const std::string& name, Key& key, bool write)
{
    if (!ValidName(name))
        return MAPI_E_NOT_FOUND;
    const std::string path = std::string(kProfilesKey) + "\\" + name;
    return FromWin32(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, write ? KEY_ALL_ACCESS : KEY_READ, key.put()));
}

} // namespace

HRESULT ProfileRegistry::List(std::vector<std::string>& names, std::string& defaultName)
{
    names.clear();
    defaultName.clear();
    Key root;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, kProfilesKey, 0, KEY_READ, root.put());
    if (rc == ERROR_FILE_NOT_FOUND)
        return S_OK;
    if (rc != ERROR_SUCCESS)
        return FromWin32(rc);
    names = SubKeys(root.get());
    if (FAILED(ReadString(root.get(), "DefaultProfile", defaultName)))
        defaultName.clear();
    return S_OK;
}

bool ProfileRegistry::Exists(const std::string& name)
{
    Key key;
    return SUCCEEDED(OpenProfile(name, key, false));
}

HRESULT ProfileRegistry::CanonicalName(const std::string& name, std::string& stored)
{
    std::vector<std::string> names;
    std::string def;
    HRESULT hr = List(names, def);
    if (FAILED(hr))
        return hr;
    for (const auto& n : names) {
        if (platform::EqualNoCase(n, name)) {
            stored = n;
            return S_OK;
        }
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT ProfileRegistry::Create(const std::string& name)
{
    if (!ValidName(name))
        return MAPI_E_INVALID_PARAMETER;
    if (Exists(name))
        return MAPI_E_NO_ACCESS;
    const std::string path = std::string(kProfilesKey) + "\\" + name;
    // The key and its values are one change, and whether the key was new is decided inside it:
    // of two programs that create the same profile at once, exactly one makes it.
    platform::registry::RegistryBatch batch;
    if (batch.Status() != ERROR_SUCCESS)
        return FromWin32(batch.Status());
    Key key;
    DWORD disposition = 0;
    HRESULT hr = FromWin32(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                           key.put(), &disposition));
    if (FAILED(hr))
        return hr;
    if (disposition != REG_CREATED_NEW_KEY)
        return MAPI_E_NO_ACCESS;
    std::random_device rd;
    Bytes searchKey(16, '\0');
    for (auto& c : searchKey)
        c = static_cast<char>(rd() & 0xFF);
    if (FAILED(hr = WriteBinary(key.get(), "SearchKey", searchKey)))
        return hr;
    return FromWin32(batch.Commit());
}

HRESULT ProfileRegistry::Delete(const std::string& name)
{
    std::string stored;
    HRESULT hr = CanonicalName(name, stored);
    if (FAILED(hr))
        return hr;
    Key root;
    if (FAILED(hr = FromWin32(RegOpenKeyExA(HKEY_CURRENT_USER, kProfilesKey, 0, KEY_ALL_ACCESS, root.put()))))
        return hr;
    if (FAILED(hr = FromWin32(RegDeleteTreeA(root.get(), stored.c_str()))))
        return hr;
    RegDeleteKeyA(root.get(), stored.c_str());
    std::string def;
    if (SUCCEEDED(ReadString(root.get(), "DefaultProfile", def)) && platform::EqualNoCase(def, stored))
        RegDeleteValueA(root.get(), "DefaultProfile");
    return S_OK;
}

HRESULT ProfileRegistry::SetDefault(const std::string& name)
{
    Key root;
    HRESULT hr = FromWin32(RegCreateKeyExA(HKEY_CURRENT_USER, kProfilesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                           root.put(), nullptr));
    if (FAILED(hr))
        return hr;
    if (name.empty())
        return FromWin32(RegDeleteValueA(root.get(), "DefaultProfile"));
    std::string stored;
    if (FAILED(hr = CanonicalName(name, stored)))
        return hr;
    return WriteString(root.get(), "DefaultProfile", stored);
}

HRESULT ProfileRegistry::SearchKey(const std::string& name, Bytes& key)
{
    Key k;
    HRESULT hr = OpenProfile(name, k, false);
    if (FAILED(hr))
        return hr;
    return ReadBinary(k.get(), "SearchKey", key);
}

HRESULT ProfileRegistry::Stores(const std::string& profile, std::vector<ProfileStore>& stores)
{
    stores.clear();
    Key k;
    HRESULT hr = OpenProfile(profile, k, false);
    if (FAILED(hr))
        return hr;
    std::string defaultStore;
    ReadString(k.get(), "DefaultStore", defaultStore);
    for (const auto& sub : SubKeys(k.get())) {
        Key s;
        if (RegOpenKeyExA(k.get(), sub.c_str(), 0, KEY_READ, s.put()) != ERROR_SUCCESS)
            continue;
        ProfileStore ps;
        ps.key = sub;
        std::string path, name;
        if (FAILED(ReadString(s.get(), "Path", path)) || FAILED(ReadBinary(s.get(), "EntryID", ps.entryId)))
            continue; // not a store entry
        ps.path = path;
        ReadBinary(s.get(), "Provider", ps.provider);
        ReadString(s.get(), "DisplayName", name);
        ps.displayName = platform::Utf8ToUtf16(name);
        ParsedEntryId parsed;
        if (ParseEntryId(ps.entryId.data(), ps.entryId.size(), parsed))
            ps.recordKey = Bytes(reinterpret_cast<const char*>(&parsed.store), 16);
        ps.isDefault = platform::EqualNoCase(sub, defaultStore);
        ReadAccess(s.get(), ps);
        stores.push_back(std::move(ps));
    }
    return S_OK;
}

static HRESULT AddStoreImpl(const std::string& profile, const std::filesystem::path& path)
{
    Key k;
    HRESULT hr = OpenProfile(profile, k, true);
    if (FAILED(hr))
        return hr;
    std::shared_ptr<StoreFile> file;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    if (FAILED(hr = StoreFile::Open(absolute, file)))
        return hr;
    std::vector<ProfileStore> existing;
    if (FAILED(hr = ProfileRegistry::Stores(profile, existing)))
        return hr;
    for (const auto& s : existing)
        if (s.recordKey == file->StoreRecordKey())
            return MAPI_E_COLLISION;
    PropMap props;
    if (FAILED(hr = file->LoadProps(kStoreObjectId, props)))
        return hr;
    const PropValue* name = props.Find(PROP_ID(PR_DISPLAY_NAME_W));
    char keyName[16];
    unsigned n = 1;
    for (;; ++n) {
        std::snprintf(keyName, sizeof keyName, "Store%04u", n);
        bool used = false;
        for (const auto& s : existing)
            used |= platform::EqualNoCase(s.key, keyName);
        if (!used)
            break;
    }
    Key s;
    if (FAILED(hr = FromWin32(RegCreateKeyExA(k.get(), keyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, s.put(),
                                              nullptr))))
        return hr;
    const Bytes provider(reinterpret_cast<const char*>(ProviderUidOf(file->kind()).ab), 16);
    if (FAILED(hr = WriteString(s.get(), "Path", file->path().string())) ||
        FAILED(hr = WriteBinary(s.get(), "EntryID", file->StoreEntryId())) ||
        FAILED(hr = WriteBinary(s.get(), "Provider", provider)) ||
        FAILED(hr = WriteString(s.get(), "DisplayName", name ? platform::Utf16ToUtf8(name->str()) : std::string())))
        return hr;
    if (existing.empty())
        return WriteString(k.get(), "DefaultStore", keyName);
    return S_OK;
}

// The profile's record of the store file at this path.
static HRESULT FindStoreOfFile(const std::string& profile, const std::filesystem::path& path, ProfileStore& found)
{
    std::vector<ProfileStore> stores;
    HRESULT hr = ProfileRegistry::Stores(profile, stores);
    if (FAILED(hr))
        return hr;
    std::error_code ec;
    const auto wanted = std::filesystem::weakly_canonical(path, ec);
    for (auto& s : stores)
        if (std::filesystem::weakly_canonical(s.path, ec) == wanted) {
            found = std::move(s);
            return S_OK;
        }
    return MAPI_E_NOT_FOUND;
}

static HRESULT RemoveStoreImpl(const std::string& profile, const std::filesystem::path& path)
{
    ProfileStore store;
    HRESULT hr = FindStoreOfFile(profile, path, store);
    Key k;
    if (FAILED(hr) || FAILED(hr = OpenProfile(profile, k, true)))
        return hr;
    RegDeleteTreeA(k.get(), store.key.c_str());
    RegDeleteKeyA(k.get(), store.key.c_str());
    if (store.isDefault)
        RegDeleteValueA(k.get(), "DefaultStore");
    return S_OK;
}

static HRESULT SetDefaultStoreImpl(const std::string& profile, const Bytes& storeRecordKey)
{
    std::vector<ProfileStore> stores;
    HRESULT hr = ProfileRegistry::Stores(profile, stores);
    if (FAILED(hr))
        return hr;
    Key k;
    if (FAILED(hr = OpenProfile(profile, k, true)))
        return hr;
    for (const auto& s : stores)
        if (s.recordKey == storeRecordKey)
            return WriteString(k.get(), "DefaultStore", s.key);
    return MAPI_E_NOT_FOUND;
}

static HRESULT SetStoreAccessImpl(const std::string& profile, const std::filesystem::path& path, bool readOnly,
                                  const std::vector<Bytes>& readOnlyFolders)
{
    ProfileStore store;
    HRESULT hr = FindStoreOfFile(profile, path, store);
    if (FAILED(hr))
        return hr;
    std::string list;
    for (const Bytes& folder : readOnlyFolders) {
        ParsedEntryId parsed;
        if (!ParseEntryId(folder.data(), folder.size(), parsed) || parsed.isStore || parsed.type != MAPI_FOLDER ||
            Bytes(reinterpret_cast<const char*>(&parsed.store), 16) != store.recordKey)
            return MAPI_E_INVALID_ENTRYID;
        list += Hex(folder);
        list += '\0';
    }
    list += '\0';
    Key k, s;
    if (FAILED(hr = OpenProfile(profile, k, true)) ||
        FAILED(hr = FromWin32(RegOpenKeyExA(k.get(), store.key.c_str(), 0, KEY_ALL_ACCESS, s.put()))))
        return hr;
    if (readOnly) {
        const DWORD one = 1;
        hr = FromWin32(RegSetValueExA(s.get(), kReadOnlyValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                                      sizeof one));
    } else {
        const LONG rc = RegDeleteValueA(s.get(), kReadOnlyValue);
        hr = rc == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(rc);
    }
    if (FAILED(hr))
        return hr;
    if (readOnlyFolders.empty()) {
        const LONG rc = RegDeleteValueA(s.get(), kReadOnlyFoldersValue);
        return rc == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(rc);
    }
    return FromWin32(RegSetValueExA(s.get(), kReadOnlyFoldersValue, 0, REG_MULTI_SZ,
                                    reinterpret_cast<const BYTE*>(list.data()), static_cast<DWORD>(list.size())));
}

} // namespace mapi

namespace mapi {

HRESULT ProfileRegistry::SetStoreAccess(const std::string& profile, const std::filesystem::path& path, bool readOnly,
                                        const std::vector<Bytes>& readOnlyFolders)
{
    HRESULT hr = SetStoreAccessImpl(profile, path, readOnly, readOnlyFolders);
    Notifier::Instance().Changed();
    return hr;
}

// Open store tables learn of the change at their loops' next step.
HRESULT ProfileRegistry::AddStore(const std::string& profile, const std::filesystem::path& path)
{
    HRESULT hr = AddStoreImpl(profile, path);
    Notifier::Instance().Changed();
    return hr;
}

HRESULT ProfileRegistry::RemoveStore(const std::string& profile, const std::filesystem::path& path)
{
    HRESULT hr = RemoveStoreImpl(profile, path);
    Notifier::Instance().Changed();
    return hr;
}

HRESULT ProfileRegistry::SetDefaultStore(const std::string& profile, const Bytes& storeRecordKey)
{
    HRESULT hr = SetDefaultStoreImpl(profile, storeRecordKey);
    Notifier::Instance().Changed();
    return hr;
}

} // namespace mapi
