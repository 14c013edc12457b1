// Toolkit images of the program's own icon and bitmap resources.
#pragma once

#include "Colour.h"

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/imaglist.h>

#include <span>

// A 16 x 16 icon of the program's resources (an empty bitmap of that size when it has none).
wxBitmap ResourceIcon(unsigned id);
// A bitmap of the program's resources (invalid when it has none).
wxBitmap ResourceBitmap(unsigned id);
// An image list of 16 x 16 icons in the given order.
wxImageList* ResourceImageList(std::span<const unsigned> icons);
wxColour ToolkitColour(COLORREF colour);
