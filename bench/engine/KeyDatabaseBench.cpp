// Key database throughput: storing record keys into a new ".new" database and looking them up
// in an ".old" one, with real gdbm files in a temporary platform root.
#include "TempRoot.h"
#include "database.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

std::vector<std::array<BYTE, 16>> Keys(int count)
{
    std::vector<std::array<BYTE, 16>> keys(count);
    for (int i = 0; i < count; ++i) {
        keys[i].fill(0x5A);
        std::memcpy(keys[i].data(), &i, sizeof(i));
    }
    return keys;
}

void BM_DbPut(benchmark::State& state)
{
    TempRoot root;
    const auto keys = Keys(static_cast<int>(state.range(0)));
    int round = 0;
    for (auto _ : state) {
        const std::string path = (root.path() / ("put" + std::to_string(round++) + ".new")).string();
        GDBM_FILE db = DbOpen(path.c_str());
        for (const auto& key : keys)
            DbPut(db, key);
        DbClose(db);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DbPut)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_DbExists(benchmark::State& state)
{
    TempRoot root;
    const auto keys = Keys(static_cast<int>(state.range(0)));
    const std::string path = (root.path() / "lookup.old").string();
    GDBM_FILE db = DbOpen(path.c_str());
    for (std::size_t i = 0; i < keys.size(); i += 2)
        DbPut(db, keys[i]);
    for (auto _ : state) {
        int found = 0;
        for (const auto& key : keys)
            found += DbExists(db, key) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    DbClose(db);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DbExists)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
