// Formats an error message, logs it and sets it as the thread's COM error info.
#pragma once

#include "com/Guid.h"

HRESULT ReportComError(LPCSTR source, REFGUID guid, HRESULT hr, LPCSTR format, ...);
