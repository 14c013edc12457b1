// UTF-8 <-> UTF-16 conversion. Wide text of the platform is UTF-16 (char16_t); 8-bit text is UTF-8.
#pragma once

#include "base/WinTypes.h"

// Code pages: the ANSI code page of this platform is UTF-8, so CP_ACP (and CP_OEMCP,
// CP_THREAD_ACP) are UTF-8 as CP_UTF8 is.
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_THREAD_ACP 3
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_COMPOSITECHECK 0x00000200
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

extern "C" {
// UTF-8 to UTF-16. A count of -1 takes the text up to and with its zero (which is then counted
// in the result). With wideCount 0 the result is the number of characters needed; a buffer too
// small gives 0 and ERROR_INSUFFICIENT_BUFFER. Ill-formed input becomes U+FFFD, or with
// MB_ERR_INVALID_CHARS fails with ERROR_NO_UNICODE_TRANSLATION. An empty input (count 0), a null
// text or another code page gives ERROR_INVALID_PARAMETER; flags CP_UTF8 does not take
// ERROR_INVALID_FLAGS.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int count, LPWSTR wide, int wideCount);
// UTF-16 to UTF-8, the same way; lone surrogates become U+FFFD (or fail with
// WC_ERR_INVALID_CHARS). For CP_UTF8 the default-character arguments must be null; for CP_ACP
// they are accepted and the default character is never used.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR text, int count,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);
}

#include <string>
#include <string_view>

namespace platform {

// Ill-formed input is replaced by U+FFFD rather than rejected: text from stores and the
// registry must always be displayable.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Decodes one UTF-8 sequence at text[pos] into cp; returns its length, or 0 when the bytes
// there are ill-formed (truncated, overlong, a surrogate or beyond U+10FFFF).
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& cp);
// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp);

// Length of a zero-terminated UTF-16 string (0 for null).
std::size_t WideLength(const WCHAR* text);

// Case-insensitive comparison of ASCII letters, as the registry and INI files compare names.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

} // namespace platform
