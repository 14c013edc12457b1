#include "RecurrenceFuzzInput.h"

#include "Recurrence.h"
#include "RecurrencePattern.h"
#include "Trace.h"

#include "base/ManualClock.h"
#include "base/TimeZone.h"
#include "base/WinTime.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr ULONGLONG kTicksPerMinute = 600000000ULL;
// An output that was not written keeps this value.
constexpr FILETIME kUnset{1, 1};
constexpr ULONGLONG kUnsetTicks = (1ULL << 32) | 1;
// Times are kept below the year 4600, beyond every series the format can hold.
constexpr ULONGLONG kTimeRange = 94670208000000000ULL * 10;

const char* const kZones[] = {"Europe/Berlin", "America/New_York", "Australia/Sydney", "Asia/Tokyo"};

template <class T>
T Read(const std::uint8_t* p)
{
    T v{};
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v = static_cast<T>(v | static_cast<T>(static_cast<std::uint64_t>(p[i]) << (8 * i)));
    return v;
}

ULONGLONG Ticks(const FILETIME& ft)
{
    return platform::FileTimeToUInt64(ft);
}

// TZ of the process for one run, the old one back afterwards.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        m_had = std::getenv("TZ") != nullptr;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

bool Fail(std::string* failure, const char* what)
{
    if (failure)
        *failure = what;
    return false;
}

} // namespace

bool RunRecurrenceInput(const std::uint8_t* data, std::size_t size, std::string* failure)
{
    std::uint8_t header[kRecurrenceInputHeader] = {};
    std::memcpy(header, data, size < sizeof header ? size : sizeof header);
    std::vector<BYTE> bytes;
    if (size > sizeof header)
        bytes.assign(data + sizeof header, data + size);

    ZoneScope zone(kZones[header[0] & 3]);
    const ULONGLONG now = Read<std::uint64_t>(header + 1) % kTimeRange;
    const LONG minutes = Read<std::int32_t>(header + 9);
    const ULONGLONG oldDueTicks = Read<std::uint64_t>(header + 13) % kTimeRange;
    platform::ScopedClock clock(std::make_shared<platform::ManualClock>(now, 0));

    SPropValue pattern{};
    pattern.ulPropTag = PROP_TAG(PT_BINARY, 0x8216);
    pattern.Value.bin = {static_cast<ULONG>(bytes.size()), bytes.data()};
    const FILETIME nowFt = platform::UInt64ToFileTime(now);
    const ULONGLONG nowMinutes = now / kTicksPerMinute;

    // Whether the pattern passes the check; every entry must say the same.
    const int level = TraceSetLevel(-1);
    CRecurrencePattern checked;
    const bool valid = SUCCEEDED(checked.Read(bytes.data(), static_cast<ULONG>(bytes.size())));
    TraceSetLevel(level);

    // The next occurrence after now, in local time.
    FILETIME start = kUnset, end = kUnset;
    HRESULT hr = GetNextOccurence(&pattern, &nowFt, &start, &end);
    if (hr != (valid ? S_OK : E_INVALIDARG))
        return Fail(failure, "GetNextOccurence: result differs from the pattern check");
    if (!valid && (Ticks(start) || Ticks(end)))
        return Fail(failure, "GetNextOccurence: outputs after a failure");
    if (valid && Ticks(start) != kUnsetTicks) {
        SYSTEMTIME utc{}, local{};
        FILETIME localNow{};
        if (FileTimeToSystemTime(&nowFt, &utc) && SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) &&
            SystemTimeToFileTime(&local, &localNow) && Ticks(start) / kTicksPerMinute < Ticks(localNow) / kTicksPerMinute)
            return Fail(failure, "GetNextOccurence: an occurrence before the time asked for");
    }

    // The next reminder after the later of now and the old due time.
    SPropValue old{};
    old.ulPropTag = PROP_TAG(PT_SYSTIME, 0x8560);
    old.Value.ft = platform::UInt64ToFileTime(oldDueTicks);
    SPropValue result{};
    result.ulPropTag = PROP_TAG(PT_ERROR, 0x8560);
    result.Value.ft = kUnset;
    hr = GetNextReminderDueAt(&pattern, minutes, &old, &result);
    if (hr != (valid ? S_OK : E_INVALIDARG))
        return Fail(failure, "GetNextReminderDueAt: result differs from the pattern check");
    if (!valid && (Ticks(result.Value.ft) || Ticks(old.Value.ft) != oldDueTicks))
        return Fail(failure, "GetNextReminderDueAt: outputs after a failure");
    if (valid) {
        const ULONGLONG from = (oldDueTicks > now ? oldDueTicks : now) / kTicksPerMinute + 1;
        if (Ticks(old.Value.ft) != (oldDueTicks > now ? oldDueTicks : now))
            return Fail(failure, "GetNextReminderDueAt: old due time not the later one");
        if (Ticks(result.Value.ft) && (Ticks(result.Value.ft) / kTicksPerMinute < from ||
                                       PROP_TYPE(result.ulPropTag) != PT_SYSTIME))
            return Fail(failure, "GetNextReminderDueAt: a reminder before the time asked for");
    }

    // The due and the next reminder around now.
    old.Value.ft = platform::UInt64ToFileTime(oldDueTicks);
    SPropValue due{}, next{};
    due.Value.ft = next.Value.ft = kUnset;
    hr = GetReminderDueAt(&pattern, minutes, &old, &due, &next);
    if (oldDueTicks >= now) {
        if (hr != S_OK || Ticks(due.Value.ft) != oldDueTicks || Ticks(next.Value.ft) != kUnsetTicks)
            return Fail(failure, "GetReminderDueAt: a future old due time is not copied");
    } else if (hr != (valid ? S_OK : E_INVALIDARG)) {
        return Fail(failure, "GetReminderDueAt: result differs from the pattern check");
    } else if (!valid) {
        if (Ticks(due.Value.ft) || Ticks(next.Value.ft))
            return Fail(failure, "GetReminderDueAt: outputs after a failure");
    } else {
        const ULONGLONG d = Ticks(due.Value.ft) / kTicksPerMinute, n = Ticks(next.Value.ft) / kTicksPerMinute;
        if (n && n < nowMinutes)
            return Fail(failure, "GetReminderDueAt: a next reminder before now");
        if (d && d >= nowMinutes && d != n)
            return Fail(failure, "GetReminderDueAt: a due reminder after now");
        if (Ticks(result.Value.ft) && (!n || Ticks(result.Value.ft) < Ticks(next.Value.ft)))
            return Fail(failure, "GetReminderDueAt: next reminder later than GetNextReminderDueAt's");
    }
    return true;
}
