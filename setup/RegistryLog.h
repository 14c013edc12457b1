// Registry writers of the setup helpers. Each writes exactly one line about what it did to
// standard output and flushes it; errors appear as HRESULTs in lowercase hexadecimal without
// "0x" (the stream is left in hexadecimal mode).
#pragma once

#include "base/WinTypes.h"
#include "registry/Registry.h"

// Creates or opens root\subKey and sets valueName to the REG_SZ text data. Returns 0 or the
// HRESULT of the failed step.
HRESULT RegSetString(HKEY root, LPCSTR subKey, LPCSTR valueName, LPCSTR data);

// Opens root\subKey and deletes valueName. Returns 0 or the HRESULT of the failed step.
HRESULT RegRemoveVal(HKEY root, LPCSTR subKey, LPCSTR valueName);
