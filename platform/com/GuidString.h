// GUIDs as text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, and new GUIDs.
#pragma once

#include "base/WinError.h"
#include "com/Guid.h"

#include <optional>
#include <string>
#include <string_view>

// Writes the braced text and its terminator into lpsz; returns the characters written
// including the terminator (39), or 0 when cchMax is too small.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// The braced text in task memory (free it with CoTaskMemFree).
HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);
HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz);
// Braced text, or (for CLSIDFromString) a ProgID looked up in the registry.
// CO_E_CLASSSTRING / CO_E_IIDSTRING for malformed text or an unknown ProgID.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid);
// A new random GUID.
HRESULT CoCreateGuid(GUID* pguid);

namespace platform {

// The braced upper-case text in UTF-8, as registry key names use it.
std::string GuidToString(REFGUID guid);
// Parses the braced form (the braces are required); nothing on malformed text.
std::optional<GUID> GuidFromString(std::string_view text);

} // namespace platform
