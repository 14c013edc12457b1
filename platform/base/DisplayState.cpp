#include "base/DisplayState.h"

#include <atomic>

namespace {

std::atomic<bool> g_displayRunning{false};

} // namespace

namespace platform {

void SetToolkitDisplayRunning(bool running)
{
    g_displayRunning.store(running);
}

bool ToolkitDisplayRunning()
{
    return g_displayRunning.load();
}

} // namespace platform
