// GetOpenFileNameA and GetSaveFileNameA with a display: the toolkit's modal file dialog, owned
// by the dialog's window (its bound frame). Queued answers still come first.
#pragma once

#include "base/FileDialog.h"

namespace platform::ui {

class ToolkitFileDialog : public FileDialogPresenter {
public:
    std::optional<FileDialogResult> Ask(const FileDialogRequest& request) override;
};

} // namespace platform::ui
