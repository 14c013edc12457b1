// The fields of a recurrence pattern (the recurrence property's bytes) that the expansion reads,
// read only after the value was checked to hold all of them and to make sense.
#pragma once

#include "base/WinError.h"
#include "base/WinTypes.h"

class CRecurrencePattern {
public:
    // Recurrence frequencies (the low byte selects the rule).
    static constexpr BYTE kDaily = 0x0A;
    static constexpr BYTE kWeekly = 0x0B;
    static constexpr BYTE kMonthly = 0x0C;
    static constexpr BYTE kYearly = 0x0D;
    // Pattern types.
    static constexpr WORD kDay = 0;
    static constexpr WORD kWeek = 1;
    static constexpr WORD kMonthDay = 2;
    static constexpr WORD kMonthNth = 3;
    // The latest date the format writes (31.12.4500 23:59, the end of a series without end).
    static constexpr ULONG kLatestDate = 0x5AE980DF;

    // S_OK, or E_INVALIDARG (traced with the check that failed) when the value is too short for
    // the fields it announces, or a field lies outside what the rules can expand.
    HRESULT Read(const BYTE* data, ULONG size);

    BYTE frequency = 0;    // low byte of the frequency
    WORD patternType = 0;  // kDay .. kMonthNth
    ULONG firstDateTime = 0;
    ULONG period = 0;      // minutes (daily), weeks (weekly), months (monthly, yearly)
    ULONG dayMask = 0;     // weekly and N-th weekday: bit 0 Sunday .. bit 6 Saturday
    ULONG dayOfMonth = 0;  // 1..31
    ULONG nth = 0;         // 1..4, 5 = the last
    ULONG firstDayOfWeek = 0;
    ULONG startDate = 0;   // local minutes since 1601, midnight of the first day
    ULONG endDate = 0;
    ULONG startOffset = 0; // minutes after an occurrence's midnight
    ULONG endOffset = 0;
};
