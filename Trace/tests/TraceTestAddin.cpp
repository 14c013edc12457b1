// A stand-in add-in: initialises its trace writer when it is loaded, as the add-in does on
// process attach, and offers a few exported calls to write through it.
#include "TraceScope.h"

#include "base/Module.h"
#include "base/WinError.h"

#define TEST_ADDIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

__attribute__((constructor)) void ProcessAttach()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ProcessAttach), &self);
    TraceInit("CL", "Lumivane.ini", self);
}

} // namespace

TEST_ADDIN_EXPORT void TestAddinTrace(int level, const char* text)
{
    TracePrint(__FILE__, __LINE__, level, "%s", text);
}

TEST_ADDIN_EXPORT HRESULT TestAddinOpen()
{
    TracePrint(__FILE__, __LINE__, TL_CALL, "");
    HRESULT hr = E_FAIL;
    CTraceFunc trace("TestAddinOpen", &hr);
    TRACE_FAILED(OpenMsgStore, hr);
    return hr;
}

TEST_ADDIN_EXPORT int TestAddinLevel()
{
    const int level = TraceSetLevel(0);
    TraceSetLevel(level);
    return level;
}
