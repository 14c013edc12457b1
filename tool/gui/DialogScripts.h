// What test commands do in the next dialog of a kind: an action queued for a dialog template
// runs once that dialog shows (on the toolkit's loop, inside the dialog's modal loop) and works
// it through its display-free dialog as a user would, ending it or leaving it open.
#pragma once

#include "OrvDialog.h"

#include <wx/dialog.h>

#include <functional>

class CDialogScripts {
public:
    using Action = std::function<void(COrvDialog& dialog, wxDialog& window)>;

    static void Push(UINT templateId, Action action);
    // The dialog shows: its queued action, if any, runs once its modal loop does.
    static void Shown(COrvDialog& dialog, wxDialog& window);
    static bool Pending(UINT templateId);
    static void Clear();
};
