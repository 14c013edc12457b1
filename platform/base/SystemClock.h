// The real clock: wall time from the system, ticks from the monotonic clock.
#pragma once

#include "base/Clock.h"

namespace platform {

class SystemClock : public Clock {
public:
    ULONGLONG utcNow() override;
    ULONGLONG tickCount() override;
    void sleep(DWORD milliseconds) override;
};

} // namespace platform
