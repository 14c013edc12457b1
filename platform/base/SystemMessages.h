// The system's message texts (FormatMessageA with FORMAT_MESSAGE_FROM_SYSTEM) and the local
// heap its buffers come from. The texts are ours: one line each, ending in "\r\n", for the Win32
// codes the platform layers return, for their HRESULT forms (0x8007xxxx) and for the COM and
// automation codes the platform has texts for. Other codes have none: codes of the messaging
// layer (0x8004010F), 0 and ERROR_MR_MID_NOT_FOUND among them.
#pragma once

#include "base/WinTypes.h"

#include <cstdarg>

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#ifndef ERROR_MR_MID_NOT_FOUND
#define ERROR_MR_MID_NOT_FOUND 317L
#endif

extern "C" {
// FORMAT_MESSAGE_FROM_SYSTEM only (with ALLOCATE_BUFFER and IGNORE_INSERTS; our texts have no
// inserts, so `arguments` is never read; any language gives the one text). Returns the length of
// the text without its zero; 0 and ERROR_MR_MID_NOT_FOUND for a code without text,
// ERROR_INSUFFICIENT_BUFFER when it does not fit into `size` characters, ERROR_INVALID_PARAMETER
// for another source. With ALLOCATE_BUFFER, `buffer` is really an LPSTR* that receives a
// LocalAlloc block of at least `size` bytes, freed with LocalFree.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);

// Fixed blocks of the local heap (LMEM_MOVEABLE is given a fixed block too); null and
// ERROR_NOT_ENOUGH_MEMORY when there is no memory.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
// Null on success; a block that LocalAlloc did not hand out (or freed already) is returned as it
// is, with ERROR_INVALID_HANDLE.
HLOCAL LocalFree(HLOCAL memory);
}

namespace platform {

// The text FormatMessageA gives for the code, without its "\r\n" (null when there is none).
const char* SystemMessageText(DWORD code);

} // namespace platform
