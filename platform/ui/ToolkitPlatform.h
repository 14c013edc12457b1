// What a windowed program needs of the platform while its toolkit runs: the GUI thread's
// platform loop on the toolkit's loop, the toolkit-display flag, and the toolkit back-ends of
// message boxes, file dialogs, popup menus, the displays, the tray, the bell and the built-in
// MAPI form's window. Made once the toolkit has started (a wxApp's OnInit), destroyed before it
// ends; the headless behaviour comes back then.
#pragma once

#include "ui/ToolkitLoop.h"

#include <memory>

namespace platform {
class MessageBoxPresenter;
class FileDialogPresenter;
class DisplayProvider;
class TrayShell;
class MenuTracker;
} // namespace platform
namespace mapi {
class FormDisplayFactory;
}

namespace platform::ui {

class ToolkitPlatform {
public:
    ToolkitPlatform();
    ~ToolkitPlatform();
    ToolkitPlatform(const ToolkitPlatform&) = delete;
    ToolkitPlatform& operator=(const ToolkitPlatform&) = delete;

    ToolkitLoop& Loop() { return m_loop; }

private:
    ToolkitLoop m_loop;
    std::shared_ptr<MessageBoxPresenter> m_previousBox;
    std::shared_ptr<FileDialogPresenter> m_previousFiles;
    std::shared_ptr<DisplayProvider> m_previousDisplays;
    std::shared_ptr<TrayShell> m_previousTray;
    std::shared_ptr<MenuTracker> m_previousMenus;
    std::shared_ptr<mapi::FormDisplayFactory> m_previousForms;
};

} // namespace platform::ui
