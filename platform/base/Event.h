// The in-process event object behind CreateEventA.
#pragma once

#include "base/Handles.h"

#include <condition_variable>
#include <mutex>

namespace platform {

class Event : public KernelObject {
public:
    Event(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}

    void Set();
    void Reset();
    DWORD Wait(DWORD milliseconds) override;

private:
    const bool m_manualReset;
    bool m_signalled;
    std::mutex m_lock;
    std::condition_variable m_changed;
};

} // namespace platform
