// A toolkit top-level window bound to a platform window: the platform window (made here, with
// the given class and the frame's title) is the handle the program and scripts use; the frame
// shows what the program sets through it (ShowWindow, SetForegroundWindow, SetWindowTextA,
// EnableWindow, SetWindowPlacement) and reports what the user does (activation, minimising,
// maximising, moving, hiding). Destroying the frame destroys the platform window; destroying the
// platform window closes the frame.
#pragma once

#include "base/Window.h"
#include "base/WindowView.h"

#include <memory>
#include <string>

class wxTopLevelWindow;

namespace platform::ui {

class WindowBinding : public WindowView, public std::enable_shared_from_this<WindowBinding> {
public:
    // Binds the frame; `procedure` answers the platform window's messages (null: WM_CLOSE asks
    // the frame to close, everything else DefWindowProcA). Returns null when the platform window
    // cannot be made.
    static std::shared_ptr<WindowBinding> Attach(wxTopLevelWindow* frame, const std::string& className,
                                                 WindowProcedure procedure = nullptr);
    // Binds the frame to a window the program made (a dialog's logic that runs without a
    // display too): the window keeps its procedure and stays its maker's, so the frame going
    // does not destroy it. Null for no window.
    static std::shared_ptr<WindowBinding> AttachTo(wxTopLevelWindow* frame, HWND window);
    // The binding of a platform window or of a frame (null when there is none).
    static std::shared_ptr<WindowBinding> Of(HWND hwnd);
    static std::shared_ptr<WindowBinding> Of(const wxTopLevelWindow* frame);
    // The toolkit window of a platform window: its bound frame, or that of its nearest bound
    // parent (null when there is none).
    static wxTopLevelWindow* FrameOf(HWND hwnd);

    ~WindowBinding() override;

    HWND Handle() const { return m_hwnd; }
    wxTopLevelWindow* Frame() const { return m_frame; }

    void Apply(const WindowViewState& state) override;
    void Raise() override;
    void WindowDestroyed() override;

private:
    explicit WindowBinding(wxTopLevelWindow* frame);
    void Bind();
    void ReportBounds();
    void FrameGone();

    wxTopLevelWindow* m_frame;
    HWND m_hwnd = nullptr;
    bool m_applying = false;
    bool m_maximized = false;
    bool m_ownsWindow = true;
};

} // namespace platform::ui
