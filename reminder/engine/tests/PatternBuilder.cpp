#include "PatternBuilder.h"

namespace {

void Put16(std::vector<BYTE>& out, WORD v)
{
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}

void Put32(std::vector<BYTE>& out, ULONG v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

} // namespace

PatternBuilder PatternBuilder::Daily(ULONG days, ULONG start, ULONG startMinute, ULONG duration)
{
    PatternBuilder p;
    p.frequency = 0x200A;
    p.patternType = 0;
    p.period = days * 1440;
    p.firstDateTime = start % p.period;
    p.startDate = start;
    p.startOffset = startMinute;
    p.endOffset = startMinute + duration;
    return p;
}

PatternBuilder PatternBuilder::Weekly(ULONG weeks, ULONG mask, ULONG firstDay, ULONG start, ULONG startMinute,
                                      ULONG duration)
{
    PatternBuilder p;
    p.frequency = 0x200B;
    p.patternType = 1;
    p.period = weeks;
    p.specific[0] = mask;
    p.firstDayOfWeek = firstDay;
    // The first day of the start date's week; 1601-01-01 was a Monday (weekday 1).
    const ULONG startDay = start / 1440;
    const ULONG weekday = (startDay + 1) % 7;
    const ULONG weekStart = (startDay - (weekday + 7 - firstDay) % 7) * 1440;
    p.firstDateTime = weekStart % (weeks * 10080);
    p.startDate = start;
    p.startOffset = startMinute;
    p.endOffset = startMinute + duration;
    return p;
}

PatternBuilder PatternBuilder::MonthlyDay(ULONG months, ULONG day, ULONG start, ULONG startMinute, ULONG duration)
{
    PatternBuilder p;
    p.frequency = months % 12 == 0 ? 0x200D : 0x200C;
    p.patternType = 2;
    p.period = months;
    p.specific[0] = day;
    p.startDate = start;
    p.startOffset = startMinute;
    p.endOffset = startMinute + duration;
    return p;
}

PatternBuilder PatternBuilder::MonthlyNth(ULONG months, ULONG mask, ULONG nth, ULONG start, ULONG startMinute,
                                          ULONG duration)
{
    PatternBuilder p = MonthlyDay(months, 1, start, startMinute, duration);
    p.patternType = 3;
    p.specific[0] = mask;
    p.specific[1] = nth;
    return p;
}

ULONG PatternBuilder::SpecificSize() const
{
    return patternType == 0 ? 0 : patternType == 3 ? 8 : 4;
}

ULONG PatternBuilder::MinimumSize() const
{
    return 66 + SpecificSize() + 4 * static_cast<ULONG>(deleted.size() + modified.size());
}

std::vector<BYTE> PatternBuilder::Bytes() const
{
    std::vector<BYTE> out;
    Put16(out, 0x3004);
    Put16(out, 0x3004);
    Put16(out, frequency);
    Put16(out, patternType);
    Put16(out, calendarType);
    Put32(out, firstDateTime);
    Put32(out, period);
    Put32(out, 0); // sliding flag
    for (ULONG i = 0; i < SpecificSize() / 4; ++i)
        Put32(out, specific[i]);
    Put32(out, endType);
    Put32(out, occurrences);
    Put32(out, firstDayOfWeek);
    Put32(out, static_cast<ULONG>(deleted.size()));
    for (ULONG d : deleted)
        Put32(out, d);
    Put32(out, static_cast<ULONG>(modified.size()));
    for (ULONG d : modified)
        Put32(out, d);
    Put32(out, startDate);
    Put32(out, endDate);
    Put32(out, 0x3006);
    Put32(out, 0x3009);
    Put32(out, startOffset);
    Put32(out, endOffset);
    Put16(out, 0); // no exceptions
    Put32(out, 0); // reserved blocks
    Put32(out, 0);
    return out;
}
