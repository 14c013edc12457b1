// The client-extension entry of the library and its registration under
// HKLM\Software\Microsoft\Exchange\Client\Extensions.
#pragma once

#include "host/ExchExt.h"

extern "C" [[gnu::visibility("default")]] LPEXCHEXT ExchEntryPoint();

HRESULT RegisterExtension();
HRESULT UnregisterExtension();
