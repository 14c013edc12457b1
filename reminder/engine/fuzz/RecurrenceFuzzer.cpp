// libFuzzer entry over the recurrence entries (built with clang only; see run).
#include "RecurrenceFuzzInput.h"

#include "Trace.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TraceSetLevel(-1); // the trace lines would only slow the runs down
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string failure;
    if (!RunRecurrenceInput(data, size, &failure)) {
        std::fprintf(stderr, "recurrence rule broken: %s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
