// Task memory: the allocator whose blocks cross interface boundaries (strings handed out by
// StringFromCLSID, ProgIDFromCLSID and the like). Any module may free what another allocated.
#pragma once

#include "base/WinTypes.h"

LPVOID CoTaskMemAlloc(SIZE_T cb);
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
void CoTaskMemFree(LPVOID pv);
