// Database files that are not usable: never written to, clear errors, one diagnostic.
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void Sql(const fs::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.c_str(), &db));
    char* error = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, &error)) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

std::int64_t SqlInt(const fs::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    std::int64_t result = -1;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            result = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

LONG TryCreate(const char* path)
{
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS)
        RegCloseKey(key);
    return rc;
}

LONG TryOpen(const char* path)
{
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS)
        RegCloseKey(key);
    return rc;
}

// Makes a registry with some content in the current root and lets go of the file.
void MakeRegistry(const fs::path& rootPath)
{
    for (int i = 0; i < 300; ++i) {
        const std::string path = "Software\\Data\\Key" + std::to_string(i);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        const std::string text(100, static_cast<char>('a' + i % 26));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>(text.size() + 1)));
        RegCloseKey(key);
    }
    TempRoot elsewhere; // the layer closes the file when the root moves
    ASSERT_EQ(ERROR_SUCCESS, TryOpen("Software"));
    (void)rootPath;
}

TEST(RegistryFileTest, GarbageFileIsReportedAndLeftAlone)
{
    TempRoot root;
    const fs::path file = root.path() / "registry.db";
    std::string garbage;
    for (int i = 0; i < 2000; ++i)
        garbage += "this is not a database, line " + std::to_string(i) + "\n";
    WriteFile(file, garbage);

    testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_BADDB, TryOpen("Software"));
    EXPECT_EQ(ERROR_BADDB, TryCreate("Software\\New"));
    EXPECT_EQ(ERROR_BADDB, RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1));
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(garbage, ReadFile(file));
    // One line naming the file and what is wrong with it.
    EXPECT_NE(std::string::npos, diagnostics.find(file.string()));
    EXPECT_NE(std::string::npos, diagnostics.find("not a registry database"));
    EXPECT_EQ(1, std::count(diagnostics.begin(), diagnostics.end(), '\n')) << diagnostics;
}

TEST(RegistryFileTest, ForeignSqliteDatabaseIsNotTouched)
{
    TempRoot root;
    const fs::path file = root.path() / "registry.db";
    Sql(file, "CREATE TABLE contacts(name TEXT, mail TEXT);"
              "INSERT INTO contacts VALUES('Ann', 'ann@example.org');");
    const std::string before = ReadFile(file);

    testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_BADDB, TryCreate("Software\\New"));
    EXPECT_EQ(ERROR_BADDB, RegDeleteTreeA(HKEY_CURRENT_USER, "Software"));
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, diagnostics.find("another program"));
    EXPECT_EQ(before, ReadFile(file));
    EXPECT_EQ(1, SqlInt(file, "SELECT count(*) FROM contacts"));
    EXPECT_FALSE(fs::exists(root.path() / "registry.db-wal"));
}

TEST(RegistryFileTest, NewerFormatIsRefused)
{
    TempRoot root;
    const fs::path file = root.path() / "registry.db";
    MakeRegistry(root.path());
    Sql(file, "PRAGMA user_version=7");
    const std::string before = ReadFile(file);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_BADDB, TryOpen("Software\\Data"));
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, diagnostics.find("newer version"));
    EXPECT_EQ(before, ReadFile(file));
}

TEST(RegistryFileTest, DirectoryInPlaceOfTheFile)
{
    TempRoot root;
    fs::create_directory(root.path() / "registry.db");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_CANTOPEN, TryCreate("Software\\X"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("cannot be opened"));
}

TEST(RegistryFileTest, TruncatedFileIsOnlyRead)
{
    TempRoot root;
    const fs::path file = root.path() / "registry.db";
    MakeRegistry(root.path());
    const std::string whole = ReadFile(file);
    const std::string cut = whole.substr(0, whole.size() / 2);
    WriteFile(file, cut);

    testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT, TryCreate("Software\\New"));
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT,
              RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1));
    const LONG read = TryOpen("Software");
    EXPECT_TRUE(read == ERROR_SUCCESS || read == ERROR_REGISTRY_CORRUPT) << read;
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, diagnostics.find("registry: " + file.string() +
                                   ": The configuration registry database is corrupt. Found: the file is "
                                   "shorter than its header says; it was cut off."))
        << diagnostics;
    {
        TempRoot elsewhere;
        TryOpen("Software");
    }
    EXPECT_EQ(cut, ReadFile(file));
}

TEST(RegistryFileTest, RootThatCannotHoldTheFile)
{
    TempRoot root;
    WriteFile(root.path() / "plain-file", "x");
    setenv("PLATFORM_ROOT", (root.path() / "plain-file" / "below").c_str(), 1);
    testing::internal::CaptureStderr();
    const LONG rc = TryCreate("Software\\X");
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    setenv("PLATFORM_ROOT", root.path().c_str(), 1);
    EXPECT_EQ(ERROR_CANTOPEN, rc);
    EXPECT_NE(std::string::npos, diagnostics.find("cannot be opened")) << diagnostics;
    EXPECT_EQ(ERROR_SUCCESS, TryCreate("Software\\X"));
}

TEST(RegistryFileTest, EmptyFileBecomesARegistry)
{
    TempRoot root;
    WriteFile(root.path() / "registry.db", "");
    EXPECT_EQ(ERROR_SUCCESS, TryCreate("Software\\X"));
    EXPECT_EQ(ERROR_SUCCESS, TryOpen("software\\x"));
}

TEST(RegistryFileTest, DamagedValuePagesLeaveKeysReadableAndFileUnchanged)
{
    TempRoot root;
    const fs::path file = root.path() / "registry.db";
    MakeRegistry(root.path());
    // Damage the value table's pages (its root page and the ones after it that belong to it),
    // leaving the schema and the key table intact.
    const std::int64_t pageSize = SqlInt(file, "PRAGMA page_size");
    const std::int64_t valsRoot = SqlInt(file, "SELECT rootpage FROM sqlite_master WHERE name = 'vals'");
    ASSERT_GT(valsRoot, 1);
    std::string bytes = ReadFile(file);
    for (std::int64_t i = 0; i < pageSize; ++i)
        bytes[static_cast<std::size_t>((valsRoot - 1) * pageSize + i)] = static_cast<char>(0xA5 ^ (i & 0x7F));
    WriteFile(file, bytes);

    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Data\\Key5", 0, KEY_READ, &key));
    char text[128];
    DWORD cb = sizeof text;
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT,
              RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &cb));
    // After that, this process leaves the file alone: writes are refused.
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT, TryCreate("Software\\New"));
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT,
              RegSetValueExA(key, "x", 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1));
    // The keys are still there to read.
    DWORD subkeys = 0;
    HKEY data = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Data", 0, KEY_READ, &data));
    char name[64];
    DWORD count = 0;
    for (DWORD i = 0; RegEnumKeyA(data, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        ++count;
    EXPECT_EQ(300u, count);
    (void)subkeys;
    RegCloseKey(data);
    RegCloseKey(key);
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, diagnostics.find("corrupt"));
    {
        TempRoot elsewhere; // let go of the file
        TryOpen("Software");
    }
    EXPECT_EQ(bytes, ReadFile(file));
}

} // namespace
