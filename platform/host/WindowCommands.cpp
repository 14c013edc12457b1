#include "host/WindowCommands.h"

#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/MessageLoop.h"
#include "base/Window.h"
#include "host/MessageNames.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>
#include <vector>

namespace host {

namespace {

// The words of a line; a word in double quotes may hold spaces.
std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string::npos)
            break;
        if (line[at] == '"') {
            const std::size_t end = line.find('"', at + 1);
            words.push_back(line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1));
            at = end == std::string::npos ? line.size() : end + 1;
        } else {
            const std::size_t end = line.find_first_of(" \t", at);
            words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
            at = end == std::string::npos ? line.size() : end;
        }
    }
    return words;
}

// The rest of the line after `count` words (quotes kept as typed, outer ones removed).
std::string RestAfter(const std::string& line, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string::npos)
            return "";
        if (line[at] == '"') {
            const std::size_t end = line.find('"', at + 1);
            at = end == std::string::npos ? line.size() : end + 1;
        } else {
            at = line.find_first_of(" \t", at);
            if (at == std::string::npos)
                return "";
        }
    }
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos)
        return "";
    std::string rest = line.substr(at);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    return rest;
}

// A control id: decimal, or hexadecimal with 0x; the whole word.
bool ParseId(const std::string& text, int& id)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (ec != std::errc() || end != last || first == last || value > 0xFFFF)
        return false;
    id = static_cast<int>(value);
    return true;
}

// A message parameter: a decimal number (negative too) or 0x and hexadecimal digits.
std::optional<LONG_PTR> ParseParameter(const std::string& text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    if (hex) {
        ULONG_PTR value = 0;
        const auto [end, ec] = std::from_chars(first, last, value, 16);
        if (ec != std::errc() || end != last || first == last)
            return std::nullopt;
        return static_cast<LONG_PTR>(value);
    }
    LONG_PTR value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

std::string Text(HWND hwnd)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string ClassOf(HWND hwnd)
{
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

HWND FindChildByTitle(HWND parent, const std::string& title)
{
    return FindWindowExA(parent, nullptr, nullptr, title.c_str());
}

} // namespace

bool WindowCommands::Handles(const std::string& command)
{
    return command == "windows" || command == "click-item" || command == "settext" || command == "answer" ||
           command == "screenshot" || command == "wait" || command == "send";
}

HWND WindowCommands::FindByPath(const std::string& path)
{
    if (path.empty())
        return nullptr;
    if (const HWND whole = FindWindowA(nullptr, path.c_str()))
        return whole;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return nullptr;
    const HWND parent = FindByPath(path.substr(0, slash));
    return parent ? FindChildByTitle(parent, path.substr(slash + 1)) : nullptr;
}

void WindowCommands::Execute(const std::string& line, std::ostream& out)
{
    const std::vector<std::string> w = Split(line);
    if (w.empty())
        return;
    const std::string& cmd = w[0];
    auto error = [&](const std::string& text) { out << "error: " << text << "\n"; };

    if (cmd == "windows") {
        if (w.size() != 1)
            return error("windows takes nothing");
        const HWND foreground = GetForegroundWindow();
        for (HWND hwnd : platform::TopLevelWindows()) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            GetWindowPlacement(hwnd, &placement);
            out << "window \"" << Text(hwnd) << "\" class \"" << ClassOf(hwnd) << "\" "
                << (IsWindowVisible(hwnd) ? "shown" : "hidden");
            if (IsIconic(hwnd))
                out << " minimized";
            else if (placement.showCmd == SW_SHOWMAXIMIZED)
                out << " maximized";
            if (!IsWindowEnabled(hwnd))
                out << " disabled";
            if (hwnd == foreground)
                out << " foreground";
            out << "\n";
        }
        return;
    }
    if (cmd == "click-item" || cmd == "settext") {
        const bool click = cmd == "click-item";
        int id = 0;
        if ((click && w.size() != 3) || (!click && w.size() < 3) || !ParseId(w[2], id))
            return error(click ? "click-item needs WINDOW ID" : "settext needs WINDOW ID TEXT");
        const HWND window = FindByPath(w[1]);
        if (!window)
            return error("no window \"" + w[1] + "\"");
        const HWND item = GetDlgItem(window, id);
        if (!item)
            return error("the window \"" + w[1] + "\" has no control " + w[2]);
        if (!IsWindowEnabled(item))
            return error("the control " + w[2] + " is disabled");
        if (click) {
            out << "click-item " << id << " \"" << Text(item) << "\"\n";
            SendMessageA(item, BM_CLICK, 0, 0);
        } else {
            platform::TypeDialogItemText(item, RestAfter(line, 3));
            out << "settext " << id << " \"" << Text(item) << "\"\n";
        }
        return;
    }
    if (cmd == "send") {
        const std::optional<UINT> message = w.size() == 4 || w.size() == 5 ? ParseMessage(w[2]) : std::nullopt;
        std::optional<LONG_PTR> wParam, lParam = LONG_PTR{0};
        if (message) {
            wParam = ParseParameter(w[3]);
            if (w.size() == 5)
                lParam = ParseParameter(w[4]);
        }
        if (!message || !wParam || !lParam)
            return error("send needs WINDOW MSG WPARAM [LPARAM] (MSG a number or a WM_ name, the others numbers)");
        const HWND window = FindByPath(w[1]);
        if (!window)
            return error("no window \"" + w[1] + "\"");
        const LRESULT result = SendMessageA(window, *message, static_cast<WPARAM>(*wParam), *lParam);
        out << "send " << MessageName(*message) << " result " << result << "\n";
        return;
    }
    if (cmd == "answer") {
        std::string problem;
        const std::string text = RestAfter(line, 1);
        if (!platform::PushAnswer(text, &problem))
            return error("answer: " + problem);
        out << "answer queued: " << text << "\n";
        return;
    }
    if (cmd == "screenshot") {
        if (w.size() != 3)
            return error("screenshot needs WINDOW NAME");
        const HWND window = FindByPath(w[1]);
        if (!window)
            return error("no window \"" + w[1] + "\"");
        if (!m_screenshot)
            return error("screenshots need the host with windows");
        std::string problem;
        const std::string file = m_screenshot(window, w[2], problem);
        if (file.empty())
            return error("screenshot: " + problem);
        out << "screenshot " << file << "\n";
        return;
    }
    if (cmd == "wait") {
        double seconds = -1;
        if (w.size() == 2) {
            const auto [end, ec] = std::from_chars(w[1].data(), w[1].data() + w[1].size(), seconds);
            if (ec != std::errc() || end != w[1].data() + w[1].size())
                seconds = -1;
        }
        if (!(seconds >= 0 && seconds <= 3600))
            return error("wait needs SECONDS (0 to 3600)");
        const auto duration = std::chrono::milliseconds(std::llround(seconds * 1000));
        if (m_wait) {
            m_wait(duration);
        } else {
            // Headless: the thread's own loop, for that long of real time (its timers count
            // whole milliseconds of the tick count, so the wait goes on until the time is up).
            auto& loop = platform::MessageLoop::Current();
            const auto deadline = std::chrono::steady_clock::now() + duration;
            for (;;) {
                const auto left = deadline - std::chrono::steady_clock::now();
                if (left <= std::chrono::steady_clock::duration::zero())
                    break;
                bool fired = false;
                const UINT_PTR timer =
                    loop.StartTimer(static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(left).count()),
                                    [&fired] { fired = true; }, platform::MessageLoop::TimerRepeat::Once);
                if (!loop.RunUntil([&fired] { return fired; })) {
                    loop.StopTimer(timer);
                    break;
                }
            }
        }
        out << "waited " << w[1] << "\n";
        return;
    }
}

} // namespace host
