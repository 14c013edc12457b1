// Recurrence patterns that do not hold what they announce: each entry refuses them at once with
// E_INVALIDARG and outputs that say "none"; and the fuzzer's corpus replayed.
#include "PatternBuilder.h"
#include "Recurrence.h"
#include "RecurrenceFuzzInput.h"
#include "TimeFixture.h"

#include "base/DebugOutput.h"
#include "mapi/MapiTags.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace {

class BadPatterns : public TimeTest {
protected:
    void SetUp() override
    {
        Zone("Europe/Berlin");
        Now(2024, 6, 10, 8, 0);
    }

    // All three entries refuse the bytes and say "none".
    void ExpectRefused(const std::vector<BYTE>& bytes, const std::string& what)
    {
        SPropValue pattern{};
        pattern.ulPropTag = PROP_TAG(PT_BINARY, 0x8216);
        pattern.Value.bin = {static_cast<ULONG>(bytes.size()), const_cast<BYTE*>(bytes.data())};
        const FILETIME after = Ft(2024, 6, 10);
        FILETIME start{1, 1}, end{1, 1};
        EXPECT_EQ(GetNextOccurence(&pattern, &after, &start, &end), E_INVALIDARG) << what;
        EXPECT_EQ(Ticks(start), 0u) << what;
        EXPECT_EQ(Ticks(end), 0u) << what;

        SPropValue old{};
        old.ulPropTag = PROP_TAG(PT_SYSTIME, 0x8560);
        SPropValue result{};
        result.ulPropTag = PROP_TAG(PT_ERROR, 0x8560);
        result.Value.ft = {1, 1};
        EXPECT_EQ(GetNextReminderDueAt(&pattern, 15, &old, &result), E_INVALIDARG) << what;
        EXPECT_EQ(Ticks(result.Value.ft), 0u) << what;
        EXPECT_EQ(result.ulPropTag, PROP_TAG(PT_ERROR, 0x8560)) << what;
        EXPECT_EQ(Ticks(old.Value.ft), 0u) << what; // not replaced by now

        SPropValue due{}, next{};
        due.Value.ft = next.Value.ft = {1, 1};
        EXPECT_EQ(GetReminderDueAt(&pattern, 15, &old, &due, &next), E_INVALIDARG) << what;
        EXPECT_EQ(Ticks(due.Value.ft), 0u) << what;
        EXPECT_EQ(Ticks(next.Value.ft), 0u) << what;

        // A future old due time is copied whatever the pattern holds.
        old.Value.ft = Ft(2024, 6, 11);
        EXPECT_EQ(GetReminderDueAt(&pattern, 15, &old, &due, &next), S_OK) << what;
        EXPECT_EQ(Show(due.Value.ft), "2024-06-11 00:00:00") << what;
    }

    void ExpectAccepted(const std::vector<BYTE>& bytes, const std::string& what)
    {
        SPropValue pattern{};
        pattern.ulPropTag = PROP_TAG(PT_BINARY, 0x8216);
        pattern.Value.bin = {static_cast<ULONG>(bytes.size()), const_cast<BYTE*>(bytes.data())};
        const FILETIME after = Ft(2024, 6, 10);
        FILETIME start{}, end{};
        EXPECT_EQ(GetNextOccurence(&pattern, &after, &start, &end), S_OK) << what;
    }

    static std::vector<PatternBuilder> Samples()
    {
        const ULONG start = Minutes(2024, 1, 1);
        auto withExceptions = PatternBuilder::Daily(1, start, 540);
        withExceptions.deleted = {Minutes(2024, 2, 1), Minutes(2024, 2, 2)};
        withExceptions.modified = {Minutes(2024, 3, 1)};
        return {PatternBuilder::Daily(2, start, 540), PatternBuilder::Weekly(2, 0x2A, 1, start, 540),
                PatternBuilder::MonthlyDay(1, 31, start, 540), PatternBuilder::MonthlyNth(1, 0x20, 5, start, 540),
                PatternBuilder::MonthlyDay(12, 29, start, 540), withExceptions};
    }

    // A sample with one field changed.
    static std::vector<BYTE> Changed(const std::function<void(PatternBuilder&)>& change)
    {
        auto b = PatternBuilder::MonthlyNth(1, 0x20, 5, Minutes(2024, 1, 1), 540);
        change(b);
        return b.Bytes();
    }
};

} // namespace

TEST_F(BadPatterns, EveryTruncationOfValidSamples)
{
    for (const PatternBuilder& b : Samples()) {
        const std::vector<BYTE> bytes = b.Bytes();
        for (ULONG size = 0; size < b.MinimumSize(); ++size)
            ExpectRefused(std::vector<BYTE>(bytes.begin(), bytes.begin() + size),
                          "type " + std::to_string(b.patternType) + " cut to " + std::to_string(size));
        for (ULONG size = b.MinimumSize(); size <= bytes.size(); ++size)
            ExpectAccepted(std::vector<BYTE>(bytes.begin(), bytes.begin() + size),
                           "type " + std::to_string(b.patternType) + " of " + std::to_string(size));
    }
}

TEST_F(BadPatterns, FieldsOutsideTheRules)
{
    ExpectRefused(Changed([](PatternBuilder& b) { b.period = 0; }), "period 0");
    auto daily = PatternBuilder::Daily(1, Minutes(2024, 1, 1), 540);
    daily.period = 0; // would divide by zero
    ExpectRefused(daily.Bytes(), "daily period 0");
    ExpectRefused(Changed([](PatternBuilder& b) { b.specific[0] = 0; }), "mask 0");
    ExpectRefused(Changed([](PatternBuilder& b) { b.specific[0] = 0x80; }), "mask with an eighth day");
    ExpectRefused(Changed([](PatternBuilder& b) { b.specific[1] = 0; }), "N 0");
    ExpectRefused(Changed([](PatternBuilder& b) { b.specific[1] = 6; }), "N 6");
    ExpectRefused(Changed([](PatternBuilder& b) { b.firstDayOfWeek = 7; }), "first day of week 7");
    ExpectRefused(Changed([](PatternBuilder& b) { b.endDate = 0xFFFFFFFF; }), "end 0xFFFFFFFF");
    ExpectRefused(Changed([](PatternBuilder& b) { b.endDate = b.startDate - 1; }), "end before start");
    ExpectRefused(Changed([](PatternBuilder& b) { b.calendarType = 1; }), "calendar type 1");
    ExpectRefused(Changed([](PatternBuilder& b) { b.patternType = 4; }), "pattern type 4 (month end)");
    ExpectRefused(Changed([](PatternBuilder& b) { b.patternType = 0xA; }), "pattern type 0xA");
    ExpectRefused(Changed([](PatternBuilder& b) { b.frequency = 0x200A; }), "daily frequency, N-th weekday");
    ExpectRefused(Changed([](PatternBuilder& b) { b.frequency = 0x200E; }), "unknown frequency");
    auto day = [](ULONG d) {
        auto b = PatternBuilder::MonthlyDay(1, d, Minutes(2024, 1, 1), 540);
        return b.Bytes();
    };
    ExpectRefused(day(0), "day 0");
    ExpectRefused(day(32), "day 32");
    ExpectAccepted(day(31), "day 31");
}

TEST_F(BadPatterns, CountsPastTheEnd)
{
    for (ULONG count : {0xFFFFFFFFu, 0x40000000u, 0x3FFFFFF0u, 100u}) {
        std::vector<BYTE> deleted = PatternBuilder::Daily(1, Minutes(2024, 1, 1), 540).Bytes();
        // n lies at 34 (no pattern-specific part), m behind it.
        for (int i = 0; i < 4; ++i)
            deleted[34 + i] = static_cast<BYTE>(count >> (8 * i));
        ExpectRefused(deleted, "deleted count " + std::to_string(count));
        std::vector<BYTE> modified = PatternBuilder::Daily(1, Minutes(2024, 1, 1), 540).Bytes();
        for (int i = 0; i < 4; ++i)
            modified[38 + i] = static_cast<BYTE>(count >> (8 * i));
        ExpectRefused(modified, "modified count " + std::to_string(count));
    }
}

TEST_F(BadPatterns, TheFailedCheckIsTraced)
{
    platform::DebugOutputCapture capture;
    ExpectRefused(Changed([](PatternBuilder& b) { b.period = 0; }), "period 0");
    EXPECT_NE(capture.joined().find("period >= 1 failed. hr=0x80070057\n"), std::string::npos);
}

TEST(RecurrenceCorpus, EveryInputKeepsTheRules)
{
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(RECURRENCE_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::string failure;
        EXPECT_TRUE(RunRecurrenceInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), &failure))
            << entry.path().filename() << ": " << failure;
        ++inputs;
    }
    EXPECT_GE(inputs, 10);
}
