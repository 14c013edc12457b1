// Button faces: a command-bar button keeps copies of the pictures put to its Picture and Mask
// (the add-in may delete its bitmaps right after), and shows the face with the mask's white
// pixels transparent.
#pragma once

#include "base/ResourceImage.h"
#include "com/Dispatch.h"
#include "host/CommandBarControlNode.h"

#include <optional>

namespace host {

// The pixels of a picture object (IPicture over a bitmap or an icon); nothing for another object
// or a picture whose handle names nothing.
std::optional<ImagePixels> PicturePixels(IDispatch* picture);
// A new picture (IPictureDisp) that owns a bitmap of these pixels, at this depth.
HRESULT PictureOf(const ImagePixels& pixels, int bitsPerPixel, IDispatch** picture);
// The face the button shows: its picture, transparent where a mask of its size is white.
std::optional<ImagePixels> ShownFace(const ControlState& state);

} // namespace host
