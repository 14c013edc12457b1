// Common includes of the folder model's COM classes.
#pragma once

#include "ReminderLib.h"
#include "TraceScope.h"
#include "com/ComBstr.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "mapi/Mapi.h"

#include <span>
