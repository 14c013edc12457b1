// Costs of the store and its tables: creating messages, reading every row, three columns of
// 100,000 rows with the memory they hold, and FindRow with a binary equality (the engine's
// pairing search), at 10,000 and 100,000 rows.
#include "com/ComPtr.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/StoreAccess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace {

constexpr ULONG PR_KEY = PROP_TAG(PT_BINARY, 0x6750);

std::filesystem::path BenchRoot()
{
    static std::filesystem::path root = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "mapi-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        setenv("PLATFORM_ROOT", pattern.c_str(), 1);
        return std::filesystem::path(pattern);
    }();
    return root;
}

std::string KeyOf(int i)
{
    std::string k(16, '\0');
    for (int b = 0; b < 16; ++b)
        k[b] = static_cast<char>((i * 2654435761u >> (b % 4 * 8)) ^ b);
    k.replace(0, 4, reinterpret_cast<const char*>(&i), 4);
    return k;
}

ComPtr<IMAPIFolder> NewFolder(IMsgStore* store, const std::string& name)
{
    LPSPropValue sub = nullptr;
    HrGetOneProp(store, PR_IPM_SUBTREE_ENTRYID, &sub);
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    store->OpenEntry(sub->Value.bin.cb, (LPENTRYID)sub->Value.bin.lpb, nullptr, MAPI_MODIFY, &type, unk.put());
    MAPIFreeBuffer(sub);
    ComPtr<IMAPIFolder> folder;
    static_cast<IMAPIFolder*>(unk.get())
        ->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name.c_str()), nullptr, nullptr, 0, folder.put());
    return folder;
}

void AddMessages(IMAPIFolder* folder, int count)
{
    for (int i = 0; i < count; ++i) {
        ComPtr<IMessage> msg;
        folder->CreateMessage(nullptr, 0, msg.put());
        const std::string subject = "message " + std::to_string(i);
        const std::string key = KeyOf(i);
        SPropValue props[2] = {};
        props[0].ulPropTag = PR_SUBJECT_A;
        props[0].Value.lpszA = const_cast<char*>(subject.c_str());
        props[1].ulPropTag = PR_KEY;
        props[1].Value.bin = {ULONG(key.size()), (LPBYTE)key.data()};
        msg->SetProps(2, props, nullptr);
        if (FAILED(msg->SaveChanges(0)))
            std::abort();
    }
}

IMsgStore* Store()
{
    static ComPtr<IMsgStore> store = [] {
        auto path = BenchRoot() / "bench.store";
        mapi::CreateStoreFile(path, mapi::StoreKind::Personal, u"Bench");
        ComPtr<IMsgStore> s;
        mapi::OpenStoreFile(path, MDB_WRITE, s.put());
        return s;
    }();
    return store.get();
}

// A folder of n messages, made once per size.
IMAPIFolder* FilledFolder(int n)
{
    static std::map<int, ComPtr<IMAPIFolder>> folders;
    auto& f = folders[n];
    if (!f) {
        f = NewFolder(Store(), "filled " + std::to_string(n));
        AddMessages(f.get(), n);
    }
    return f.get();
}

void BM_CreateMessages(benchmark::State& state)
{
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = NewFolder(Store(), "create " + std::to_string(round++));
        state.ResumeTiming();
        AddMessages(folder.get(), static_cast<int>(state.range(0)));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CreateMessages)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ReadAllRows(benchmark::State& state)
{
    IMAPIFolder* folder = FilledFolder(static_cast<int>(state.range(0)));
    SizedSPropTagArray(3, cols) = {3, {PR_ENTRYID, PR_SUBJECT_A, PR_KEY}};
    for (auto _ : state) {
        ComPtr<IMAPITable> table;
        folder->GetContentsTable(0, table.put());
        LPSRowSet rows = nullptr;
        HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows);
        if (!rows || rows->cRows != static_cast<ULONG>(state.range(0)))
            state.SkipWithError("wrong row count");
        FreeProws(rows);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadAllRows)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// range(0) rows, range(1) FindRow calls on one open table (the index is built by the first).
void BM_FindRowBinary(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const int calls = static_cast<int>(state.range(1));
    IMAPIFolder* folder = FilledFolder(rows);
    std::mt19937 gen(42);
    std::uniform_int_distribution<int> pick(0, rows - 1);
    std::vector<std::string> keys;
    for (int i = 0; i < calls; ++i)
        keys.push_back(KeyOf(pick(gen)));
    for (auto _ : state) {
        // The table's rows are read outside the timing (BM_ReadAllRows measures that); the
        // timing holds the calls, the first of which builds the index.
        state.PauseTiming();
        ComPtr<IMAPITable> table;
        folder->GetContentsTable(0, table.put());
        SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
        table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0);
        state.ResumeTiming();
        for (const auto& key : keys) {
            SPropValue v{};
            v.ulPropTag = PR_KEY;
            v.Value.bin = {ULONG(key.size()), (LPBYTE)key.data()};
            SRestriction r{};
            r.rt = RES_PROPERTY;
            r.res.resProperty = {RELOP_EQ, PR_KEY, &v};
            if (table->FindRow(&r, BOOKMARK_BEGINNING, 0) != S_OK)
                state.SkipWithError("row not found");
        }
    }
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_FindRowBinary)
    ->Args({10000, 10000})
    ->Args({100000, 10000})
    ->Args({100000, 100000})
    ->Unit(benchmark::kMillisecond);

// A sync's pattern: a message is added to the folder, then the open table is asked for a row,
// range(1) times on a table of range(0) rows. Each look-up sees one change first.
void BM_FindRowAfterEachChange(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const int calls = static_cast<int>(state.range(1));
    static int round = 0; // folder names stay unique across the benchmark's argument sets
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = NewFolder(Store(), "changing " + std::to_string(round++));
        AddMessages(folder.get(), rows);
        ComPtr<IMAPITable> table;
        folder->GetContentsTable(0, table.put());
        SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
        table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0);
        state.ResumeTiming();
        for (int i = 0; i < calls; ++i) {
            ComPtr<IMessage> msg;
            folder->CreateMessage(nullptr, 0, msg.put());
            SPropValue subject{};
            subject.ulPropTag = PR_SUBJECT_A;
            subject.Value.lpszA = const_cast<char*>("added");
            msg->SetProps(1, &subject, nullptr);
            msg->SaveChanges(0);
            const std::string key = KeyOf(i * 7 % rows);
            SPropValue v{};
            v.ulPropTag = PR_KEY;
            v.Value.bin = {ULONG(key.size()), (LPBYTE)key.data()};
            SRestriction r{};
            r.rt = RES_PROPERTY;
            r.res.resProperty = {RELOP_EQ, PR_KEY, &v};
            if (table->FindRow(&r, BOOKMARK_BEGINNING, 0) != S_OK)
                state.SkipWithError("row not found");
        }
    }
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_FindRowAfterEachChange)->Args({10000, 1000})->Args({100000, 1000})->Iterations(1)->Unit(benchmark::kMillisecond);

// Resident memory now, from the kernel's accounting.
double ResidentMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// A contents table opened, three columns chosen, every row read: the memory the table and the
// row set hold while the caller has them.
double ReadThreeColumns(benchmark::State& state, IMAPIFolder* folder, int n)
{
    SizedSPropTagArray(3, cols) = {3, {PR_ENTRYID, PR_KEY, PR_LAST_MODIFICATION_TIME}};
    const double before = ResidentMB();
    ComPtr<IMAPITable> table;
    folder->GetContentsTable(0, table.put());
    table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0);
    LPSRowSet rows = nullptr;
    table->QueryRows(n, 0, &rows);
    if (!rows || rows->cRows != static_cast<ULONG>(n))
        state.SkipWithError("wrong row count");
    const double held = ResidentMB() - before;
    FreeProws(rows);
    return held;
}

void BM_OpenThreeColumnsQueryAll(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    IMAPIFolder* folder = FilledFolder(n);
    double held = 0;
    for (auto _ : state)
        held = std::max(held, ReadThreeColumns(state, folder, n));
    state.counters["held_MB"] = held;
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OpenThreeColumnsQueryAll)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

// The same over a folder that no table of the process has read yet: the rows come from the file,
// not from those kept of an earlier read.
void BM_OpenThreeColumnsQueryAllFirstRead(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    auto folder = NewFolder(Store(), "first read " + std::to_string(n));
    AddMessages(folder.get(), n);
    for (auto _ : state)
        state.counters["held_MB"] = ReadThreeColumns(state, folder.get(), n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OpenThreeColumnsQueryAllFirstRead)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Sorting and restricting a large table.
void BM_SortAndRestrict(benchmark::State& state)
{
    IMAPIFolder* folder = FilledFolder(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ComPtr<IMAPITable> table;
        folder->GetContentsTable(0, table.put());
        SSortOrderSet sort{1, 0, 0, {{PR_KEY, TABLE_SORT_DESCEND}}};
        table->SortTable(&sort, 0);
        SPropValue v{};
        v.ulPropTag = PR_SUBJECT_A;
        v.Value.lpszA = const_cast<char*>("message 1");
        SRestriction r{};
        r.rt = RES_CONTENT;
        r.res.resContent = {FL_PREFIX, PR_SUBJECT_A, &v};
        table->Restrict(&r, 0);
        ULONG count = 0;
        table->GetRowCount(0, &count);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_SortAndRestrict)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    BenchRoot();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchRoot());
    return 0;
}
