// COutlookDlgHook: the hook on the host's user-interface thread that answers the host's warning
// that the reminder of an item outside the default Calendar and Tasks folders will not be shown.
// In a reminder folder the add-in shows that reminder itself, so the warning is closed with
// "Yes" before the user sees it. The host offers each dialog it opens to the thread's dialog
// hooks as a record (class, title, the children in window order, the item's store and folder);
// answering 6 ends the dialog as if "Yes" had been chosen. Only the German texts of the warning
// are known; `DumpDialogWindows` in section "CL" of Lumivane.ini dumps every dialog the hook
// sees, so that the texts of other versions and languages can be collected.
//
// The state is process-wide; the engine installs the hook when it is enabled and removes it when
// it is disabled, on the host's thread.
#pragma once

#include "com/ComPtr.h"
#include "host/DialogHooks.h"
#include "host/HostInterfaces.h"

class COutlookDlgHook {
public:
    COutlookDlgHook();
    ~COutlookDlgHook();

    // Reads the dump switch and the texts of the host's version and language, and installs the
    // hook on the calling thread; a hook installed already is kept (never a second one). An
    // unknown version or language leaves the hook installed but inert.
    static BOOL InstallHook();
    static void RemoveHook();
    static bool IsInstalled();

    // The dialog texts of the cached Application's version and UI language: E_FAIL (texts unset)
    // for any but German at 9, 10, 11, 12 and 14, or without a cached Application.
    static HRESULT InitStrings();
    static void UninitStrings();

    // The hook procedure: 6 ends the dialog, 0 leaves it to the next hook and the user.
    static int HookProc(const HOSTDIALOG* dialog, void* context);

    // The folder of the host's active window: an explorer's current folder, or the folder of
    // an inspector's item.
    static HRESULT GetActiveFolder(MAPIFolder** folder);

    static void DumpDialogWindows(const HOSTDIALOG* dialog);
    static void DumpWindow(const char* className, const char* title, int controlId);

private:
    // Whether the dialog is the warning about an item in a reminder folder.
    static bool IsReminderWarning(const HOSTDIALOG* dialog);
    // The item's folder as store and entry ID (hex text): the one the host gives with the dialog,
    // else the active window's.
    static HRESULT GetDialogFolder(const HOSTDIALOG* dialog, std::string& storeId, std::string& entryId);
};
