// A failure of the registry database, carried as the Win32 error code that the registry
// functions return. Thrown inside the layer only; the functions of Registry.h catch it.
#pragma once

#include "base/WinTypes.h"

namespace platform::registry {

class DatabaseError {
public:
    explicit DatabaseError(LONG code) : m_code(code) {}
    LONG code() const { return m_code; }

private:
    LONG m_code;
};

} // namespace platform::registry
