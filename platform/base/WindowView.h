// The on-screen side of a window: a toolkit window bound to a platform window. The platform
// keeps every window's state (shown, minimised, maximised, enabled, text, restored rectangle)
// with or without a view, so headless programs and tests see the same window functions. A bound
// view is told each change the program makes and asked to come to the front; what the user does
// in it (activating, minimising, maximising, moving) it reports back through the Report...
// functions, which update the state and send the window its messages.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <memory>
#include <string>

namespace platform {

struct WindowViewState {
    bool visible = false; // shown, and every parent shown
    bool minimized = false;
    bool maximized = false;
    bool enabled = true;
    std::string text;
    RECT normal{}; // the restored rectangle, in screen coordinates
};

class WindowView {
public:
    virtual ~WindowView() = default;
    // Shows the state; called on the window's thread.
    virtual void Apply(const WindowViewState& state) = 0;
    // Brings the view to the front and gives it the keyboard (SetForegroundWindow).
    virtual void Raise() = 0;
    // The window is gone (DestroyWindow); the view closes. Called on the window's thread.
    virtual void WindowDestroyed() {}
};

// Binds a view to a window (null unbinds); the view is told the window's state at once (a view
// that shows already reports its rectangle first). False for no window. A destroyed window
// lets its view go.
bool BindWindowView(HWND hwnd, std::shared_ptr<WindowView> view);
std::shared_ptr<WindowView> BoundWindowView(HWND hwnd);
// The state as a view would show it.
WindowViewState CurrentWindowViewState(HWND hwnd);

// The user's changes, as the view reports them: WM_ACTIVATE to the windows that lose and gain
// the activation, WM_SIZE with SIZE_MINIMIZED, SIZE_MAXIMIZED or SIZE_RESTORED, WM_SHOWWINDOW.
void ReportWindowActivated(HWND hwnd, bool active);
void ReportWindowMinimized(HWND hwnd, bool minimized);
void ReportWindowMaximized(HWND hwnd, bool maximized);
void ReportWindowShown(HWND hwnd, bool shown);
// The view's rectangle while it is neither minimised nor maximised.
void ReportWindowBounds(HWND hwnd, const RECT& bounds);

} // namespace platform
