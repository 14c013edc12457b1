// A second start's hand-over: from launching "orvinta /autosync" while a first instance runs to
// the first instance's ScheduleSync, on a private virtual display in a fresh platform root. The
// first instance reports each message it takes (its `wait-activate` test command).
#include "ChildProcess.h"
#include "RunChild.h"
#include "TempRoot.h"
#include "VirtualDisplay.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

namespace {

constexpr int kRounds = 20;

void BM_SecondStartHandOver(benchmark::State& state)
{
    if (!VirtualDisplay::Available()) {
        state.SkipWithError("Xvfb is not installed");
        return;
    }
    TempRoot root;
    VirtualDisplay display;
    display.makeCurrent();
    setenv("PLATFORM_MESSAGEBOX", "console", 1);
    if (RunChild(REGSVR_PROGRAM, {"/s", TEMBRIX_LIBRARY}).exitCode != 0) {
        state.SkipWithError("the engine library cannot be registered");
        return;
    }
    const auto script = root.path() / "first.txt";
    {
        // One wait per iteration, then the end; a wait that nothing answers ends after 5 s.
        std::ofstream out(script);
        out << "state\n";
        for (int i = 0; i < kRounds; ++i)
            out << "wait-activate 5\n";
        out << "quit\n";
    }
    ChildProcess first(ORVINTA_PROGRAM, {}, {{"ORVINTA_SCRIPT", script.string()}});
    if (first.readLine().rfind("state ", 0) != 0) {
        state.SkipWithError("the first instance did not start");
        return;
    }
    for (auto _ : state) {
        const ChildResult second = RunChild(ORVINTA_PROGRAM, {"/autosync"});
        const std::string line = first.readLine();
        if (second.exitCode != 0 || line != "activate 3") {
            state.SkipWithError(("hand-over failed: " + line).c_str());
            break;
        }
    }
    first.wait();
}
BENCHMARK(BM_SecondStartHandOver)->Unit(benchmark::kMillisecond)->Iterations(kRounds)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
