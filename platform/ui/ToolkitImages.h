// Toolkit images of the platform's icons and bitmaps (resource icons and bitmaps, .ico files,
// system icons), made from their pixels.
#pragma once

#include "base/ResourceImage.h"

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/image.h>

namespace platform::ui {

// An image with the pixels' alpha; an invalid image for an empty one.
wxImage ImageOf(const ImagePixels& pixels);
// Invalid (IsOk() false) for a handle that names no icon or bitmap.
wxImage ImageOfIcon(HICON icon);
wxImage ImageOfBitmap(HBITMAP bitmap);
wxIcon IconOf(HICON icon);
wxBitmap BitmapOf(HBITMAP bitmap);

} // namespace platform::ui
