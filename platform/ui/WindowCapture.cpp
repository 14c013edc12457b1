#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcscreen.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <chrono>
#include <thread>

namespace fs = std::filesystem;

namespace platform::ui {

namespace {

fs::path ProgramPath()
{
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec);
}

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

// Lets the toolkit map the window and run its paints; drawing under GTK happens on the
// window's next frame, not at once.
void LetPaint(wxTopLevelWindow* window)
{
    window->Update();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until) {
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
            while (loop->Pending())
                loop->Dispatch();
        else if (wxTheApp)
            wxTheApp->Yield(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    window->Update();
}

} // namespace

fs::path ArtifactsFolder()
{
    const fs::path program = ProgramPath();
    return program.parent_path().parent_path() / "artifacts" / program.filename();
}

fs::path CaptureWindow(wxTopLevelWindow* window, const std::string& name, std::string* error)
{
    if (!window)
        return Fail(error, "no window"), fs::path();
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return Fail(error, "\"" + name + "\" is not a file name"), fs::path();
    if (!window->IsShown())
        return Fail(error, "the window is not shown"), fs::path();
    window->Raise();
    LetPaint(window);
    const wxSize size = window->GetSize();
    if (size.x <= 0 || size.y <= 0)
        return Fail(error, "the window has no area"), fs::path();
    // The screen's pixels where the window is: they hold the whole window, its menu bar
    // included, as it shows.
    const wxPoint at = window->GetScreenPosition();
    wxBitmap bitmap(size.x, size.y, 24);
    {
        wxScreenDC source;
        wxMemoryDC target(bitmap);
        target.SetBackground(*wxWHITE_BRUSH);
        target.Clear();
        target.Blit(0, 0, size.x, size.y, &source, at.x, at.y);
        target.SelectObject(wxNullBitmap);
    }
    fs::path file = ArtifactsFolder() / name;
    if (file.extension() != ".png")
        file += ".png";
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec)
        return Fail(error, "cannot create " + file.parent_path().string() + ": " + ec.message()), fs::path();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxInitAllImageHandlers();
    if (!bitmap.ConvertToImage().SaveFile(wxString::FromUTF8(file.string()), wxBITMAP_TYPE_PNG))
        return Fail(error, "cannot write " + file.string()), fs::path();
    return file;
}

} // namespace platform::ui
