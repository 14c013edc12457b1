// Cost of a trace call: below the level it is one comparison; a written line pays for the
// prefix, the formatting and the debugger output (switched off here).
#include "Trace.h"

#include <benchmark/benchmark.h>

static void BM_TracePrintBelowLevel(benchmark::State& state)
{
    TraceSetLevel(0);
    for (auto _ : state)
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "value %d of %s\n", 42, "text");
}
BENCHMARK(BM_TracePrintBelowLevel);

static void BM_TracePrintWritten(benchmark::State& state)
{
    TraceSetLevel(TL_CALL);
    for (auto _ : state)
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "value %d of %s\n", 42, "text");
}
BENCHMARK(BM_TracePrintWritten);

static void BM_TraceFailedBelowLevel(benchmark::State& state)
{
    TraceSetLevel(-1);
    for (auto _ : state)
        TRACE_FAILED(SomeCall, static_cast<HRESULT>(0x80004005));
}
BENCHMARK(BM_TraceFailedBelowLevel);
