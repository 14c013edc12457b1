// The file of a personal store read out of its entry ID, and the UTF-16 to ANSI copy it needs.
#pragma once

#include "base/WinTypes.h"

#include <string>

// The store entry ID as hexadecimal text; the path it carries, or string 305 when it carries
// none that can be read (an empty text when a wide path cannot be converted).
std::string GetStoreFilePathFromEntryId(const std::string& entryIdHex);

// An ANSI (UTF-8) copy of `wide` in task memory that the caller frees with CoTaskMemFree; a
// null input gives null and S_OK. The buffer holds the longest UTF-8 form of the text.
HRESULT WideToAnsi(LPCWSTR wide, LPSTR* ansi);
