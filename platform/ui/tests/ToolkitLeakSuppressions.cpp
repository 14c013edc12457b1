// The leak checker of a windowed test program asks for these when the tests run under the
// sanitizers: the toolkit's own libraries keep memory to the end, which is not ours.
#include "ToolkitLeaks.h"

extern "C" const char* __lsan_default_suppressions()
{
    return kToolkitLeakSuppressions;
}
