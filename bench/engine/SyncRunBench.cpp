// Sync runs of one folder pair through the engine's COM interfaces, on real store files and
// real key databases in a temporary platform root: a first run into an empty destination, a
// run with nothing changed, and a run with 1% changed on each side. A clock that moves with
// every reading stands in for the system clock, so the run's fixed one-second pause costs no
// real time.
#include "SyncWorld.h"
#include "TempRoot.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/resource.h>

namespace {

using syncbench::World;

void Report(benchmark::State& state)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["per_message"] =
        benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FirstRun(benchmark::State& state)
{
    TempRoot root;
    World world(static_cast<int>(state.range(0)));
    for (auto _ : state)
        world.Run();
    Report(state);
}
BENCHMARK(BM_FirstRun)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NothingChanged(benchmark::State& state)
{
    TempRoot root;
    World world(static_cast<int>(state.range(0)));
    world.Run();
    for (auto _ : state)
        world.Run();
    Report(state);
}
BENCHMARK(BM_NothingChanged)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same from a paired state built directly, for sizes whose first run takes long.
void BM_NothingChangedPrepaired(benchmark::State& state)
{
    TempRoot root;
    World world(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        world.Run();
    Report(state);
}
// The first no-change run in the process, as a program run once for it does it (the runs
// above after the first start from the rows the store read in the run before).
void BM_NothingChangedOnce(benchmark::State& state)
{
    TempRoot root;
    World world(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        world.Run();
    Report(state);
}
BENCHMARK(BM_NothingChangedOnce)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_NothingChangedPrepaired)->Arg(10000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OnePercentChanged(benchmark::State& state)
{
    TempRoot root;
    World world(static_cast<int>(state.range(0)));
    world.Run();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        world.ChangeBothSides(static_cast<int>(state.range(0) / 100), ++round);
        state.ResumeTiming();
        world.Run();
    }
    Report(state);
}
BENCHMARK(BM_OnePercentChanged)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
