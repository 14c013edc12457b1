#include "WndUtils.h"

#include "TraceScope.h"
#include "base/Window.h"

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
