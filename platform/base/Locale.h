// Locales: the user's and the thread's locale, date and time texts, string comparison and the
// locale values the programs read. The user's locale comes from the environment (LC_ALL, else
// LC_TIME, else LANG; "de_AT.UTF-8" is 3079, a known language with another territory its main
// locale, anything else 1033). Each thread starts with it; SetThreadLocale changes the thread's
// locale and with it the thread's UI language (base/UiLanguage.h).
#pragma once

#include "base/WinTypes.h"

using LCTYPE = DWORD;

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_NEUTRAL 0x0000
#define LOCALE_INVARIANT 0x007F
#define SORT_DEFAULT 0x0
#define MAKELCID(lgid, srtid) (static_cast<DWORD>((static_cast<DWORD>(static_cast<WORD>(srtid)) << 16) | static_cast<DWORD>(static_cast<WORD>(lgid))))
#define LANGIDFROMLCID(lcid) (static_cast<WORD>(lcid))

// GetDateFormatA.
#define DATE_SHORTDATE 0x00000001
#define LOCALE_NOUSEROVERRIDE 0x80000000
#define LOCALE_USE_CP_ACP 0x40000000
// GetTimeFormatA.
#define TIME_NOMINUTESORSECONDS 0x00000001
#define TIME_NOSECONDS 0x00000002
#define TIME_NOTIMEMARKER 0x00000004
#define TIME_FORCE24HOURFORMAT 0x00000008

// CompareStringA/W.
#define NORM_IGNORECASE 0x00000001
#define NORM_IGNORENONSPACE 0x00000002
#define NORM_IGNORESYMBOLS 0x00000004
#define SORT_STRINGSORT 0x00001000
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3

// GetLocaleInfoA.
#define LOCALE_ILANGUAGE 0x00000001
#define LOCALE_SDECIMAL 0x0000000E
#define LOCALE_STHOUSAND 0x0000000F
#define LOCALE_SSHORTDATE 0x0000001F
#define LOCALE_STIMEFORMAT 0x00001003
#define LOCALE_SISO639LANGNAME 0x00000059
#define LOCALE_SISO3166CTRYNAME 0x0000005A

#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif

extern "C" {
LCID GetUserDefaultLCID();
// There is no machine locale apart from the user's here.
LCID GetSystemDefaultLCID();
LCID GetThreadLocale();
// Sets the thread's locale and UI language (the locale's language). An unknown locale gives
// FALSE and ERROR_INVALID_PARAMETER and changes nothing.
BOOL SetThreadLocale(LCID locale);

// The date of `date` (null: today, local time) in the locale's short-date pattern or in
// `format`. Returns the characters written including the terminating zero, or with size 0 the
// characters needed; 0 and ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER (unknown locale,
// invalid date) or ERROR_INVALID_FLAGS on failure.
int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR format, LPSTR buffer, int size);
// The time in the locale's pattern or `format`; TIME_NOSECONDS drops the seconds (and the
// separator before them), TIME_NOMINUTESORSECONDS the minutes too, TIME_NOTIMEMARKER the AM/PM
// marker, TIME_FORCE24HOURFORMAT gives 24-hour time.
int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCSTR format, LPSTR buffer, int size);

// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN; 0 on failure (ERROR_INVALID_PARAMETER,
// ERROR_INVALID_FLAGS). A length of -1 means zero-terminated. Letters compare by their base
// letter first, then by accent, then lower case before upper case; NORM_IGNORECASE and
// NORM_IGNORENONSPACE drop the last two steps, NORM_IGNORESYMBOLS skips what is neither a
// letter nor a digit.
int CompareStringA(LCID locale, DWORD flags, LPCSTR string1, int count1, LPCSTR string2, int count2);
int CompareStringW(LCID locale, DWORD flags, LPCWSTR string1, int count1, LPCWSTR string2, int count2);

// A value of the locale as text. LOCALE_SDECIMAL of the user's locale comes from
// HKCU\Control Panel\International\sDecimal when set (not with LOCALE_NOUSEROVERRIDE). Returns
// the characters including the zero, or with size 0 those needed; 0 and
// ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER or ERROR_INVALID_FLAGS on failure.
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int size);
}
