// The MAPIERROR that GetLastError hands out: one MAPI block holding the error's text and the
// component's name, 8-bit or, with MAPI_UNICODE, UTF-16.
#pragma once

#include "mapi/MapiDefs.h"

#include <string>

namespace mapi {

HRESULT NewMapiError(const std::string& text, const std::string& component, ULONG flags, LPMAPIERROR* out);

} // namespace mapi
