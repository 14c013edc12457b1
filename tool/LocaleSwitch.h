// The "LCID" word of the command line, applied before the toolkit starts so that every text
// of the program comes in that language.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <vector>

// The first "/LCID<n>" or "-LCID<n>" (any letter case) with a non-zero n, or 0. n is the
// decimal number the word's digits start with (0 without digits).
LCID ParseLocaleSwitch(const std::vector<std::string>& args);
// Sets the thread locale (and with it the UI language) from the command line; returns it (0:
// nothing changed).
LCID ApplyLocaleSwitch(const std::vector<std::string>& args);
