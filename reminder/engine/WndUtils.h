// Window helpers of the add-in: bringing a window to the front, and whether visual themes are
// available ("uxtheme.dll", looked up at run time).
#pragma once

#include "base/WinTypes.h"

// Makes the window the foreground window, also when another thread's window is in front; with
// `show` a minimised window is restored and any other one shown. The result is that of
// SetForegroundWindow.
BOOL ForceForegroundWindow(HWND window, BOOL show);

// Whether "uxtheme.dll" can be loaded; decided at the first call (the library is loaded and freed
// again) and kept for the process.
BOOL HasThemeDll();

// The theme functions through the library, bound at their first use: FALSE without the library,
// otherwise the library's answer. (The platform declares the library's functions under the same
// names, so these wrappers have a namespace of their own.)
namespace UxTheme {
BOOL IsThemeActive();
BOOL IsAppThemed();
} // namespace UxTheme
