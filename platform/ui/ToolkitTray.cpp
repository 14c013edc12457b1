#include "ui/ToolkitTray.h"

#include "ui/ToolkitImages.h"

#include <algorithm>

#include <wx/bmpbndl.h>
#include <wx/notifmsg.h>
#include <wx/taskbar.h>

namespace platform::ui {

namespace {

// How often the display is asked whether a tray came or went.
constexpr int kWatchMilliseconds = 2000;

// An icon for an icon that has no picture: the toolkit needs one.
wxIcon BlankIcon()
{
    wxImage image(16, 16);
    image.InitAlpha();
    std::fill(image.GetAlpha(), image.GetAlpha() + 16 * 16, 0);
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}

void Forward(wxTaskBarIcon* taskBarIcon, HWND window, UINT id)
{
    const auto forward = [&](const auto& type, UINT message) {
        taskBarIcon->Bind(type, [window, id, message](wxTaskBarIconEvent&) { ClickTrayIcon(window, id, message); });
    };
    forward(wxEVT_TASKBAR_MOVE, WM_MOUSEMOVE);
    forward(wxEVT_TASKBAR_LEFT_DOWN, WM_LBUTTONDOWN);
    forward(wxEVT_TASKBAR_LEFT_UP, WM_LBUTTONUP);
    forward(wxEVT_TASKBAR_LEFT_DCLICK, WM_LBUTTONDBLCLK);
    forward(wxEVT_TASKBAR_RIGHT_DOWN, WM_RBUTTONDOWN);
    forward(wxEVT_TASKBAR_RIGHT_UP, WM_RBUTTONUP);
    forward(wxEVT_TASKBAR_RIGHT_DCLICK, WM_RBUTTONDBLCLK);
}

} // namespace

ToolkitTray::ToolkitTray() : m_available(wxTaskBarIcon::IsAvailable())
{
    m_watch.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Watch(); });
    m_watch.Start(kWatchMilliseconds);
}

ToolkitTray::~ToolkitTray()
{
    m_watch.Stop();
    for (auto& [key, icon] : m_icons)
        icon->RemoveIcon();
}

bool ToolkitTray::Available()
{
    return wxTaskBarIcon::IsAvailable();
}

void ToolkitTray::Watch()
{
    const bool available = wxTaskBarIcon::IsAvailable();
    if (available == m_available)
        return;
    m_available = available;
    if (!available) {
        // The tray's icons went with it.
        for (auto& [key, icon] : m_icons)
            icon->RemoveIcon();
        m_icons.clear();
        ForgetTrayIcons();
    } else {
        AnnounceTaskbarCreated();
    }
}

void ToolkitTray::Show(const TrayIcon& icon)
{
    auto& shown = m_icons[{icon.window, icon.id}];
    if (!shown) {
        shown = std::make_unique<wxTaskBarIcon>();
        Forward(shown.get(), icon.window, icon.id);
    }
    if (icon.hidden) {
        shown->RemoveIcon();
        return;
    }
    wxIcon picture = IconOf(icon.icon);
    if (!picture.IsOk())
        picture = BlankIcon();
    shown->SetIcon(wxBitmapBundle(picture), wxString::FromUTF8(icon.tip));
}

void ToolkitTray::Remove(const TrayIcon& icon)
{
    const auto it = m_icons.find({icon.window, icon.id});
    if (it == m_icons.end())
        return;
    it->second->RemoveIcon();
    m_icons.erase(it);
}

void ToolkitTray::Balloon(const TrayIcon& icon)
{
    int flags = wxICON_INFORMATION;
    switch (icon.balloonFlags & 3) {
    case NIIF_WARNING: flags = wxICON_WARNING; break;
    case NIIF_ERROR: flags = wxICON_ERROR; break;
    default: break;
    }
    wxNotificationMessage note(wxString::FromUTF8(icon.balloonTitle), wxString::FromUTF8(icon.balloonText), nullptr,
                               flags);
    // The shell keeps a balloon up for 10 to 30 seconds, whatever the program asks.
    const int seconds = std::clamp(static_cast<int>(icon.balloonTimeout / 1000), 10, 30);
    note.Show(seconds);
}

} // namespace platform::ui
