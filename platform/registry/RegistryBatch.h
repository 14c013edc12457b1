// Several registry changes as one: while a batch lives, the registry calls of its thread run
// inside one write transaction (other threads and processes wait), and only Commit() makes
// them visible. Without Commit() nothing of them remains. Batches do not nest.
#pragma once

#include "base/WinTypes.h"

namespace platform::registry {

class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // ERROR_SUCCESS when the batch could start; otherwise the registry error (the calls then
    // run on their own, and Commit() fails).
    LONG Status() const { return m_status; }
    LONG Commit();

private:
    LONG m_status;
    bool m_open = false;
};

} // namespace platform::registry
