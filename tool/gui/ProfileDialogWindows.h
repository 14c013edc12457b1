// The profile commands' dialogs on the screen, as the main view runs them, the About box, and
// the test commands that work them: each command queues what to do in its dialog and then runs
// the view's command, so the dialog opens as from the menu and is answered as a user would.
#pragma once

#include "ProfileDialogs.h"

#include <functional>
#include <string>
#include <vector>

class COrvApp;
class COrvView;
class CProfileListCtrl;
class CScriptCommands;
class wxWindow;

namespace platform::ui {
class ToolkitLoop;
}

class CProfileDialogWindows : public IProfileDialogs {
public:
    // `parent`: the window the dialogs belong to; `profiles`: the view's profile list (its names
    // and the stores its profiles use).
    CProfileDialogWindows(wxWindow* parent, COrvApp& app, const CProfileListCtrl& profiles);
    ~CProfileDialogWindows() override;
    CProfileDialogWindows(const CProfileDialogWindows&) = delete;
    CProfileDialogWindows& operator=(const CProfileDialogWindows&) = delete;

    bool CreateProfile(COrvDoc& doc, std::string& newName) override;
    bool DeleteProfile(COrvDoc& doc, const std::string& name) override;
    bool RenameProfile(COrvDoc& doc, LONG index, const std::string& oldName, std::string& newName) override;
    bool EditProfile(COrvDoc& doc, LONG index, IProfile* profile, int folderRow) override;
    bool EditProfileAdvanced(COrvDoc& doc, IProfile* profile) override;
    void Options(COrvDoc& doc) override;
    void About();

    // create-profile, associate, delete-association, advanced, rename, delete, options, about
    // and answer; `alive` says whether the view is still there.
    void AddCommands(CScriptCommands& commands, COrvView& view, platform::ui::ToolkitLoop& loop,
                     std::function<bool()> alive);

private:
    wxWindow* m_parent;
    COrvApp& m_app;
    const CProfileListCtrl& m_profiles;
};
