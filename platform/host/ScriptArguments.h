// The arguments of the host's script commands and the text of its "error:" lines.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <string_view>

namespace host {

// A decimal number from min to max, digits only with an optional '-' ("011" is eleven). False
// otherwise, with `problem` saying what is wrong with `text`; nothing is guessed or cut.
bool ParseDecimalArgument(std::string_view text, LONG min, LONG max, LONG& value, std::string& problem);

// Text for an output line: control characters (NUL, ESC, line ends) written as \xNN, so that
// input echoed back can neither drive a terminal nor break a log into lines.
std::string PrintableText(std::string_view text);

} // namespace host
