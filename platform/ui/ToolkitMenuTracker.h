// TrackPopupMenu with a display: the menu as a toolkit popup menu shown over the owner's frame
// (its items' texts, separators, popups, check marks and grayed items; this toolkit has no mark
// for the default item), the command chosen given back; an owner that is not on the screen gets
// a small stand-in window at the point. Queued answers still come first.
#pragma once

#include "base/Menu.h"

#include <map>
#include <memory>

class wxMenu;

namespace platform::ui {

class ToolkitMenuTracker : public MenuTracker {
public:
    UINT Track(HMENU menu, UINT flags, int x, int y, HWND owner, const RECT* exclude) override;

    // The toolkit menu of a platform menu. Command ids go up to 0xFFFF, beyond the toolkit's
    // range, so its items get ids of their own; `commands` maps them back.
    struct Built {
        std::unique_ptr<wxMenu> menu;
        std::map<int, UINT> commands; // toolkit id -> command id
    };
    static Built BuildMenu(HMENU menu);
};

} // namespace platform::ui
