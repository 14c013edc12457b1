// Icons and bitmaps as pixels. LoadIconA and LoadImageA (base/Resources.h) decode a module's
// icon and bitmap resources, .ico files and the system icons into images; these functions hand
// out their pixels without any display, so that a toolkit can make its own images of them.
#pragma once

#include "base/WinTypes.h"

#include <cstdint>
#include <optional>
#include <vector>

// Width x height pixels, the top row first, four bytes per pixel in the order red, green, blue,
// alpha (not premultiplied; 255 is opaque).
struct ImagePixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    bool operator==(const ImagePixels&) const = default;
};

namespace platform {

// The pixels of a live icon or bitmap handle; nothing for a handle that names none.
std::optional<ImagePixels> IconPixels(HICON icon);
std::optional<ImagePixels> BitmapPixels(HBITMAP bitmap);

// New handles owning the given pixels (freed with DestroyIcon / DeleteObject); null for an
// empty image or one whose buffer does not hold width x height pixels. A bitmap reports the
// colour depth it is made with: 1 (monochrome: its pixels are black or white), 24 or 32.
HICON CreateIconFromPixels(ImagePixels pixels);
HBITMAP CreateBitmapFromPixels(ImagePixels pixels, int bitsPerPixel = 32);
// The colour depth of a live bitmap (base/Bitmap.h's GetObjectA reports it); 0 for no bitmap.
int BitmapBitsPerPixel(HBITMAP bitmap);

} // namespace platform
