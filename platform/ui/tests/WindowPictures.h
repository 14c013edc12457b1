// Steps of every windowed test: letting the toolkit and the platform's loop catch up, and a
// picture of a window copied among a program's pictures (build/artifacts/<program>).
#pragma once

#include "base/MessageLoop.h"
#include "ui/WindowCapture.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/toplevel.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace toolkit_test {

inline void Settle()
{
    for (int i = 0; i < 20; ++i) {
        platform::MessageLoop::Current().RunPending();
        wxTheApp->ProcessPendingEvents();
        wxYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

inline void SavePicture(wxTopLevelWindow* window, const std::string& name, const std::filesystem::path& folder)
{
    // Away from the pointer in the middle of the screen, whose tooltips would cover controls.
    window->Move(16, 16);
    Settle();
    std::string error;
    const auto file = platform::ui::CaptureWindow(window, name, &error);
    ASSERT_FALSE(file.empty()) << error;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::filesystem::copy_file(file, folder / file.filename(), std::filesystem::copy_options::overwrite_existing, ec);
    EXPECT_FALSE(ec) << ec.message();
}

} // namespace toolkit_test
