// Recurrence expansion: from an item's recurrence pattern (PT_BINARY), its next occurrence and
// the reminder times around now. Times inside are whole minutes since 1601-01-01 00:00 (64-bit);
// occurrences are laid out in local time, reminders are compared as UTC instants. Every entry
// checks the pattern first; a value that does not hold what it announces gives E_INVALIDARG
// and every output says "none" (FILETIME 0).
#pragma once

#include "mapi/MapiDefs.h"

// The first occurrence whose start is at or after `after` (UTC); start and end as local times.
// Without such an occurrence the outputs are not written.
HRESULT GetNextOccurence(const SPropValue* pattern, const FILETIME* after, FILETIME* start, FILETIME* end);
// The first reminder time at least a minute after the later of now and *oldDue, as UTC into
// *result (PT_SYSTIME), or FILETIME 0 (tag unchanged) when there is none. When now is later,
// *oldDue becomes now. reminderMinutes may be negative (a reminder after the start).
HRESULT GetNextReminderDueAt(const SPropValue* pattern, LONG reminderMinutes, SPropValue* oldDue, SPropValue* result);
// When now is not later than *oldDue: *due is a copy of it, nothing else is written. Otherwise
// *due is the last reminder time before now and *next the first at or after now (UTC,
// PT_SYSTIME, FILETIME 0 for none); without a last one *due takes *next's time.
HRESULT GetReminderDueAt(const SPropValue* pattern, LONG reminderMinutes, const SPropValue* oldDue, SPropValue* due,
                         SPropValue* next);

// The date helpers of the expansion.
BOOL IsLeapYear(LONGLONG year);
int DaysOfMonth(LONGLONG year, int month); // from the tables of ordinary and leap years
// Adds n months (negative: subtracts) to year and month (1..12).
void AddMonths(LONGLONG& year, int& month, LONGLONG n);
// The day of a zone rule's change in a year (wDay 1..4: the n-th weekday, 5: the last) with
// the rule's hour and minute: the local time before the change. FALSE for a rule out of range.
BOOL GetTransitionDate(WORD year, const SYSTEMTIME* rule, SYSTEMTIME* date);
// Local time to UTC by the zone's annual rule. Daylight time holds from the daylight rule's
// date and time up to (not including) the standard rule's, both on the local clock.
BOOL LocalToUtcWithDst(const SYSTEMTIME* local, SYSTEMTIME* utc);
// Year, month, day, hour, minute, second, millisecond in this order; the weekday is ignored.
int CompareSystemTime(const SYSTEMTIME* a, const SYSTEMTIME* b);
BOOL MinutesToSystemTime(LONGLONG minutes, SYSTEMTIME* st);
// Truncated to the minute; -1 for a time that is not valid.
LONGLONG SystemTimeToMinutes(const SYSTEMTIME* st);
// FALSE (and the time unchanged) when the result would leave the FILETIME range.
BOOL AddMinutesToFileTime(FILETIME* ft, LONGLONG minutes);
