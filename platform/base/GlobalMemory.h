// Global memory blocks (GlobalAlloc and friends), the containers of clipboard data. A fixed
// block's handle is its address; a moveable block's handle is reached through GlobalLock, which
// counts its locks. Every handle is checked, so a stale or foreign one fails instead of being
// followed.
#pragma once

#include "base/WinTypes.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_NOT_BANKED 0x1000
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#ifndef ERROR_NOT_LOCKED
#define ERROR_NOT_LOCKED 158L
#endif

extern "C" {
// A block of `bytes` bytes (0 is a block too), zeroed with GMEM_ZEROINIT; the sharing and
// discarding flags are accepted and mean nothing here. Null and ERROR_NOT_ENOUGH_MEMORY when
// there is no memory, ERROR_INVALID_PARAMETER for GMEM_MODIFY.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// The block's address (a moveable block's lock count goes up); null and ERROR_INVALID_HANDLE
// for no block.
LPVOID GlobalLock(HGLOBAL memory);
// TRUE while a moveable block stays locked; FALSE with ERROR_SUCCESS when its last lock goes,
// with ERROR_NOT_LOCKED when it was not locked, with ERROR_INVALID_HANDLE for no block. A fixed
// block is never locked.
BOOL GlobalUnlock(HGLOBAL memory);
// The block's size in bytes; 0 and ERROR_INVALID_HANDLE for no block.
SIZE_T GlobalSize(HGLOBAL memory);
// Null on success; a handle that names no block is returned as it is, with ERROR_INVALID_HANDLE.
HGLOBAL GlobalFree(HGLOBAL memory);
}

namespace platform {

// Whether the handle names a live block.
bool IsGlobalBlock(HGLOBAL memory);

} // namespace platform
