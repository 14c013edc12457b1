// A registry file damaged inside its pages, met by the registry tool as separate processes: the
// damage is reported, no program writes into the file afterwards, and a listing is either whole
// or a failure.
#include "registry/Registry.h"

#include "FileBytes.h"
#include "RunChild.h"
#include "TempRoot.h"
#include "base/DamageMark.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

const char kCorrupt[] = "The configuration registry database is corrupt.";

ChildResult RegTool(const std::vector<std::string>& args)
{
    return RunChild(REGTOOL, args);
}

class RegistryDamageTest : public ::testing::Test {
protected:
    // 300 values of 200 characters under one key, as a .reg import makes them, then the log
    // moved into the file, so that the damage below hits the only copy of the pages.
    void SetUp() override
    {
        std::string reg = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Big]\n";
        for (int i = 0; i < 300; ++i)
            reg += "\"v" + std::to_string(i) + "\"=\"" + std::string(200, static_cast<char>('a' + i % 26)) + "\"\n";
        const fs::path file = root.path() / "big.reg";
        std::ofstream(file, std::ios::binary) << reg;
        ASSERT_EQ(0, RegTool({"import", file.string()}).exitCode);
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(Db().c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr));
        sqlite3_close(db);
        ASSERT_GT(fs::file_size(Db()), 60000u);
        pristine = ReadFileBytes(Db());
    }
    fs::path Db() const { return root.path() / "registry.db"; }
    fs::path Wal() const { return root.path() / "registry.db-wal"; }

    // The values a query lists (-1 when it fails).
    int ListedValues(ChildResult& r)
    {
        r = RegTool({"query", "HKCU\\Software\\Big"});
        if (r.exitCode != 0)
            return -1;
        int count = 0;
        for (std::size_t at = 0; (at = r.out.find("REG_SZ", at)) != std::string::npos; ++at)
            ++count;
        return count;
    }

    TempRoot root;
    std::string pristine;
};

TEST_F(RegistryDamageTest, DamagedPagesAreReportedAndNeverWrittenAgain)
{
    OverwriteFileBytes(Db(), 40000, std::string(3000, '\xFF'));
    const std::string damaged = ReadFileBytes(Db());

    ChildResult query;
    EXPECT_EQ(-1, ListedValues(query));
    EXPECT_EQ(1, query.exitCode);
    EXPECT_NE(std::string::npos, query.err.find(kCorrupt)) << query.err;

    // Every later program leaves the file alone, also for keys far from the damage.
    for (int i = 0; i < 5; ++i) {
        const ChildResult add = RegTool({"add", "HKCU\\Software\\Big", "/v", "new" + std::to_string(i), "/d", "x", "/f"});
        EXPECT_EQ(1, add.exitCode);
        EXPECT_EQ(std::string::npos, add.out.find("completed successfully")) << add.out;
        EXPECT_NE(std::string::npos, add.err.find(kCorrupt)) << add.err;
    }
    EXPECT_EQ(1, RegTool({"add", "HKLM\\Software\\Elsewhere", "/f"}).exitCode);
    EXPECT_EQ(1, RegTool({"delete", "HKCU\\Software\\Big", "/f"}).exitCode);
    EXPECT_TRUE(damaged == ReadFileBytes(Db()));
    EXPECT_EQ(0u, FileSizeOr0(Wal()));
    // What is intact can still be read: the keys, not the values.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
    char name[64];
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(key, 0, name, sizeof name));
    EXPECT_STREQ("Big", name);
    DWORD size = 0;
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT, RegQueryValueExA(key, "any", nullptr, nullptr, nullptr, &size));
    RegCloseKey(key);
}

TEST_F(RegistryDamageTest, RandomDamageNeverListsPartOfTheValues)
{
    std::mt19937 random(20240607);
    for (int round = 0; round < 12; ++round) {
        std::ofstream(Db(), std::ios::binary | std::ios::trunc) << pristine;
        fs::remove(root.path() / "registry.db.damaged");
        fs::remove(Wal());
        fs::remove(root.path() / "registry.db-shm");
        // A few runs of random bytes anywhere after the file's first page.
        std::uniform_int_distribution<std::size_t> where(4096, pristine.size() - 512);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int run = 0; run < 4; ++run) {
            std::string noise(64, '\0');
            for (char& c : noise)
                c = static_cast<char>(byte(random));
            OverwriteFileBytes(Db(), where(random), noise);
        }
        const std::string damaged = ReadFileBytes(Db());
        ChildResult query;
        const int listed = ListedValues(query);
        EXPECT_TRUE(listed == -1 || listed == 300) << "round " << round << ": " << listed << " values listed";
        if (listed == -1) {
            EXPECT_NE(std::string::npos, query.err.find(kCorrupt)) << query.err;
            EXPECT_EQ(1, RegTool({"add", "HKCU\\Software\\Big", "/v", "later", "/d", "x", "/f"}).exitCode);
            EXPECT_TRUE(damaged == ReadFileBytes(Db())) << "round " << round;
        }
    }
}

TEST_F(RegistryDamageTest, CheckSaysWhatIsDamaged)
{
    const ChildResult sound = RegTool({"check"});
    EXPECT_EQ(0, sound.exitCode) << sound.err;
    EXPECT_NE(std::string::npos, sound.out.find("is intact")) << sound.out;

    OverwriteFileBytes(Db(), 40000, std::string(3000, '\xFF'));
    const std::string damaged = ReadFileBytes(Db());
    const ChildResult check = RegTool({"check"});
    EXPECT_EQ(1, check.exitCode);
    EXPECT_NE(std::string::npos, check.out.find("is damaged")) << check.out;
    EXPECT_NE(std::string::npos, check.out.find("values (table vals)")) << check.out;
    EXPECT_NE(std::string::npos, check.err.find(kCorrupt)) << check.err;
    // The check reads only, and its finding holds for every later program.
    EXPECT_TRUE(damaged == ReadFileBytes(Db()));
    EXPECT_TRUE(platform::DamageMark::IsMarked(Db()));
}

TEST_F(RegistryDamageTest, AMarkStopsWritesUntilTheFileIsReplaced)
{
    // A file that another program found damaged: sound-looking pages do not lift the mark.
    ASSERT_TRUE(platform::DamageMark::Mark(Db(), "damage seen by another program"));
    const ChildResult add = RegTool({"add", "HKCU\\Software\\Big", "/v", "x", "/d", "x", "/f"});
    EXPECT_EQ(1, add.exitCode);
    EXPECT_NE(std::string::npos, add.err.find(kCorrupt)) << add.err;
    EXPECT_NE(std::string::npos, add.err.find("damage seen by another program")) << add.err;
    EXPECT_TRUE(pristine == ReadFileBytes(Db()));
    const ChildResult check = RegTool({"check"});
    EXPECT_EQ(1, check.exitCode);
    EXPECT_NE(std::string::npos, check.out.find("found damaged before")) << check.out;

    // A good copy moved into its place is another file: the mark no longer applies to it.
    const fs::path copy = root.path() / "restored.db";
    std::ofstream(copy, std::ios::binary) << pristine;
    fs::rename(copy, Db());
    const ChildResult again = RegTool({"add", "HKCU\\Software\\Big", "/v", "x", "/d", "x", "/f"});
    EXPECT_EQ(0, again.exitCode) << again.err;
    EXPECT_FALSE(fs::exists(platform::DamageMark::PathOf(Db())));
}

TEST_F(RegistryDamageTest, AnEmptiedFileBecomesANewRegistry)
{
    ASSERT_TRUE(platform::DamageMark::Mark(Db(), "damaged"));
    std::ofstream(Db(), std::ios::binary | std::ios::trunc);
    const ChildResult add = RegTool({"add", "HKCU\\Software\\Fresh", "/f"});
    EXPECT_EQ(0, add.exitCode) << add.err;
    EXPECT_FALSE(fs::exists(platform::DamageMark::PathOf(Db())));
}

} // namespace
