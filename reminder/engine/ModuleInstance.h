// The add-in module's instance handle: the module whose resources (strings) the add-in's code
// loads. The add-in library sets it when it is loaded; until then it is the module that holds
// this code (a program that links the engine directly, such as a test, is its own module).
#pragma once

#include "base/WinTypes.h"

#include <string>

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

// String `id` of the module's string table in the thread's UI language ("" when it is missing).
std::string LoadAddinString(UINT id);
