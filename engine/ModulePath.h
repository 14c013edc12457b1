// The full path of the engine library itself.
#pragma once

#include <string>

// Absolute, also when the library was loaded by a relative name: the path is written into the
// registry and must lead to the library from any working folder.
std::string EngineModulePath();
