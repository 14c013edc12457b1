// Window helpers of the add-in: bringing a window to the front, and whether visual themes are
// available ("uxtheme.dll", looked up at run time).
#pragma once

#include "base/WinTypes.h"

// Makes the window the foreground window, also when another thread's window is in front; with
// `show` a minimised window is restored and any other one shown. The result is that of
// SetForegroundWindow.
BOOL ForceForegroundWindow(HWND window, BOOL show);
