#include "base/ImageCodec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <png.h>

namespace {

// Larger images are refused: no icon or bitmap of a module comes near.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = 64 * 1024 * 1024;

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : m_data(data) {}
    bool Has(std::size_t offset, std::size_t size) const { return offset <= m_data.size() && size <= m_data.size() - offset; }
    std::uint16_t U16(std::size_t o) const { return static_cast<std::uint16_t>(m_data[o] | (m_data[o + 1] << 8)); }
    std::uint32_t U32(std::size_t o) const
    {
        return static_cast<std::uint32_t>(m_data[o]) | (static_cast<std::uint32_t>(m_data[o + 1]) << 8) |
               (static_cast<std::uint32_t>(m_data[o + 2]) << 16) | (static_cast<std::uint32_t>(m_data[o + 3]) << 24);
    }
    std::int32_t I32(std::size_t o) const { return static_cast<std::int32_t>(U32(o)); }
    std::uint8_t U8(std::size_t o) const { return m_data[o]; }
    std::span<const std::uint8_t> Data() const { return m_data; }

private:
    std::span<const std::uint8_t> m_data;
};

bool Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return false;
}

bool IsPng(std::span<const std::uint8_t> data)
{
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data.size() >= 8 && std::memcmp(data.data(), signature, 8) == 0;
}

std::optional<ImagePixels> DecodePng(std::span<const std::uint8_t> data, std::string* error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
        Fail(error, "damaged PNG image");
        return std::nullopt;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide ||
        static_cast<std::int64_t>(image.width) * image.height > kMaxPixels) {
        png_image_free(&image);
        Fail(error, "PNG image of an unsupported size");
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    ImagePixels out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        Fail(error, "damaged PNG image");
        return std::nullopt;
    }
    return out;
}

int MaskShift(std::uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

std::uint8_t MaskedValue(std::uint32_t pixel, std::uint32_t mask)
{
    if (!mask)
        return 0;
    const int shift = MaskShift(mask);
    const std::uint32_t max = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

// A device-independent bitmap at `offset` (its header, colour table and bits). For an icon
// image the height counts both the colour bits and the 1-bit mask after them.
std::optional<ImagePixels> DecodeDib(const Reader& in, std::size_t offset, std::size_t bitsOffset, bool icon,
                                     int* bitCountOut, std::string* error)
{
    if (!in.Has(offset, 12)) {
        Fail(error, "truncated bitmap header");
        return std::nullopt;
    }
    const std::uint32_t headerSize = in.U32(offset);
    std::int64_t width = 0, height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0, colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    std::size_t paletteEntry = 4;
    std::size_t paletteOffset = 0;
    if (headerSize == 12) {
        width = in.U16(offset + 4);
        height = static_cast<std::int16_t>(in.U16(offset + 6));
        bitCount = in.U16(offset + 10);
        paletteEntry = 3;
        paletteOffset = offset + 12;
    } else if (headerSize >= 40 && in.Has(offset, headerSize)) {
        width = in.I32(offset + 4);
        height = in.I32(offset + 8);
        bitCount = in.U16(offset + 14);
        compression = in.U32(offset + 16);
        colorsUsed = in.U32(offset + 32);
        paletteOffset = offset + headerSize;
        if (compression == 3 /* BI_BITFIELDS */ || compression == 6 /* BI_ALPHABITFIELDS */) {
            if (headerSize >= 52) {
                for (int i = 0; i < (headerSize >= 56 ? 4 : 3); ++i)
                    masks[i] = in.U32(offset + 40 + 4 * i);
            } else {
                const int n = compression == 6 ? 4 : 3;
                if (!in.Has(paletteOffset, 4u * n)) {
                    Fail(error, "truncated bitmap masks");
                    return std::nullopt;
                }
                for (int i = 0; i < n; ++i)
                    masks[i] = in.U32(paletteOffset + 4 * i);
                paletteOffset += 4u * n;
            }
        } else if (compression != 0 /* BI_RGB */) {
            Fail(error, "compressed bitmaps are not supported");
            return std::nullopt;
        }
    } else {
        Fail(error, "unknown bitmap header");
        return std::nullopt;
    }
    const bool bottomUp = height > 0;
    height = std::llabs(height);
    if (icon)
        height /= 2;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
        Fail(error, "bitmap of an unsupported size");
        return std::nullopt;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        Fail(error, "unsupported bitmap colour depth");
        return std::nullopt;
    }
    if ((compression == 3 || compression == 6) && bitCount != 16 && bitCount != 32) {
        Fail(error, "bit-field masks need 16 or 32 bits per pixel");
        return std::nullopt;
    }
    if (compression == 0 && bitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }

    std::vector<std::uint8_t> palette; // RGB triples
    if (bitCount <= 8) {
        std::size_t colours = colorsUsed ? colorsUsed : (1u << bitCount);
        colours = std::min<std::size_t>(colours, 1u << bitCount);
        if (!in.Has(paletteOffset, colours * paletteEntry)) {
            Fail(error, "truncated bitmap colour table");
            return std::nullopt;
        }
        palette.resize((1u << bitCount) * 3, 0);
        for (std::size_t i = 0; i < colours; ++i) {
            const std::size_t o = paletteOffset + i * paletteEntry;
            palette[i * 3] = in.U8(o + 2);
            palette[i * 3 + 1] = in.U8(o + 1);
            palette[i * 3 + 2] = in.U8(o);
        }
        paletteOffset += colours * paletteEntry;
    }
    const std::size_t bits = bitsOffset ? bitsOffset : paletteOffset;
    const std::size_t stride = static_cast<std::size_t>((width * bitCount + 31) / 32) * 4;
    const std::size_t maskStride = static_cast<std::size_t>((width + 31) / 32) * 4;
    if (!in.Has(bits, stride * static_cast<std::size_t>(height))) {
        Fail(error, "truncated bitmap bits");
        return std::nullopt;
    }
    const std::size_t maskOffset = bits + stride * static_cast<std::size_t>(height);
    const bool hasMask = icon && in.Has(maskOffset, maskStride * static_cast<std::size_t>(height));

    ImagePixels out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.rgba.assign(static_cast<std::size_t>(width * height) * 4, 0);
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::size_t row = bits + stride * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* p = &out.rgba[static_cast<std::size_t>(y * width + x) * 4];
            p[3] = 255;
            if (bitCount <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * bitCount;
                const std::uint8_t byte = in.U8(row + bit / 8);
                const unsigned index = (byte >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
                std::memcpy(p, &palette[index * 3], 3);
            } else if (bitCount == 24) {
                const std::size_t o = row + static_cast<std::size_t>(x) * 3;
                p[0] = in.U8(o + 2);
                p[1] = in.U8(o + 1);
                p[2] = in.U8(o);
            } else if (bitCount == 16) {
                const std::uint32_t v = in.U16(row + static_cast<std::size_t>(x) * 2);
                p[0] = MaskedValue(v, masks[0]);
                p[1] = MaskedValue(v, masks[1]);
                p[2] = MaskedValue(v, masks[2]);
                if (masks[3])
                    p[3] = MaskedValue(v, masks[3]);
            } else {
                const std::size_t o = row + static_cast<std::size_t>(x) * 4;
                if (compression == 0) {
                    p[0] = in.U8(o + 2);
                    p[1] = in.U8(o + 1);
                    p[2] = in.U8(o);
                    p[3] = in.U8(o + 3);
                    anyAlpha = anyAlpha || p[3] != 0;
                } else {
                    const std::uint32_t v = in.U32(o);
                    p[0] = MaskedValue(v, masks[0]);
                    p[1] = MaskedValue(v, masks[1]);
                    p[2] = MaskedValue(v, masks[2]);
                    if (masks[3])
                        p[3] = MaskedValue(v, masks[3]);
                }
            }
        }
    }
    // A 32-bit image whose fourth bytes are all zero carries no alpha: it is opaque, and an icon's
    // mask says which pixels show.
    if (bitCount == 32 && compression == 0 && !anyAlpha)
        for (std::size_t i = 3; i < out.rgba.size(); i += 4)
            out.rgba[i] = 255;
    if (hasMask && !(bitCount == 32 && anyAlpha)) {
        for (std::int64_t y = 0; y < height; ++y) {
            const std::size_t row = maskOffset + maskStride * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
            for (std::int64_t x = 0; x < width; ++x)
                if ((in.U8(row + static_cast<std::size_t>(x) / 8) >> (7 - x % 8)) & 1)
                    out.rgba[static_cast<std::size_t>(y * width + x) * 4 + 3] = 0;
        }
    }
    if (bitCountOut)
        *bitCountOut = bitCount;
    return out;
}

} // namespace

namespace platform {

std::optional<std::vector<ImagePixels>> DecodeIconFile(std::span<const std::uint8_t> data, std::string* error)
{
    const Reader in(data);
    if (!in.Has(0, 6) || in.U16(0) != 0 || (in.U16(2) != 1 && in.U16(2) != 2)) {
        Fail(error, "not an icon file");
        return std::nullopt;
    }
    const std::size_t count = in.U16(4);
    if (count == 0 || !in.Has(6, count * 16)) {
        Fail(error, count == 0 ? "icon file without images" : "truncated icon directory");
        return std::nullopt;
    }
    std::vector<ImagePixels> images;
    std::vector<int> depths;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + i * 16;
        const std::uint32_t size = in.U32(entry + 8);
        const std::uint32_t offset = in.U32(entry + 12);
        if (!in.Has(offset, size) || size == 0) {
            Fail(error, "icon image outside the file");
            return std::nullopt;
        }
        const auto bytes = data.subspan(offset, size);
        std::optional<ImagePixels> image;
        int depth = 32;
        if (IsPng(bytes))
            image = DecodePng(bytes, error);
        else
            image = DecodeDib(Reader(bytes), 0, 0, true, &depth, error);
        if (!image)
            return std::nullopt;
        const auto same = std::find_if(images.begin(), images.end(), [&](const ImagePixels& p) {
            return p.width == image->width && p.height == image->height;
        });
        if (same == images.end()) {
            images.push_back(std::move(*image));
            depths.push_back(depth);
        } else if (depth > depths[static_cast<std::size_t>(same - images.begin())]) {
            depths[static_cast<std::size_t>(same - images.begin())] = depth;
            *same = std::move(*image);
        }
    }
    return images;
}

std::optional<ImagePixels> DecodeBitmapFile(std::span<const std::uint8_t> data, std::string* error)
{
    if (IsPng(data))
        return DecodePng(data, error);
    const Reader in(data);
    if (in.Has(0, 14) && in.U8(0) == 'B' && in.U8(1) == 'M') {
        const std::uint32_t bits = in.U32(10);
        if (bits < 14 || bits > data.size()) {
            Fail(error, "bitmap bits outside the file");
            return std::nullopt;
        }
        return DecodeDib(in, 14, bits, false, nullptr, error);
    }
    if (in.Has(0, 4) && (in.U32(0) == 12 || in.U32(0) == 40 || in.U32(0) == 52 || in.U32(0) == 56 ||
                         in.U32(0) == 108 || in.U32(0) == 124))
        return DecodeDib(in, 0, 0, false, nullptr, error);
    Fail(error, "not a bitmap or PNG file");
    return std::nullopt;
}

ImagePixels PickIconImage(const std::vector<ImagePixels>& images, int width, int height)
{
    if (images.empty())
        return {};
    if (width <= 0 || height <= 0) {
        width = width > 0 ? width : images.front().width;
        height = height > 0 ? height : images.front().height;
    }
    const ImagePixels* best = nullptr;
    for (const auto& image : images) {
        if (image.width == width && image.height == height)
            return image;
        const bool larger = image.width >= width && image.height >= height;
        if (!best) {
            best = &image;
            continue;
        }
        const bool bestLarger = best->width >= width && best->height >= height;
        if (larger && (!bestLarger || image.width * image.height < best->width * best->height))
            best = &image;
        else if (!larger && !bestLarger && image.width * image.height > best->width * best->height)
            best = &image;
    }
    return ScaleImage(*best, width, height);
}

ImagePixels ScaleImage(const ImagePixels& image, int width, int height)
{
    if (image.width == width && image.height == height)
        return image;
    ImagePixels out;
    if (width <= 0 || height <= 0 || image.width <= 0 || image.height <= 0)
        return out;
    out.width = width;
    out.height = height;
    out.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    const double sx = static_cast<double>(image.width) / width;
    const double sy = static_cast<double>(image.height) / height;
    for (int y = 0; y < height; ++y) {
        const double y0 = y * sy, y1 = (y + 1) * sy;
        for (int x = 0; x < width; ++x) {
            const double x0 = x * sx, x1 = (x + 1) * sx;
            double sum[4] = {0, 0, 0, 0};
            double area = 0;
            for (int v = static_cast<int>(y0); v < std::min(image.height, static_cast<int>(std::ceil(y1))); ++v) {
                const double wy = std::min<double>(v + 1, y1) - std::max<double>(v, y0);
                for (int u = static_cast<int>(x0); u < std::min(image.width, static_cast<int>(std::ceil(x1))); ++u) {
                    const double w = wy * (std::min<double>(u + 1, x1) - std::max<double>(u, x0));
                    const std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(v) * image.width + u) * 4];
                    const double a = p[3] * w;
                    sum[0] += p[0] * a;
                    sum[1] += p[1] * a;
                    sum[2] += p[2] * a;
                    sum[3] += a;
                    area += w;
                }
            }
            std::uint8_t* q = &out.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            if (sum[3] > 0) {
                for (int c = 0; c < 3; ++c)
                    q[c] = static_cast<std::uint8_t>(std::lround(sum[c] / sum[3]));
            }
            q[3] = static_cast<std::uint8_t>(area > 0 ? std::lround(sum[3] / area) : 0);
        }
    }
    return out;
}

} // namespace platform
