// Several registry changes as one: while a batch lives, the registry calls of its thread run
// inside one write transaction (other threads and processes wait), and only Commit() makes
// them visible. Without Commit() nothing of them remains. A batch inside another one is
// part of it: its Commit() keeps its changes for the outer batch to commit or drop.
#pragma once

#include "base/WinTypes.h"

namespace platform::registry {

class __attribute__((visibility("default"))) RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // ERROR_SUCCESS when the batch could start; otherwise the registry error (the calls then
    // run on their own, and Commit() fails).
    LONG Status() const { return m_status; }
    // Once only; a second call fails with ERROR_INVALID_FUNCTION.
    LONG Commit();

private:
    LONG m_status;
    bool m_open = false;
};

} // namespace platform::registry
