// Recurrence expansion: the next reminder of long-running series asked far from their start,
// and the slowest input of the fuzzer's corpus (RECURRENCE_CORPUS_DIR chooses another corpus).
#include "PatternBuilder.h"
#include "Recurrence.h"
#include "RecurrenceFuzzInput.h"
#include "Trace.h"

#include "base/ManualClock.h"
#include "base/WinTime.h"
#include "mapi/MapiTags.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

ULONGLONG Ticks(int y, int mo, int d, int h = 0)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return platform::FileTimeToUInt64(ft);
}

ULONG Minutes(int y, int mo, int d)
{
    return static_cast<ULONG>(Ticks(y, mo, d) / 600000000ULL);
}

void NextReminder(benchmark::State& state, const PatternBuilder& b)
{
    TraceSetLevel(0);
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    platform::ScopedClock clock(std::make_shared<platform::ManualClock>(Ticks(2030, 6, 10, 8), 0));
    std::vector<BYTE> bytes = b.Bytes();
    SPropValue pattern{};
    pattern.ulPropTag = PROP_TAG(PT_BINARY, 0x8216);
    pattern.Value.bin = {static_cast<ULONG>(bytes.size()), bytes.data()};
    for (auto _ : state) {
        SPropValue old{}, result{};
        old.ulPropTag = PROP_TAG(PT_SYSTIME, 0x8560);
        if (GetNextReminderDueAt(&pattern, 15, &old, &result) != S_OK || !result.Value.ft.dwHighDateTime)
            state.SkipWithError("no next reminder");
        benchmark::DoNotOptimize(result);
    }
}

void BM_DailySince2007AskedIn2030(benchmark::State& state)
{
    NextReminder(state, PatternBuilder::Daily(1, Minutes(2007, 1, 1), 9 * 60));
}
BENCHMARK(BM_DailySince2007AskedIn2030);

void BM_MonthlySince1601AskedIn2030(benchmark::State& state)
{
    NextReminder(state, PatternBuilder::MonthlyNth(1, 0x20, 5, 0, 9 * 60));
}
BENCHMARK(BM_MonthlySince1601AskedIn2030);

std::vector<std::vector<std::uint8_t>> ReadCorpus(std::vector<std::string>& names)
{
    const char* dir = std::getenv("RECURRENCE_CORPUS_DIR");
    std::vector<std::vector<std::uint8_t>> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(dir ? dir : RECURRENCE_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        names.push_back(entry.path().filename().string());
    }
    return inputs;
}

void BM_SlowestCorpusInput(benchmark::State& state)
{
    TraceSetLevel(0);
    std::vector<std::string> names;
    const auto inputs = ReadCorpus(names);
    // The input that takes longest, each timed over a few runs.
    std::size_t slowest = 0;
    double longest = -1;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto begin = std::chrono::steady_clock::now();
        for (int run = 0; run < 5; ++run)
            RunRecurrenceInput(inputs[i].data(), inputs[i].size());
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (took > longest) {
            longest = took;
            slowest = i;
        }
    }
    if (inputs.empty()) {
        state.SkipWithError("empty corpus");
        return;
    }
    state.SetLabel(names[slowest] + " of " + std::to_string(inputs.size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(RunRecurrenceInput(inputs[slowest].data(), inputs[slowest].size()));
}
BENCHMARK(BM_SlowestCorpusInput);

} // namespace

BENCHMARK_MAIN();
