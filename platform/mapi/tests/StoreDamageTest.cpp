// A store file damaged inside its pages, met by the admin tool and by a program that has the
// store open: the damage is reported, no program writes into the file afterwards, and a folder
// lists either all of its messages or fails.
#include "MapiTestUtil.h"

#include "FileBytes.h"
#include "RunChild.h"
#include "base/DamageMark.h"

#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <random>

using namespace mapitest;
namespace fs = std::filesystem;

namespace {

constexpr int kMessages = 200;

ChildResult Admin(const std::vector<std::string>& args)
{
    return RunChild(MAPIADMIN, args);
}

int Lines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class StoreDamageTest : public StoreTest {
protected:
    // A store of 200 messages with some text each, its log moved into the file, and let go.
    void SetUp() override
    {
        StoreTest::SetUp();
        auto inbox = OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID));
        auto folder = NewFolder(inbox.get(), "Work");
        for (int i = 0; i < kMessages; ++i) {
            auto m = NewMessage(folder.get(), "message " + std::to_string(i));
            ASSERT_EQ(SetText(m.get(), PR_BODY, std::string(300, static_cast<char>('a' + i % 26))), S_OK);
            ASSERT_EQ(m->SaveChanges(0), S_OK);
        }
        folder = nullptr;
        inbox = nullptr;
        store = nullptr;
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr));
        sqlite3_close(db);
        pristine = ReadFileBytes(path);
        ASSERT_GT(pristine.size(), 150000u);
    }
    void Restore()
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << pristine;
        fs::remove(platform::DamageMark::PathOf(path));
        fs::remove(path.string() + "-wal");
        fs::remove(path.string() + "-shm");
    }
    fs::path Wal() const { return path.string() + "-wal"; }

    std::string pristine;
};

// Offsets inside the cells of pages in use: of each of the store's tables and its index, a page
// from the middle of its pages (damage in free space harms nothing and is rightly not seen).
std::vector<std::size_t> OffsetsInUse(const fs::path& file)
{
    std::vector<std::size_t> offsets;
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT name, group_concat(pageno) FROM (SELECT name, pageno FROM dbstat"
                       " WHERE name IN ('objects', 'objects_parent', 'props', 'names', 'changes', 'meta')"
                       " ORDER BY name, pageno) GROUP BY name",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<long> pages;
        std::string list = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        for (std::size_t at = 0; at < list.size();) {
            const auto comma = list.find(',', at);
            pages.push_back(std::stol(list.substr(at, comma - at)));
            at = comma == std::string::npos ? list.size() : comma + 1;
        }
        // The end of the page: where its cells lie (the space before them may be unused).
        offsets.push_back(static_cast<std::size_t>(pages[pages.size() / 2]) * 4096 - 600);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return offsets;
}

TEST_F(StoreDamageTest, DamagedStoreIsNeverWrittenAgain)
{
    const auto offsets = OffsetsInUse(path);
    ASSERT_EQ(6u, offsets.size());
    for (const std::size_t at : offsets) {
        Restore();
        OverwriteFileBytes(path, at, std::string(600, '\xFF'));
        const std::string damaged = ReadFileBytes(path);

        const ChildResult list = Admin({"message", "list", path.string(), "Work"});
        if (list.exitCode == 0)
            EXPECT_EQ(kMessages, Lines(list.out)) << "damage at " << at;
        else
            EXPECT_NE(std::string::npos, list.err.find("MAPI_E_CORRUPT_STORE")) << list.err;
        const ChildResult create = Admin({"message", "create", path.string(), "Work", "--subject", "new"});
        EXPECT_EQ(1, create.exitCode) << "damage at " << at << ": " << create.out;
        EXPECT_NE(std::string::npos, create.err.find("MAPI_E_CORRUPT_STORE")) << create.err;
        const ChildResult folder = Admin({"folder", "create", path.string(), "Work/New"});
        EXPECT_EQ(1, folder.exitCode) << "damage at " << at << ": " << folder.out;
        EXPECT_TRUE(damaged == ReadFileBytes(path)) << "damage at " << at;
        EXPECT_EQ(0u, FileSizeOr0(Wal())) << "damage at " << at;
    }
}

TEST_F(StoreDamageTest, RandomDamageNeverListsPartOfAFolder)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> where(4096, pristine.size() - 512);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20; ++round) {
        Restore();
        for (int run = 0; run < 4; ++run) {
            std::string noise(64, '\0');
            for (char& c : noise)
                c = static_cast<char>(byte(random));
            OverwriteFileBytes(path, where(random), noise);
        }
        const ChildResult list = Admin({"message", "list", path.string(), "Work"});
        if (list.exitCode == 0)
            EXPECT_EQ(kMessages, Lines(list.out)) << "round " << round;
        else
            EXPECT_EQ(1, list.exitCode) << "round " << round << ": " << list.err;
    }
}

TEST_F(StoreDamageTest, CheckSaysWhatIsDamaged)
{
    const ChildResult sound = Admin({"store", "check", path.string()});
    EXPECT_EQ(0, sound.exitCode) << sound.err;
    EXPECT_NE(std::string::npos, sound.out.find("is intact")) << sound.out;

    OverwriteFileBytes(path, 120000, std::string(600, '\xFF'));
    const std::string damaged = ReadFileBytes(path);
    const ChildResult check = Admin({"store", "check", path.string()});
    EXPECT_EQ(1, check.exitCode);
    EXPECT_NE(std::string::npos, check.out.find("is damaged:")) << check.out;
    EXPECT_NE(std::string::npos, check.out.find("(table ")) << check.out;
    EXPECT_NE(std::string::npos, check.err.find("MAPI_E_CORRUPT_STORE")) << check.err;
    EXPECT_TRUE(damaged == ReadFileBytes(path));
    EXPECT_TRUE(platform::DamageMark::IsMarked(path));

    const fs::path text = root.path() / "notes.txt";
    std::ofstream(text) << "plain text, not a store";
    const ChildResult other = Admin({"store", "check", text.string()});
    EXPECT_EQ(1, other.exitCode);
    EXPECT_NE(std::string::npos, other.err.find("not a message store")) << other.err;
    EXPECT_FALSE(fs::exists(platform::DamageMark::PathOf(text)));
}

TEST_F(StoreDamageTest, AMarkMadeElsewhereStopsTheWritesOfAnOpenStore)
{
    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    auto work = OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID));
    ComPtr<IMessage> before;
    ASSERT_EQ(work->CreateMessage(nullptr, 0, before.put()), S_OK);
    ASSERT_EQ(before->SaveChanges(0), S_OK);
    store = nullptr;
    work = nullptr;
    before = nullptr;

    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    auto top = OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID));
    const std::string file = ReadFileBytes(path);
    const auto wal = FileSizeOr0(Wal());
    // Another program finds the file damaged while this one has it open.
    ASSERT_TRUE(platform::DamageMark::Mark(path, "damage seen by another program"));
    ComPtr<IMessage> after;
    ASSERT_EQ(top->CreateMessage(nullptr, 0, after.put()), S_OK);
    EXPECT_EQ(after->SaveChanges(0), MAPI_E_CORRUPT_STORE);
    ComPtr<IMAPIFolder> sub;
    EXPECT_EQ(top->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Later"), nullptr, nullptr, 0, sub.put()),
              MAPI_E_CORRUPT_STORE);
    EXPECT_TRUE(file == ReadFileBytes(path));
    EXPECT_EQ(wal, FileSizeOr0(Wal()));
    const ChildResult create = Admin({"message", "create", path.string(), "Work", "--subject", "new"});
    EXPECT_EQ(1, create.exitCode);
    EXPECT_NE(std::string::npos, create.err.find("damage seen by another program")) << create.err;
}

TEST_F(StoreDamageTest, AStoreReplacedByAGoodCopyIsWrittenAgain)
{
    ASSERT_TRUE(platform::DamageMark::Mark(path, "damaged"));
    EXPECT_EQ(1, Admin({"folder", "create", path.string(), "Work/New"}).exitCode);
    const fs::path copy = root.path() / "restored.store";
    std::ofstream(copy, std::ios::binary) << pristine;
    fs::rename(copy, path);
    const ChildResult created = Admin({"folder", "create", path.string(), "Work/New"});
    EXPECT_EQ(0, created.exitCode) << created.err;
    EXPECT_FALSE(fs::exists(platform::DamageMark::PathOf(path)));
}

} // namespace
