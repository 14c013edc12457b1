// The text that ends every failure box of the program, and the debugger line of a failed call.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <string_view>

// "<system line> (0x%08X)", or string 202 with the code when the system has no text for it;
// then " (<name>)" when the name table knows the code. Never fails.
std::string GetErrorText(HRESULT hr);
// A failure box's text: the sentence of string `sentenceId`, "\r\n", and the error text.
std::string FailureText(UINT sentenceId, HRESULT hr);
// The name of a code in the name table (first match), or null.
const char* ErrorName(HRESULT hr);
// TRUE for a success; a failure writes "<caller>: hRes = <hr> in file <file> on line <line>."
// to the debugger output and gives FALSE.
BOOL TraceHResult(HRESULT hr, std::string_view caller, std::string_view file, int line);
