// The toolkit's displays for the platform's display functions (work areas, MonitorFromRect,
// the mouse pointer's position).
#pragma once

#include "base/Display.h"

namespace platform::ui {

class ToolkitDisplays : public DisplayProvider {
public:
    std::vector<DisplayInfo> Displays() override;
    bool CursorPosition(POINT& point) override;
};

} // namespace platform::ui
