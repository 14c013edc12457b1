#include "ui/ToolkitDisplays.h"

#include <wx/display.h>
#include <wx/window.h>

namespace platform::ui {

namespace {

RECT ToRect(const wxRect& r)
{
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

} // namespace

std::vector<DisplayInfo> ToolkitDisplays::Displays()
{
    std::vector<DisplayInfo> displays;
    const unsigned count = wxDisplay::GetCount();
    for (unsigned i = 0; i < count; ++i) {
        const wxDisplay display(i);
        DisplayInfo info;
        info.monitor = ToRect(display.GetGeometry());
        info.work = ToRect(display.GetClientArea());
        info.primary = display.IsPrimary();
        info.device = "\\\\.\\DISPLAY" + std::to_string(i + 1);
        displays.push_back(info);
    }
    return displays;
}

bool ToolkitDisplays::CursorPosition(POINT& point)
{
    const wxPoint at = wxGetMousePosition();
    point = POINT{at.x, at.y};
    return true;
}

} // namespace platform::ui
