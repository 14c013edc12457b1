// The thread's last Win32 error.
#pragma once

#include "base/WinTypes.h"

extern "C" {
DWORD GetLastError();
void SetLastError(DWORD error);
}

// Translates a POSIX errno value into the nearest Win32 error code.
DWORD Win32ErrorFromErrno(int err);
