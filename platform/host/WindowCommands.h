// The host's script commands for windows and prompts:
//   windows                      the top-level windows (title, class, state)
//   click-item WINDOW ID         a click on the window's control ID (BM_CLICK)
//   settext WINDOW ID TEXT       typing TEXT into the window's control ID
//   answer ok|cancel|yes|no|menu ID|file PATH   queues the answer to the next prompt
//   screenshot WINDOW NAME       a PNG of the window (windowed host only)
//   wait SECONDS                 runs the host's loop for that long (timers, posts, notifications)
//   send WINDOW MSG WPARAM [LPARAM]   sends the window a message (MSG a number or a WM_ name,
//                                the parameters numbers) and prints the result
// WINDOW is a top-level window's title, or "Parent/Title" for a window under the top-level window
// Parent. The existing `click id|tag` stays for command-bar controls.
#pragma once

#include "base/WinTypes.h"

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

namespace host {

class WindowCommands {
public:
    // A PNG of the window: the file written, or "" with the reason in `error`.
    using ScreenshotHandler = std::function<std::string(HWND window, const std::string& name, std::string& error)>;
    // Runs the host's loop for this long of real time.
    using WaitHandler = std::function<void(std::chrono::milliseconds duration)>;

    static bool Handles(const std::string& command);
    // Runs one command line; its results and errors ("error: ...") go to `out`.
    void Execute(const std::string& line, std::ostream& out);

    void SetScreenshotHandler(ScreenshotHandler handler) { m_screenshot = std::move(handler); }
    void SetWaitHandler(WaitHandler handler) { m_wait = std::move(handler); }

    // The window a WINDOW argument names, or null.
    static HWND FindByPath(const std::string& path);

private:
    ScreenshotHandler m_screenshot;
    WaitHandler m_wait;
};

} // namespace host
