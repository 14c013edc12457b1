// The windowed tests' common steps: letting the toolkit and the platform's loop catch up, a
// picture of a window among the program's own pictures (build/artifacts/orvinta), and a look at
// a window's control by id.
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

namespace tooltest {

inline void Settle()
{
    for (int i = 0; i < 20; ++i) {
        platform::MessageLoop::Current().RunPending();
        wxTheApp->ProcessPendingEvents();
        wxYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

inline void Picture(wxTopLevelWindow* window, const std::string& name)
{
    // Away from the pointer in the middle of the screen, whose tooltips would cover controls.
    window->Move(16, 16);
    Settle();
    std::string error;
    const auto file = platform::ui::CaptureWindow(window, name, &error);
    ASSERT_FALSE(file.empty()) << error;
    std::error_code ec;
    std::filesystem::create_directories(ORVINTA_ARTIFACTS, ec);
    std::filesystem::copy_file(file, std::filesystem::path(ORVINTA_ARTIFACTS) / file.filename(),
                               std::filesystem::copy_options::overwrite_existing, ec);
    EXPECT_FALSE(ec) << ec.message();
}

inline std::string Label(wxWindow* window, int id)
{
    wxWindow* control = window->FindWindow(id);
    return control ? control->GetLabel().utf8_string() : std::string("<none>");
}

inline bool Shown(wxWindow* window, int id)
{
    wxWindow* control = window->FindWindow(id);
    return control && control->IsShown();
}

inline bool Enabled(wxWindow* window, int id)
{
    wxWindow* control = window->FindWindow(id);
    return control && control->IsEnabled();
}

} // namespace tooltest
