// Dialog hooks: the host offers each dialog it is about to show to the hooks installed on its
// user-interface thread, newest first, as a window hook would see the dialog being initialised.
// A hook sees the dialog's window class, title, its child controls (class, text, control id, in
// window order) and the folder of the item the dialog is about, and may end the dialog at once
// with a button id; the user then never sees it.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <vector>

struct HOSTDIALOGCHILD {
    const char* className;
    const char* text;
    int controlId;
};

struct HOSTDIALOG {
    const char* className; // "#32770"
    const char* title;
    const HOSTDIALOGCHILD* children;
    UINT childCount;
    const char* storeId;  // the item's store entry ID as hexadecimal text ("" when none)
    const char* folderId; // the item's folder entry ID as hexadecimal text ("" when none)
};

// Returns the button id that ends the dialog, or 0 to leave it to the next hook and the user.
using HOSTDIALOGHOOKPROC = int (*)(const HOSTDIALOG* dialog, void* context);
using HDIALOGHOOK = struct HDIALOGHOOK__*;

extern "C" {
// Installs a hook for the calling thread; null when proc is null.
HDIALOGHOOK HostInstallDialogHook(HOSTDIALOGHOOKPROC proc, void* context);
// FALSE for a handle that names no installed hook.
BOOL HostRemoveDialogHook(HDIALOGHOOK hook);
}

namespace host {

struct DialogChild {
    std::string className, text;
    int controlId;
};

// Offers the dialog to the calling thread's hooks; the first non-zero answer, or 0.
int OfferDialogToHooks(const std::string& className, const std::string& title, const std::vector<DialogChild>& children,
                       const std::string& storeId, const std::string& folderId);
// Installed hooks of the calling thread.
std::size_t DialogHookCount();

} // namespace host
