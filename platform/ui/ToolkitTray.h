// The tray with a display: each icon of Shell_NotifyIconA is a toolkit tray icon with its
// picture and tooltip, hidden icons are taken out of the tray, balloons are desktop
// notifications, and the user's clicks come back as the icon's callback message. Whether there
// is a tray is the display's answer; it is asked again every few seconds, and a tray that appears
// is announced with "TaskbarCreated" (icons of a tray that went away are forgotten).
#pragma once

#include "base/ShellNotify.h"

#include <wx/timer.h>

#include <map>
#include <memory>
#include <utility>

class wxTaskBarIcon;

namespace platform::ui {

class ToolkitTray : public TrayShell {
public:
    ToolkitTray();
    ~ToolkitTray() override;

    bool Available() override;
    void Show(const TrayIcon& icon) override;
    void Remove(const TrayIcon& icon) override;
    void Balloon(const TrayIcon& icon) override;

private:
    void Watch();

    std::map<std::pair<HWND, UINT>, std::unique_ptr<wxTaskBarIcon>> m_icons;
    wxTimer m_watch;
    bool m_available = false;
};

} // namespace platform::ui
