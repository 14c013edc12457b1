// wsprintf-style formatting: the Win32 subset, without floating point.
//   %s %hs  8-bit string        %S %ls  UTF-16 string (written as UTF-8)
//   %c      character           %d %i %u %x %X (with optional l or h)
//   %p      pointer, full width in upper-case hexadecimal      %%  a percent sign
// Flags '-', '0', '#'; a width; a precision (string length, or minimum digits).
// As on the platform, 'l' means a 32-bit LONG. At most 1024 bytes are written, the
// terminating zero included; a longer result is cut there. The count returned excludes it.
#pragma once

#include "base/WinTypes.h"

#include <cstdarg>

#define WSPRINTF_LIMIT 1024

extern "C" {
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args);
}
