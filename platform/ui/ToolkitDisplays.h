// The toolkit's displays for the platform's display functions (work areas, MonitorFromRect).
#pragma once

#include "base/Display.h"

namespace platform::ui {

class ToolkitDisplays : public DisplayProvider {
public:
    std::vector<DisplayInfo> Displays() override;
};

} // namespace platform::ui
