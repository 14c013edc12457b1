// The add-in's failure boxes: a text of its string table with the error, under the add-in's
// name, with the information icon.
#pragma once

#include "base/WinTypes.h"

#include <string>

// String `id` formatted with the HRESULT (its "%08lx").
std::string FailureText(UINT id, HRESULT hr);
// The box over `owner` (MB_ICONINFORMATION, caption string 100).
int ShowFailureBox(HWND owner, const std::string& text);
