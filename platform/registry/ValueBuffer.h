// Handing value data out to a caller's buffer, shared by the 8-bit and the wide functions.
#pragma once

#include "base/WinError.h"
#include "base/WinTypes.h"

#include <cstring>
#include <vector>

namespace platform::registry {

// Size only without a buffer; ERROR_MORE_DATA with the needed size when the buffer is too small.
inline LONG CopyValueData(const std::vector<BYTE>& data, LPBYTE buffer, LPDWORD cb)
{
    const auto size = static_cast<DWORD>(data.size());
    if (buffer) {
        if (*cb < size) {
            *cb = size;
            return ERROR_MORE_DATA;
        }
        if (size)
            std::memcpy(buffer, data.data(), size);
    }
    if (cb)
        *cb = size;
    return ERROR_SUCCESS;
}

} // namespace platform::registry
