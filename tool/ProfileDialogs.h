// The profile commands' dialogs as the main view opens them: the create wizard, delete and
// rename, the two editors and the options. The view runs them through this interface; without
// one (no dialogs in the program) those commands stay disabled.
#pragma once

#include "TembrixLib.h"

#include <string>

class COrvDoc;

class IProfileDialogs {
public:
    virtual ~IProfileDialogs() = default;

    // The create wizard; true on OK with the new profile's name.
    virtual bool CreateProfile(COrvDoc& doc, std::string& newName) = 0;
    // The delete confirmation for the named profile; true when it was deleted.
    virtual bool DeleteProfile(COrvDoc& doc, const std::string& name) = 0;
    // The rename dialog for the profile with that 1-based index; true with the new name.
    virtual bool RenameProfile(COrvDoc& doc, LONG index, const std::string& oldName, std::string& newName) = 0;
    // The editor with the folder row to preselect (-1 none); true when it changed something.
    virtual bool EditProfile(COrvDoc& doc, LONG index, IProfile* profile, int folderRow) = 0;
    // The advanced editor; true when it changed something.
    virtual bool EditProfileAdvanced(COrvDoc& doc, IProfile* profile) = 0;
    virtual void Options(COrvDoc& doc) = 0;
};
