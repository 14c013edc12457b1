// The tray with a display: without a tray on the display no icon is added; a tray that appears
// is announced with "TaskbarCreated", after which icons with pictures, hidden icons and
// balloons go to the toolkit.
#include "FakeTrayManager.h"
#include "ToolkitTestEnvironment.h"

#include "base/ResourceImage.h"
#include "base/Resources.h"
#include "base/ShellNotify.h"
#include "base/Window.h"
#include "ui/ToolkitImages.h"
#include "ui/ToolkitPlatform.h"

#include <cstring>
#include <memory>

TEST(ToolkitTray, NoTrayNoIconThenATrayAppearsAndIsAnnounced)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitPlatform toolkit;
    const UINT created = RegisterWindowMessageA("TaskbarCreated");
    int announcements = 0;
    const HWND owner = platform::CreateMessageWindow("TrayOwner", "", [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == created)
            ++announcements;
        return 0;
    });
    // A red and white icon.
    ImagePixels pixels{16, 16, std::vector<std::uint8_t>(16 * 16 * 4, 255)};
    for (std::size_t i = 0; i < pixels.rgba.size(); i += 8)
        pixels.rgba[i + 1] = pixels.rgba[i + 2] = 0;
    const HICON icon = platform::CreateIconFromPixels(pixels);
    NOTIFYICONDATAA d{};
    d.cbSize = NOTIFYICONDATAA_V2_SIZE;
    d.hWnd = owner;
    d.uID = 164;
    d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    d.uCallbackMessage = WM_APP + 0x63;
    d.hIcon = icon;
    std::strcpy(d.szTip, "Orvinta");
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d)); // the virtual display has no tray

    auto tray = std::make_unique<FakeTrayManager>();
    ASSERT_TRUE(tray->ok());
    EXPECT_TRUE(toolkit.Loop().RunUntil([&] { return announcements > 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(announcements, 1);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    d.uFlags = NIF_STATE;
    d.dwState = d.dwStateMask = NIS_HIDDEN;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    d.dwState = 0;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    d.uFlags = NIF_INFO;
    std::strcpy(d.szInfo, "The synchronisation is done.");
    std::strcpy(d.szInfoTitle, "Orvinta");
    d.uTimeout = 10000;
    d.dwInfoFlags = NIIF_INFO;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &d));
    EXPECT_EQ(platform::TrayIcons().size(), 1u);

    // The tray goes away: its icons are forgotten.
    tray.reset();
    EXPECT_TRUE(toolkit.Loop().RunUntil([] { return platform::TrayIcons().empty(); }, std::chrono::seconds(10)));
    DestroyWindow(owner);
    DestroyIcon(icon);
}

TEST(ToolkitImages, AnIconsPixelsBecomeAToolkitImageWithItsAlpha)
{
    REQUIRE_TOOLKIT();
    ImagePixels pixels{2, 1, {10, 20, 30, 255, 40, 50, 60, 0}};
    const HICON icon = platform::CreateIconFromPixels(pixels);
    const wxImage image = platform::ui::ImageOfIcon(icon);
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(image.GetRed(0, 0), 10);
    EXPECT_EQ(image.GetBlue(1, 0), 60);
    EXPECT_EQ(image.GetAlpha(0, 0), 255);
    EXPECT_EQ(image.GetAlpha(1, 0), 0);
    EXPECT_TRUE(platform::ui::IconOf(icon).IsOk());
    DestroyIcon(icon);
    EXPECT_FALSE(platform::ui::ImageOfIcon(icon).IsOk());
    const HBITMAP bitmap = platform::CreateBitmapFromPixels(ImagePixels{1, 1, {1, 2, 3, 255}});
    EXPECT_EQ(platform::ui::BitmapOf(bitmap).GetWidth(), 1);
    DeleteObject(bitmap);
    EXPECT_FALSE(platform::ui::ImageOf(ImagePixels{2, 2, {1, 2, 3}}).IsOk());
}
