#include "RecurrencePattern.h"

#include "TraceScope.h"

namespace {

WORD Word(const BYTE* p)
{
    return static_cast<WORD>(p[0] | p[1] << 8);
}

ULONG Dword(const BYTE* p)
{
    return static_cast<ULONG>(p[0]) | static_cast<ULONG>(p[1]) << 8 | static_cast<ULONG>(p[2]) << 16 |
           static_cast<ULONG>(p[3]) << 24;
}

bool ValidMask(ULONG mask)
{
    return mask != 0 && (mask & ~0x7Fu) == 0;
}

} // namespace

HRESULT CRecurrencePattern::Read(const BYTE* data, ULONG size)
{
    HRESULT hr = E_INVALIDARG;
    TRACE_FUNC("CRecurrencePattern::Read", &hr);
    // Every offset and size below is 64-bit: counts read from the value cannot wrap them.
    ULONGLONG specific = 0; // S, the size of the pattern-specific part
    ULONGLONG deleted = 0;  // n
    ULONGLONG modified = 0; // m
    ULONGLONG tail = 0;     // offset of the start date
    WORD calendarType = 0;
#define PATTERN_CHECK(condition)                                                                                       \
    if (!(condition)) {                                                                                                \
        TracePrint(__FILE__, __LINE__, TL_ERROR, "%s failed. hr=0x%08lx\n", #condition, hr);                           \
        return hr;                                                                                                     \
    }

    PATTERN_CHECK(data != nullptr && size >= 22);
    frequency = static_cast<BYTE>(Word(data + 4) & 0xFF);
    patternType = Word(data + 6);
    calendarType = Word(data + 8);
    PATTERN_CHECK(patternType <= kMonthNth);
    PATTERN_CHECK(calendarType == 0);
    PATTERN_CHECK((frequency == kDaily && (patternType == kDay || patternType == kWeek)) ||
                  (frequency == kWeekly && patternType == kWeek) ||
                  ((frequency == kMonthly || frequency == kYearly) &&
                   (patternType == kMonthDay || patternType == kMonthNth)));
    specific = patternType == kDay ? 0 : patternType == kMonthNth ? 8 : 4;
    PATTERN_CHECK(size >= 38 + specific);
    deleted = Dword(data + 34 + specific);
    PATTERN_CHECK(size >= 42 + specific + 4 * deleted);
    modified = Dword(data + 38 + specific + 4 * deleted);
    PATTERN_CHECK(size >= 66 + specific + 4 * (deleted + modified));

    firstDateTime = Dword(data + 10);
    period = Dword(data + 14);
    PATTERN_CHECK(period >= 1);
    dayMask = dayOfMonth = nth = 0;
    if (patternType == kWeek || patternType == kMonthNth) {
        dayMask = Dword(data + 22);
        PATTERN_CHECK(ValidMask(dayMask));
    }
    if (patternType == kMonthDay) {
        dayOfMonth = Dword(data + 22);
        PATTERN_CHECK(dayOfMonth >= 1 && dayOfMonth <= 31);
    }
    if (patternType == kMonthNth) {
        nth = Dword(data + 26);
        PATTERN_CHECK(nth >= 1 && nth <= 5);
    }
    firstDayOfWeek = Dword(data + 30 + specific);
    PATTERN_CHECK(firstDayOfWeek <= 6);
    tail = 42 + specific + 4 * (deleted + modified);
    startDate = Dword(data + tail);
    endDate = Dword(data + tail + 4);
    startOffset = Dword(data + tail + 16);
    endOffset = Dword(data + tail + 20);
    PATTERN_CHECK(startDate <= endDate);
    PATTERN_CHECK(endDate <= kLatestDate);
#undef PATTERN_CHECK
    hr = S_OK;
    return hr;
}
