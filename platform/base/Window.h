// Windows as message targets. A window here is a handle with a window procedure, owned by the
// thread that created it: messages posted to it run on that thread's message loop, messages
// sent to it from another thread are carried there and the sender waits for the result, and
// its timers fire on that thread. Non-visual windows (timer windows, tray and notification
// sinks) are made with platform::CreateMessageWindow; toolkit views register themselves the
// same way so that posted and sent messages reach them, and bind themselves as the window's
// view (base/WindowView.h).
//
// Every window also has a state that the platform keeps, with or without a view: shown or
// hidden, minimised or maximised, enabled, its text, its restored rectangle, and which window
// is active and in the foreground. Top-level windows are those without a parent (the desktop
// counts as none); message-only windows (parent HWND_MESSAGE) are not among them.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

// Creation data handed to WM_CREATE in lParam.
struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

namespace platform {

using WindowProcedure = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Creates a window owned by the calling thread (whose message loop it then uses) and sends it
// WM_CREATE with a CREATESTRUCTA carrying `createParam`. When the procedure answers WM_CREATE
// with -1 the window is destroyed again (WM_DESTROY, WM_NCDESTROY) and the result is null.
// `parent` may be null, HWND_MESSAGE or a window; the children a thread made are destroyed with
// their parent when it is destroyed on that thread.
HWND CreateMessageWindow(const std::string& className, const std::string& windowName, WindowProcedure procedure,
                         HWND parent = nullptr, LPVOID createParam = nullptr, DWORD style = WS_POPUP);

// Calls the window's procedure on the calling thread; `found` is false (and the result 0) when
// the handle names no window.
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool* found = nullptr);

// The window's class and window names ("" for no window).
std::string WindowClassName(HWND hwnd);
std::string WindowName(HWND hwnd);

// The top-level windows of the process (no parent, not message-only), oldest first: the
// targets of a broadcast.
std::vector<HWND> TopLevelWindows();

// Names given to RegisterWindowMessageA, by id (in lower case; "" for an id never given out).
std::string RegisteredMessageName(UINT message);
// The same name as it was first given (RegisterClipboardFormatA shares these ids, as on the
// platform); "" for an id never given out.
std::string RegisteredAtomName(UINT atom);

// Forgets the windows of a thread whose loop has ended, without messages.
void ForgetWindowsOfThread(DWORD threadId);

// The children of a window, oldest first.
std::vector<HWND> ChildWindows(HWND parent);

} // namespace platform

extern "C" {
// Destroys a window of the calling thread: WM_DESTROY, then its children, then WM_NCDESTROY;
// then its timers are killed and its posted messages dropped. Another thread's window:
// FALSE, ERROR_ACCESS_DENIED; no window: FALSE, ERROR_INVALID_WINDOW_HANDLE.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Owner thread id (and the process id into processId); 0 for no window.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);
// GWLP_USERDATA only; another index gives 0 and ERROR_INVALID_INDEX.
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
// WM_CLOSE destroys the window; everything else gives 0.
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Queues the message to the window's thread (a null window: a thread message to the calling
// thread). FALSE and ERROR_INVALID_WINDOW_HANDLE for no window.
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the procedure directly on the owner thread; from another thread the message is carried
// to the owner's loop and the caller waits for the result. 0 and ERROR_INVALID_WINDOW_HANDLE
// for no window.
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// FALSE and ERROR_INVALID_THREAD_ID when the thread has no message loop.
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// TRUE for a message, FALSE for WM_QUIT, -1 for a filter window that is no window.
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMessage);
// There are no keyboard messages to translate here: always FALSE.
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure of msg->hwnd (or the TIMERPROC that a WM_TIMER carries in lParam)
// and returns its result; a thread message goes nowhere (0).
LRESULT DispatchMessageA(const MSG* msg);

// Starts (or restarts) a timer: WM_TIMER with wParam = id goes to the window's procedure, or
// `timerProc` is called. The window must belong to the calling thread (otherwise 0 and
// ERROR_ACCESS_DENIED). With a null window the result is a new timer id, unless `id` is one of
// the thread's timers. With a window the result is `id` (1 when id is 0). 0 on failure.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// The same name (letter case aside) gives the same id in the process, from 0xC000 on; 0 and
// ERROR_INVALID_PARAMETER for a null or empty name.
UINT RegisterWindowMessageA(LPCSTR name);

// --- Window state -------------------------------------------------------------------------------
// Shows, hides, minimises, maximises or restores the window (SW_*) and returns whether it was
// visible before. A change of visibility sends WM_SHOWWINDOW, of minimised or maximised state
// WM_SIZE; the commands that activate (SW_SHOW, SW_SHOWNORMAL, SW_RESTORE, SW_SHOWMINIMIZED,
// SW_SHOWMAXIMIZED, SW_SHOWDEFAULT) make a top-level window the foreground window. Hiding or
// minimising the foreground window leaves no window in the foreground.
BOOL ShowWindow(HWND hwnd, int showCommand);
// Shown itself and every parent shown.
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
HWND GetForegroundWindow();
// Activates the window's top-level window (WM_ACTIVATE to the window that loses and the one
// that gains the activation) and brings its view to the front. A minimised window stays so.
BOOL SetForegroundWindow(HWND hwnd);
// The calling thread's active window (null when the foreground belongs to another thread).
HWND GetActiveWindow();
// The desktop: a window that is the parent of no one; GetParent of a top-level window is null.
HWND GetDesktopWindow();
HWND GetParent(HWND hwnd);
// Makes `newParent` (null or the desktop: none) the window's parent and returns the previous one
// (the desktop for a top-level window). A parent that is the window itself or one of its
// children gives null and ERROR_INVALID_PARAMETER.
HWND SetParent(HWND child, HWND newParent);
// The first top-level window (after `childAfter` among the children of `parent` for the Ex
// form; parent null: the top-level windows, HWND_MESSAGE: the message-only windows) whose class
// name and text match, letter case aside; a null name matches any.
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName);
// The text is kept by the platform; the window is sent WM_SETTEXT with it (lParam) afterwards.
BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
// Copy at most maxCount - 1 bytes and a terminating zero; the result is the number copied.
int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount);
int GetWindowTextLengthA(HWND hwnd);
int GetClassNameA(HWND hwnd, LPSTR className, int maxCount);
// Returns whether the window was disabled before; a change sends WM_ENABLE.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
// length must be sizeof(WINDOWPLACEMENT) (44), or FALSE and ERROR_INVALID_PARAMETER. showCmd is
// SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED or SW_SHOWNORMAL; flags carry WPF_RESTORETOMAXIMIZED.
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
// Takes the restored rectangle and positions, then shows the window with showCmd.
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);
// Input is not queued per thread here: TRUE, nothing to do.
BOOL AttachThreadInput(DWORD attach, DWORD attachTo, BOOL doAttach);
}
