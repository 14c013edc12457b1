#include "RegValueText.h"

#include "base/Utf.h"
#include "registry/Registry.h"

#include <charconv>
#include <cstdio>

namespace {

struct TypeEntry {
    DWORD type;
    const char* name;
};

const TypeEntry kTypes[] = {
    {REG_NONE, "REG_NONE"},           {REG_SZ, "REG_SZ"},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ"}, {REG_BINARY, "REG_BINARY"},
    {REG_DWORD, "REG_DWORD"},         {REG_MULTI_SZ, "REG_MULTI_SZ"},
    {REG_QWORD, "REG_QWORD"},
};

std::string Terminated(std::string_view text)
{
    std::string s(text);
    s.push_back('\0');
    return s;
}

} // namespace

std::string RegValueText::TypeName(DWORD type)
{
    for (const auto& t : kTypes)
        if (t.type == type)
            return t.name;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "REG_0x%X", static_cast<unsigned>(type));
    return buffer;
}

std::optional<DWORD> RegValueText::TypeFromName(std::string_view name)
{
    for (const auto& t : kTypes)
        if (platform::EqualNoCase(name, t.name))
            return t.type;
    return std::nullopt;
}

std::string RegValueText::Hex(std::span<const BYTE> data)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 2);
    for (const BYTE b : data) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

bool RegValueText::ParseHex(std::string_view text, std::vector<BYTE>& data)
{
    if (text.size() % 2)
        return false;
    data.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + i + 2)
            return false;
        data.push_back(static_cast<BYTE>(value));
    }
    return true;
}

bool RegValueText::ParseNumber(std::string_view text, std::uint64_t max, std::uint64_t& value)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && value <= max;
}

std::string RegValueText::Display(DWORD type, std::span<const BYTE> data)
{
    const std::string_view raw(reinterpret_cast<const char*>(data.data()), data.size());
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return std::string(raw.substr(0, raw.find('\0')));
    case REG_MULTI_SZ: {
        // Every string of the list, empty ones too: only the list's closing terminator and the
        // last string's own terminator end it.
        std::string_view rest = raw;
        if (rest.size() >= 2 && rest.substr(rest.size() - 2) == std::string_view("\0\0", 2))
            rest.remove_suffix(1);
        if (!rest.empty() && rest.back() == '\0')
            rest.remove_suffix(1);
        std::string out;
        for (std::size_t at = 0;;) {
            const std::size_t end = rest.find('\0', at);
            out += rest.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
            if (end == std::string_view::npos)
                break;
            out += "\\0";
            at = end + 1;
        }
        return out;
    }
    case REG_DWORD:
        if (data.size() == 4) {
            const std::uint32_t v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(v));
            return buffer;
        }
        return Hex(data);
    case REG_QWORD:
        if (data.size() == 8) {
            std::uint64_t v = 0;
            for (int i = 7; i >= 0; --i)
                v = (v << 8) | data[static_cast<std::size_t>(i)];
            char buffer[24];
            std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(v));
            return buffer;
        }
        return Hex(data);
    default:
        return Hex(data);
    }
}

bool RegValueText::Parse(DWORD type, std::string_view text, std::vector<BYTE>& data, std::string& error)
{
    data.clear();
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const std::string s = Terminated(text);
        data.assign(s.begin(), s.end());
        return true;
    }
    case REG_MULTI_SZ: {
        // Strings separated by the two characters "\0"; each stored with its terminator,
        // and one more terminator closes the list.
        std::string s;
        std::string_view rest = text;
        while (!rest.empty()) {
            const std::size_t sep = rest.find("\\0");
            const std::string_view item = rest.substr(0, sep);
            if (item.empty()) {
                error = "Invalid REG_MULTI_SZ data: empty string in the list.";
                return false;
            }
            s += Terminated(item);
            if (sep == std::string_view::npos)
                break;
            rest.remove_prefix(sep + 2);
            if (rest.empty()) {
                error = "Invalid REG_MULTI_SZ data: empty string in the list.";
                return false;
            }
        }
        s.push_back('\0');
        data.assign(s.begin(), s.end());
        return true;
    }
    case REG_DWORD:
    case REG_QWORD: {
        const bool dword = type == REG_DWORD;
        std::uint64_t value = 0;
        if (!ParseNumber(text, dword ? 0xFFFFFFFFull : ~0ull, value)) {
            error = std::string("Invalid ") + (dword ? "REG_DWORD" : "REG_QWORD") + " data \"" + std::string(text) +
                    "\": a number from 0 to " + (dword ? "4294967295" : "18446744073709551615") +
                    ", decimal or 0x hexadecimal.";
            return false;
        }
        for (int i = 0; i < (dword ? 4 : 8); ++i)
            data.push_back(static_cast<BYTE>(value >> (8 * i)));
        return true;
    }
    default:
        if (!ParseHex(text, data)) {
            error = "Invalid " + TypeName(type) + " data \"" + std::string(text) +
                    "\": hexadecimal digits, two per byte.";
            return false;
        }
        return true;
    }
}
