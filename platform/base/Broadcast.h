// SendMessageTimeoutA, to one window or to every top-level window of every process of this
// user on this platform root (HWND_BROADCAST). Registered messages cross processes by their
// names: a process that takes other processes' broadcasts (ListenForBroadcasts) listens on a
// socket of its own under <root>/objects/broadcast/ (mode 0600), takes requests only from
// processes of its own user, and hands each request to its top-level windows on their own
// threads' loops, waiting for each at most the time-out. The sender waits for each process at
// most about as long.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#ifndef HWND_BROADCAST
#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<LONG_PTR>(0xFFFF)))
#endif

#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002
#define SMTO_NOTIMEOUTIFNOTHUNG 0x0008
#define SMTO_ERRORONEXIT 0x0020

extern "C" {
// One window: its procedure's result in *lpdwResult and non-zero, or 0 with ERROR_TIMEOUT when
// the owner thread did not answer within uTimeout milliseconds (the message still runs later)
// and ERROR_INVALID_WINDOW_HANDLE for no window. HWND_BROADCAST: every top-level window of this
// process and of the other listening processes; non-zero; *lpdwResult is 0. Messages below
// 0xC000 go to this process's windows only: their parameters may be addresses.
LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                            DWORD_PTR* lpdwResult);
}

namespace platform {

// Starts this process's listener for the current platform root (again after the root changed).
// A program whose windows answer other processes calls it once it has them. Safe to call often.
void ListenForBroadcasts();

} // namespace platform
