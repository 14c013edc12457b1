// Sync profiles and their persistence in the registry.
#include "StoreFixture.h"

#include <fstream>
#include <map>

using namespace enginetest;

namespace {

using EngineProfiles = StoreFixture;

constexpr const char* kProfiles = "Software\\Tembrix\\profiles";

std::vector<BYTE> RegBytes(const std::string& key, const char* name, DWORD* type = nullptr)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return {};
    DWORD cb = 0, t = 0;
    std::vector<BYTE> bytes;
    if (RegQueryValueExA(h, name, nullptr, &t, nullptr, &cb) == ERROR_SUCCESS) {
        bytes.resize(cb);
        RegQueryValueExA(h, name, nullptr, &t, bytes.data(), &cb);
    }
    RegCloseKey(h);
    if (type)
        *type = t;
    return bytes;
}

std::vector<BYTE> Utf16Bytes(const std::u16string& text)
{
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(BYTE(c & 0xFF));
        bytes.push_back(BYTE(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::vector<std::string> SubKeys(const std::string& key)
{
    std::vector<std::string> names;
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD cch = sizeof(name);
        if (RegEnumKeyExA(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name);
    }
    RegCloseKey(h);
    return names;
}

void WriteBinary(const std::string& key, const char* name, const std::vector<BYTE>& bytes)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(h, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(h);
}

std::string KeyOf(IProfile* profile)
{
    GUID guid{};
    EXPECT_EQ(profile->GetGUID(&guid), S_OK);
    std::string key;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&guid);
    for (int i = 0; i < 16; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof(pair), "%02x", bytes[i]);
        key += pair;
    }
    return key;
}

} // namespace

TEST_F(EngineProfiles, NewProfileIsWrittenOnAddValueForValue)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    LONG count = -1;
    EXPECT_EQ(profiles->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);

    ComPtr<IProfile> scratch;
    ASSERT_EQ(profiles->get_Items(-1, scratch.put()), S_OK);
    scratch.Release();
    EXPECT_TRUE(SubKeys(kProfiles).empty()) << "a new profile without Add leaves no trace";

    ComPtr<IProfile> profile;
    ASSERT_EQ(profiles->get_Items(-1, profile.put()), S_OK);
    ComPtr<IStore> none;
    EXPECT_EQ(profile->get_Source(none.put()), S_OK);
    EXPECT_FALSE(none);
    const std::string key = KeyOf(profile.get());
    EXPECT_EQ(key.size(), 32u);
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);

    EXPECT_EQ(profiles->Add(profile.get()), E_INVALIDARG) << "no source store";
    ComPtr<IStores> sources, destinations;
    ASSERT_EQ(engine->get_Sources(sources.put()), S_OK);
    ASSERT_EQ(engine->get_Destinations(destinations.put()), S_OK);
    ComPtr<IStore> pub = StoreNamed(sources.get(), "Public Folders");
    ComPtr<IStore> archiveStore = StoreNamed(destinations.get(), "Archive");
    ComPtr<IStore> dst = StoreNamed(destinations.get(), "Personal Folders");
    ASSERT_EQ(profile->put_Source(pub.get()), S_OK);
    EXPECT_EQ(profiles->Add(profile.get()), E_INVALIDARG) << "no destination store";
    // A new profile takes another store in place of the first.
    ASSERT_EQ(profile->put_Destination(archiveStore.get()), S_OK);
    ASSERT_EQ(profile->put_Destination(dst.get()), S_OK);
    ComBstr name(u"Öffentlich");
    ASSERT_EQ(profile->put_Name(name), S_OK);
    ASSERT_EQ(profile->put_QueryDelete(1), S_OK);
    ASSERT_EQ(profiles->Add(profile.get()), S_OK);
    EXPECT_EQ(profiles->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);

    EXPECT_EQ(SubKeys(kProfiles), std::vector<std::string>{key});
    const std::string profileKey = std::string(kProfiles) + "\\" + key;
    ComBstr srcKey, dstKey;
    pub->get_RecordKey(srcKey.put());
    dst->get_RecordKey(dstKey.put());
    DWORD type = 0;
    EXPECT_EQ(RegBytes(profileKey, "Name", &type), Utf16Bytes(u"Öffentlich"));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(RegBytes(profileKey, "Source", &type), Utf16Bytes(srcKey.Wide()));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(RegBytes(profileKey, "Destination"), Utf16Bytes(dstKey.Wide()));
    EXPECT_EQ(RegBytes(profileKey, "QueryDelete"), Utf16Bytes(u"y"));

    // Loaded again, with the stores found by their keys.
    ComPtr<IProfile> loaded;
    ASSERT_EQ(profiles->get_Items(1, loaded.put()), S_OK);
    EXPECT_EQ(KeyOf(loaded.get()), key);
    ComBstr loadedName;
    ASSERT_EQ(loaded->get_Name(loadedName.put()), S_OK);
    EXPECT_EQ(loadedName.Wide(), u"Öffentlich");
    LONG queryDelete = 0;
    EXPECT_EQ(loaded->get_QueryDelete(&queryDelete), S_OK);
    EXPECT_EQ(queryDelete, 1);
    ComPtr<IStore> source;
    ASSERT_EQ(loaded->get_Source(source.put()), S_OK);
    ComBstr storeName;
    source->get_StoreName(storeName.put());
    EXPECT_EQ(storeName.Utf8(), "Public Folders");
    ComPtr<IStore> same;
    ASSERT_EQ(loaded->get_Source(same.put()), S_OK);
    EXPECT_EQ(same.get(), source.get()) << "the store is kept";
    // A saved profile keeps its store once it has one.
    EXPECT_EQ(loaded->put_Source(pub.get()), E_INVALIDARG);

    ComPtr<IProfile> item;
    EXPECT_EQ(profiles->get_Items(0, item.put()), E_INVALIDARG);
    EXPECT_EQ(profiles->get_Items(2, item.put()), E_INVALIDARG);
    EXPECT_EQ(profiles->get_Items(-2, item.put()), E_INVALIDARG);

    ComPtr<ISyncEngine> back;
    ASSERT_EQ(profiles->get_Engine(back.put()), S_OK);
    EXPECT_EQ(back.get(), engine.get());
    HKEY hKey = nullptr;
    EXPECT_EQ(profiles->GetKey(reinterpret_cast<LONG_PTR>(&hKey)), S_OK);
    EXPECT_NE(hKey, nullptr);
}

TEST_F(EngineProfiles, IncompleteAndOddRegistryEntriesLoadSafely)
{
    const std::string key = "00112233445566778899aabbccddeeff";
    const std::string profileKey = std::string(kProfiles) + "\\" + key;
    // A name without terminating zero, and one of an odd byte count.
    WriteBinary(profileKey, "Name", {'A', 0, 'B', 0});
    // Names too long for a profile key are skipped, not the end of the list.
    WriteBinary(std::string(kProfiles) + "\\" + std::string(40, '0'), "Name", Utf16Bytes(u"long"));
    WriteBinary(std::string(kProfiles) + "\\" + std::string(40, 'f'), "Name", Utf16Bytes(u"long"));
    const std::string second = "ffeeddccbbaa99887766554433221100";
    WriteBinary(std::string(kProfiles) + "\\" + second, "Name", {'X', 0, 'Y'});

    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    LONG count = 0;
    ASSERT_EQ(profiles->get_Count(&count), S_OK);
    ASSERT_EQ(count, 2);
    std::map<std::string, std::string> names;
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IProfile> profile;
        ASSERT_EQ(profiles->get_Items(i, profile.put()), S_OK);
        ComBstr name;
        profile->get_Name(name.put());
        names[KeyOf(profile.get())] = name.Utf8();
        LONG queryDelete = -1;
        profile->get_QueryDelete(&queryDelete);
        EXPECT_EQ(queryDelete, 0) << "no QueryDelete value: off";
        ComPtr<IStore> store;
        EXPECT_EQ(profile->get_Source(store.put()), MAPI_E_NOT_FOUND) << "no Source value: no store";
        EXPECT_EQ(profile->get_Destination(store.put()), MAPI_E_NOT_FOUND);
    }
    EXPECT_EQ(names[key], "AB");
    EXPECT_EQ(names[second], "X");
}

TEST_F(EngineProfiles, SourceStoreMissingFromEveryMapiProfileIsNotFound)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    SavedProfile(profiles.get(), engine.get());
    profiles.Release();
    engine.Release();
    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Work", publicStore), S_OK);

    engine = CreateEngine();
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile;
    ASSERT_EQ(profiles->get_Items(1, profile.put()), S_OK);
    ComPtr<IStore> store;
    EXPECT_EQ(profile->get_Source(store.put()), HRESULT(0x8004010F));
    EXPECT_EQ(profile->get_Destination(store.put()), S_OK);
    EXPECT_TRUE(store);
}

TEST_F(EngineProfiles, RemoveDeletesTheKeyAndTheKeyDatabases)
{
    ComPtr<ISyncEngine> engine = CreateEngine();
    ComPtr<IProfiles> profiles;
    ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
    ComPtr<IProfile> profile = SavedProfile(profiles.get(), engine.get());
    ASSERT_TRUE(profile);
    const std::string key = KeyOf(profile.get());
    const auto folder = platform::AppDataDirectory() / "Dravenholt";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / (key + ".old")) << "x";
    std::ofstream(folder / (key + ".new")) << "x";
    std::ofstream(folder / "other.new") << "x";

    ASSERT_EQ(profiles->Remove(profile.get()), S_OK);
    LONG count = -1;
    EXPECT_EQ(profiles->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(SubKeys(kProfiles).empty());
    EXPECT_FALSE(std::filesystem::exists(folder / (key + ".old")));
    EXPECT_FALSE(std::filesystem::exists(folder / (key + ".new")));
    EXPECT_TRUE(std::filesystem::exists(folder / "other.new"));
}
