// CreateBitmap, LoadBitmapA, GetObjectA and GetDIBits over the pixel buffers of ResourceImage.
#include "base/Bitmap.h"

#include "base/LastError.h"
#include "base/ResourceImage.h"
#include "base/WinError.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// Bitmaps larger than this many pixels are refused rather than attempted.
constexpr std::size_t kMaxPixels = std::size_t(1) << 28;

constexpr std::uint8_t kWhite = 255;

bool SupportedDepth(UINT bitCount)
{
    return bitCount == 1 || bitCount == 24 || bitCount == 32;
}

// Bytes of one row of `width` pixels at this depth, padded to a multiple of `align` bytes.
std::size_t RowBytes(std::size_t width, UINT bitCount, std::size_t align)
{
    const std::size_t bits = width * bitCount;
    return (bits + align * 8 - 1) / (align * 8) * align;
}

// A monochrome bit: white for a light pixel.
bool IsLight(const std::uint8_t* rgba)
{
    return 299 * rgba[0] + 587 * rgba[1] + 114 * rgba[2] >= 128 * 1000;
}

void SetPixel(std::uint8_t* rgba, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    rgba[0] = r;
    rgba[1] = g;
    rgba[2] = b;
    rgba[3] = 255;
}

// Reads one row of a bitmap (device or DIB layout alike) into RGBA pixels.
void ReadRow(const std::uint8_t* row, int width, UINT bitCount, std::uint8_t* rgba)
{
    for (int x = 0; x < width; ++x, rgba += 4) {
        if (bitCount == 1) {
            const bool set = (row[x / 8] >> (7 - x % 8)) & 1;
            const std::uint8_t v = set ? kWhite : 0;
            SetPixel(rgba, v, v, v);
        } else {
            const std::uint8_t* p = row + static_cast<std::size_t>(x) * (bitCount / 8);
            SetPixel(rgba, p[2], p[1], p[0]);
        }
    }
}

// Writes one row of RGBA pixels in DIB layout.
void WriteRow(const std::uint8_t* rgba, int width, UINT bitCount, std::uint8_t* row, std::size_t rowBytes)
{
    std::memset(row, 0, rowBytes);
    for (int x = 0; x < width; ++x, rgba += 4) {
        if (bitCount == 1) {
            if (IsLight(rgba))
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        } else {
            std::uint8_t* p = row + static_cast<std::size_t>(x) * (bitCount / 8);
            p[0] = rgba[2];
            p[1] = rgba[1];
            p[2] = rgba[0];
        }
    }
}

} // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits)
{
    if (width < 0 || height < 0 || planes != 1 || !SupportedDepth(bitCount)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0) {
        width = height = 1;
        bitCount = 1;
        bits = nullptr;
    }
    if (static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxPixels) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ImagePixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    for (std::size_t i = 3; i < pixels.rgba.size(); i += 4)
        pixels.rgba[i] = 255;
    if (bits) {
        const std::size_t rowBytes = RowBytes(static_cast<std::size_t>(width), bitCount, 2);
        const auto* source = static_cast<const std::uint8_t*>(bits);
        for (int y = 0; y < height; ++y)
            ReadRow(source + rowBytes * static_cast<std::size_t>(y), width, bitCount,
                    pixels.rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4);
    }
    return platform::CreateBitmapFromPixels(std::move(pixels), static_cast<int>(bitCount));
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name)
{
    if (!instance) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

int GetObjectA(HANDLE object, int size, LPVOID buffer)
{
    const auto bitmap = static_cast<HBITMAP>(object);
    const int depth = platform::BitmapBitsPerPixel(bitmap);
    const auto pixels = depth ? platform::BitmapPixels(bitmap) : std::nullopt;
    if (!pixels) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!buffer)
        return static_cast<int>(sizeof(BITMAP));
    if (size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAP info{};
    info.bmWidth = pixels->width;
    info.bmHeight = pixels->height;
    info.bmWidthBytes = static_cast<LONG>(RowBytes(static_cast<std::size_t>(pixels->width), static_cast<UINT>(depth), 2));
    info.bmPlanes = 1;
    info.bmBitsPixel = static_cast<WORD>(depth);
    const std::size_t n = std::min(static_cast<std::size_t>(size), sizeof info);
    std::memcpy(buffer, &info, n);
    return static_cast<int>(n);
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage)
{
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int depth = platform::BitmapBitsPerPixel(bitmap);
    const auto pixels = depth ? platform::BitmapPixels(bitmap) : std::nullopt;
    if (!pixels) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    BITMAPINFOHEADER& header = info->bmiHeader;
    const auto width = static_cast<std::size_t>(pixels->width);
    const auto height = static_cast<std::size_t>(pixels->height);
    if (!bits && header.biBitCount == 0) {
        header.biWidth = pixels->width;
        header.biHeight = pixels->height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(depth);
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(RowBytes(width, static_cast<UINT>(depth), 4) * height);
        header.biClrUsed = 0;
        header.biClrImportant = 0;
        return 1;
    }
    if (!SupportedDepth(header.biBitCount) || header.biCompression != BI_RGB || header.biPlanes > 1 ||
        header.biWidth != pixels->width || header.biHeight == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const UINT bitCount = header.biBitCount;
    const std::size_t rowBytes = RowBytes(width, bitCount, 4);
    header.biSizeImage = static_cast<DWORD>(rowBytes * height);
    if (bitCount == 1) {
        // The colour table follows the header (the caller makes room for both entries).
        const RGBQUAD table[2] = {{0, 0, 0, 0}, {kWhite, kWhite, kWhite, 0}};
        std::memcpy(reinterpret_cast<std::uint8_t*>(info) + header.biSize, table, sizeof table);
    }
    if (!bits)
        return 1;
    // Rows of the DIB, counted from its first stored row.
    const bool bottomUp = header.biHeight > 0;
    const std::size_t dibRows = static_cast<std::size_t>(bottomUp ? header.biHeight : -static_cast<LONGLONG>(header.biHeight));
    const std::size_t rows = std::min(dibRows, height);
    if (start >= rows)
        return 0;
    const std::size_t count = std::min<std::size_t>(lines, rows - start);
    auto* out = static_cast<std::uint8_t*>(bits);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t scan = start + i; // scan line of the DIB
        const std::size_t y = bottomUp ? height - 1 - scan : scan;
        WriteRow(pixels->rgba.data() + y * width * 4, pixels->width, bitCount, out + i * rowBytes, rowBytes);
    }
    return static_cast<int>(count);
}
