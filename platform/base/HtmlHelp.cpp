#include "base/HtmlHelp.h"

#include "base/Process.h"
#include "base/Utf.h"
#include "base/Window.h"

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// The window HtmlHelpA hands out for the viewer, one per thread.
HWND HelpWindow()
{
    thread_local HWND window = nullptr;
    if (!window || !IsWindow(window))
        window = platform::CreateMessageWindow("HH Parent", "HTML Help",
                                               [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                                                   return DefWindowProcA(hwnd, message, wParam, lParam);
                                               });
    return window;
}

} // namespace

HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    if (!file || !*file)
        return nullptr;
    std::string name = file;
    for (char& c : name)
        if (c == '\\')
            c = '/';
    // "X.chm::/topic.htm>window": the window name is of no use here.
    if (const auto window = name.find('>'); window != std::string::npos)
        name.erase(window);
    std::string topic;
    if (const auto separator = name.find("::"); separator != std::string::npos) {
        topic = name.substr(separator + 2);
        name.erase(separator);
    }
    if (command == HH_DISPLAY_TOPIC && data)
        topic = reinterpret_cast<LPCSTR>(data);
    while (!topic.empty() && topic.front() == '/')
        topic.erase(0, 1);

    fs::path book(name);
    if (platform::EqualNoCase(book.extension().string(), ".chm"))
        book.replace_extension();

    std::string page;
    switch (command) {
    case HH_HELP_CONTEXT:
        page = std::to_string(static_cast<DWORD>(data)) + ".html";
        break;
    case HH_DISPLAY_TOPIC:
        page = topic.empty() ? "index.html" : topic;
        break;
    case HH_DISPLAY_TOC:
    case HH_DISPLAY_INDEX:
    case HH_DISPLAY_SEARCH:
        page = "index.html";
        break;
    default:
        return nullptr;
    }

    std::error_code ec;
    fs::path target;
    if (fs::is_directory(book, ec))
        target = book / page;
    else
        target = fs::path(book.string() + ".html");
    if (!fs::is_regular_file(target, ec))
        return nullptr;
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(caller, "open", target.string().c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32 ? HelpWindow() : nullptr;
}
