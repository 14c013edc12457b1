#include "WndUtils.h"

#include "TraceScope.h"
#include "base/Module.h"
#include "base/Window.h"

namespace {

constexpr char kThemeDll[] = "UXTHEME.DLL";
using ThemeFunction = BOOL (*)();

// The library's function; the library stays loaded for the process once a function is bound.
ThemeFunction BindThemeFunction(const char* name)
{
    if (!HasThemeDll())
        return nullptr;
    const HMODULE module = LoadLibraryA(kThemeDll);
    return module ? reinterpret_cast<ThemeFunction>(GetProcAddress(module, name)) : nullptr;
}

} // namespace

BOOL ForceForegroundWindow(HWND window, BOOL show)
{
    TRACE_PROC("ForceForegroundWindow");
    BOOL result = FALSE;
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    if (windowThread != foregroundThread) {
        // Only a thread that shares the foreground thread's input may take the foreground.
        AttachThreadInput(foregroundThread, windowThread, TRUE);
        result = SetForegroundWindow(window);
        AttachThreadInput(foregroundThread, windowThread, FALSE);
    } else {
        result = SetForegroundWindow(window);
    }
    if (show)
        ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    return result;
}

BOOL HasThemeDll()
{
    static const BOOL has = [] {
        const HMODULE module = LoadLibraryA(kThemeDll);
        if (!module)
            return FALSE;
        FreeLibrary(module);
        return TRUE;
    }();
    return has;
}

BOOL UxTheme::IsThemeActive()
{
    static const ThemeFunction function = BindThemeFunction("IsThemeActive");
    return function ? function() : FALSE;
}

BOOL UxTheme::IsAppThemed()
{
    static const ThemeFunction function = BindThemeFunction("IsAppThemed");
    return function ? function() : FALSE;
}
