// UTF-8 <-> UTF-16 conversion. Wide text of the platform is UTF-16 (char16_t); 8-bit text is UTF-8.
#pragma once

#include "base/WinTypes.h"

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
