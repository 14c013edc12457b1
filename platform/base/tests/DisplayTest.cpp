// Work areas and displays: one 1280 x 1024 display without a toolkit, a provider's displays
// otherwise; the minimise animation is off.
#include "base/Display.h"
#include "base/LastError.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class TwoDisplays : public platform::DisplayProvider {
public:
    std::vector<platform::DisplayInfo> Displays() override
    {
        platform::DisplayInfo left{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, false, "\\\\.\\DISPLAY2"};
        platform::DisplayInfo right{{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, true, "\\\\.\\DISPLAY1"};
        return {left, right};
    }
};

} // namespace

TEST(Display, HeadlessThereIsOneDisplayWhoseWorkAreaIsTheScreen)
{
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_TRUE(Same(work, RECT{0, 0, 1280, 1024}));
    const RECT inside{100, 100, 300, 300};
    const HMONITOR monitor = MonitorFromRect(&inside, MONITOR_DEFAULTTONULL);
    ASSERT_NE(monitor, nullptr);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(monitor, &info));
    EXPECT_TRUE(Same(info.rcMonitor, RECT{0, 0, 1280, 1024}));
    EXPECT_TRUE(Same(info.rcWork, work));
    EXPECT_EQ(info.dwFlags, DWORD(MONITORINFOF_PRIMARY));
    const RECT outside{5000, 5000, 5100, 5100};
    EXPECT_EQ(MonitorFromRect(&outside, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(MonitorFromRect(&outside, MONITOR_DEFAULTTOPRIMARY), monitor);
    EXPECT_EQ(MonitorFromRect(&outside, MONITOR_DEFAULTTONEAREST), monitor);
}

TEST(Display, TheMinimiseAnimationIsOffAndOtherActionsFail)
{
    ANIMATIONINFO animation{sizeof(ANIMATIONINFO), 1};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETANIMATION, sizeof animation, &animation, 0));
    EXPECT_EQ(animation.iMinAnimate, 0);
    animation.cbSize = 4;
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETANIMATION, sizeof animation, &animation, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
    EXPECT_FALSE(SystemParametersInfoA(0x1234, 0, &animation, 0));
}

TEST(Display, AProvidersDisplaysAnswerWithTheirWorkAreasAndTheNearestOne)
{
    const auto previous = platform::SetDisplayProvider(std::make_shared<TwoDisplays>());
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_TRUE(Same(work, RECT{1920, 0, 3200, 1024})); // the primary one's

    // Mostly on the left display.
    const RECT straddling{1700, 100, 2000, 300};
    MONITORINFOEXA ex{};
    ex.cbSize = sizeof ex;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromRect(&straddling, MONITOR_DEFAULTTONULL), reinterpret_cast<MONITORINFO*>(&ex)));
    EXPECT_TRUE(Same(ex.rcWork, RECT{0, 0, 1920, 1040}));
    EXPECT_EQ(ex.dwFlags, 0u);
    EXPECT_STREQ(ex.szDevice, "\\\\.\\DISPLAY2");

    const RECT belowRight{3300, 1100, 3400, 1200};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromRect(&belowRight, MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_EQ(info.rcMonitor.left, 1920);
    info.cbSize = 12;
    EXPECT_FALSE(GetMonitorInfoA(MonitorFromRect(&belowRight, MONITOR_DEFAULTTONEAREST), &info));
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetMonitorInfoA(reinterpret_cast<HMONITOR>(7), &info));
    platform::SetDisplayProvider(previous);
}

namespace {

class PointingDisplays : public TwoDisplays {
public:
    bool CursorPosition(POINT& point) override
    {
        point = POINT{2000, 40};
        return true;
    }
};

} // namespace

TEST(Display, TheMousePointerIsWhereTheProviderSaysOrInTheMiddle)
{
    // Headless the pointer rests in the middle of the work area.
    POINT at{};
    ASSERT_TRUE(GetCursorPos(&at));
    EXPECT_EQ(at.x, 640);
    EXPECT_EQ(at.y, 512);
    EXPECT_FALSE(GetCursorPos(nullptr));
    // A provider that does not know it: the primary display's middle.
    auto previous = platform::SetDisplayProvider(std::make_shared<TwoDisplays>());
    ASSERT_TRUE(GetCursorPos(&at));
    EXPECT_EQ(at.x, 2560);
    platform::SetDisplayProvider(std::make_shared<PointingDisplays>());
    ASSERT_TRUE(GetCursorPos(&at));
    EXPECT_EQ(at.x, 2000);
    EXPECT_EQ(at.y, 40);
    platform::SetDisplayProvider(previous);
}
