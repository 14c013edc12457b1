// Processes and threads: ids, starting programs (WinExec, ShellExecuteA), splitting command
// lines as the C runtime splits them into argv, and environment-variable expansion.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

// ShellExecuteA's small error results (success is any value above 32).
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#define SE_ERR_DLLNOTFOUND 32

extern "C" {
DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();

// Starts the program of a command line and does not wait for it. The first word (in double
// quotes when it holds spaces) is the program: a name without '/' is looked for in the folder of
// the running executable and then on PATH; '\' counts as '/'. The rest of the line becomes its
// arguments, split by the C runtime's rules. Returns 33 when the program started, else
// ERROR_FILE_NOT_FOUND (2), ERROR_PATH_NOT_FOUND (3), ERROR_ACCESS_DENIED (5),
// ERROR_BAD_FORMAT (11, not a program) or 0 (out of resources). The show command is accepted
// and has no effect on programs without windows of ours. Nothing is left to reap.
UINT WinExec(LPCSTR cmdLine, UINT cmdShow);

// Verb null or "open" (any case): a program file is started with `parameters` as its command-line
// tail and `directory` as its working folder; a URL ("scheme:...") or any other existing file or
// folder is handed to the opener: the program named by $PLATFORM_SHELL_OPEN when set, else
// xdg-open from PATH, with the target as its one argument. Returns a value above 32 on success,
// else SE_ERR_FNF / SE_ERR_PNF (no such file or folder), SE_ERR_NOASSOC (no opener, or another
// verb), SE_ERR_ACCESSDENIED, ERROR_BAD_FORMAT or 0.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCmd);

// Replaces each %NAME% by the environment variable NAME (name compared without letter case when
// no exact match exists); unknown names stay as written. %windir% and %SystemRoot% fall back to
// the platform's Windows directory. Returns the characters needed including the terminating
// zero; the text is written only when that fits into `size`. 0 and ERROR_INVALID_PARAMETER for a
// null source.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);
}

namespace platform {

inline constexpr const char* kShellOpenVariable = "PLATFORM_SHELL_OPEN";

// Splits a whole command line as the platform does for a program's argv: the first word ends at
// the first space or tab, or is everything between a leading pair of double quotes, with no
// escapes; the other words follow SplitArguments. An empty or blank line gives no words.
std::vector<std::string> CommandLineToArgs(std::string_view commandLine);

// Splits argument text by the C runtime's rules: words are separated by spaces and tabs outside
// double quotes; quotes group and are removed; 2n backslashes before a quote give n backslashes
// and the quote groups, 2n+1 give n backslashes and a literal quote; inside quotes "" is a
// literal quote; other backslashes are kept as they are.
std::vector<std::string> SplitArguments(std::string_view arguments);

// Where a program name leads: the name itself when it has a '/', else the first executable file
// of that name in the running executable's folder or on PATH ("" when none).
std::string FindProgram(std::string_view name);

} // namespace platform
