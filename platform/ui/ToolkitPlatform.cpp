#include "ui/ToolkitPlatform.h"

#include "base/DisplayState.h"
#include "base/FileDialog.h"
#include "base/Sound.h"
#include "base/WaitCursor.h"
#include "ui/ToolkitDisplays.h"
#include "ui/ToolkitFileDialog.h"
#include "ui/ToolkitFormDisplays.h"
#include "ui/ToolkitMenuTracker.h"
#include "ui/ToolkitMessageBox.h"
#include "ui/ToolkitTray.h"

#include <wx/utils.h>

namespace platform::ui {

ToolkitPlatform::ToolkitPlatform()
{
    m_previousBox = SetMessageBoxPresenter(std::make_shared<ToolkitMessageBox>());
    m_previousFiles = SetFileDialogPresenter(std::make_shared<ToolkitFileDialog>());
    m_previousDisplays = SetDisplayProvider(std::make_shared<ToolkitDisplays>());
    m_previousTray = SetTrayShell(std::make_shared<ToolkitTray>());
    m_previousMenus = SetMenuTracker(std::make_shared<ToolkitMenuTracker>());
    SetBellHandler([] { wxBell(); });
    CWaitCursor::SetHandler([](bool wait) {
        if (wait)
            wxBeginBusyCursor();
        else
            wxEndBusyCursor();
    });
    m_previousForms = mapi::SetFormDisplayFactory(std::make_shared<ToolkitFormDisplays>());
    SetToolkitDisplayRunning(true);
}

ToolkitPlatform::~ToolkitPlatform()
{
    SetToolkitDisplayRunning(false);
    CWaitCursor::SetHandler(nullptr);
    SetBellHandler(nullptr);
    SetMenuTracker(m_previousMenus);
    mapi::SetFormDisplayFactory(m_previousForms);
    SetTrayShell(m_previousTray);
    SetDisplayProvider(m_previousDisplays);
    SetFileDialogPresenter(m_previousFiles);
    SetMessageBoxPresenter(m_previousBox);
}

} // namespace platform::ui
