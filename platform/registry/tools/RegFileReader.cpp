#include "RegFileReader.h"

#include "RegFileWriter.h"
#include "base/Utf.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string Decode(std::string_view bytes)
{
    // UTF-16 with its byte order mark, in either order.
    const bool little = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                        static_cast<unsigned char>(bytes[1]) == 0xFE;
    const bool big = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
                     static_cast<unsigned char>(bytes[1]) == 0xFF;
    if (little || big) {
        std::u16string wide((bytes.size() - 2) / 2, u'\0');
        for (std::size_t i = 0; i < wide.size(); ++i) {
            const unsigned first = static_cast<unsigned char>(bytes[2 + 2 * i]);
            const unsigned second = static_cast<unsigned char>(bytes[3 + 2 * i]);
            wide[i] = static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second);
        }
        return platform::Utf16ToUtf8(wide);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return std::string(bytes);
}

std::string Fail(int line, const std::string& message)
{
    return "line " + std::to_string(line) + ": " + message;
}

} // namespace

bool RegFileReader::ParseQuoted(std::string_view& text, std::string& out, bool allowLineEscapes)
{
    out.clear();
    if (text.empty() || text.front() != '"')
        return false;
    std::size_t i = 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            break;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'n':
            if (!allowLineEscapes)
                return false;
            out += '\n';
            break;
        case 'r':
            if (!allowLineEscapes)
                return false;
            out += '\r';
            break;
        default:
            return false;
        }
    }
    if (i >= text.size())
        return false; // no closing quote
    text.remove_prefix(i + 1);
    return true;
}

bool RegFileReader::ParseHexList(std::string_view text, std::vector<BYTE>& data)
{
    data.clear();
    text = Trim(text);
    if (text.empty())
        return true;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        unsigned value = 0;
        if (item.empty() || item.size() > 2)
            return false;
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), value, 16);
        if (ec != std::errc() || end != item.data() + item.size())
            return false;
        data.push_back(static_cast<BYTE>(value));
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

bool RegFileReader::ParseValueData(std::string_view text, RegFileOperation& op, std::string& error)
{
    text = Trim(text);
    if (text == "-") {
        op.kind = RegFileOperation::Kind::DeleteValue;
        return true;
    }
    op.kind = RegFileOperation::Kind::SetValue;
    if (!text.empty() && text.front() == '"') {
        std::string s;
        if (!ParseQuoted(text, s, false) || !Trim(text).empty()) {
            error = "malformed string data";
            return false;
        }
        op.type = REG_SZ;
        op.data.assign(s.begin(), s.end());
        op.data.push_back(0);
        return true;
    }
    if (text.substr(0, 6) == "dword:") {
        const std::string_view digits = text.substr(6);
        const bool allHex = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        });
        if (!allHex) {
            error = "malformed DWORD value \"" + std::string(digits) + "\"";
            return false;
        }
        std::uint64_t value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc() || end != digits.data() + digits.size() || value > 0xFFFFFFFFull) {
            error = "DWORD value out of range: \"" + std::string(digits) + "\" (at most ffffffff)";
            return false;
        }
        op.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            op.data.push_back(static_cast<BYTE>(value >> (8 * i)));
        return true;
    }
    if (text.substr(0, 3) == "hex") {
        std::string_view rest = text.substr(3);
        op.type = REG_BINARY;
        if (!rest.empty() && rest.front() == '(') {
            const std::size_t close = rest.find(')');
            const std::string_view digits = close == std::string_view::npos ? std::string_view() : rest.substr(1, close - 1);
            std::uint64_t type = 0;
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), type, 16);
            if (digits.empty() || digits.size() > 8 || ec != std::errc() || end != digits.data() + digits.size()) {
                error = "malformed value type in \"" + std::string(text.substr(0, std::min<std::size_t>(text.size(), 16))) + "\"";
                return false;
            }
            op.type = static_cast<DWORD>(type);
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':') {
            error = "malformed hex value";
            return false;
        }
        if (!ParseHexList(rest.substr(1), op.data)) {
            error = "malformed hexadecimal data \"" + std::string(Trim(rest.substr(1))) + "\"";
            return false;
        }
        return true;
    }
    error = "unrecognised value data \"" + std::string(text) + "\"";
    return false;
}

bool RegFileReader::Parse(std::string_view bytes, std::vector<RegFileOperation>& operations, std::string& error)
{
    operations.clear();
    const std::string text = Decode(bytes);

    // Physical lines, then logical lines (a line ending in a backslash continues).
    struct Line {
        int number;
        std::string text;
    };
    std::vector<Line> lines;
    {
        std::size_t pos = 0;
        int number = 0;
        bool continuing = false;
        while (pos <= text.size()) {
            std::size_t nl = text.find('\n', pos);
            if (nl == std::string::npos)
                nl = text.size();
            std::string_view physical = text;
            physical = physical.substr(pos, nl - pos);
            ++number;
            pos = nl + 1;
            const std::string_view trimmed = Trim(physical);
            if (continuing)
                lines.back().text += std::string(trimmed);
            else
                lines.push_back({number, std::string(trimmed)});
            std::string& last = lines.back().text;
            continuing = !last.empty() && last.back() == '\\' && last.front() != '[';
            if (continuing)
                last.pop_back();
            if (nl == text.size())
                break;
        }
        if (continuing) {
            error = Fail(lines.back().number, "the file ends inside a continued line");
            return false;
        }
    }

    bool header = false;
    std::optional<RegKeyPath> current; // the key that value lines go to
    for (const auto& [number, line] : lines) {
        if (line.empty() || line.front() == ';')
            continue;
        if (!header) {
            if (line != RegFileWriter::kHeader) {
                error = Fail(number, std::string("the file does not begin with \"") + RegFileWriter::kHeader + "\"");
                return false;
            }
            header = true;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') {
                error = Fail(number, "malformed key section \"" + line + "\"");
                return false;
            }
            std::string_view inner = std::string_view(line).substr(1, line.size() - 2);
            const bool remove = !inner.empty() && inner.front() == '-';
            if (remove)
                inner.remove_prefix(1);
            auto path = RegKeyPath::Parse(inner);
            if (!path) {
                error = Fail(number, "invalid key name \"" + std::string(inner) + "\"");
                return false;
            }
            RegFileOperation op;
            op.key = *path;
            op.line = number;
            if (remove) {
                if (path->IsRoot()) {
                    error = Fail(number, "a root key cannot be deleted");
                    return false;
                }
                op.kind = RegFileOperation::Kind::DeleteKey;
                current.reset();
            } else {
                op.kind = RegFileOperation::Kind::CreateKey;
                current = *path;
            }
            operations.push_back(std::move(op));
            continue;
        }
        if (!current) {
            error = Fail(number, "a value line outside a key section");
            return false;
        }
        RegFileOperation op;
        op.key = *current;
        op.line = number;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (!ParseQuoted(rest, op.name, true)) {
            error = Fail(number, "malformed value name");
            return false;
        } else if (op.name.empty()) {
            error = Fail(number, "an empty value name (the default value is written @)");
            return false;
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') {
            error = Fail(number, "'=' expected after the value name");
            return false;
        }
        rest.remove_prefix(1);
        std::string message;
        if (!ParseValueData(rest, op, message)) {
            error = Fail(number, message);
            return false;
        }
        operations.push_back(std::move(op));
    }
    if (!header) {
        error = Fail(1, std::string("the file does not begin with \"") + RegFileWriter::kHeader + "\"");
        return false;
    }
    return true;
}
