// A library whose registration entry points fail.
#include "base/WinError.h"

extern "C" [[gnu::visibility("default")]] HRESULT DllRegisterServer()
{
    return E_ACCESSDENIED;
}

extern "C" [[gnu::visibility("default")]] HRESULT DllUnregisterServer()
{
    return SELFREG_E_CLASS;
}
