// Texts of the program's string table, in the thread's UI language.
#pragma once

#include "base/WinTypes.h"

#include <string>

// The string of that id ("" when the table has none).
std::string LoadResString(UINT id);
// The string of that id used as a printf format with one text or number.
std::string FormatResString(UINT id, const std::string& text);
std::string FormatResString(UINT id, unsigned long number);
// ... with two texts.
std::string FormatResString(UINT id, const std::string& first, const std::string& second);
