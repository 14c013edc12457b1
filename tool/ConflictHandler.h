// What a run does with the conflicts a profile left: shows them to the user and applies the
// choices. Called on the worker thread after the profile's run, before the worker gives every
// conflict still open the mode "keep both" and finalises the run; the boxes and dialogs it opens
// run on the window thread (COrvView::SendToWindowThread).
#pragma once

#include "TembrixLib.h"

#include <string>

class COrvView;

class IConflictHandler {
public:
    virtual ~IConflictHandler() = default;

    // `localStore` and `globalStore`: the store names the view showed for the profile.
    virtual void HandleConflicts(COrvView& view, IProfile* profile, IConflicts* conflicts, const std::string& name,
                                 const std::string& localStore, const std::string& globalStore) = 0;
};
