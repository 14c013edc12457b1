#include "ui/WindowBinding.h"

#include <wx/toplevel.h>

#include <map>
#include <mutex>

namespace platform::ui {

namespace {

// Bindings of the GUI thread, by handle and by frame.
struct Bindings {
    std::map<HWND, std::weak_ptr<WindowBinding>> byHandle;
    std::map<const wxTopLevelWindow*, std::weak_ptr<WindowBinding>> byFrame;
};

Bindings& All()
{
    static Bindings bindings;
    return bindings;
}

RECT ScreenRect(const wxTopLevelWindow* frame)
{
    const wxRect r = frame->GetScreenRect();
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

} // namespace

WindowBinding::WindowBinding(wxTopLevelWindow* frame) : m_frame(frame) {}

WindowBinding::~WindowBinding()
{
    All().byHandle.erase(m_hwnd);
    All().byFrame.erase(m_frame);
}

std::shared_ptr<WindowBinding> WindowBinding::Attach(wxTopLevelWindow* frame, const std::string& className,
                                                     WindowProcedure procedure)
{
    if (!frame)
        return nullptr;
    std::shared_ptr<WindowBinding> binding(new WindowBinding(frame));
    if (!procedure)
        procedure = [frame](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_CLOSE) {
                frame->Close();
                return 0;
            }
            return DefWindowProcA(hwnd, message, wParam, lParam);
        };
    const DWORD style = WS_OVERLAPPEDWINDOW | (frame->IsShown() ? WS_VISIBLE : 0);
    binding->m_hwnd = CreateMessageWindow(className, frame->GetTitle().utf8_string(), std::move(procedure), nullptr,
                                          nullptr, style);
    if (!binding->m_hwnd)
        return nullptr;
    All().byHandle[binding->m_hwnd] = binding;
    All().byFrame[frame] = binding;
    binding->Bind();
    return binding;
}

std::shared_ptr<WindowBinding> WindowBinding::AttachTo(wxTopLevelWindow* frame, HWND window)
{
    if (!frame || !IsWindow(window))
        return nullptr;
    std::shared_ptr<WindowBinding> binding(new WindowBinding(frame));
    binding->m_hwnd = window;
    binding->m_ownsWindow = false;
    All().byHandle[window] = binding;
    All().byFrame[frame] = binding;
    binding->Bind();
    return binding;
}

std::shared_ptr<WindowBinding> WindowBinding::Of(HWND hwnd)
{
    const auto it = All().byHandle.find(hwnd);
    return it == All().byHandle.end() ? nullptr : it->second.lock();
}

std::shared_ptr<WindowBinding> WindowBinding::Of(const wxTopLevelWindow* frame)
{
    const auto it = All().byFrame.find(frame);
    return it == All().byFrame.end() ? nullptr : it->second.lock();
}

wxTopLevelWindow* WindowBinding::FrameOf(HWND hwnd)
{
    for (int depth = 0; hwnd && depth < 100; ++depth, hwnd = GetParent(hwnd))
        if (const auto binding = Of(hwnd))
            return binding->Frame();
    return nullptr;
}

void WindowBinding::Bind()
{
    ReportBounds();
    m_maximized = m_frame->IsMaximized();
    // The frame and the binding hold each other only weakly: each ends the other.
    std::weak_ptr<WindowBinding> weak = shared_from_this();
    m_frame->Bind(wxEVT_ACTIVATE, [weak](wxActivateEvent& event) {
        if (const auto self = weak.lock(); self && !self->m_applying)
            ReportWindowActivated(self->m_hwnd, event.GetActive());
        event.Skip();
    });
    m_frame->Bind(wxEVT_ICONIZE, [weak](wxIconizeEvent& event) {
        if (const auto self = weak.lock(); self && !self->m_applying)
            ReportWindowMinimized(self->m_hwnd, event.IsIconized());
        event.Skip();
    });
    m_frame->Bind(wxEVT_SHOW, [weak](wxShowEvent& event) {
        if (const auto self = weak.lock(); self && !self->m_applying)
            ReportWindowShown(self->m_hwnd, event.IsShown());
        event.Skip();
    });
    auto bounds = [weak](wxEvent& event) {
        if (const auto self = weak.lock(); self && !self->m_applying) {
            const bool maximized = self->m_frame->IsMaximized();
            if (maximized != self->m_maximized) {
                self->m_maximized = maximized;
                ReportWindowMaximized(self->m_hwnd, maximized);
            }
            self->ReportBounds();
        }
        event.Skip();
    };
    m_frame->Bind(wxEVT_SIZE, [bounds](wxSizeEvent& event) { bounds(event); });
    m_frame->Bind(wxEVT_MOVE, [bounds](wxMoveEvent& event) { bounds(event); });
    m_frame->Bind(wxEVT_DESTROY, [weak](wxWindowDestroyEvent& event) {
        if (const auto self = weak.lock(); self && event.GetEventObject() == self->m_frame)
            self->FrameGone();
        event.Skip();
    });
    BindWindowView(m_hwnd, shared_from_this());
}

void WindowBinding::ReportBounds()
{
    if (m_frame && !m_frame->IsIconized() && !m_frame->IsMaximized())
        ReportWindowBounds(m_hwnd, ScreenRect(m_frame));
}

void WindowBinding::Apply(const WindowViewState& state)
{
    if (!m_frame || m_applying)
        return;
    m_applying = true;
    const wxString title = wxString::FromUTF8(state.text);
    if (m_frame->GetTitle() != title)
        m_frame->SetTitle(title);
    if (m_frame->IsEnabled() != state.enabled)
        m_frame->Enable(state.enabled);
    const RECT& r = state.normal;
    if (!state.minimized && !state.maximized && r.right > r.left && r.bottom > r.top) {
        const RECT now = ScreenRect(m_frame);
        if (now.left != r.left || now.top != r.top || now.right != r.right || now.bottom != r.bottom)
            m_frame->SetSize(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    if (m_frame->IsMaximized() != state.maximized && !state.minimized)
        m_frame->Maximize(state.maximized);
    m_maximized = state.maximized;
    if (m_frame->IsIconized() != state.minimized)
        m_frame->Iconize(state.minimized);
    if (m_frame->IsShown() != state.visible)
        m_frame->Show(state.visible);
    m_applying = false;
}

void WindowBinding::Raise()
{
    if (!m_frame)
        return;
    if (!m_frame->IsShown())
        return;
    m_frame->Raise();
    m_frame->SetFocus();
}

void WindowBinding::WindowDestroyed()
{
    // The program destroyed the window: the frame goes too.
    wxTopLevelWindow* frame = m_frame;
    m_frame = nullptr;
    All().byFrame.erase(frame);
    if (frame && !frame->IsBeingDeleted())
        frame->Destroy();
}

void WindowBinding::FrameGone()
{
    wxTopLevelWindow* frame = m_frame;
    m_frame = nullptr;
    All().byFrame.erase(frame);
    const auto keep = shared_from_this();
    if (!m_ownsWindow)
        BindWindowView(m_hwnd, nullptr); // the window stays its maker's, without a view
    else if (IsWindow(m_hwnd))
        DestroyWindow(m_hwnd);
}

} // namespace platform::ui
