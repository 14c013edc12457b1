#include "registry/KeyName.h"

#include "base/Utf.h"
#include "base/WinError.h"
#include "registry/Registry.h"

namespace platform::registry {

namespace {

char32_t Upper(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return c - 32;
    if (c < 0x80)
        return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A: mostly upper/lower pairs, the odd member lower case, except in
        // the block 0x139-0x148 and 0x179-0x17E where the even member is lower case.
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 0) ? c - 1 : c;
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        return (c % 2 == 1) ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return c - 32;
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x430 && c <= 0x44F)
        return c - 32;
    if (c >= 0x450 && c <= 0x45F)
        return c - 80;
    return c;
}

} // namespace

std::string KeyName::Fold(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8(name, pos, cp);
        if (len == 0) {
            out += name[pos];
            ++pos;
            continue;
        }
        AppendUtf8(out, Upper(cp));
        pos += len;
    }
    return out;
}

std::size_t KeyName::CharacterCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count) {
        char32_t cp = 0;
        const std::size_t len = DecodeUtf8(text, pos, cp);
        pos += len ? len : 1;
    }
    return count;
}

LONG KeyName::Split(const char* path, std::vector<std::string>& parts)
{
    parts.clear();
    if (!path || !*path)
        return ERROR_SUCCESS;
    if (*path == '\\')
        return ERROR_BAD_PATHNAME;
    std::string_view rest(path);
    while (!rest.empty()) {
        const std::size_t sep = rest.find('\\');
        const std::string_view part = rest.substr(0, sep);
        if (!part.empty()) {
            if (CharacterCount(part) > kMaxKeyNameLength)
                return ERROR_INVALID_PARAMETER;
            parts.emplace_back(part);
        }
        if (sep == std::string_view::npos)
            break;
        rest.remove_prefix(sep + 1);
    }
    return ERROR_SUCCESS;
}

} // namespace platform::registry
