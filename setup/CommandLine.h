// The setup helpers' command line: two arguments, each introduced by '-' or '/', an action
// ("install" or "remove") and a type ("server", "client" or "both"), in any letter case.
#pragma once

#include "base/WinTypes.h"

enum class FixAction { None, Install, Remove };
enum class FixType { None, Server, Client, Both };

struct FixArguments {
    FixAction action = FixAction::None;
    FixType type = FixType::None;
};

// Reads argv[1] .. argv[argc - 1]. Arguments in another form or with other words are
// ignored; of two words of one kind the later one counts.
FixArguments ParseArguments(int argc, const char* const* argv);

// The usage box with the helper's caption.
void ShowUsage(LPCSTR caption);

inline constexpr const char* kUsageText =
    "Parameters:\n\n-[install|remove]   installs or removes the fix\n-[server|client|both]   determines the type "
    "of the fix\n\nMust be started from the server application directory, if type is server or both.";
