#include "ui/WindowCapture.h"

#include "base/Module.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcscreen.h>
#include <wx/dcmemory.h>
#include <wx/popupwin.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace fs = std::filesystem;

namespace platform::ui {

namespace {

fs::path ProgramPath()
{
    char path[4096] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? fs::path(path) : fs::path();
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

// The display's pixels of a screen rectangle, read from the X server. The toolkit's screen
// context gives a process the pixels of its first reading again on every later one, so a second
// picture of a changed window would show it unchanged. Nothing without an X display.
std::optional<wxImage> ReadScreen(const wxPoint& at, const wxSize& size)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::nullopt;
    // Only the part on the screen can be read; the rest stays white.
    const int screen = DefaultScreen(display);
    const int left = std::max(at.x, 0);
    const int top = std::max(at.y, 0);
    const int right = std::min(at.x + size.x, DisplayWidth(display, screen));
    const int bottom = std::min(at.y + size.y, DisplayHeight(display, screen));
    std::optional<wxImage> result;
    XImage* pixels = right > left && bottom > top
                         ? XGetImage(display, DefaultRootWindow(display), left, top, static_cast<unsigned>(right - left),
                                     static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap)
                         : nullptr;
    if (pixels && pixels->red_mask && pixels->green_mask && pixels->blue_mask) {
        const auto channel = [](unsigned long pixel, unsigned long mask) {
            int shift = 0;
            while (!((mask >> shift) & 1))
                ++shift;
            return static_cast<unsigned char>(((pixel & mask) >> shift) * 255 / (mask >> shift));
        };
        wxImage image(size.x, size.y, false);
        image.SetRGB(wxRect(0, 0, size.x, size.y), 255, 255, 255);
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const unsigned long pixel = XGetPixel(pixels, x - left, y - top);
                image.SetRGB(x - at.x, y - at.y, channel(pixel, pixels->red_mask), channel(pixel, pixels->green_mask),
                             channel(pixel, pixels->blue_mask));
            }
        result = image;
    }
    if (pixels)
        XDestroyImage(pixels);
    XCloseDisplay(display);
    return result;
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
    // Its open pop-ups (a dropped-down menu) stay above it, as they show on it: shown again,
    // they come to the top.
    for (wxWindow* child : window->GetChildren())
        if (dynamic_cast<wxPopupWindow*>(child) && child->IsShown()) {
            child->Hide();
            child->Show();
        }
    LetPaint(window);
    const wxSize size = window->GetSize();
    if (size.x <= 0 || size.y <= 0)
        return Fail(error, "the window has no area"), fs::path();
    // The screen's pixels where the window is: they hold the whole window, its menu bar
    // included, as it shows.
    const wxPoint at = window->GetScreenPosition();
    std::optional<wxImage> image = ReadScreen(at, size);
    if (!image) {
        wxBitmap bitmap(size.x, size.y, 24);
        wxScreenDC source;
        wxMemoryDC target(bitmap);
        target.SetBackground(*wxWHITE_BRUSH);
        target.Clear();
        target.Blit(0, 0, size.x, size.y, &source, at.x, at.y);
        target.SelectObject(wxNullBitmap);
        image = bitmap.ConvertToImage();
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
    if (!image->SaveFile(wxString::FromUTF8(file.string()), wxBITMAP_TYPE_PNG))
        return Fail(error, "cannot write " + file.string()), fs::path();
    return file;
}

} // namespace platform::ui
