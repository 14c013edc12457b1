// The message-box presenter of console programs: nobody can click, so the box is written to
// standard error ("<caption>\n<text>\n") and answered with its default button.
#pragma once

#include "base/MessageBox.h"

namespace platform {

class ConsoleMessageBoxPresenter : public MessageBoxPresenter {
public:
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override;
};

} // namespace platform
