#include "ModulePath.h"

#include "base/Module.h"

#include <climits>
#include <cstdlib>

std::string EngineModulePath()
{
    static const char kHere = 0;
    std::string path = platform::ModulePathOfAddress(&kHere);
    if (path.empty())
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved))
        path = resolved;
    return path;
}
