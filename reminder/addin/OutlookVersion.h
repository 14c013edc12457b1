// The host's major version, read from its Application object.
#pragma once

#include "com/Dispatch.h"

// The first of the four dot-separated numbers of the application's Version ("14.0.7015.1000"
// gives 14). E_FAIL for a null application or fewer than four numbers; a failed read of the
// property is returned.
HRESULT GetOutlookVersion(IDispatch* pApplication, int& major);
