// Decoding of the image files that resources and LoadImageA read: icon files (.ico, whose
// images are device-independent bitmaps with a mask or PNG), bitmap files (.bmp, also without
// their file header as bitmap resources hold them) and PNG; and scaling to another size.
#pragma once

#include "base/ResourceImage.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// The images of an icon file in its order, one per size (of two images of one size the one with
// more colours). Nothing for a damaged or foreign file, with the reason in `error`.
std::optional<std::vector<ImagePixels>> DecodeIconFile(std::span<const std::uint8_t> data, std::string* error = nullptr);
// A bitmap (with or without its file header) or a PNG image.
std::optional<ImagePixels> DecodeBitmapFile(std::span<const std::uint8_t> data, std::string* error = nullptr);

// The image of an icon best for the size: the same size, else the smallest larger one, else the
// largest; scaled to the size when it differs. A size of 0 keeps the first image's.
ImagePixels PickIconImage(const std::vector<ImagePixels>& images, int width, int height);
// Resamples by area averaging (alpha-weighted, so transparent pixels leave no dark fringe).
ImagePixels ScaleImage(const ImagePixels& image, int width, int height);

} // namespace platform
