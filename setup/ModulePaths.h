// The program's own directory and the mail client's program path.
#pragma once

#include "base/WinTypes.h"

// The directory of the running program, without the trailing separator, into `buffer`
// (MAX_PATH bytes): the program's path cut at its last '/' or '\\'. Returns 0; a program
// path that does not fit MAX_PATH is not cut short silently: the result is then the HRESULT of
// ERROR_INSUFFICIENT_BUFFER and the buffer is empty.
HRESULT GetModuleDirectory(LPSTR buffer);

// The mail client's path from the default value of
// HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\OUTLOOK.EXE into `buffer`.
// Returns 0, 0x8007000E when the value (with its terminating zero) is larger than `size`
// (the buffer is then left untouched), or the HRESULT of the registry's error; a value that is
// not a string gives the HRESULT of ERROR_INVALID_DATA.
HRESULT GetOutlookPath(LPSTR buffer, DWORD size);
