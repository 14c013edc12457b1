#include "RegFileWriter.h"

#include "base/Utf.h"
#include "registry/Registry.h"

#include <cstdio>

namespace {

bool IsPlainString(std::span<const BYTE> data)
{
    if (data.empty() || data.back() != 0)
        return false;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    if (text.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
        return false;
    return platform::Utf16ToUtf8(platform::Utf8ToUtf16(text)) == text; // well-formed UTF-8
}

// "hex:" or "hex(t):" followed by comma-separated bytes, wrapped like the platform's editor
// (lines of at most about 80 characters, continued with a backslash).
std::string HexData(const std::string& prefix, std::span<const BYTE> data)
{
    static const char digits[] = "0123456789abcdef";
    std::string out = prefix;
    std::size_t lineLength = out.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0xF];
        lineLength += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++lineLength;
            if (lineLength > 76) {
                out += "\\\n  ";
                lineLength = 2;
            }
        }
    }
    return out;
}

} // namespace

std::string RegFileWriter::Header()
{
    return std::string(kHeader) + "\n\n";
}

bool RegFileWriter::Section(const std::string& keyPath, std::string& text)
{
    if (keyPath.find_first_of("\r\n") != std::string::npos)
        return false;
    text = "[" + keyPath + "]\n";
    return true;
}

std::string RegFileWriter::Quote(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string RegFileWriter::ValueLine(const std::string& name, DWORD type, std::span<const BYTE> data)
{
    std::string line = (name.empty() ? std::string("@") : Quote(name)) + "=";
    const std::size_t nameLength = line.size();
    if (type == REG_SZ && IsPlainString(data)) {
        line += Quote(std::string(reinterpret_cast<const char*>(data.data()), data.size() - 1));
    } else if (type == REG_DWORD && data.size() == 4) {
        char buffer[24];
        const unsigned v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<unsigned>(data[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", v);
        line += buffer;
    } else {
        char prefix[24];
        if (type == REG_BINARY)
            std::snprintf(prefix, sizeof prefix, "hex:");
        else
            std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
        // The first line also carries the name.
        std::string hex = HexData(std::string(nameLength, ' ') + prefix, data);
        line += hex.substr(nameLength);
    }
    return line + "\n";
}
