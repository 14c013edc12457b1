// Time helpers of the add-in: the instant of a daylight-saving change, UTC to local time by the
// zone's daylight rule for the date's own year, and date texts in the user's locale.
#pragma once

#include "base/TimeZone.h"
#include "base/WinTypes.h"
#include "mapi/MapiDefs.h"

#include <string>

// The change of a TIME_ZONE_INFORMATION rule (day-in-month form: wYear 0, wMonth 1..12,
// wDayOfWeek 0..6, wDay 1..5 with 5 = the last such weekday) in the given year, at the rule's
// hour and minute. FALSE for a rule without a month, an absolute date or a field out of range.
BOOL TransitionToSystemTime(WORD year, const SYSTEMTIME* rule, FILETIME* out);
// Local time of a UTC time. Daylight time starts at the daylight rule's time (on the standard
// clock) and ends at the standard rule's time (on the daylight clock); at the instant of a
// change the new offset holds. FALSE for null arguments or a result outside the FILETIME range.
BOOL UtcToLocalFileTime(const FILETIME* utc, FILETIME* local);

// Date texts in the user's locale (LOCALE_USER_DEFAULT): the short date, and date and time
// (without seconds) joined by one space.
// The date of a PT_SYSTIME value as it stands; empty for any other value.
std::string FormatDateText(const SPropValue* value);
// Date and time of a FILETIME as it stands.
std::string FormatDateTimeText(const FILETIME* time);
// Date and time of a PT_SYSTIME value converted from UTC to local time (UtcToLocalFileTime);
// empty for any other value.
std::string FormatRelativeDateTimeText(const SPropValue* value);
