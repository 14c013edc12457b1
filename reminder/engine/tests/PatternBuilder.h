// Recurrence patterns as the recurrence property holds them, for tests and benchmarks: the
// fields the expansion reads, in their places, with the reader and writer versions and an
// empty exception list behind them.
#pragma once

#include "base/WinTypes.h"

#include <vector>

struct PatternBuilder {
    WORD frequency = 0x200A;
    WORD patternType = 0;
    WORD calendarType = 0;
    ULONG firstDateTime = 0;
    ULONG period = 1440;
    ULONG specific[2] = {0, 0}; // day mask or day of month; N
    ULONG endType = 0x2023;
    ULONG occurrences = 10;
    ULONG firstDayOfWeek = 0;
    std::vector<ULONG> deleted;
    std::vector<ULONG> modified;
    ULONG startDate = 0;
    ULONG endDate = 0x5AE980DF;
    ULONG startOffset = 0;
    ULONG endOffset = 0;

    // Every P days from the start date (midnight, local minutes), at startMinute of the day.
    static PatternBuilder Daily(ULONG days, ULONG start, ULONG startMinute, ULONG duration = 30);
    // Every n weeks on the days of the mask (bit 0 Sunday), weeks beginning on firstDay.
    static PatternBuilder Weekly(ULONG weeks, ULONG mask, ULONG firstDay, ULONG start, ULONG startMinute,
                                 ULONG duration = 30);
    // Every n months (yearly: 12, frequency 0x200D) on day d.
    static PatternBuilder MonthlyDay(ULONG months, ULONG day, ULONG start, ULONG startMinute, ULONG duration = 30);
    // Every n months on the nth (5 = last) day of the mask.
    static PatternBuilder MonthlyNth(ULONG months, ULONG mask, ULONG nth, ULONG start, ULONG startMinute,
                                     ULONG duration = 30);

    PatternBuilder& Until(ULONG end)
    {
        endType = 0x2021;
        endDate = end;
        return *this;
    }

    // Size of the pattern-specific part (0, 4 or 8).
    ULONG SpecificSize() const;
    // The smallest size that holds every field the expansion reads.
    ULONG MinimumSize() const;
    std::vector<BYTE> Bytes() const;
};
