// Time helpers of the add-in: the instant of a daylight-saving change, UTC to local time by the
// zone's daylight rule for the date's own year, and date texts in the user's locale.
#pragma once

#include "base/TimeZone.h"
#include "base/WinTypes.h"

// The change of a TIME_ZONE_INFORMATION rule (day-in-month form: wYear 0, wMonth 1..12,
// wDayOfWeek 0..6, wDay 1..5 with 5 = the last such weekday) in the given year, at the rule's
// hour and minute. FALSE for a rule without a month, an absolute date or a field out of range.
BOOL TransitionToSystemTime(WORD year, const SYSTEMTIME* rule, FILETIME* out);
// Local time of a UTC time. Daylight time starts at the daylight rule's time (on the standard
// clock) and ends at the standard rule's time (on the daylight clock); at the instant of a
// change the new offset holds. FALSE for null arguments or a result outside the FILETIME range.
BOOL UtcToLocalFileTime(const FILETIME* utc, FILETIME* local);
