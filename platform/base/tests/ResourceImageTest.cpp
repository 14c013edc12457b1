#include "base/ImageCodec.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/UiLanguage.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const std::string kFolder = RESOURCE_TEST_FOLDER;

// The colour the test images were drawn with.
void ExpectPixel(const ImagePixels& image, int x, int y, int r, int g, int b, int a)
{
    const std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
    EXPECT_EQ(p[0], r) << x << "," << y;
    EXPECT_EQ(p[1], g) << x << "," << y;
    EXPECT_EQ(p[2], b) << x << "," << y;
    EXPECT_EQ(p[3], a) << x << "," << y;
}

ImagePixels IconOf(HANDLE handle)
{
    const auto pixels = platform::IconPixels(static_cast<HICON>(handle));
    return pixels ? *pixels : ImagePixels{};
}

} // namespace

TEST(SystemIcons, EveryIdIsSharedSizedAndDrawn)
{
    std::set<std::vector<std::uint8_t>> distinct;
    for (LPCSTR id : {IDI_APPLICATION, IDI_ERROR, IDI_QUESTION, IDI_WARNING, IDI_INFORMATION, IDI_WINLOGO, IDI_SHIELD}) {
        HICON icon = LoadIconA(nullptr, id);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(LoadIconA(nullptr, id), icon); // shared
        const ImagePixels image = IconOf(icon);
        ASSERT_EQ(image.width, SYSTEM_ICON_SIZE);
        ASSERT_EQ(image.height, SYSTEM_ICON_SIZE);
        int opaque = 0, clear = 0;
        for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
            opaque += image.rgba[i] == 255;
            clear += image.rgba[i] == 0;
        }
        EXPECT_GT(opaque, 200) << reinterpret_cast<ULONG_PTR>(id);
        EXPECT_GT(clear, 20) << reinterpret_cast<ULONG_PTR>(id);
        distinct.insert(image.rgba);
        // A shared icon stays when destroyed.
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_TRUE(platform::IconPixels(icon));
    }
    EXPECT_EQ(distinct.size(), 7u);
    EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), LoadIconA(nullptr, IDI_ERROR));
    // The middle of the error icon is its white cross; a corner is clear.
    const ImagePixels error = IconOf(LoadIconA(nullptr, IDI_ERROR));
    ExpectPixel(error, 16, 16, 255, 255, 255, 255);
    EXPECT_EQ(error.rgba[3], 0);

    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(100)), nullptr);
    HANDLE small = LoadImageA(nullptr, IDI_WARNING, IMAGE_ICON, 16, 16, 0);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(IconOf(small).width, 16);
    EXPECT_TRUE(DestroyIcon(static_cast<HICON>(small)));
    EXPECT_FALSE(platform::IconPixels(static_cast<HICON>(small)));
    EXPECT_FALSE(DestroyIcon(static_cast<HICON>(small)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ICON_HANDLE));
}

TEST(ResourceIcons, TheSizeChoosesTheImage)
{
    SetThreadUILanguage(1033);
    // 32 x 32: the image with a colour table and a mask; its top four rows are masked out.
    const ImagePixels large = IconOf(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128)));
    ASSERT_EQ(large.width, 32);
    for (int y : {0, 3, 4, 31})
        for (int x : {0, 7, 31}) {
            const int i = (x * 8 + y) % 256;
            ExpectPixel(large, x, y, 255 - i, i, i, y < 4 ? 0 : 255);
        }
    // 16 x 16: the 32-bit image with its own alpha (the right half clear).
    const ImagePixels small = IconOf(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128), IMAGE_ICON, 16, 16, 0));
    ASSERT_EQ(small.width, 16);
    ExpectPixel(small, 2, 3, 60, 120, 100, 255);
    EXPECT_EQ(small.rgba[(3 * 16 + 12) * 4 + 3], 0);
    // 48 x 48: the PNG image.
    const ImagePixels png = IconOf(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128), IMAGE_ICON, 48, 48, 0));
    ASSERT_EQ(png.width, 48);
    ExpectPixel(png, 20, 20, 200, 10, 10, 255);
    // 24 x 24 comes from the 32 x 32 image; 0 x 0 is the first image's size.
    const ImagePixels scaled = IconOf(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128), IMAGE_ICON, 24, 24, 0));
    EXPECT_EQ(scaled.width, 24);
    EXPECT_EQ(scaled.rgba[3], 0);
    EXPECT_EQ(scaled.rgba[(23 * 24 + 23) * 4 + 3], 255);
    EXPECT_EQ(IconOf(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128), IMAGE_ICON, 0, 0, 0)).width, 16);
}

TEST(ResourceIcons, IconFilesLoadLikeResources)
{
    const std::string path = kFolder + "/app.ico";
    HANDLE fromFile = LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE);
    ASSERT_NE(fromFile, nullptr);
    EXPECT_EQ(IconOf(fromFile), IconOf(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128))));
    EXPECT_TRUE(DestroyIcon(static_cast<HICON>(fromFile)));
    HANDLE defaultSize = LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    EXPECT_EQ(IconOf(defaultSize).width, 32);
    DestroyIcon(static_cast<HICON>(defaultSize));

    EXPECT_EQ(LoadImageA(nullptr, (kFolder + "/none.ico").c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(LoadImageA(nullptr, (kFolder + "/broken.ico").c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    // A bitmap is no icon.
    EXPECT_EQ(LoadImageA(nullptr, (kFolder + "/play.bmp").c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, "x", IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE), nullptr);
}

TEST(ResourceBitmaps, BitmapAndPngResources)
{
    HANDLE play = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(247), IMAGE_BITMAP, 0, 0, 0);
    ASSERT_NE(play, nullptr);
    const auto pixels = platform::BitmapPixels(static_cast<HBITMAP>(play));
    ASSERT_TRUE(pixels);
    ASSERT_EQ(pixels->width, 8);
    ASSERT_EQ(pixels->height, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ExpectPixel(*pixels, x, y, x * 30, y * 40, 100, 255);
    EXPECT_TRUE(DeleteObject(play));
    EXPECT_FALSE(platform::BitmapPixels(static_cast<HBITMAP>(play)));
    EXPECT_FALSE(DeleteObject(play));

    HANDLE banner = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(248), IMAGE_BITMAP, 10, 6, 0);
    const auto scaled = platform::BitmapPixels(static_cast<HBITMAP>(banner));
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->width, 10);
    EXPECT_EQ(scaled->height, 6);
    EXPECT_EQ(scaled->rgba[3], 0); // the first column is clear
    DeleteObject(banner);

    const std::string file = kFolder + "/banner.png";
    HANDLE fromFile = LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    const auto png = platform::BitmapPixels(static_cast<HBITMAP>(fromFile));
    ASSERT_TRUE(png);
    ExpectPixel(*png, 2, 1, 60, 40, 100, 120);
    DeleteObject(fromFile);
    // An icon handle is no bitmap.
    EXPECT_FALSE(DeleteObject(LoadIconA(nullptr, IDI_APPLICATION)));
}

TEST(ResourceBitmaps, HandlesFromPixels)
{
    ImagePixels two{2, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
    HBITMAP bitmap = platform::CreateBitmapFromPixels(two);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(*platform::BitmapPixels(bitmap), two);
    HICON icon = platform::CreateIconFromPixels(two);
    EXPECT_EQ(*platform::IconPixels(icon), two);
    EXPECT_FALSE(platform::BitmapPixels(reinterpret_cast<HBITMAP>(icon)));
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(platform::CreateBitmapFromPixels(ImagePixels{3, 3, {1, 2, 3}}), nullptr);
    EXPECT_EQ(platform::CreateIconFromPixels(ImagePixels{}), nullptr);
}

TEST(ImageCodec, DamagedFilesAreRefusedWithAReason)
{
    std::string why;
    const std::vector<std::uint8_t> empty;
    EXPECT_FALSE(platform::DecodeIconFile(empty, &why));
    EXPECT_FALSE(why.empty());
    // A directory entry pointing past the end.
    std::vector<std::uint8_t> ico = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0xFF, 0xFF, 0, 0, 22, 0, 0, 0};
    EXPECT_FALSE(platform::DecodeIconFile(ico, &why));
    EXPECT_EQ(why, "icon image outside the file");
    // A bitmap header claiming a huge image.
    std::vector<std::uint8_t> bmp(54, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[18] = 0xFF;
    bmp[19] = 0xFF;
    bmp[20] = 0xFF;
    bmp[22] = 1;
    bmp[26] = 1;
    bmp[28] = 24;
    EXPECT_FALSE(platform::DecodeBitmapFile(bmp, &why));
    EXPECT_EQ(why, "bitmap of an unsupported size");
    bmp[18] = 4;
    bmp[19] = bmp[20] = 0;
    EXPECT_FALSE(platform::DecodeBitmapFile(bmp, &why));
    EXPECT_EQ(why, "truncated bitmap bits");
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0};
    EXPECT_FALSE(platform::DecodeBitmapFile(png, &why));
}
