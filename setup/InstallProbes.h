// Whether the sibling product's client or server is installed: 0 when its uninstall key opens
// under HKEY_LOCAL_MACHINE or else under HKEY_CURRENT_USER, otherwise the HRESULT of the
// failed open.
#pragma once

#include "base/WinTypes.h"

HRESULT IsClientInstalled();
HRESULT IsServerInstalled();
