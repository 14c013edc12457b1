// Whether a toolkit display runs in this process. The windowed loop sets it while it runs; the
// functions that behave differently with and without a screen (visual themes, the bell of
// MessageBeep) read it.
#pragma once

namespace platform {

void SetToolkitDisplayRunning(bool running);
bool ToolkitDisplayRunning();

} // namespace platform
