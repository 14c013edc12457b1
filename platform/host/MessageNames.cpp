#include "host/MessageNames.h"

#include "base/Utf.h"
#include "base/WinMessages.h"

#include <charconv>
#include <cstdio>
#include <iterator>

namespace host {

namespace {

struct Named {
    const char* name;
    UINT message;
};

// The messages the platform knows, in order of their numbers; WM_USER and WM_APP last, as the
// bases of the ranges that a name plus a number reaches.
constexpr Named kMessages[] = {
    {"WM_NULL", WM_NULL},
    {"WM_CREATE", WM_CREATE},
    {"WM_DESTROY", WM_DESTROY},
    {"WM_MOVE", WM_MOVE},
    {"WM_SIZE", WM_SIZE},
    {"WM_ACTIVATE", WM_ACTIVATE},
    {"WM_SETFOCUS", WM_SETFOCUS},
    {"WM_KILLFOCUS", WM_KILLFOCUS},
    {"WM_ENABLE", WM_ENABLE},
    {"WM_SETTEXT", WM_SETTEXT},
    {"WM_GETTEXT", WM_GETTEXT},
    {"WM_GETTEXTLENGTH", WM_GETTEXTLENGTH},
    {"WM_PAINT", WM_PAINT},
    {"WM_CLOSE", WM_CLOSE},
    {"WM_QUERYENDSESSION", WM_QUERYENDSESSION},
    {"WM_QUIT", WM_QUIT},
    {"WM_ENDSESSION", WM_ENDSESSION},
    {"WM_SHOWWINDOW", WM_SHOWWINDOW},
    {"WM_SETTINGCHANGE", WM_SETTINGCHANGE},
    {"WM_ACTIVATEAPP", WM_ACTIVATEAPP},
    {"WM_NOTIFY", WM_NOTIFY},
    {"WM_NCCREATE", WM_NCCREATE},
    {"WM_NCDESTROY", WM_NCDESTROY},
    {"WM_KEYDOWN", WM_KEYDOWN},
    {"WM_KEYUP", WM_KEYUP},
    {"WM_CHAR", WM_CHAR},
    {"WM_INITDIALOG", WM_INITDIALOG},
    {"WM_COMMAND", WM_COMMAND},
    {"WM_SYSCOMMAND", WM_SYSCOMMAND},
    {"WM_TIMER", WM_TIMER},
    {"WM_MOUSEMOVE", WM_MOUSEMOVE},
    {"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
    {"WM_LBUTTONUP", WM_LBUTTONUP},
    {"WM_LBUTTONDBLCLK", WM_LBUTTONDBLCLK},
    {"WM_RBUTTONDOWN", WM_RBUTTONDOWN},
    {"WM_RBUTTONUP", WM_RBUTTONUP},
    {"WM_RBUTTONDBLCLK", WM_RBUTTONDBLCLK},
    {"WM_USER", WM_USER},
    {"WM_APP", WM_APP},
};

std::optional<UINT> Number(std::string_view text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (ec != std::errc() || end != last || first == last || value > 0xFFFF)
        return std::nullopt;
    return static_cast<UINT>(value);
}

} // namespace

std::optional<UINT> ParseMessage(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    if (text[0] >= '0' && text[0] <= '9')
        return Number(text);
    const std::size_t plus = text.find('+');
    const std::string name = platform::ToLowerAscii(text.substr(0, plus));
    for (const Named& m : kMessages) {
        if (platform::ToLowerAscii(m.name) != name)
            continue;
        if (plus == std::string_view::npos)
            return m.message;
        const auto offset = Number(text.substr(plus + 1));
        if (!offset || m.message + *offset > 0xFFFF)
            return std::nullopt;
        return m.message + *offset;
    }
    return std::nullopt;
}

std::string MessageName(UINT message)
{
    for (const Named& m : kMessages)
        if (m.message == message)
            return m.name;
    // Within the ranges of WM_APP and WM_USER: the base and the offset.
    for (auto it = std::rbegin(kMessages); it != std::rbegin(kMessages) + 2; ++it)
        if (message > it->message && message < (it->message == WM_APP ? 0xC000u : static_cast<UINT>(WM_APP)))
            return std::string(it->name) + "+" + std::to_string(message - it->message);
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", message);
    return text;
}

} // namespace host
