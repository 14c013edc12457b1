// The text of a saved window placement, "left,top,right,bottom,show command,flags", as the
// window-state store keeps it in "WindowPlacement" of a section of the program's settings.
#pragma once

#include "Geometry.h"

#include <optional>
#include <string>

struct CPlacementText {
    CRect rect;
    int showCmd = 1;
    int flags = 0;

    std::string Format() const;
    // Six decimal numbers separated by commas, nothing else; anything else gives nothing.
    static std::optional<CPlacementText> Parse(const std::string& text);
};
