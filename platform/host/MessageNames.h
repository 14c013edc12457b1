// Window messages by name, for the host's `send` command: a number (decimal or 0x...), a WM_
// name of the platform (WM_COMMAND, WM_CLOSE, WM_APP, ...) or such a name plus a number
// ("WM_APP+2").
#pragma once

#include "base/WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace host {

// The message a text names; nothing for a text that names none (or one beyond 0xFFFF).
std::optional<UINT> ParseMessage(std::string_view text);
// The name of a message ("WM_COMMAND", "WM_APP+2"), or its number as 0x%04X.
std::string MessageName(UINT message);

} // namespace host
