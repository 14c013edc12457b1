#include "host/ScriptArguments.h"

#include <charconv>
#include <cstdio>

namespace host {

bool ParseDecimalArgument(std::string_view text, LONG min, LONG max, LONG& value, std::string& problem)
{
    const std::string shown = "\"" + PrintableText(text) + "\"";
    const std::string_view digits = !text.empty() && text.front() == '-' ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        problem = shown + " is not a decimal number";
        return false;
    }
    long long number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size() || number < min || number > max) {
        problem = shown + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")";
        return false;
    }
    value = static_cast<LONG>(number);
    return true;
}

std::string PrintableText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace host
