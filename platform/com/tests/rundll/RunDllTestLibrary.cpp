// A library with rundll entries for the tests: each writes what it was given into
// "rundll.log" under the platform root.
#include "base/Module.h"
#include "base/PlatformRoot.h"
#include "base/Window.h"

#include <fstream>

namespace {

void Record(const char* entry, HWND window, HINSTANCE instance, LPSTR arguments, int show)
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Record), &self);
    std::ofstream log(platform::RootDirectory() / "rundll.log", std::ios::app);
    log << entry << " window=" << (IsWindow(window) ? "yes" : "no") << " instance="
        << (instance && instance == self ? "self" : "other") << " args=\"" << (arguments ? arguments : "(null)")
        << "\" show=" << show << "\n";
}

} // namespace

extern "C" void RecordCall(HWND window, HINSTANCE instance, LPSTR arguments, int show)
{
    Record("RecordCall", window, instance, arguments, show);
}

extern "C" void RecordOther(HWND window, HINSTANCE instance, LPSTR arguments, int show)
{
    Record("RecordOther", window, instance, arguments, show);
}
