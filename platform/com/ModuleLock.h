// The lock count of the module (shared library or program) that includes this header: live
// objects, class objects and server locks. Each module has its own count, so these functions
// have hidden visibility and never bind to another module's copy.
#pragma once

#include "base/WinTypes.h"

#include <atomic>

namespace platform::com {

[[gnu::visibility("hidden")]] inline std::atomic<LONG>& ModuleLockCount()
{
    static std::atomic<LONG> count{0};
    return count;
}

[[gnu::visibility("hidden")]] inline LONG ModuleLock()
{
    return ++ModuleLockCount();
}

[[gnu::visibility("hidden")]] inline LONG ModuleUnlock()
{
    return --ModuleLockCount();
}

} // namespace platform::com
