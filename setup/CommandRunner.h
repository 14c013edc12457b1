// Command lines for the command interpreter, which is a POSIX shell here.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <string_view>

// `text` as one double-quoted shell word that the interpreter hands on unchanged: '\\', '"',
// '$' and '`' are escaped, so no character of it can end the word or run a command.
std::string ShellQuoted(std::string_view text);

// Runs a command line through the platform's command interpreter (system). Returns 0 when it
// ran and ended with exit code 0. Otherwise one line goes to standard output and the result
// is an HRESULT: "RunCommand - Failed to start: <line> hr=<error>" when the interpreter could
// not be started, "RunCommand - Failed: <line> exit code <n>" when the command failed.
HRESULT RunCommand(LPCSTR commandLine);
