// A toolkit frame bound to a platform window: the program's window functions move and show the
// frame, and what happens to the frame comes back as the window's state.
#include "ToolkitTestEnvironment.h"

#include "base/Display.h"
#include "base/Window.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"

#include <wx/display.h>
#include <wx/frame.h>

#include <vector>

TEST(WindowBinding, PlacementRoundTripsThroughTheFrame)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitPlatform toolkit;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Profiles", wxPoint(20, 30), wxSize(500, 400));
    const auto binding = platform::ui::WindowBinding::Attach(frame, "ToolFrame");
    ASSERT_TRUE(binding);
    const HWND hwnd = binding->Handle();
    EXPECT_EQ(platform::ui::WindowBinding::FrameOf(hwnd), frame);
    EXPECT_EQ(FindWindowA("ToolFrame", "Profiles"), hwnd);
    EXPECT_FALSE(IsWindowVisible(hwnd));

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = {100, 80, 740, 560};
    ASSERT_TRUE(SetWindowPlacement(hwnd, &placement));
    toolkit.Loop().RunFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(frame->GetSize(), wxSize(640, 480));
    EXPECT_EQ(frame->GetPosition(), wxPoint(100, 80));

    // The user moves and resizes the frame.
    frame->SetSize(50, 60, 300, 200);
    toolkit.Loop().RunFor(std::chrono::milliseconds(200));
    WINDOWPLACEMENT got{};
    got.length = sizeof got;
    ASSERT_TRUE(GetWindowPlacement(hwnd, &got));
    EXPECT_EQ(got.showCmd, UINT(SW_SHOWNORMAL));
    EXPECT_EQ(got.rcNormalPosition.left, 50);
    EXPECT_EQ(got.rcNormalPosition.top, 60);
    EXPECT_EQ(got.rcNormalPosition.right, 350);
    EXPECT_EQ(got.rcNormalPosition.bottom, 260);

    ASSERT_TRUE(SetWindowTextA(hwnd, "Profiles - Orders"));
    EXPECT_EQ(frame->GetTitle(), "Profiles - Orders");
    EnableWindow(hwnd, FALSE);
    EXPECT_FALSE(frame->IsEnabled());
    EnableWindow(hwnd, TRUE);
    ShowWindow(hwnd, SW_HIDE);
    EXPECT_FALSE(frame->IsShown());
    // The user shows it again.
    frame->Show();
    EXPECT_TRUE(IsWindowVisible(hwnd));

    // Closing the platform window closes the frame; its handle is gone with it.
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    toolkit.Loop().RunFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(platform::ui::WindowBinding::FrameOf(hwnd), nullptr);
}

TEST(WindowBinding, DestroyingEitherSideEndsTheOther)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitPlatform toolkit;
    auto* first = new wxFrame(nullptr, wxID_ANY, "First");
    const HWND a = platform::ui::WindowBinding::Attach(first, "Frame")->Handle();
    first->Destroy();
    toolkit.Loop().RunFor(std::chrono::milliseconds(50));
    EXPECT_FALSE(IsWindow(a));

    auto* second = new wxFrame(nullptr, wxID_ANY, "Second");
    bool destroyed = false;
    second->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& e) {
        if (e.GetEventObject() == second)
            destroyed = true;
        e.Skip();
    });
    const HWND b = platform::ui::WindowBinding::Attach(second, "Frame")->Handle();
    ASSERT_TRUE(DestroyWindow(b));
    toolkit.Loop().RunFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(destroyed);
}

TEST(WindowBinding, TheWorkAreaIsTheToolkitsDisplay)
{
    REQUIRE_TOOLKIT();
    platform::ui::ToolkitPlatform toolkit;
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    const wxRect area = wxDisplay(0u).GetClientArea();
    EXPECT_EQ(work.left, area.x);
    EXPECT_EQ(work.right, area.x + area.width);
    EXPECT_EQ(work.bottom, area.y + area.height);
    const RECT onScreen{10, 10, 100, 100};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromRect(&onScreen, MONITOR_DEFAULTTONULL), &info));
    EXPECT_EQ(info.rcMonitor.right, 1280); // the test's virtual display
    EXPECT_EQ(info.rcMonitor.bottom, 1024);
}
