// PNG pictures of top-level windows, for tests and the host's `screenshot` command. They go
// into the `artifacts` folder beside the build's `bin` (the program's own folder's parent), in a
// folder named after the program: build/artifacts/<program>/NAME.png.
#pragma once

#include <filesystem>
#include <string>

class wxTopLevelWindow;

namespace platform::ui {

// build/artifacts/<program> for the running program.
std::filesystem::path ArtifactsFolder();

// Draws the window as it shows now (its pending paints done first) into
// ArtifactsFolder()/NAME.png (".png" is added when NAME lacks it). Returns the file written,
// or an empty path with the reason in `error` (a hidden window, a bad name, an unwritable
// folder).
std::filesystem::path CaptureWindow(wxTopLevelWindow* window, const std::string& name, std::string* error = nullptr);

} // namespace platform::ui
