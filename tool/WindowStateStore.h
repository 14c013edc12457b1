// Saves a window's placement as the text "left,top,right,bottom,show command,flags" in the
// string value "WindowPlacement" of a section (a subkey) of the program's settings key, and
// puts it back. A placement that lies on no display's work area (saved with another screen
// layout) is not applied: the window stays where it was made.
#pragma once

#include "Geometry.h"
#include "WindowPlacementText.h"

#include "base/WinTypes.h"

#include <string>
#include <vector>

class CWindowStateStore {
public:
    virtual ~CWindowStateStore() = default;

    // Rectangle-only: the current window rectangle with show command 1 and flags 0; otherwise
    // the placement (normal rectangle, show command, flags).
    BOOL SaveWindowState(const std::string& section, BOOL bRectOnly);
    // FALSE (the window as it was) when the value is missing, not six numbers, or off every
    // work area.
    BOOL LoadWindowState(const std::string& section, BOOL bRectOnly);

protected:
    // The program's settings key below HKEY_CURRENT_USER.
    virtual std::string GetSettingsKey() const = 0;
    virtual CPlacementText GetPlacement() const = 0;
    virtual void SetPlacement(const CPlacementText& placement) = 0;
    virtual CRect GetWindowRect() const = 0;
    virtual void MoveWindow(const CRect& rect) = 0;
    // The work areas of the displays, in screen coordinates.
    virtual std::vector<CRect> GetWorkAreas() const = 0;
};
