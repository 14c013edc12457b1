// What opening a store costs: a store of 100,000 messages is opened in a process that does not
// have it open yet (the file's connection is made, its kind read, the store object built), and a
// store of about 3 MB, which is still checked whole on open. Beside them, what SQLite's own checks
// of the large file cost, to show what a check on every open would add.
#include "com/ComPtr.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/StoreAccess.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kMessages = 100000;

std::filesystem::path BenchRoot()
{
    // Never destroyed: the folder is removed at exit, after the statics are gone.
    static const std::filesystem::path* root = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "store-open-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        setenv("PLATFORM_ROOT", pattern.c_str(), 1);
        auto* path = new std::filesystem::path(pattern);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*root, ec);
        });
        return path;
    }();
    return *root;
}

// A store file with `count` messages in a folder of its own.
std::filesystem::path MakeStore(const std::string& name, int count)
{
    const auto file = BenchRoot() / name;
    {
        if (FAILED(mapi::CreateStoreFile(file, mapi::StoreKind::Personal, u"Bench")))
            std::abort();
        ComPtr<IMsgStore> store;
        mapi::OpenStoreFile(file, MDB_WRITE, store.put());
        LPSPropValue sub = nullptr;
        HrGetOneProp(store.get(), PR_IPM_SUBTREE_ENTRYID, &sub);
        ComPtr<IUnknown> unk;
        ULONG type = 0;
        store->OpenEntry(sub->Value.bin.cb, reinterpret_cast<LPENTRYID>(sub->Value.bin.lpb), nullptr, MAPI_MODIFY,
                         &type, unk.put());
        MAPIFreeBuffer(sub);
        ComPtr<IMAPIFolder> folder;
        static_cast<IMAPIFolder*>(unk.get())
            ->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Bulk"), nullptr, nullptr, 0, folder.put());
        const std::string body(400, 'b');
        for (int i = 0; i < count; ++i) {
            ComPtr<IMessage> msg;
            folder->CreateMessage(nullptr, 0, msg.put());
            const std::string subject = "message " + std::to_string(i);
            SPropValue props[2] = {};
            props[0].ulPropTag = PR_SUBJECT_A;
            props[0].Value.lpszA = const_cast<char*>(subject.c_str());
            props[1].ulPropTag = PR_BODY_A;
            props[1].Value.lpszA = const_cast<char*>(body.c_str());
            msg->SetProps(2, props, nullptr);
            if (FAILED(msg->SaveChanges(0)))
                std::abort();
        }
    }
    // The log moved into the file, as a store is found after its programs have ended.
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return file;
}

// The store file with kMessages messages, made once.
const std::filesystem::path& LargeStore()
{
    static const std::filesystem::path path = MakeStore("large.store", kMessages);
    return path;
}

// A store just below the size that is checked whole when it opens (about 3 MB).
const std::filesystem::path& SmallStore()
{
    static const std::filesystem::path path = MakeStore("small.store", 2500);
    return path;
}

// Opens the store (the process has it closed before each round) and reads its name.
void OpenStore(benchmark::State& state, const std::filesystem::path& file)
{
    for (auto _ : state) {
        ComPtr<IMsgStore> store;
        if (FAILED(mapi::OpenStoreFile(file, MDB_WRITE, store.put())))
            state.SkipWithError("the store does not open");
        LPSPropValue name = nullptr;
        if (FAILED(HrGetOneProp(store.get(), PR_DISPLAY_NAME_A, &name)))
            state.SkipWithError("the store has no name");
        MAPIFreeBuffer(name);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}

void BM_OpenLargeStore(benchmark::State& state) { OpenStore(state, LargeStore()); }
BENCHMARK(BM_OpenLargeStore)->Unit(benchmark::kMillisecond);

void BM_OpenSmallStore(benchmark::State& state) { OpenStore(state, SmallStore()); }
BENCHMARK(BM_OpenSmallStore)->Unit(benchmark::kMillisecond);

// SQLite's checks of the same file on their own connection: the cost one of them would add to
// every open.
void RunCheck(benchmark::State& state, const char* pragma)
{
    const auto& file = LargeStore();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, pragma, -1, &st, nullptr);
        const bool ok = sqlite3_step(st) == SQLITE_ROW &&
                        std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok";
        sqlite3_finalize(st);
        sqlite3_close(db);
        if (!ok)
            state.SkipWithError("the check failed");
    }
}

void BM_QuickCheckLargeStore(benchmark::State& state) { RunCheck(state, "PRAGMA quick_check"); }
BENCHMARK(BM_QuickCheckLargeStore)->Unit(benchmark::kMillisecond);

void BM_IntegrityCheckLargeStore(benchmark::State& state) { RunCheck(state, "PRAGMA integrity_check"); }
BENCHMARK(BM_IntegrityCheckLargeStore)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
