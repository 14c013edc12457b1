#include "base/Bitmap.h"
#include "base/Clipboard.h"
#include "base/GlobalMemory.h"
#include "base/LastError.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

HGLOBAL Block(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    return block;
}

std::string TextOf(HANDLE block)
{
    const auto* p = static_cast<const char*>(GlobalLock(block));
    std::string text = p ? p : "";
    GlobalUnlock(block);
    return text;
}

std::vector<UINT> Formats()
{
    std::vector<UINT> formats;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
        formats.push_back(f);
    return formats;
}

} // namespace

TEST(GlobalMemory, MoveableBlocksCountTheirLocks)
{
    HGLOBAL block = GlobalAlloc(GHND, 10);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 10u);
    auto* p = static_cast<std::uint8_t*>(GlobalLock(block));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[9], 0); // GMEM_ZEROINIT
    EXPECT_EQ(GlobalLock(block), p);
    EXPECT_TRUE(GlobalUnlock(block)); // one lock left
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFree(block), nullptr);
    // A freed (or foreign) handle is refused, never followed.
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalSize(block), 0u);
    int local = 0;
    EXPECT_EQ(GlobalFree(&local), static_cast<HGLOBAL>(&local));
}

TEST(GlobalMemory, FixedBlocksAreTheirOwnAddress)
{
    HGLOBAL fixed = GlobalAlloc(GPTR, 0);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(GlobalSize(fixed), 0u);
    EXPECT_FALSE(GlobalUnlock(fixed));
    EXPECT_EQ(GlobalFree(fixed), nullptr);
    EXPECT_EQ(GlobalAlloc(GMEM_MODIFY, 4), nullptr);
}

TEST(Clipboard, RegisteredFormatsShareTheWindowMessageNumbers)
{
    const UINT face = RegisterClipboardFormatA("Toolbar Button Face");
    EXPECT_GE(face, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("TOOLBAR BUTTON FACE"), face);
    EXPECT_EQ(RegisterWindowMessageA("toolbar button face"), face);
    EXPECT_NE(RegisterClipboardFormatA("Toolbar Button Mask"), face);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);

    char name[64] = "x";
    EXPECT_EQ(GetClipboardFormatNameA(face, name, sizeof name), 19);
    EXPECT_STREQ(name, "Toolbar Button Face");
    char shortName[8];
    EXPECT_EQ(GetClipboardFormatNameA(face, shortName, sizeof shortName), 7);
    EXPECT_STREQ(shortName, "Toolbar");
    EXPECT_EQ(GetClipboardFormatNameA(CF_BITMAP, name, sizeof name), 0);
    EXPECT_EQ(GetClipboardFormatNameA(0xFFFF, name, sizeof name), 0);
}

TEST(Clipboard, DataIsSetReadAndEnumeratedWhileOpen)
{
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
    EXPECT_EQ(SetClipboardData(CF_TEXT, Block("x")), nullptr); // (the block leaks in this refusal)
    EXPECT_FALSE(CloseClipboard());

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(OpenClipboard(nullptr)); // the same thread again
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(EnumClipboardFormats(0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    const UINT custom = RegisterClipboardFormatA("Clipboard Test Format");
    HGLOBAL text = Block("hello");
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
    HGLOBAL customBlock = Block("custom");
    EXPECT_EQ(SetClipboardData(custom, customBlock), customBlock);
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 1, nullptr);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
    EXPECT_EQ(Formats(), (std::vector<UINT>{CF_TEXT, custom, CF_BITMAP}));
    EXPECT_EQ(TextOf(GetClipboardData(CF_TEXT)), "hello");
    EXPECT_EQ(GetClipboardData(CF_BITMAP), bitmap);
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);

    // Setting a format again frees what it held and keeps its place.
    EXPECT_NE(SetClipboardData(CF_TEXT, Block("again")), nullptr);
    EXPECT_EQ(GlobalSize(text), 0u);
    EXPECT_EQ(Formats(), (std::vector<UINT>{CF_TEXT, custom, CF_BITMAP}));
    EXPECT_EQ(TextOf(GetClipboardData(CF_TEXT)), "again");

    // Emptying frees blocks and bitmaps alike.
    EXPECT_EQ(GetClipboardData(custom), customBlock);
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(GlobalSize(customBlock), 0u);
    BITMAP info;
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(Formats(), std::vector<UINT>{});
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
}

TEST(Clipboard, DataStaysAcrossClosingAndOpening)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, Block("kept"));
    CloseClipboard();
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(TextOf(GetClipboardData(CF_TEXT)), "kept");
    EmptyClipboard();
    CloseClipboard();
}

TEST(Clipboard, WrongDataIsRefused)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = Block("text");
    EXPECT_EQ(SetClipboardData(CF_BITMAP, block), nullptr); // a block is no bitmap
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 1, nullptr);
    EXPECT_EQ(SetClipboardData(CF_TEXT, bitmap), nullptr);
    EXPECT_EQ(SetClipboardData(0, block), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);
    EXPECT_EQ(Formats(), std::vector<UINT>{});
    // Refused data stays the caller's.
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_TRUE(DeleteObject(bitmap));
    CloseClipboard();
}

TEST(Clipboard, AnotherThreadWaitsUntilItIsClosed)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    BOOL opened = TRUE;
    DWORD error = 0;
    BOOL closed = TRUE;
    std::thread other([&] {
        opened = OpenClipboard(nullptr);
        error = GetLastError();
        closed = CloseClipboard();
    });
    other.join();
    EXPECT_FALSE(opened);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(closed); // it is not that thread's to close
    EXPECT_TRUE(CloseClipboard());
    std::thread after([&] {
        opened = OpenClipboard(nullptr);
        CloseClipboard();
    });
    after.join();
    EXPECT_TRUE(opened);
}
