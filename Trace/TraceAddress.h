// The object address of the constructor and destructor tracers as "%08lx" prints it: at least
// eight lower-case hexadecimal digits, and on a 64-bit machine every digit of the pointer.
#pragma once

#include <cinttypes>
#include <cstdint>
#include <cstdio>

struct TraceAddress {
    explicit TraceAddress(const void* object)
    {
        std::snprintf(text, sizeof text, "%08" PRIxPTR, reinterpret_cast<std::uintptr_t>(object));
    }
    char text[2 * sizeof(void*) + 1];
};
