// What the locale functions know of each locale: its names, its short-date and time patterns
// and its separators. The patterns are the platform's picture strings (d, dd, M, MM, yyyy, h,
// H, mm, ss, tt, text in single quotes).
#pragma once

#include "base/WinTypes.h"

#include <string_view>

namespace platform {

struct LocaleData {
    LCID lcid;
    std::string_view language;  // ISO 639 ("de")
    std::string_view territory; // ISO 3166 ("DE"); empty for the invariant locale
    std::string_view shortDate;
    std::string_view timeFormat;
    std::string_view decimal;
    std::string_view thousand;
};

// The locale of an LCID (its sort id ignored); null for one we do not know.
const LocaleData* FindLocale(LCID lcid);
// The locale of a POSIX locale name ("de_AT.UTF-8@euro"); the language's main locale when the
// territory is unknown; null for an unknown language, "C" and "POSIX".
const LocaleData* FindLocaleByName(std::string_view name);
// Month and day names (index 0 January / Sunday) in the locale's language, English where we
// have no words of our own.
std::string_view MonthName(const LocaleData& locale, int month, bool abbreviated);
std::string_view DayName(const LocaleData& locale, int dayOfWeek, bool abbreviated);
// "AM"/"PM" or their equivalent ("" for locales that write none).
std::string_view TimeMarker(const LocaleData& locale, bool pm);

} // namespace platform
