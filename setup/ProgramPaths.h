// The path preparation steps that both helpers share: the server program beside the helper
// and the mail client's program, each as a firewall list value name and its data.
#pragma once

#include "base/WinTypes.h"

// serverValue = <program directory>\BRN32.exe,
// serverData = <program directory>\BRN32.exe:*:Enabled:Brisanne - Server.
// Both buffers hold kPathBufferSize bytes. When the program directory cannot be found, a line
// says so and both stay empty (the server rows are then skipped).
void PrepareServerPaths(LPSTR serverValue, LPSTR serverData);

// outlookValue = the mail client's path, outlookData = path + ":*:Enabled:Microsoft Outlook";
// without a mail client both stay empty (the mail client's rows are then skipped).
void PrepareOutlookPaths(LPSTR outlookValue, LPSTR outlookData);
