// The conflicts dialog's costs without a display, with the real engine on real store files in a
// temporary platform root: 1,000 items changed on both sides since the last run leave 1,000
// conflicts; loading them into the conflict model (each conflict's two messages read), filling
// the dialog's list, and Commit of all of them with the public side kept.
#include "SyncWorld.h"
#include "TempRoot.h"
#include "ViewHarness.h"

#include "ConflictList.h"
#include "ConflictResource.h"
#include "ConflictsListCtrl.h"
#include "DlgConflicts.h"

#include "base/MessageLoop.h"
#include "base/UiLanguage.h"
#include "mapi/MapiUtil.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

namespace {

using syncbench::Check;
using syncbench::World;

// The world's 1,000 paired items, each changed on both sides, and a run that finds them.
class ConflictWorld {
public:
    explicit ConflictWorld(int count) : world(count, true)
    {
        setenv("PLATFORM_MESSAGEBOX", "console", 1);
        SetThreadUILanguage(1033);
        harness.Make();
        NextRun();
    }
    ~ConflictWorld()
    {
        conflicts.Release();
        world.Profile()->FinalizeSynchronize();
        harness.Destroy();
        unsetenv("PLATFORM_MESSAGEBOX");
    }

    // Closes the run there is and makes the next one with a conflict for every item.
    void NextRun()
    {
        if (conflicts) {
            conflicts.Release();
            Check(world.Profile()->FinalizeSynchronize(), "FinalizeSynchronize");
        }
        ++round;
        const int all = std::numeric_limits<int>::max();
        World::ChangeBodies(world.SourceFolder(), "public text " + std::to_string(round), all);
        World::ChangeBodies(world.DestinationFolder(), "local text " + std::to_string(round), all);
        Check(world.Profile()->Synchronize(nullptr), "Synchronize");
        Check(world.Profile()->get_Conflicts(conflicts.put()), "get_Conflicts");
    }
    LONG Count() const
    {
        LONG n = 0;
        conflicts->get_Count(&n);
        return n;
    }

    TempRoot root; // before the world, which lives in it
    World world;
    CViewHarness harness;
    ComPtr<IConflicts> conflicts;
    int round = 0;
};

void Report(benchmark::State& state, LONG conflicts)
{
    state.counters["conflicts"] = static_cast<double>(conflicts);
    state.counters["per_conflict"] = benchmark::Counter(static_cast<double>(state.iterations()) * conflicts,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ConflictModelLoad(benchmark::State& state)
{
    ConflictWorld world(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CConflictList model;
        if (model.Load(world.conflicts.get(), world.world.Profile()) != 0)
            state.SkipWithError("unreadable conflicts");
        benchmark::DoNotOptimize(model.ChangeList().size());
    }
    Report(state, world.Count());
}
BENCHMARK(BM_ConflictModelLoad)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConflictListFill(benchmark::State& state)
{
    ConflictWorld world(static_cast<int>(state.range(0)));
    CConflictList model;
    Check(model.Load(world.conflicts.get(), world.world.Profile()) == 0 ? S_OK : E_FAIL, "Load");
    for (auto _ : state) {
        CDlgConflicts dialog(CDlgConflicts::MODE_CHANGES, model.ChangeList(), world.conflicts.get(),
                             world.world.Profile(), "Conflict resolution - Bench", "Personal Folders",
                             "Public Folders");
        if (!dialog.Create())
            state.SkipWithError("the dialog was not made");
        benchmark::DoNotOptimize(dialog.m_wndList.GetItemCount());
        state.PauseTiming();
        dialog.ClickItem(IDCANCEL);
        state.ResumeTiming();
    }
    Report(state, world.Count());
}
BENCHMARK(BM_ConflictListFill)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConflictCommit(benchmark::State& state)
{
    ConflictWorld world(static_cast<int>(state.range(0)));
    const LONG count = world.Count();
    for (auto _ : state) {
        state.PauseTiming();
        CConflictList model;
        Check(model.Load(world.conflicts.get(), world.world.Profile()) == 0 ? S_OK : E_FAIL, "Load");
        auto dialog = std::make_unique<CDlgConflicts>(CDlgConflicts::MODE_CHANGES, model.ChangeList(),
                                                      world.conflicts.get(), world.world.Profile(), "caption",
                                                      "Personal Folders", "Public Folders");
        Check(dialog->Create() ? S_OK : E_FAIL, "Create");
        for (int row = 0; row < dialog->m_wndList.GetItemCount(); ++row)
            if (dialog->m_wndList.IsHeader(row))
                dialog->m_wndList.ToggleCheck(row, CConflictsListCtrl::SIDE_GLOBAL);
        platform::MessageLoop::Current().RunPending();
        state.ResumeTiming();
        dialog->ClickItem(IDC_COMMIT);
        state.PauseTiming();
        if (!dialog->IsItemEnabled(IDOK))
            state.SkipWithError("conflicts left after Commit");
        dialog->ClickItem(IDOK);
        dialog.reset();
        world.NextRun();
        state.ResumeTiming();
    }
    Report(state, count);
}
BENCHMARK(BM_ConflictCommit)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
