#include "base/ObjectTable.h"

#include <atomic>

namespace platform {

std::uintptr_t NextObjectHandle()
{
    // Above the range of MAKEINTRESOURCE values, in steps of 4 like the platform's handles.
    static std::atomic<std::uintptr_t> next{0x10000};
    return next.fetch_add(4);
}

} // namespace platform
