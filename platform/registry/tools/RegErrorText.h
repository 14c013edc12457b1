// The platform's message text for a registry error code.
#pragma once

#include "base/WinTypes.h"

#include <string>

std::string RegErrorText(LONG code);
