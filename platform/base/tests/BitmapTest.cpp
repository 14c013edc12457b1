#include "base/Bitmap.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/ResourceImage.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

BITMAP InfoOf(HBITMAP bitmap)
{
    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    return info;
}

// A header with room for the two colour entries of a 1-bit format.
struct MonoInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
};

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bitCount)
{
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = BI_RGB;
    return h;
}

} // namespace

TEST(Bitmaps, MonochromeBitsAreWordAlignedRowsWhereASetBitIsWhite)
{
    // 10 x 2: each row takes two bytes (word-aligned); row 0 has pixels 0 and 9 set.
    const std::uint8_t bits[] = {0x80, 0x40, 0x00, 0x00};
    HBITMAP mono = CreateBitmap(10, 2, 1, 1, bits);
    ASSERT_NE(mono, nullptr);
    const BITMAP info = InfoOf(mono);
    EXPECT_EQ(info.bmType, 0);
    EXPECT_EQ(info.bmWidth, 10);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(info.bmWidthBytes, 2);
    EXPECT_EQ(info.bmPlanes, 1);
    EXPECT_EQ(info.bmBitsPixel, 1);
    EXPECT_EQ(info.bmBits, nullptr);

    const ImagePixels pixels = *platform::BitmapPixels(mono);
    auto white = [&](int x, int y) { return pixels.rgba[(static_cast<std::size_t>(y) * 10 + x) * 4] == 255; };
    EXPECT_TRUE(white(0, 0));
    EXPECT_FALSE(white(1, 0));
    EXPECT_TRUE(white(9, 0));
    EXPECT_FALSE(white(0, 1));
    EXPECT_TRUE(DeleteObject(mono));
    EXPECT_EQ(GetObjectA(mono, sizeof info, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Bitmaps, ColourBitmapsTakeBlueGreenRed)
{
    const std::uint8_t bits[] = {10, 20, 30, 0, 40, 50, 60, 0}; // 2 x 1, 32 bits
    HBITMAP colour = CreateBitmap(2, 1, 1, 32, bits);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(InfoOf(colour).bmBitsPixel, 32);
    EXPECT_EQ(InfoOf(colour).bmWidthBytes, 8);
    EXPECT_EQ(platform::BitmapPixels(colour)->rgba, (std::vector<std::uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));
    DeleteObject(colour);

    // 24 bits: a row of 3 pixels (9 bytes) is padded to 10.
    const std::uint8_t rows[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0};
    HBITMAP packed = CreateBitmap(3, 2, 1, 24, rows);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(InfoOf(packed).bmWidthBytes, 10);
    const ImagePixels p = *platform::BitmapPixels(packed);
    EXPECT_EQ(std::vector<std::uint8_t>(p.rgba.begin() + 12, p.rgba.begin() + 15), (std::vector<std::uint8_t>{13, 12, 11}));
    DeleteObject(packed);
}

TEST(Bitmaps, OddSizesAndDepths)
{
    HBITMAP none = CreateBitmap(0, 5, 1, 32, nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(InfoOf(none).bmWidth, 1);
    EXPECT_EQ(InfoOf(none).bmHeight, 1);
    EXPECT_EQ(InfoOf(none).bmBitsPixel, 1);
    DeleteObject(none);
    HBITMAP black = CreateBitmap(2, 2, 1, 32, nullptr);
    EXPECT_EQ(platform::BitmapPixels(black)->rgba[0], 0);
    DeleteObject(black);

    EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateBitmap(4, 4, 2, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(-1, 4, 1, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(1 << 20, 1 << 20, 1, 32, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

TEST(Bitmaps, LoadBitmapReadsTheModulesBitmapResource)
{
    HBITMAP play = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(247));
    ASSERT_NE(play, nullptr);
    const BITMAP info = InfoOf(play);
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 6);
    EXPECT_EQ(info.bmBitsPixel, 32);
    // Every load is a bitmap of its own that the caller deletes.
    HBITMAP again = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(247));
    EXPECT_NE(again, play);
    EXPECT_TRUE(DeleteObject(play));
    EXPECT_TRUE(DeleteObject(again));

    EXPECT_EQ(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCEA(32754)), nullptr);
}

TEST(Bitmaps, GetObjectCopiesAtMostTheBufferSize)
{
    HBITMAP b = CreateBitmap(3, 3, 1, 32, nullptr);
    EXPECT_EQ(GetObjectA(b, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    LONG two[2] = {-1, -1};
    EXPECT_EQ(GetObjectA(b, sizeof two, two), static_cast<int>(sizeof two));
    EXPECT_EQ(two[0], 0); // bmType
    EXPECT_EQ(two[1], 3); // bmWidth
    DeleteObject(b);
}

TEST(DeviceIndependentBits, HeaderQueryGivesTheBitmapsOwnFormat)
{
    HBITMAP b = CreateBitmap(5, 3, 1, 32, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(GetDIBits(nullptr, b, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biWidth, 5);
    EXPECT_EQ(info.bmiHeader.biHeight, 3);
    EXPECT_EQ(info.bmiHeader.biBitCount, 32);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 5u * 4 * 3);
    DeleteObject(b);
}

TEST(DeviceIndependentBits, ColourRowsComeBottomUpOrTopDown)
{
    // 2 x 2: top row red, green; bottom row blue, white.
    const std::uint8_t bits[] = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    HBITMAP b = CreateBitmap(2, 2, 1, 32, bits);
    BITMAPINFO info{};
    info.bmiHeader = Header(2, 2, 24);
    std::array<std::uint8_t, 16> out{}; // two rows of 6 bytes padded to 8
    EXPECT_EQ(GetDIBits(nullptr, b, 0, 2, out.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 16u);
    // Bottom-up: the blue and white row first.
    EXPECT_EQ(out, (std::array<std::uint8_t, 16>{255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}));

    info.bmiHeader = Header(2, -2, 32);
    std::array<std::uint8_t, 16> topDown{};
    EXPECT_EQ(GetDIBits(nullptr, b, 0, 2, topDown.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(topDown, (std::array<std::uint8_t, 16>{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0}));

    // A part: one line from line 1 (the top row of a bottom-up DIB).
    info.bmiHeader = Header(2, 2, 32);
    std::array<std::uint8_t, 8> line{};
    EXPECT_EQ(GetDIBits(nullptr, b, 1, 5, line.data(), &info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(line, (std::array<std::uint8_t, 8>{0, 0, 255, 0, 0, 255, 0, 0}));
    EXPECT_EQ(GetDIBits(nullptr, b, 2, 1, line.data(), &info, DIB_RGB_COLORS), 0);
    DeleteObject(b);
}

TEST(DeviceIndependentBits, MonochromeFormatHasABlackAndWhiteTable)
{
    const std::uint8_t bits[] = {0xA0, 0x00, 0x40, 0x00}; // 3 x 2: 1 0 1 / 0 1 0
    HBITMAP mono = CreateBitmap(3, 2, 1, 1, bits);
    MonoInfo info{};
    info.header = Header(3, 2, 1);
    info.colors[0] = info.colors[1] = RGBQUAD{9, 9, 9, 9};
    std::array<std::uint8_t, 8> out{};
    EXPECT_EQ(GetDIBits(nullptr, mono, 0, 2, out.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 2);
    EXPECT_EQ(info.header.biSizeImage, 8u);
    EXPECT_EQ(info.colors[0].rgbRed, 0);
    EXPECT_EQ(info.colors[1].rgbRed, 255);
    EXPECT_EQ(info.colors[1].rgbReserved, 0);
    EXPECT_EQ(out, (std::array<std::uint8_t, 8>{0x40, 0, 0, 0, 0xA0, 0, 0, 0}));

    // A colour bitmap asked for in one bit: light pixels are white.
    const std::uint8_t colour[] = {250, 250, 250, 0, 20, 20, 20, 0};
    HBITMAP c = CreateBitmap(2, 1, 1, 32, colour);
    info.header = Header(2, 1, 1);
    std::array<std::uint8_t, 4> bit{};
    EXPECT_EQ(GetDIBits(nullptr, c, 0, 1, bit.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 1);
    EXPECT_EQ(bit[0], 0x80);
    DeleteObject(c);
    DeleteObject(mono);
}

TEST(DeviceIndependentBits, FormatsNotOfferedAreRefused)
{
    HBITMAP b = CreateBitmap(2, 2, 1, 32, nullptr);
    BITMAPINFO info{};
    std::array<std::uint8_t, 64> out{};
    info.bmiHeader = Header(2, 2, 8);
    EXPECT_EQ(GetDIBits(nullptr, b, 0, 2, out.data(), &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    info.bmiHeader = Header(3, 2, 32); // not the bitmap's width
    EXPECT_EQ(GetDIBits(nullptr, b, 0, 2, out.data(), &info, DIB_RGB_COLORS), 0);
    info.bmiHeader = Header(2, 2, 32);
    EXPECT_EQ(GetDIBits(nullptr, b, 0, 2, out.data(), &info, DIB_PAL_COLORS), 0);
    info.bmiHeader.biSize = 12;
    EXPECT_EQ(GetDIBits(nullptr, b, 0, 2, out.data(), &info, DIB_RGB_COLORS), 0);
    DeleteObject(b);
    info.bmiHeader = Header(2, 2, 32);
    EXPECT_EQ(GetDIBits(nullptr, b, 0, 2, out.data(), &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
