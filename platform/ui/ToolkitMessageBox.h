// MessageBoxA with a display: a modal toolkit message box owned by the box's window (its bound
// frame), with the box's buttons, icon and default button. Queued answers still come first.
#pragma once

#include "base/MessageBox.h"

namespace platform::ui {

class ToolkitMessageBox : public MessageBoxPresenter {
public:
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override;
};

} // namespace platform::ui
