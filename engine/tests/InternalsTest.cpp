// The engine's helper layers on their own: hex keys, profile values in the registry, the key
// databases as real gdbm files, named properties and error info. The helpers are compiled into
// this test; the profile whose key names the databases comes from the registered library.
#include "StoreFixture.h"

#include "database.h"
#include "helpers.h"
#include "myerr.h"
#include "properties.h"
#include "registry.h"
#include "base/LastError.h"
#include "com/ErrorInfo.h"

#include <cerrno>
#include <fstream>
#include <sstream>

using namespace enginetest;

namespace {

std::vector<BYTE> Bytes(const SBinary& bin)
{
    return std::vector<BYTE>(bin.lpb, bin.lpb + bin.cb);
}

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(EngineHelpers, BinaryValuesAsLowercaseHex)
{
    BSTR text = nullptr;
    SBinary empty{0, nullptr};
    ASSERT_EQ(SBin2bstr(empty, &text), S_OK);
    EXPECT_EQ(Text(text), "");
    SysFreeString(text);
    BYTE bytes[] = {0xAB, 0x01, 0xF0};
    ASSERT_EQ(SBin2bstr(SBinary{3, bytes}, &text), S_OK);
    EXPECT_EQ(Text(text), "ab01f0");
    SysFreeString(text);

    SBinary bin{};
    ASSERT_EQ(bstr2SBin(u"abc", &bin), S_OK);
    EXPECT_EQ(Bytes(bin), std::vector<BYTE>{0xAB});
    FreeSBin(&bin);
    EXPECT_EQ(bin.cb, 0u);
    EXPECT_EQ(bin.lpb, nullptr);
    ASSERT_EQ(bstr2SBin(u"ABcd09", &bin), S_OK);
    EXPECT_EQ(Bytes(bin), (std::vector<BYTE>{0xAB, 0xCD, 0x09}));
    SBinary copy{};
    ASSERT_EQ(dupSBin(bin, &copy), S_OK);
    EXPECT_EQ(Bytes(copy), Bytes(bin));
    EXPECT_NE(copy.lpb, bin.lpb);
    FreeSBin(&copy);
    FreeSBin(&bin);
    ASSERT_EQ(bstr2SBin(u"", &bin), S_OK);
    EXPECT_EQ(bin.cb, 0u);
    FreeSBin(&bin);
    ASSERT_EQ(bstr2SBin(nullptr, &bin), S_OK);
    EXPECT_EQ(bin.cb, 0u);
    FreeSBin(&bin);

    // Text that is not hex is refused, not read as undefined bytes.
    for (const char16_t* bad : {u"zz", u"0g", u" 1", u"+1ab", u"ab-c", u"a\u00e9"}) {
        EXPECT_EQ(bstr2SBin(bad, &bin), E_INVALIDARG) << platform::Utf16ToUtf8(bad);
        EXPECT_EQ(bin.cb, 0u);
        EXPECT_EQ(bin.lpb, nullptr);
    }
    EXPECT_EQ(str2SBin("0x12", &bin), E_INVALIDARG);
    ASSERT_EQ(str2SBin("7f80", &bin), S_OK);
    EXPECT_EQ(Bytes(bin), (std::vector<BYTE>{0x7F, 0x80}));
    FreeSBin(&bin);
}

TEST(EngineHelpers, ProfileValuesAreTerminatedUtf16AndNeverReadPastTheirEnd)
{
    TempRoot root;
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValue(h, "Name", u"Wörter"), S_OK);
    BYTE raw[64];
    DWORD cb = sizeof(raw), type = 0;
    ASSERT_EQ(RegQueryValueExA(h, "Name", nullptr, &type, raw, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    const BYTE expected[] = {'W', 0, 0xF6, 0, 'r', 0, 't', 0, 'e', 0, 'r', 0, 0, 0};
    ASSERT_EQ(cb, sizeof(expected));
    EXPECT_EQ(std::memcmp(raw, expected, cb), 0);

    std::u16string text = u"old";
    ASSERT_EQ(RegGetValue(h, "Name", text), S_OK);
    EXPECT_EQ(text, u"Wörter");
    ASSERT_EQ(RegGetValue(h, "Missing", text), S_OK);
    EXPECT_EQ(text, u"");

    const BYTE unterminated[] = {'a', 0, 'b', 0};
    ASSERT_EQ(RegSetValueExA(h, "Raw", 0, REG_BINARY, unterminated, sizeof(unterminated)), ERROR_SUCCESS);
    ASSERT_EQ(RegGetValue(h, "Raw", text), S_OK);
    EXPECT_EQ(text, u"ab");
    const BYTE odd[] = {'a', 0, 'b'};
    ASSERT_EQ(RegSetValueExA(h, "Odd", 0, REG_BINARY, odd, sizeof(odd)), ERROR_SUCCESS);
    ASSERT_EQ(RegGetValue(h, "Odd", text), S_OK);
    EXPECT_EQ(text, u"a");
    const BYTE inner[] = {'a', 0, 0, 0, 'b', 0, 0, 0};
    ASSERT_EQ(RegSetValueExA(h, "Inner", 0, REG_BINARY, inner, sizeof(inner)), ERROR_SUCCESS);
    ASSERT_EQ(RegGetValue(h, "Inner", text), S_OK);
    EXPECT_EQ(text, u"a");
    ASSERT_EQ(RegSetValueExA(h, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    ASSERT_EQ(RegGetValue(h, "Empty", text), S_OK);
    EXPECT_EQ(text, u"");
    RegCloseKey(h);
}

TEST(EngineHelpers, ComErrorIsLoggedAndSetAsErrorInfo)
{
    TempRoot root;
    const HRESULT hr = ReportComError("Tembrix.Test", IID_ISyncEngine, E_ACCESSDENIED, "no access to %s (%d)", "store", 7);
    EXPECT_EQ(hr, E_ACCESSDENIED);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    ComBstr description, source;
    info->GetDescription(description.put());
    info->GetSource(source.put());
    EXPECT_EQ(description.Utf8(), "no access to store (7)");
    EXPECT_EQ(source.Utf8(), "Tembrix.Test");
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_EQ(guid, IID_ISyncEngine);
}

class EngineKeyDatabases : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        engine = CreateEngine();
        ASSERT_TRUE(engine);
        ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        ASSERT_EQ(profiles->get_Items(-1, profile.put()), S_OK);
        GUID guid{};
        ASSERT_EQ(profile->GetGUID(&guid), S_OK);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&guid);
        for (int i = 0; i < 16; ++i) {
            char pair[3];
            std::snprintf(pair, sizeof(pair), "%02x", bytes[i]);
            key += pair;
        }
        folder = platform::AppDataDirectory() / "Dravenholt";
        oldFile = folder / (key + ".old");
        newFile = folder / (key + ".new");
    }
    void TearDown() override
    {
        profile.Release();
        profiles.Release();
        engine.Release();
        StoreFixture::TearDown();
    }

    static std::vector<BYTE> K(const char* text) { return std::vector<BYTE>(text, text + std::strlen(text)); }

    static std::vector<BYTE> KeyNumber(int i) { return K(("key-" + std::to_string(i) + "-abcdefgh").c_str()); }

    // A database of n keys written straight through gdbm.
    void WriteKeys(const std::filesystem::path& path, int n)
    {
        std::filesystem::create_directories(folder);
        GDBM_FILE db = gdbm_open(path.c_str(), 4096, GDBM_NEWDB, 0600, nullptr);
        ASSERT_NE(db, nullptr);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(DbPut(db, KeyNumber(i)), S_OK);
        gdbm_close(db);
    }

    static int Records(const std::filesystem::path& path)
    {
        GDBM_FILE db = gdbm_open(path.c_str(), 0, GDBM_READER, 0, nullptr);
        if (!db)
            return -1;
        gdbm_count_t count = 0;
        gdbm_count(db, &count);
        gdbm_close(db);
        return static_cast<int>(count);
    }

    ComPtr<ISyncEngine> engine;
    ComPtr<IProfiles> profiles;
    ComPtr<IProfile> profile;
    std::string key;
    std::filesystem::path folder, oldFile, newFile;
};

TEST_F(EngineKeyDatabases, PathsFollowTheProfileKeyInTheApplicationData)
{
    std::string path;
    ASSERT_EQ(GetDbPath(profile.get(), DB_OLD, path), S_OK);
    EXPECT_EQ(path, oldFile.string());
    ASSERT_EQ(GetDbPath(profile.get(), DB_NEW, path), S_OK);
    EXPECT_EQ(path, newFile.string());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(EngineKeyDatabases, FirstRunCreatesBothLaterRunsRotate)
{
    // No ".old": nothing to rotate, and nothing created by the rotation.
    ASSERT_EQ(New2Old(profile.get()), S_OK);
    EXPECT_FALSE(std::filesystem::exists(oldFile));
    GDBM_FILE oldDb = nullptr, newDb = nullptr;
    ASSERT_EQ(DbOpenOld(profile.get(), &oldDb), S_OK);
    ASSERT_EQ(DbOpenNew(profile.get(), &newDb), S_OK);
    EXPECT_FALSE(DbExists(oldDb, K("k1")));
    ASSERT_EQ(DbPut(newDb, K("k1")), S_OK);
    ASSERT_EQ(DbPut(newDb, K("k1")), S_OK);
    ASSERT_EQ(DbPut(newDb, K("k2")), S_OK);
    EXPECT_TRUE(DbExists(newDb, K("k1")));
    DbClose(oldDb);
    DbClose(newDb);
    EXPECT_EQ(Records(oldFile), 0);
    EXPECT_EQ(Records(newFile), 2) << "a key stored twice is one record";
    EXPECT_EQ(std::filesystem::status(newFile).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Second run: ".new" becomes ".old" in one step.
    ASSERT_EQ(New2Old(profile.get()), S_OK);
    EXPECT_FALSE(std::filesystem::exists(newFile));
    EXPECT_EQ(Records(oldFile), 2);
    ASSERT_EQ(DbOpenOld(profile.get(), &oldDb), S_OK);
    ASSERT_EQ(DbOpenNew(profile.get(), &newDb), S_OK);
    EXPECT_TRUE(DbExists(oldDb, K("k1")));
    EXPECT_TRUE(DbExists(oldDb, K("k2")));
    EXPECT_FALSE(DbExists(newDb, K("k1")));
    DbClose(oldDb);
    DbClose(newDb);

    DbDelete(profile.get());
    EXPECT_FALSE(std::filesystem::exists(oldFile));
    EXPECT_FALSE(std::filesystem::exists(newFile));
}

TEST_F(EngineKeyDatabases, OldWithoutNewIsKeptAsItIs)
{
    GDBM_FILE db = nullptr;
    ASSERT_EQ(DbOpenOld(profile.get(), &db), S_OK);
    ASSERT_EQ(DbPut(db, K("kept")), S_OK);
    DbClose(db);
    EXPECT_EQ(New2Old(profile.get()), S_OK);
    ASSERT_TRUE(std::filesystem::exists(oldFile));
    EXPECT_EQ(Records(oldFile), 1);
}

TEST_F(EngineKeyDatabases, UnreadableDatabaseIsKeptAsideAndStartedEmpty)
{
    // Not a database at all, or what a run killed while creating one leaves: the keys only say
    // which messages were paired, so the run goes on without them rather than never again.
    std::filesystem::create_directories(folder);
    std::ofstream(oldFile, std::ios::binary) << "this is no database file at all, just text";
    const std::string before = FileText(oldFile);
    GDBM_FILE db = nullptr;
    ASSERT_EQ(DbOpenOld(profile.get(), &db), S_OK);
    ASSERT_NE(db, nullptr);
    EXPECT_FALSE(DbExists(db, K("k1")));
    ASSERT_EQ(DbPut(db, K("k1")), S_OK);
    DbClose(db);
    EXPECT_EQ(Records(oldFile), 1);
    EXPECT_EQ(FileText(oldFile.string() + ".damaged"), before) << "the damaged file is kept as it was";
}

TEST_F(EngineKeyDatabases, HeaderCutShortIsStartedEmpty)
{
    WriteKeys(oldFile, 3000);
    std::filesystem::resize_file(oldFile, 4096);
    GDBM_FILE db = nullptr;
    ASSERT_EQ(DbOpenOld(profile.get(), &db), S_OK);
    EXPECT_FALSE(DbExists(db, KeyNumber(1)));
    DbClose(db);
    EXPECT_EQ(Records(oldFile), 0);
    EXPECT_EQ(std::filesystem::file_size(oldFile.string() + ".damaged"), 4096u);
}

TEST_F(EngineKeyDatabases, HalfWrittenDatabaseIsRebuiltFromTheKeysItHolds)
{
    // Buckets cut off as by a writer killed in the middle: gdbm opens the file, and only reading
    // it shows the damage. Whatever keys are still readable stay, and the process goes on (gdbm
    // would end it after a fatal-error callback).
    WriteKeys(oldFile, 3000);
    std::filesystem::resize_file(oldFile, std::filesystem::file_size(oldFile) / 2);
    GDBM_FILE db = nullptr;
    ASSERT_EQ(DbOpenOld(profile.get(), &db), S_OK);
    ASSERT_EQ(DbPut(db, K("after")), S_OK);
    int kept = 0;
    for (int i = 0; i < 3000; ++i)
        kept += DbExists(db, KeyNumber(i)) ? 1 : 0;
    DbClose(db);
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 3000);
    EXPECT_EQ(Records(oldFile), kept + 1) << "the rebuilt file reads whole";
    EXPECT_FALSE(std::filesystem::exists(oldFile.string() + ".damaged"));
}

TEST_F(EngineKeyDatabases, DatabaseInUseIsRefusedWithItsOwnErrorAndKept)
{
    GDBM_FILE first = nullptr;
    ASSERT_EQ(DbOpenOld(profile.get(), &first), S_OK);
    ASSERT_EQ(DbPut(first, K("k1")), S_OK);
    // GetDbPath's mkdir of the existing folder leaves errno at EEXIST: the error must come from
    // the open that failed, not from that.
    GDBM_FILE second = nullptr;
    EXPECT_EQ(DbOpenOld(profile.get(), &second), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(second, nullptr);
    DbClose(first);
    EXPECT_EQ(Records(oldFile), 1);
    EXPECT_FALSE(std::filesystem::exists(oldFile.string() + ".damaged"));
}

TEST_F(EngineKeyDatabases, SystemErrorsAreReportedAsTheirOwn)
{
    std::filesystem::create_directories(oldFile); // a folder where the file belongs
    GDBM_FILE db = nullptr;
    EXPECT_EQ(DbOpenOld(profile.get(), &db), HRESULT_FROM_WIN32(Win32ErrorFromErrno(EISDIR)));
    EXPECT_EQ(db, nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(oldFile));
}

TEST_F(EngineKeyDatabases, NamedPropertiesLiveInTheProfilesSet)
{
    GUID guid{};
    ASSERT_EQ(profile->GetGUID(&guid), S_OK);
    ComPtr<IMsgStore> store = OpenFile(personal);
    ULONG lastSync = 0, sourceFolder = 0, searchKey = 0, folderKey = 0, plain = 0;
    ASSERT_EQ(GetIDsFromNames(guid, u"PRS_LAST_SYNC", store.get(), &plain), S_OK);
    EXPECT_EQ(PROP_TYPE(plain), 0u);
    EXPECT_GE(PROP_ID(plain), 0x8000u);
    ASSERT_EQ(GetPRS_LAST_SYNC(store.get(), guid, &lastSync), S_OK);
    EXPECT_EQ(lastSync, plain | PT_SYSTIME);
    ASSERT_EQ(GetPRS_SOURCE_FOLDER(store.get(), guid, &sourceFolder), S_OK);
    ASSERT_EQ(GetPRS_SEARCH_KEY(store.get(), guid, &searchKey), S_OK);
    ASSERT_EQ(GetPRS_FOLDER_KEY(store.get(), guid, &folderKey), S_OK);
    EXPECT_EQ(PROP_TYPE(sourceFolder), PT_BINARY);
    EXPECT_EQ(PROP_TYPE(searchKey), PT_BINARY);
    EXPECT_EQ(PROP_TYPE(folderKey), PT_BINARY);
    EXPECT_NE(PROP_ID(searchKey), PROP_ID(folderKey));
    // Another profile's set gives other ids.
    GUID other = guid;
    other.Data1 ^= 1;
    ULONG otherTag = 0;
    ASSERT_EQ(GetPRS_SEARCH_KEY(store.get(), other, &otherTag), S_OK);
    EXPECT_NE(PROP_ID(otherTag), PROP_ID(searchKey));
    // An object that is no MAPI property object.
    EXPECT_EQ(GetIDsFromNames(guid, u"PRS_LAST_SYNC", profile.get(), &plain), E_NOINTERFACE);
}

TEST_F(EngineKeyDatabases, WarningOfTheStoreFailsWithItsTopBitSet)
{
    GUID guid{};
    ASSERT_EQ(profile->GetGUID(&guid), S_OK);
    ComPtr<IMsgStore> store = OpenFile(archive);
    // A string name without its text: the store answers with a warning for that name.
    MAPINAMEID name{&guid, MNID_STRING, {}};
    LPMAPINAMEID names[] = {&name};
    LPSPropTagArray tags = nullptr;
    const HRESULT direct = store->GetIDsFromNames(1, names, MAPI_CREATE, &tags);
    MAPIFreeBuffer(tags);
    ASSERT_EQ(direct, MAPI_W_ERRORS_RETURNED);
    ULONG tag = 0x12345678;
    EXPECT_EQ(GetIDsFromNames(guid, nullptr, store.get(), &tag), HRESULT(ULONG(MAPI_W_ERRORS_RETURNED) | 0x80000000u));
    EXPECT_EQ(tag, 0x12345678u);
}
