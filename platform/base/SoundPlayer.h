// The one sound player process of the program: starting a sound stops the one before, and a
// sound can be waited for or stopped from any thread.
#pragma once

#include "base/WinTypes.h"

#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

class SoundPlayer {
public:
    static SoundPlayer& Instance();

    // Stops the sound before and starts `command` with `file` appended; with `wait`, returns
    // once the player has ended or was stopped. False when the player cannot be started.
    bool Play(const std::vector<std::string>& command, const std::string& file, bool wait);
    void Stop();

private:
    void StopLocked();

    std::mutex m_lock;
    pid_t m_current = 0;
    bool m_waitedFor = false; // a Play call waits for m_current and reaps it
};

} // namespace platform
