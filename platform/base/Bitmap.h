// Bitmaps as graphics objects: an HBITMAP is a handle over a pixel buffer (base/ResourceImage.h)
// that remembers the colour depth it was made with. A monochrome bitmap (1 bit per pixel) holds
// black and white pixels; a set bit is white. There are no device contexts here: the HDC that
// GetDIBits takes is not used (any value, null included, will do), and bitmaps are drawn by the
// toolkit from their pixels.
#pragma once

#include "base/Resources.h" // DeleteObject
#include "base/WinTypes.h"

using COLORREF = DWORD;
#define RGB(r, g, b) \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>(static_cast<WORD>(rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))

// What GetObjectA reports of a bitmap. Rows of a device bitmap are word-aligned.
struct BITMAP {
    LONG bmType;       // 0
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes; // bytes of one row
    WORD bmPlanes;     // 1
    WORD bmBitsPixel;  // 1, 24 or 32
    LPVOID bmBits;     // null: the bits are reached through GetDIBits
};
using LPBITMAP = BITMAP*;

// The header of a device-independent bitmap (40 bytes). A positive height stores the rows
// bottom-up, a negative one top-down; rows are padded to whole DWORDs.
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

// The header and its colour table (as many entries as the bit count needs; 2 for 1 bit).
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
using LPBITMAPINFO = BITMAPINFO*;

#define BI_RGB 0L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

extern "C" {
// A bitmap of width x height pixels and 1, 24 or 32 bits per pixel (one plane), its rows given
// top-down in `bits` (word-aligned; 24 and 32 bits: blue, green, red[, unused]); null bits give
// a black bitmap. A zero width or height gives a 1 x 1 monochrome bitmap. Null and
// ERROR_INVALID_PARAMETER for another depth or plane count or a negative size. Free it with
// DeleteObject.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
// The module's bitmap resource (RT_BITMAP) as a 32-bit bitmap of its own, freed with
// DeleteObject; null (with the last error of the lookup) when there is none. A null instance
// (the system's bitmaps) has none: ERROR_RESOURCE_NAME_NOT_FOUND.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
// For a bitmap: copies its BITMAP (at most `size` bytes) and returns the bytes copied, or with a
// null buffer returns sizeof(BITMAP); 0 and ERROR_INVALID_HANDLE for anything else.
int GetObjectA(HANDLE object, int size, LPVOID buffer);
// Copies `lines` rows from row `start` (counted from the bottom for a bottom-up DIB) of the
// bitmap into `bits` in the format of info's header (BI_RGB with 1, 24 or 32 bits per pixel;
// the width must be the bitmap's), and fills the colour table of a 1-bit format (black, white)
// and biSizeImage. Returns the number of rows copied. With null bits: a header whose
// biBitCount is 0 is filled with the bitmap's own format (width, height, planes, depth,
// BI_RGB, biSizeImage); otherwise biSizeImage and the colour table of the format asked for.
// 0 and ERROR_INVALID_PARAMETER for a format not offered, DIB_PAL_COLORS or a short header;
// ERROR_INVALID_HANDLE for no bitmap.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage);
}
